#include "app/screens/SheetForm.h"
#include "app/screens/waiting/WaitingFilters.h"
#include "app/screens/waiting/WaitingForSheets.h"
#include "app/screens/waiting/WaitingForView.h"
#include "app/ui/ProminentButton.h"
#include "tests/screens/ScreenTestSupport.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>

using namespace screentest;

static const Calendar& kBerlin = screentest::berlinCalendar();

namespace {

WaitingForItem item(const QString& title, std::optional<QDateTime> next,
                    std::optional<QDateTime> expected = std::nullopt,
                    WaitingStatus status = WaitingStatus::waiting) {
  WaitingForItem i;
  i.id = QUuid::createUuid();
  i.title = title;
  i.createdAt = berlin(2026, 3, 1, 9);
  i.nextFollowUpDate = next;
  i.expectedResponseDate = expected;
  i.status = status;
  return i;
}

QStringList titles(const WaitingListModel* model) {
  return testsupport::texts(model->records(), &WaitingForItem::title);
}

std::optional<WaitingForItem> find(DataStore& store, const QString& title) {
  return testsupport::findBy(store.waitingItems(), &WaitingForItem::title, title);
}

}  // namespace

// The follow-up line at the edges of a day, across the clock change, and for items that have
// no date or are closed.
TEST(WaitingFilters, FollowUpTextAtDayBoundaries) {
  const QDateTime morning = berlin(2026, 3, 10, 10, 30);
  struct Case {
    const char* name;
    QDateTime now;
    WaitingForItem item;
    std::optional<QString> text;
  };
  const Case cases[] = {
      {"due at today's first minute", morning, item({}, berlin(2026, 3, 10, 0, 0)),
       QStringLiteral("Follow-up overdue")},
      {"due at today's last minute", morning, item({}, berlin(2026, 3, 10, 23, 59)),
       QStringLiteral("Follow up today")},
      {"due yesterday 23:59", morning, item({}, berlin(2026, 3, 9, 23, 59)),
       QStringLiteral("Follow-up overdue by 1 day")},
      {"due tomorrow 00:00", morning, item({}, berlin(2026, 3, 11, 0, 0)),
       QStringLiteral("Follow up tomorrow")},
      {"across the clock change", berlin(2026, 3, 28, 23, 30), item({}, berlin(2026, 3, 30, 0, 30)),
       QStringLiteral("Follow up in 2 days")},
      {"expected answer stands in", morning, item({}, std::nullopt, berlin(2026, 3, 7, 12)),
       QStringLiteral("Follow-up overdue by 3 days")},
      {"no dates", morning, item({}, std::nullopt), std::nullopt},
      {"resolved", morning, item({}, berlin(2026, 3, 1, 9), std::nullopt, WaitingStatus::resolved),
       std::nullopt},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(waiting_lists::followUpText(c.item, c.now, kBerlin), c.text) << c.name;
  }
  WaitingForItem fresh = item({}, std::nullopt);
  fresh.createdAt = berlin(2026, 3, 10, 0, 0);
  EXPECT_EQ(waiting_lists::waitingText(fresh, morning, kBerlin), QStringLiteral("Since today"));
  fresh.createdAt = berlin(2026, 3, 9, 23, 59);
  EXPECT_EQ(waiting_lists::waitingText(fresh, morning, kBerlin), QStringLiteral("Waiting 1 day"));
}

TEST(WaitingFilters, ActiveItemsBySoonestFollowUpClosedOnesApart) {
  const QList<WaitingForItem> items = {
      item(QStringLiteral("undated"), std::nullopt),
      item(QStringLiteral("later"), berlin(2026, 3, 20, 9)),
      item(QStringLiteral("done"), std::nullopt, std::nullopt, WaitingStatus::resolved),
      item(QStringLiteral("sooner"), std::nullopt, berlin(2026, 3, 12, 9)),
      item(QStringLiteral("dropped"), std::nullopt, std::nullopt, WaitingStatus::cancelled),
      item(QStringLiteral("chased"), berlin(2026, 3, 11, 9), std::nullopt,
           WaitingStatus::followedUp)};
  const auto titles = [&](WaitingFilter filter) {
    QStringList out;
    for (const WaitingForItem& i : waiting_lists::filtered(items, filter)) {
      out.append(i.title);
    }
    return out.join(QLatin1Char(' '));
  };
  EXPECT_EQ(titles(WaitingFilter::active), QStringLiteral("chased sooner later undated"));
  EXPECT_EQ(titles(WaitingFilter::resolved), QStringLiteral("done dropped"));
  EXPECT_EQ(titles(WaitingFilter::all), QStringLiteral("undated later done sooner dropped chased"));
}

TEST(WaitingFilters, FormIsTrimmedAndAFollowUpIsRecorded) {
  const QDateTime now = berlin(2026, 3, 10, 10, 30);
  const WaitingForItem added =
      waiting_lists::fromForm({QStringLiteral("  "), QStringLiteral(" ACME "), QDate(2026, 3, 12),
                               std::nullopt, WaitingStatus::resolved, QStringLiteral(" hi ")},
                              std::nullopt, now, kBerlin);
  EXPECT_EQ(added.title, QStringLiteral("Untitled Item"));
  EXPECT_EQ(added.personOrOrg, QStringLiteral("ACME"));
  EXPECT_EQ(added.status, WaitingStatus::waiting) << "a new item is always waiting";
  EXPECT_EQ(added.expectedResponseDate, berlin(2026, 3, 12, 9, 0));

  WaitingForItem existing = item(QStringLiteral("Quote"), berlin(2026, 3, 9, 17, 15));
  existing.notes = QStringLiteral("Asked twice");
  const WaitingForItem edited =
      waiting_lists::fromForm({QStringLiteral("Quote"), QString(), std::nullopt, QDate(2026, 3, 13),
                               WaitingStatus::cancelled, existing.notes},
                              existing, now, kBerlin);
  EXPECT_EQ(edited.id, existing.id);
  EXPECT_EQ(edited.status, WaitingStatus::cancelled);
  EXPECT_EQ(edited.nextFollowUpDate, berlin(2026, 3, 13, 17, 15)) << "its time of day stays";

  const WaitingForItem followed = waiting_lists::recordFollowUp(
      existing, QStringLiteral(" Called them "), QDate(2026, 3, 13), now, kBerlin);
  EXPECT_EQ(followed.lastFollowUpDate, now);
  EXPECT_EQ(followed.nextFollowUpDate, berlin(2026, 3, 13, 9, 0));
  EXPECT_TRUE(followed.notes.startsWith(QStringLiteral("Asked twice\nFollowed up ")));
  EXPECT_EQ(waiting_lists::recordFollowUp(existing, QStringLiteral(" "), std::nullopt, now, kBerlin)
                .notes,
            existing.notes);
}

// A follow-up goes through its sheet into the store.
TEST_F(ScreenTest, WaitingForFollowUpSheetRecordsTheFollowUp) {
  WaitingForView view(env);
  view.show();
  const WaitingForItem quote = *find(store(), QStringLiteral("Laptop repair quote"));
  view.showFollowUpSheet(quote);
  auto* followUp = openSheet<FollowUpSheet>(&view);
  ASSERT_NE(followUp, nullptr);
  QTest::keyClicks(followUp->notesField(), QStringLiteral("Rang the shop"));
  QTest::mouseClick(followUp->saveButton(), Qt::LeftButton);
  settle();
  EXPECT_EQ(openSheet<FollowUpSheet>(&view), nullptr);
  const WaitingForItem chased = *find(store(), QStringLiteral("Laptop repair quote"));
  EXPECT_EQ(chased.status, WaitingStatus::followedUp);
  EXPECT_TRUE(chased.notes.endsWith(QStringLiteral("Rang the shop")));
}

TEST_F(ScreenTest, WaitingForRowsSnoozeResolveAndDelete) {
  WaitingForView view(env);
  view.show();
  saveScreenshots(&view, QStringLiteral("waiting"), QSize(720, 420));
  const WaitingForItem contract = *find(store(), QStringLiteral("Signed contract"));
  view.list()->trigger(view.model()->index(0), QStringLiteral("snooze"));
  ASSERT_TRUE(view.snoozeMenu());
  ASSERT_EQ(view.snoozeMenu()->actions().size(), 3);
  view.snoozeMenu()->actions().at(1)->trigger();  // three days
  EXPECT_EQ(find(store(), QStringLiteral("Signed contract"))->nextFollowUpDate,
            calendar.addDays(*contract.nextFollowUpDate, 3));

  const qsizetype row = titles(view.model()).indexOf(QStringLiteral("Signed contract"));
  view.list()->trigger(view.model()->index(static_cast<int>(row)), QStringLiteral("resolve"));
  EXPECT_EQ(find(store(), QStringLiteral("Signed contract"))->status, WaitingStatus::resolved);
  EXPECT_FALSE(titles(view.model()).contains(QStringLiteral("Signed contract")));
  view.setFilter(WaitingFilter::resolved);
  EXPECT_EQ(titles(view.model()), QStringList{QStringLiteral("Signed contract")});

  view.list()->setCurrentIndex(view.model()->index(0));
  view.list()->setFocus();
  QTest::keyClick(view.list(), Qt::Key_Delete);
  ASSERT_TRUE(answer(view.pendingConfirmation(), QStringLiteral("Delete")));
  EXPECT_FALSE(find(store(), QStringLiteral("Signed contract")));
}

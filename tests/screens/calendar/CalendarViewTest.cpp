#include "app/screens/calendar/CalendarView.h"
#include "app/screens/calendar/EventEditorSheet.h"
#include "app/shell/ProminentButton.h"
#include "app/shell/ThemedLabel.h"
#include "tests/screens/ScreenTestSupport.h"

#include <QDateTimeEdit>
#include <QLineEdit>
#include <QTest>

using namespace screentest;

namespace {

QStringList titles(const EventListModel* model) {
  return testsupport::texts(model->records(), &CalendarEventItem::title);
}

CalendarEventItem mirrored(const QString& title, const QDateTime& start, const QString& link) {
  CalendarEventItem e;
  e.id = QStringLiteral("ics-") + title;
  e.title = title;
  e.startDate = start;
  e.endDate = start.addSecs(1800);
  e.meetingLink = link;
  e.calendarName = QStringLiteral("Work");
  e.calendarColorHex = QStringLiteral("#FF3B30");
  e.sourceType = CalendarSourceType::apple;
  return e;
}

}  // namespace

// Mirrored events sit among the manual ones, read-only; a link opens only when it is safe.
TEST_F(ScreenTest, CalendarOpensOnlySafeLinksAndNeverDeletesMirroredEvents) {
  calendarService.calendars = {
      {QStringLiteral("work"), QStringLiteral("Work"), QStringLiteral("#FF3B30")}};
  calendarService.events = {mirrored(QStringLiteral("Phishy call"), now.addSecs(600),
                                     QStringLiteral("javascript:alert(1)")),
                            mirrored(QStringLiteral("Local file"), now.addSecs(900),
                                     QStringLiteral("file:///etc/passwd"))};
  store().refreshCalendarEvents();
  CalendarView view(env);
  view.show();
  QList<QUrl> opened;
  view.setUrlOpener([&](const QUrl& url) {
    opened.append(url);
    return true;
  });
  ASSERT_EQ(titles(view.model()),
            (QStringList{"Phishy call", "Local file", "Team standup", "Lunch with Alex", "Project review"}));
  const auto ids = [&](int row) {
    return testsupport::texts(view.list()->rowDelegate()->actions(view.model()->index(row)),
                              &RowAction::id);
  };
  EXPECT_EQ(ids(0), QStringList{QStringLiteral("join")}) << "mirrored: no delete";
  EXPECT_EQ(ids(2), (QStringList{QStringLiteral("join"), QStringLiteral("delete")}));

  for (int row : {0, 1}) {
    view.list()->setFocus();
    view.list()->setCurrentIndex(view.model()->index(row));
    QTest::keyClick(view.list(), Qt::Key_Return);
    EXPECT_TRUE(view.linkMessage()->isVisible()) << row;
  }
  EXPECT_TRUE(opened.isEmpty()) << "unsafe links never reach the opener";
  view.list()->trigger(view.model()->index(2), QStringLiteral("join"));
  EXPECT_EQ(opened, QList<QUrl>{QUrl(QStringLiteral("https://meet.example.com/standup"))});
  EXPECT_FALSE(view.linkMessage()->isVisible());

  const qsizetype manual = store().manualEvents().size();
  view.requestDelete(QStringLiteral("ics-Phishy call"));
  EXPECT_EQ(view.pendingConfirmation(), nullptr);
  view.list()->trigger(view.model()->index(2), QStringLiteral("delete"));
  ASSERT_TRUE(answer(view.pendingConfirmation(), QStringLiteral("Delete")));
  EXPECT_EQ(store().manualEvents().size(), manual - 1);
  EXPECT_FALSE(titles(view.model()).contains(QStringLiteral("Team standup")));
  saveScreenshots(&view, QStringLiteral("calendar"), QSize(720, 460));
}

TEST_F(ScreenTest, CalendarSheetRefusesAnEndBeforeTheStartThenAddsTheEvent) {
  CalendarView view(env);
  view.show();
  QTest::mouseClick(view.addButton(), Qt::LeftButton);
  auto* sheet = openSheet<EventEditorSheet>(&view);
  ASSERT_NE(sheet, nullptr);
  // Proposed: the next full hour (11:00 in Berlin) for an hour.
  EXPECT_EQ(sheet->startField()->dateTime().time(), QTime(11, 0));
  EXPECT_EQ(sheet->endField()->dateTime().time(), QTime(12, 0));
  QTest::keyClicks(sheet->titleField(), QStringLiteral("Dentist"));
  sheet->setEnd(berlin(2026, 3, 10, 10, 0));
  EXPECT_FALSE(sheet->save());
  EXPECT_TRUE(sheet->error()->isVisible());

  sheet->setStart(berlin(2026, 3, 12, 15, 0));
  sheet->setEnd(berlin(2026, 3, 12, 15, 45));
  QTest::keyClicks(sheet->linkField(), QStringLiteral("https://meet.example.com/dentist"));
  QTest::keyClick(sheet->titleField(), Qt::Key_Return);
  settle();
  EXPECT_EQ(openSheet<EventEditorSheet>(&view), nullptr);
  const CalendarEventItem& added = store().manualEvents().last();
  EXPECT_EQ(added.title, QStringLiteral("Dentist"));
  EXPECT_EQ(added.startDate, berlin(2026, 3, 12, 15, 0));
  EXPECT_EQ(added.endDate, berlin(2026, 3, 12, 15, 45));
  EXPECT_TRUE(titles(view.model()).contains(QStringLiteral("Dentist")));
}

TEST_F(ScreenTest, CalendarSaysWhyMirroredEventsAreMissing) {
  struct Case {
    CalendarPermissionStatus permission;
    bool hasCalendars;
    QString notice;
  };
  const Case cases[] = {
      {CalendarPermissionStatus::denied, true, QStringLiteral("cannot read your calendars")},
      {CalendarPermissionStatus::authorized, false, QStringLiteral("No calendars were found")},
      {CalendarPermissionStatus::authorized, true, QString()},
  };
  emptyStore();
  for (const Case& c : cases) {
    calendarService.permissionStatus = c.permission;
    calendarService.calendars.clear();
    if (c.hasCalendars) {
      calendarService.calendars = {
          {QStringLiteral("home"), QStringLiteral("Home"), QStringLiteral("#34C759")}};
    }
    store().refreshCalendarEvents();
    CalendarView view(env);
    view.show();
    EXPECT_EQ(view.accessNotice()->isVisible(), !c.notice.isEmpty());
    EXPECT_TRUE(view.accessNotice()->text().contains(c.notice));
  }
}

#include "tests/screens/ScreenTestSupport.h"

#include "app/screens/today/TodayView.h"
#include "app/ui/DayLists.h"
#include "app/ui/ProminentButton.h"
#include "app/ui/ThemedLabel.h"

#include <QApplication>
#include <QFile>
#include <QJsonDocument>
#include <QLineEdit>
#include <QTest>
#include <QToolButton>
#include <QPushButton>

using screentest::ScreenTest;
using screentest::settle;

namespace {

class TodayViewTest : public ScreenTest {
 protected:
  TodayView* open(DataStore* other = nullptr) {
    ScreenEnvironment e = env;
    if (other) e.store = other;
    view_ = std::make_unique<TodayView>(
        e, TabBinding{[this] { return tab; }, [this](DashboardTab t) { tab = t; }}, nullptr);
    view_->resize(820, 900);
    view_->show();
    QApplication::processEvents();
    return view_.get();
  }

  DashboardTab tab = DashboardTab::today;
  std::unique_ptr<TodayView> view_;
};

}  // namespace

// The sample day, then without it; every button that leaves the screen writes its tab into
// the binding ("Add Event" shows once there is no next event).
TEST_F(TodayViewTest, ShowsTheDayAndItsButtonsJumpToTheirTabs) {
  for (int i = 0; i < 2; ++i) {
    EmailExtractedSuggestion s;
    s.id = QUuid::createUuid();
    s.receivedDate = s.createdAt = now;
    store().addEmailSuggestion(s);
  }
  changeSettings([](AppSettings& s) { s.isEmailAssistantEnabled = true; });
  TodayView* view = open();
  EXPECT_EQ(view->emailPromptLabel()->text(),
            QStringLiteral("2 actionable suggestions from recent emails waiting for review."));
  screentest::saveScreenshots(view, QStringLiteral("today"), QSize(820, 1000));

  view->removeSampleDataButton()->click();
  settle();
  EXPECT_FALSE(store().hasSampleData());
  EXPECT_FALSE(view->sampleBanner()->isVisible());
  EXPECT_EQ(view->todayTaskButtons().size(), 0);

  const struct {
    QAbstractButton* button;
    DashboardTab expected;
  } cases[] = {{view->viewAllButton(), DashboardTab::tasks},
               {view->reviewNowButton(), DashboardTab::emailInbox},
               {view->addEventButton(), DashboardTab::calendar}};
  for (const auto& c : cases) {
    tab = DashboardTab::today;
    ASSERT_TRUE(c.button->isVisible()) << c.button->text().toStdString();
    c.button->click();
    EXPECT_EQ(tab, c.expected) << c.button->text().toStdString();
  }
}

TEST_F(TodayViewTest, IntentionIsEditedInPlaceAndSavedAsTyped) {
  store().setDailyIntention(QStringLiteral("Ship the release"));
  TodayView* view = open();
  for (const QString& typed : {QStringLiteral(" Write docs "), QString()}) {
    view->editIntentionButton()->click();
    ASSERT_TRUE(view->state().isEditingIntention);
    ASSERT_TRUE(view->intentionField()->isVisible());
    view->intentionField()->selectAll();
    QTest::keyClick(view->intentionField(), Qt::Key_Backspace);
    QTest::keyClicks(view->intentionField(), typed);
    if (typed.isEmpty()) {
      view->saveIntentionButton()->click();
    } else {
      QTest::keyClick(view->intentionField(), Qt::Key_Return);
    }
    EXPECT_FALSE(view->state().isEditingIntention);
    EXPECT_EQ(DataStore(store().storageFolder(), nullptr, nullptr).dailyIntention(), typed);
    EXPECT_EQ(view->intentionLabel()->text(),
              typed.isEmpty() ? QStringLiteral("Click edit to set today's primary focus.") : typed);
  }
}

TEST_F(TodayViewTest, TasksAndFollowUpsAct) {
  TodayView* view = open();
  const QList<QToolButton*> checks = view->todayTaskButtons();
  ASSERT_FALSE(checks.isEmpty());
  const QString before = view->tasksFinishedLabel()->text();
  checks.first()->click();
  settle();
  EXPECT_NE(view->tasksFinishedLabel()->text(), before);

  // Four overdue follow-ups show three rows; snoozing and resolving take them away.
  for (int i = 0; i < 4; ++i) {
    WaitingForItem item;
    item.id = QUuid::createUuid();
    item.title = QStringLiteral("Reply %1").arg(i);
    item.createdAt = now.addDays(-5);
    item.nextFollowUpDate = now.addDays(-1);
    store().addWaitingItem(item);
  }
  settle();
  ASSERT_NE(view->followUpsCard(), nullptr);
  ASSERT_EQ(view->snoozeButtons().size(), 3);
  const int overdue = int(day_lists::followUpsOverdue(store().waitingItems(), now).size());
  view->snoozeButtons().first()->click();
  settle();
  view->resolveButtons().first()->click();
  settle();
  EXPECT_EQ(int(day_lists::followUpsOverdue(store().waitingItems(), now).size()), overdue - 2);
}

// Each problem with the files reads as what happened: nothing failed to save when a file or
// records were only set aside at launch.
TEST_F(TodayViewTest, TheBannerSaysWhatHappenedToTheFiles) {
  TaskItem badTask;  // no creation date: it would not read back, so it is refused
  badTask.id = QUuid::createUuid();
  badTask.title = QStringLiteral("bad");
  const struct {
    const char* label;
    QByteArray database;                  // the file found at launch
    std::function<void(DataStore&)> then;  // what the user does next
    const char* shown;
  } cases[] = {
      {"records kept aside",
       "{\"schemaVersion\":3,\"tasks\":[{\"id\":1}],\"bills\":[],\"waitingItems\":[],"
       "\"manualEvents\":[],\"focusSessions\":[],\"emailSuggestions\":[],"
       "\"processedEmailMessageIDs\":[],\"emailSyncState\":{\"isSyncing\":false,"
       "\"lastSyncStatus\":\"\",\"pendingCount\":0},\"dailyIntention\":\"\",\"customGreeting\":\"\"}",
       [](DataStore&) {}, "1 record could not be read"},
      {"database set aside", "not json", [](DataStore&) {}, "opened with no data"},
      {"a record refused", QJsonDocument(DashboardStorageContainer{}.toJson()).toJson(),
       [&](DataStore& s) { s.addTask(badTask); }, "Your latest changes could not be saved"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    QTemporaryDir dir;
    QFile file(dir.filePath(QStringLiteral("dashboard.json")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(c.database);
    file.close();
    DataStore s(dir.path(), &notifications, &calendarService, [this] { return now; }, calendar);
    c.then(s);
    TodayView* view = open(&s);
    EXPECT_TRUE(view->statusBanner()->isVisible());
    const QString text = view->statusLabel()->text();
    EXPECT_TRUE(text.contains(QLatin1String(c.shown))) << text.toStdString();
    EXPECT_EQ(text.contains(QStringLiteral("could not be saved")), s.saveError().has_value());
    view_.reset();
  }
}

// Files a newer version wrote are never overwritten, and the screen says so.
TEST_F(TodayViewTest, AReadOnlyStoreShowsWhyNothingIsSaved) {
  QTemporaryDir dir;
  QFile file(dir.filePath(QStringLiteral("dashboard.json")));
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write("{\"schemaVersion\": 99, \"everything\": \"different\"}");
  file.close();
  DataStore readOnly(dir.path(), &notifications, &calendarService, [this] { return now; }, calendar);
  ASSERT_TRUE(readOnly.isReadOnly());
  TodayView* view = open(&readOnly);
  EXPECT_TRUE(view->statusBanner()->isVisible());
  EXPECT_TRUE(view->statusLabel()->text().contains(QStringLiteral("newer Pelmora")));
  EXPECT_TRUE(view->statusLabel()->text().contains(*readOnly.saveError()));
  EXPECT_FALSE(view->statusLabel()->text().contains(QStringLiteral("could not be saved")));
  view_.reset();
}

#include "tests/screens/ScreenTestSupport.h"

#include "app/screens/today/TodayLogic.h"
#include "app/screens/today/TodayView.h"
#include "app/ui/DayLists.h"
#include "app/ui/ProminentButton.h"
#include "app/ui/ThemedLabel.h"
#include "core/services/MinuteClock.h"

#include <QApplication>
#include <QFile>
#include <QJsonDocument>
#include <QLineEdit>
#include <QMessageBox>
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
  ASSERT_TRUE(screentest::answer(view->pendingConfirmation(), QStringLiteral("Remove")));
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

// The sample data goes only when the user says so, and the question counts what goes, an
// edited sample task included.
TEST_F(TodayViewTest, RemovingSampleDataAsksAndCountsWhatGoes) {
  TaskItem edited = store().tasks().first();
  ASSERT_TRUE(edited.isSampleData);
  edited.title = QStringLiteral("My own now");
  store().updateTask(edited);
  auto isSample = [](const auto& record) { return record.isSampleData; };
  const qsizetype records =
      std::count_if(store().tasks().begin(), store().tasks().end(), isSample) +
      std::count_if(store().bills().begin(), store().bills().end(), isSample) +
      std::count_if(store().waitingItems().begin(), store().waitingItems().end(), isSample) +
      std::count_if(store().manualEvents().begin(), store().manualEvents().end(),
                    [](const CalendarEventItem& e) { return e.sourceType == CalendarSourceType::sample; });
  TodayView* view = open();
  for (const Qt::Key key : {Qt::Key_Escape, Qt::Key_Return}) {
    view->removeSampleDataButton()->click();
    settle();
    QMessageBox* box = view->pendingConfirmation();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->text(), QStringLiteral("%1 sample records will be removed.").arg(records));
    EXPECT_TRUE(box->informativeText().endsWith(QStringLiteral("including any you changed.")));
    EXPECT_TRUE(store().hasSampleData()) << "nothing goes before the answer";
    if (key == Qt::Key_Escape) {
      screentest::saveScreenshots(box, QStringLiteral("today-remove-sample-data-confirmation"));
    }
    QTest::keyClick(box, key);  // Return is Cancel's: a bulk removal takes a click
    settle();
    EXPECT_TRUE(store().hasSampleData());
  }
  view->removeSampleDataButton()->click();
  ASSERT_TRUE(screentest::answer(view->pendingConfirmation(), QStringLiteral("Remove")));
  EXPECT_FALSE(store().hasSampleData());
  EXPECT_FALSE(testsupport::findBy(store().tasks(), &TaskItem::id, edited.id).has_value());
}

// The greeting, the date and the countdown follow the minute clock; today's rows stay as they
// are (and keep the keyboard) until the day changes.
TEST_F(TodayViewTest, TheClockPartsFollowTheMinute) {
  emptyStore();
  CalendarEventItem event;
  event.id = QStringLiteral("review");
  event.title = QStringLiteral("Review");
  event.startDate = screentest::berlin(2026, 3, 10, 13, 0);
  event.endDate = event.startDate.addSecs(3600);
  store().addManualEvent(event);
  TaskItem task;
  task.id = QUuid::createUuid();
  task.title = QStringLiteral("Due tonight");
  task.dueDate = screentest::berlin(2026, 3, 10, 18, 0);
  task.createdAt = task.updatedAt = now;
  store().addTask(task);
  MinuteClock clock([this] { return now; });
  env.minuteClock = &clock;
  now = screentest::berlin(2026, 3, 10, 11, 58);
  TodayView* view = open();
  const QString firstDay = view->dateLabel()->text();
  ASSERT_EQ(view->todayTaskButtons().size(), 1);
  QToolButton* row = view->todayTaskButtons().first();

  const struct {
    QDateTime at;
    const char* greeting;
    const char* countdown;
  } steps[] = {
      {screentest::berlin(2026, 3, 10, 11, 59), "Good morning", "in 1h 1m"},
      {screentest::berlin(2026, 3, 10, 12, 0), "Good afternoon", "in 1h"},
      {screentest::berlin(2026, 3, 10, 12, 59), "Good afternoon", "in 1m"},
      {screentest::berlin(2026, 3, 10, 13, 0), "Good afternoon", "Happening now"},
  };
  for (const auto& step : steps) {
    now = step.at;
    Q_EMIT clock.minuteChanged();
    EXPECT_EQ(view->greetingLabel()->text(), QString::fromLatin1(step.greeting)) << step.countdown;
    EXPECT_EQ(view->eventCountdownLabel()->text(), QString::fromLatin1(step.countdown));
    EXPECT_EQ(view->dateLabel()->text(), firstDay);
    EXPECT_EQ(view->todayTaskButtons().value(0), row) << "the row stays";
  }
  now = screentest::berlin(2026, 3, 11, 0, 0);
  Q_EMIT clock.minuteChanged();
  EXPECT_EQ(view->greetingLabel()->text(), QStringLiteral("Good night"));
  EXPECT_EQ(view->dateLabel()->text(), today::dateText(now, calendar, QLocale()));
  EXPECT_NE(view->dateLabel()->text(), firstDay);
  EXPECT_TRUE(view->todayTaskButtons().isEmpty()) << "yesterday's task is not today's";
}

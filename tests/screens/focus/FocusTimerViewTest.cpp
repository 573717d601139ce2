#include "screens/ScreenTestSupport.h"

#include "app/screens/focus/FocusFigures.h"
#include "app/screens/focus/FocusTimerView.h"
#include "app/ui/CircularProgressRing.h"
#include "app/ui/ProminentButton.h"
#include "app/ui/ThemedLabel.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QCompleter>
#include <QLineEdit>
#include <QProxyStyle>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTest>


using screentest::ScreenTest;
using testsupport::utc;

namespace {

FocusSession session(FocusSessionType type, const QDateTime& endedAt) {
  return FocusSession{QUuid::createUuid(), type, endedAt.addSecs(-1500), endedAt, 1500, std::nullopt, std::nullopt};
}

}  // namespace

TEST(FocusFigures, RoundTowardsTheLongBreak) {
  struct Case {
    int completed;
    int round;
    bool longBreakNext;
    int expected;
  };
  const QList<Case> cases{
      {0, 4, false, 0}, {3, 4, false, 3}, {4, 4, true, 4},  // the round just filled
      {4, 4, false, 0},                                     // the long break was taken
      {5, 4, false, 1}, {7, 0, false, 0},                   // a cadence below one counts as one
  };
  for (const Case& c : cases) {
    EXPECT_EQ(focus_figures::sessionsTowardsLongBreak(c.completed, c.round, c.longBreakNext),
              c.expected)
        << c.completed << "/" << c.round;
  }
}

TEST(FocusFigures, DurationsReadInMinutesThenHours) {
  const std::pair<double, const char*> cases[] = {{59.9, "0 min"}, {3599, "59 min"},
                                                  {3600, "1 h"},   {3719, "1 h 1 min"},
                                                  {-60, "0 min"},  {NAN, "0 min"}};
  for (const auto& [seconds, text] : cases) {
    EXPECT_EQ(focus_figures::durationText(seconds), QString::fromLatin1(text)) << seconds;
  }
}

// Today is the Berlin day of `now`: from 00:00 to 23:59:59 local time, latest first.
TEST(FocusFigures, SessionsFinishedTodayFollowTheCalendarDay) {
  const Calendar berlin(QTimeZone(QByteArrayLiteral("Europe/Berlin")));
  const QDateTime now = utc(2026, 3, 10, 9, 30);
  const QList<FocusSession> sessions{
      session(FocusSessionType::focus, utc(2026, 3, 9, 22, 59, 59)),   // 23:59:59 yesterday
      session(FocusSessionType::focus, utc(2026, 3, 9, 23, 0)),        // 00:00 today
      session(FocusSessionType::shortBreak, utc(2026, 3, 10, 22, 59)), // 23:59 today
      session(FocusSessionType::focus, utc(2026, 3, 10, 23, 0)),       // 00:00 tomorrow
  };
  const QList<FocusSession> today = focus_figures::sessionsFinishedToday(sessions, now, berlin);
  ASSERT_EQ(today.size(), 2);
  EXPECT_EQ(today[0].id, sessions[2].id);
  EXPECT_EQ(today[1].id, sessions[1].id);
}

TEST_F(ScreenTest, FocusScreenDrivesTheTimerAndFollowsIt) {
  FocusTimerView view(env);
  view.show();
  EXPECT_EQ(view.primaryButton()->text(), QStringLiteral("Start Focus (25m)"));

  // Link the first open task, then start.
  ASSERT_GT(view.taskPicker()->count(), 1);
  view.taskPicker()->setCurrentIndex(1);
  Q_EMIT view.taskPicker()->activated(1);
  const QUuid linked = view.taskPicker()->itemData(1).toUuid();
  QTest::mouseClick(view.primaryButton(), Qt::LeftButton);
  EXPECT_EQ(timer().status(), TimerStatus::running);
  EXPECT_EQ(timer().taskId(), linked);

  // The screen has no clock of its own: it shows what the timer says after its heartbeat.
  now = now.addSecs(5 * 60);
  timer().checkCompletion(now);
  EXPECT_EQ(view.countdownLabel()->text(), QStringLiteral("20:00"));
  EXPECT_DOUBLE_EQ(view.ring()->progress(), 0.2);
  screentest::saveScreenshots(&view, QStringLiteral("focus-running"), QSize(720, 720));

  // Completing the focus offers the short break and counts towards the long one.
  now = now.addSecs(20 * 60);
  timer().checkCompletion(now);
  EXPECT_EQ(timer().status(), TimerStatus::completed);
  EXPECT_EQ(view.primaryButton()->text(), QStringLiteral("Start Short Break (5m)"));
  EXPECT_EQ(view.roundLabel()->text(), QStringLiteral("1 of 4 focus sessions before a long break"));
}

TEST_F(ScreenTest, FocusScreenListsTodaysSessionsAndDropsAVanishedTask) {
  FocusTimerView view(env);
  store().addFocusSession(session(FocusSessionType::focus, now.addSecs(-600)));
  store().addFocusSession(session(FocusSessionType::focus, now.addDays(-1)));
  ASSERT_EQ(view.sessionsModel()->rowCount(), 1);

  view.taskPicker()->setCurrentIndex(1);
  Q_EMIT view.taskPicker()->activated(1);
  ASSERT_TRUE(view.state().selectedTaskID);
  store().deleteTask(*view.state().selectedTaskID);
  EXPECT_EQ(view.state().selectedTaskID, std::nullopt);
  EXPECT_EQ(view.taskPicker()->currentIndex(), 0);
}

// The other sessions' buttons and Reset keep the main button's padding and height at every
// width the window allows.
TEST_F(ScreenTest, FocusScreenBreakButtonsKeepTheirPadding) {
  FocusTimerView view(env);
  view.show();
  for (const int width : {539, 720, 1100}) {
    view.resize(width, 700);
    screentest::settle();
    for (QAbstractButton* button :
         {view.alternativeButton(0), view.alternativeButton(1), view.resetButton()}) {
      const int text = button->fontMetrics().horizontalAdvance(button->text());
      EXPECT_GE(button->width(), text + 2 * ProminentButton::kHorizontalPadding)
          << width << " " << button->text().toStdString();
      EXPECT_EQ(button->height(), view.primaryButton()->height()) << button->text().toStdString();
    }
  }
  screentest::saveScreenshots(&view, QStringLiteral("focus-idle-narrow"), QSize(539, 600));
}

// With 1,200 open tasks the picker narrows as one types, anywhere in a title and in any case,
// and a chosen match links the next session; its list stays near the picker's width even for
// a title of hundreds of letters, and text that chooses nothing gives way to the chosen task.
TEST_F(ScreenTest, FocusTaskPickerSearchesAsOneTypesInAListOfNormalSize) {
  emptyStore();
  QList<TaskItem> tasks;
  for (int i = 0; i < 1200; ++i) {
    TaskItem t;
    t.id = QUuid::createUuid();
    t.title = QStringLiteral("Errand %1").arg(i);
    t.category = QStringLiteral("General");
    t.createdAt = t.updatedAt = now;
    tasks.append(t);
  }
  tasks[700].title = QStringLiteral("Draft the Quarterly report");
  tasks[701].title = QString(300, QLatin1Char('w'));
  DashboardStorageContainer data;
  data.tasks = tasks;
  store().replaceAllData(data);
  FocusTimerView view(env);
  view.resize(720, 720);
  view.show();
  QApplication::processEvents();
  QComboBox* picker = view.taskPicker();
  ASSERT_NE(picker->lineEdit(), nullptr) << "the picker takes typing";

  picker->lineEdit()->selectAll();
  QTest::keyClicks(picker->lineEdit(), QStringLiteral("REPORT"));
  QCompleter* search = picker->completer();
  ASSERT_NE(search, nullptr);
  EXPECT_TRUE(search->popup()->isVisible());
  EXPECT_EQ(search->completionCount(), 1);
  EXPECT_LE(search->popup()->window()->width(), picker->width() + 2);
  QTest::keyClick(search->popup(), Qt::Key_Down);
  QTest::keyClick(search->popup(), Qt::Key_Return);
  EXPECT_EQ(view.state().selectedTaskID, tasks[700].id);
  EXPECT_EQ(picker->currentText(), tasks[700].title);

  picker->lineEdit()->selectAll();
  QTest::keyClicks(picker->lineEdit(), QStringLiteral("no such task"));
  EXPECT_EQ(search->completionCount(), 0);
  QTest::keyClick(picker->lineEdit(), Qt::Key_Return);
  EXPECT_EQ(picker->lineEdit()->text(), tasks[700].title);
  EXPECT_EQ(view.state().selectedTaskID, tasks[700].id);

  // As a style that sizes the drop-down list to its longest entry would.
  struct ListToContents : QProxyStyle {
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returned) const override {
      return hint == SH_ComboBox_Popup ? 1 : QProxyStyle::styleHint(hint, option, widget, returned);
    }
  } style;
  picker->setStyle(&style);
  picker->showPopup();
  const QWidget* list = picker->view()->window();
  EXPECT_TRUE(list->isVisible());
  EXPECT_GE(list->width(), picker->width());
  EXPECT_LE(list->width(), std::max(picker->width(), 480));
  EXPECT_LE(list->height(), (picker->maxVisibleItems() + 2) * picker->view()->sizeHintForRow(0));
  EXPECT_TRUE(picker->view()->visualRect(picker->view()->currentIndex()).intersects(
      picker->view()->viewport()->rect()))
      << "the chosen task shows";
  EXPECT_LE(std::abs(list->x() - picker->mapToGlobal(QPoint(0, 0)).x()), 2);
  picker->hidePopup();
  picker->setStyle(nullptr);
}

#include "app/shell/DayLists.h"
#include "app/shell/Glance.h"
#include "common/TestSupport.h"
#include "core/services/FocusTimerManager.h"

#include <gtest/gtest.h>

using testsupport::utc;

namespace {

const Calendar berlin(QTimeZone(QByteArrayLiteral("Europe/Berlin")));
// 22:00 in Berlin: late enough that a task at 23:59 is still today.
const QDateTime evening = utc(2026, 3, 10, 21, 0);

TaskItem task(const QString& title, std::optional<QDateTime> due, bool done = false) {
  TaskItem t;
  t.id = QUuid::createUuid();
  t.title = title;
  t.dueDate = due;
  t.isCompleted = done;
  return t;
}

WaitingForItem followUp(const QString& title, std::optional<QDateTime> next) {
  WaitingForItem item;
  item.id = QUuid::createUuid();
  item.title = title;
  item.nextFollowUpDate = next;
  return item;
}

template <typename T>
QStringList titles(const QList<T>& list) {
  return testsupport::texts(list, &T::title);
}

}  // namespace

TEST(Glance, TopTodayTasksKeepStoreOrderAndStopAtThree) {
  const TaskItem urgentLate = task(QStringLiteral("23:59"), utc(2026, 3, 10, 22, 59));
  const QList<TaskItem> noise = {
      task(QStringLiteral("midnight tomorrow"), utc(2026, 3, 10, 23, 0)),
      task(QStringLiteral("done"), utc(2026, 3, 10, 8), true),
      task(QStringLiteral("yesterday"), utc(2026, 3, 9, 12)),
      task(QStringLiteral("no date"), std::nullopt),
  };
  auto today = [](int n) {
    QList<TaskItem> list;
    for (int i = 1; i <= n; ++i) list << task(QString::number(i), utc(2026, 3, 10, 6 + i));
    return list;
  };
  const struct {
    QList<TaskItem> tasks;
    QStringList expected;
  } cases[] = {
      {noise + today(5), {"1", "2", "3"}},
      {today(3) + noise, {"1", "2", "3"}},
      {noise, {}},
      {noise + QList<TaskItem>{urgentLate}, {"23:59"}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(titles(glance::topTodayTasks(c.tasks, evening, berlin)), c.expected);
  }
}

TEST(Glance, EventLinesColoursAndLinks) {
  CalendarEventItem event;
  event.startDate = utc(2026, 3, 10, 22, 15);  // 23:15 Berlin, 75 minutes ahead
  event.endDate = utc(2026, 3, 10, 22, 45);
  const QLocale c = QLocale::c();
  EXPECT_EQ(glance::eventTimeLine(event, evening, berlin, c), QStringLiteral("23:15 (in 1h 15m)"));
  EXPECT_EQ(glance::eventTimeLine(event, utc(2026, 3, 10, 22, 20), berlin, c),
            QStringLiteral("23:15 (Happening now)"));
  event.isAllDay = true;
  EXPECT_EQ(glance::eventTimeLine(event, evening, berlin, c), QStringLiteral("All Day"));

  const QColor blue(Qt::blue);
  event.calendarColorHex = QStringLiteral("#30D158");
  EXPECT_EQ(glance::eventDotColor(event, blue), QColor(0x30, 0xD1, 0x58));
  event.calendarColorHex.clear();
  EXPECT_EQ(glance::eventDotColor(event, blue), blue);

  const struct {
    std::optional<QString> link;
    bool opens;
  } links[] = {{QStringLiteral("https://meet.example.com/x"), true},
               {QStringLiteral("javascript:alert(1)"), false},
               {QStringLiteral("file:///etc/passwd"), false},
               {QStringLiteral("zoommtg://join?id=1"), false},
               {QStringLiteral("http://exa mple.com"), false},
               {std::nullopt, false}};
  for (const auto& l : links) {
    event.meetingLink = l.link;
    EXPECT_EQ(event.safeMeetingLink().has_value(), l.opens)
        << l.link.value_or("none").toStdString();
  }
}

TEST(Glance, ClockTextsFollowTheCalendarZoneAndLocale) {
  const QDateTime lateUtc = utc(2026, 3, 10, 23, 30);  // already the 11th in Berlin
  EXPECT_EQ(day_lists::shortTime(lateUtc, berlin, QLocale::c()), QStringLiteral("00:30"));
  EXPECT_EQ(
      day_lists::abbreviatedDate(lateUtc, berlin, QLocale(QLocale::English, QLocale::UnitedStates)),
      QStringLiteral("Mar 11, 2026"));
  EXPECT_EQ(day_lists::abbreviatedDate(lateUtc, berlin, QLocale(QLocale::German, QLocale::Germany)),
            QStringLiteral("11. März 2026"));
}

TEST(Glance, FocusControlPerTimerState) {
  const QDateTime t0 = utc(2026, 3, 10, 9);
  const struct {
    const char* name;
    std::function<void(FocusTimerManager&)> setUp;
    const char* title;
    bool prominent;
    const char* symbol;
    TimerStatus after;
  } cases[] = {
      {"idle", [](FocusTimerManager&) {}, "Start", true, "play.fill", TimerStatus::running},
      {"running",
       [&](FocusTimerManager& t) {
         t.start(FocusSessionType::focus, std::nullopt, std::nullopt, t0);
       },
       "Pause", false, "pause.fill", TimerStatus::paused},
      {"paused",
       [&](FocusTimerManager& t) {
         t.start(FocusSessionType::focus, std::nullopt, std::nullopt, t0);
         t.pause(t0.addSecs(60));
       },
       "Resume", true, "play.fill", TimerStatus::running},
      {"completed break",
       [&](FocusTimerManager& t) {
         t.start(FocusSessionType::shortBreak, QUuid::createUuid(), QStringLiteral("x"), t0);
         t.checkCompletion(t0.addSecs(3600));
       },
       "Start", true, "play.fill", TimerStatus::running},
  };
  for (const auto& c : cases) {
    FocusTimerManager timer(25, 5, 15, 4, [&] { return t0.addSecs(7200); });
    c.setUp(timer);
    const glance::FocusControl control = glance::focusControl(timer.status());
    EXPECT_EQ(control.title, QString::fromLatin1(c.title)) << c.name;
    EXPECT_EQ(control.prominent, c.prominent) << c.name;
    EXPECT_EQ(control.symbol, QString::fromLatin1(c.symbol)) << c.name;
    glance::advanceFocus(timer, t0.addSecs(7200));
    EXPECT_EQ(timer.status(), c.after) << c.name;
    // After a break has ended, Start begins focus tied to no task.
    EXPECT_EQ(timer.sessionType(), FocusSessionType::focus) << c.name;
    EXPECT_FALSE(timer.taskId().has_value()) << c.name;
  }
}

TEST(Glance, RemindersCountEverythingButShowThreeTasksAndTwoFollowUps) {
  QList<TaskItem> tasks = {task(QStringLiteral("done"), utc(2026, 3, 10, 8), true)};
  for (int i = 1; i <= 5; ++i) tasks << task(QStringLiteral("t%1").arg(i), utc(2026, 3, 10, 8 + i));
  QList<WaitingForItem> items = {followUp(QStringLiteral("later"), utc(2026, 3, 12))};
  for (int i = 1; i <= 4; ++i) items << followUp(QStringLiteral("f%1").arg(i), utc(2026, 3, 1 + i));

  const glance::Reminders all = glance::reminders(tasks, items, evening, berlin);
  EXPECT_EQ(all.count(), 9);
  EXPECT_EQ(glance::reminderToggleText(false, all.count()), QStringLiteral("Show Reminders (9)"));
  EXPECT_EQ(glance::reminderToggleText(true, all.count()), QStringLiteral("Hide Reminders"));
  const glance::Reminders shown = all.shown();
  EXPECT_EQ(titles(shown.tasks), QStringList({"t1", "t2", "t3"}));
  EXPECT_EQ(titles(shown.followUps), QStringList({"f1", "f2"}));
  EXPECT_TRUE(glance::reminders(tasks.mid(0, 1), items.mid(0, 1), evening, berlin).isEmpty());
}

TEST(Glance, ProgressTextIsTheDaySummary) {
  const struct {
    int done, total;
    const char* text;
  } cases[] = {{0, 0, "0/0"}, {2, 5, "2/5"}, {2, 0, "2/0"}};
  for (const auto& c : cases) {
    DashboardSummary summary;
    summary.tasksCompletedToday = c.done;
    summary.totalTasksDueToday = c.total;
    EXPECT_EQ(glance::progressText(summary), QString::fromLatin1(c.text));
  }
}

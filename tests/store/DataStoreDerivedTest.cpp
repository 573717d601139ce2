#include "StoreTestSupport.h"

#include <QSignalSpy>

#include <functional>

using namespace storetest;

namespace {

using DerivedValues = StoreTest;

// The next event and the day's tasks are kept between changes. After each kind of change (as a
// screen reads them on the change's signal), as time passes and when the day turns, they are
// what a fresh look at the records gives.
TEST_F(DerivedValues, FollowEveryChangeOfTheRecordsTheClockAndTheDay) {
  DataStore& s = open();
  const Calendar utcCalendar(QTimeZone::utc());
  const auto expectFresh = [&] {
    // Berlin last and first again: what is kept for one calendar is what a step may spoil.
    for (const Calendar& c : {calendar, utcCalendar, calendar}) {
      QList<TaskItem> due;
      for (const TaskItem& task : s.tasks()) {
        if (task.isDueToday(c, now)) {
          due.append(task);
        }
      }
      EXPECT_EQ(s.tasksDueToday(now, c), due);
      EXPECT_EQ(s.todayMetrics(now, c).totalTasksDueToday, due.size());
    }
    const QList<CalendarEventItem> upcoming = s.allUpcomingEvents();
    EXPECT_EQ(s.nextEvent(), upcoming.isEmpty() ? std::nullopt : std::optional(upcoming.first()));
  };
  for (const auto signal : {&DataStore::tasksChanged, &DataStore::manualEventsChanged,
                            &DataStore::calendarEventsChanged}) {
    QObject::connect(&s, signal, &s, expectFresh);
  }

  const TaskItem late = makeTask("late today", utc(2026, 3, 10, 21));  // 22:00 in Berlin
  EmailExtractedSuggestion suggestion = makeSuggestion(EmailExtractedCategory::task, "mail");
  suggestion.dueDate = utc(2026, 3, 10, 15);
  DashboardStorageContainer imported;
  imported.tasks = {makeTask("imported", utc(2026, 3, 10, 12))};
  imported.manualEvents = {makeEvent("imported", utc(2026, 3, 10, 9, 30), 30)};
  const std::pair<const char*, std::function<void()>> steps[] = {
      {"a task due today", [&] { s.addTask(late); }},
      {"one due tomorrow in Berlin", [&] { s.addTask(makeTask("b", utc(2026, 3, 10, 23, 30))); }},
      {"finished", [&] { s.toggleTaskCompletion(late.id, now); }},
      {"moved to tomorrow",
       [&] {
         TaskItem moved = s.tasks().first();
         moved.dueDate = utc(2026, 3, 11, 12);
         s.updateTask(moved);
       }},
      {"finished ones cleared", [&] { s.clearCompletedTasks(); }},
      {"a suggestion", [&] { s.addEmailSuggestion(suggestion); }},
      {"approved", [&] { s.approveSuggestion(suggestion.id); }},
      {"an event", [&] { s.addManualEvent(makeEvent("soon", utc(2026, 3, 10, 11), 60)); }},
      {"an earlier one", [&] { s.addManualEvent(makeEvent("now", utc(2026, 3, 10, 8, 45), 45)); }},
      {"the calendar changes",
       [&] {
         calendarService.events = {
             makeEvent("mirrored", utc(2026, 3, 10, 8, 40), 40, CalendarSourceType::apple)};
         calendarService.simulateChange();
       }},
      {"the first ends", [&] { now = utc(2026, 3, 10, 9, 20); }},
      {"the next ends too", [&] { now = utc(2026, 3, 10, 9, 35); }},
      {"the last deleted", [&] { s.deleteManualEvent("soon"); }},
      {"everything replaced", [&] { ASSERT_FALSE(s.replaceAllData(imported)); }},
      {"the day turns in Berlin", [&] { now = utc(2026, 3, 10, 23, 5); }},
      {"the clock goes back", [&] { now = utc(2026, 3, 10, 9); }},
  };
  for (const auto& [what, step] : steps) {
    SCOPED_TRACE(what);
    expectFresh();  // what is kept from before the step
    step();
    expectFresh();
  }
}

using Changes = StoreTest;

// An operation that finds nothing to do writes nothing and tells nothing; the same intention
// again is no change, and weather the store refuses is reported as refused.
TEST_F(Changes, NothingToDoWritesNothing) {
  DataStore& s = open();
  s.addTask(makeTask("open"));
  QSignalSpy saved(&s, &DataStore::databaseSaved);
  QSignalSpy intention(&s, &DataStore::dailyIntentionChanged);
  const QByteArray file = readFile(databasePath());

  s.clearCompletedTasks();
  s.removeAllSampleData();
  EXPECT_TRUE(s.setDailyIntention("Ship it"));
  const QDateTime setAt = now;
  now = now.addSecs(3600);
  EXPECT_FALSE(s.setDailyIntention("Ship it"));
  EXPECT_EQ(s.dailyIntentionDate(), setAt);
  WeatherData weather;
  weather.fetchedAt = now;
  EXPECT_TRUE(s.setCachedWeather(weather));
  EXPECT_TRUE(s.setCachedWeather(weather));
  WeatherData broken = weather;
  broken.temperature = std::numeric_limits<double>::quiet_NaN();
  EXPECT_FALSE(s.setCachedWeather(broken));
  EXPECT_EQ(s.cachedWeather(), weather);

  EXPECT_EQ(saved.count(), 0);
  EXPECT_EQ(intention.count(), 1);
  EXPECT_EQ(readFile(databasePath()), file);
  EXPECT_FALSE(QFile::exists(snapshotPath()));
}

using Reminders = StoreTest;

struct Scheduled {
  QHash<QUuid, int> times;  // how often each record was handed over
  int total = 0;
};

Scheduled scheduled(const MockNotificationService& n) {
  Scheduled result;
  for (const TaskItem& t : n.scheduledTaskReminders) {
    ++result.times[t.id];
  }
  for (const BillItem& b : n.scheduledBillReminders) {
    ++result.times[b.id];
  }
  result.total = int(n.scheduledTaskReminders.size() + n.scheduledBillReminders.size());
  return result;
}

// Reminders are handed over for the coming days only, then day by day as the window moves on
// (also after a week asleep): each once, none later than two days before its time, none that is
// over. The top-up is asked for while anything lies beyond the window, and no longer.
TEST_F(Reminders, AreScheduledForTheComingDaysAndToppedUpOnceEach) {
  DashboardStorageContainer stored;
  QList<QUuid> expected;
  for (const int hours : {1, 30, 60, 100, 150, 400, 600}) {
    stored.tasks.append(makeTask("in " + QString::number(hours), now.addSecs(hours * 3600)));
    expected.append(stored.tasks.last().id);
  }
  TaskItem done = makeTask("done", now.addSecs(3600));
  done.isCompleted = true;
  stored.tasks += {done, makeTask("past", now.addSecs(-60)), makeTask("undated")};
  // Bills remind at 9:00 in Berlin, `reminderDaysBefore` (3) days before their due day.
  for (const int days : {2, 5, 6, 20, 40}) {  // the last reminder of all is a bill's
    stored.bills.append(makeBill("due in " + QString::number(days), now.addDays(days)));
    expected.append(stored.bills.last().id);
  }
  BillItem paid = makeBill("paid", now.addDays(4));
  paid.isPaid = true;
  stored.bills += {paid, makeBill("long overdue", now.addDays(-40))};
  writeFile(databasePath(), QJsonDocument(stored.toJson()).toJson());

  const auto reminderTime = [&](const QUuid& id) {
    for (const TaskItem& t : stored.tasks) {
      if (t.id == id) {
        return *t.dueDate;
      }
    }
    for (const BillItem& b : stored.bills) {
      if (b.id == id) {
        return calendar.dateTime(calendar.date(b.dueDate).addDays(-3), QTime(9, 0));
      }
    }
    return QDateTime();
  };
  open();
  const auto check = [&] {
    const Scheduled handed = scheduled(notifications);
    for (const QUuid& id : expected) {
      const bool comingSoon = reminderTime(id) < now.addDays(2);
      EXPECT_TRUE(!comingSoon || handed.times.contains(id))
          << reminderTime(id).toString(Qt::ISODate).toStdString();
    }
    // Nothing else, nothing twice.
    EXPECT_EQ(handed.total, handed.times.size());
    for (const QUuid& id : handed.times.keys()) {
      EXPECT_TRUE(expected.contains(id));
    }
  };
  check();
  // The tasks due within three days, and the bills that might remind within them.
  EXPECT_EQ(notifications.scheduledTaskReminders.size(), 3);
  EXPECT_EQ(notifications.scheduledBillReminders.size(), 3);
  for (int day = 1; day <= 40; day += (day == 10 ? 7 : 1)) {
    SCOPED_TRACE(day);
    now = utc(2026, 3, 10, 9).addDays(day);
    if (notifications.topUp && notifications.topUpAt <= now) {
      notifications.topUp();
    }
    check();
  }
  // Past the last reminder nothing is left to top up.
  EXPECT_FALSE(notifications.topUpAt.isValid());
  for (const QUuid& id : expected) {
    EXPECT_EQ(scheduled(notifications).times.value(id), 1);
  }
}

// Switching task reminders off cancels them; back on, those of the coming days come back,
// once. An import leaves exactly the imported records' reminders and asks for its own top-up.
TEST_F(Reminders, FollowTheSwitchesAndAnImport) {
  DataStore& s = open();
  const TaskItem soon = makeTask("soon", now.addSecs(3600));
  const TaskItem later = makeTask("later", now.addDays(20));
  s.addTask(soon);
  s.addTask(later);
  notifications.scheduledTaskReminders.clear();

  AppSettings settings = s.settings();
  settings.notifyTaskDeadlines = false;
  s.setSettings(settings);
  s.saveSettings();
  EXPECT_EQ(notifications.cancelledTaskReminders, (QList{soon.id, later.id}));
  EXPECT_TRUE(notifications.scheduledTaskReminders.isEmpty());
  EXPECT_FALSE(notifications.topUpAt.isValid());
  settings.notifyTaskDeadlines = true;
  s.setSettings(settings);
  s.saveSettings();
  EXPECT_EQ(notifications.scheduledTaskReminders, QList{soon});
  EXPECT_EQ(notifications.topUpAt, now.addDays(1));

  DashboardStorageContainer imported;
  imported.tasks = {makeTask("imported soon", now.addDays(2)),
                    makeTask("imported later", now.addDays(9))};
  imported.bills = {makeBill("imported bill", now.addDays(60))};
  notifications.scheduledTaskReminders.clear();
  notifications.cancelledTaskReminders.clear();
  now = now.addSecs(600);
  ASSERT_FALSE(s.replaceAllData(imported));
  EXPECT_EQ(notifications.cancelledTaskReminders, (QList{soon.id, later.id}));
  EXPECT_EQ(notifications.scheduledTaskReminders, QList{imported.tasks.first()});
  EXPECT_EQ(notifications.topUpAt, now.addDays(1));
}

}  // namespace

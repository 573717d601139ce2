#include "StoreTestSupport.h"

#include <QSignalSpy>

using namespace storetest;
using testsupport::utc;

namespace {

class TaskOperations : public StoreTest {};

TEST_F(TaskOperations, AddUpdateDeleteScheduleStampAndSave) {
  DataStore& s = open();
  QSignalSpy changed(&s, &DataStore::tasksChanged);
  TaskItem first = makeTask(QStringLiteral("first"), utc(2026, 3, 11, 9));
  const TaskItem second = makeTask(QStringLiteral("second"));
  s.addTask(first);
  s.addTask(second);
  EXPECT_EQ(s.tasks(), (QList<TaskItem>{first, second}));
  EXPECT_EQ(changed.count(), 2);
  ASSERT_EQ(notifications.scheduledTaskReminders.size(), 2);
  EXPECT_EQ(notifications.scheduledTaskReminders.at(0), first);
  EXPECT_EQ(loadContainer(databasePath()).tasks, s.tasks());
  EXPECT_EQ(loadContainer(backupPath()).tasks, s.tasks());

  now = utc(2026, 3, 10, 15, 30);
  first.title = QStringLiteral("final");
  first.dueDate = utc(2026, 3, 12, 9);
  s.updateTask(first);
  EXPECT_EQ(s.tasks().at(0).title, QStringLiteral("final"));
  EXPECT_EQ(s.tasks().at(0).updatedAt, now);
  EXPECT_EQ(s.tasks().at(0).createdAt, first.createdAt);
  ASSERT_EQ(notifications.scheduledTaskReminders.size(), 3);
  EXPECT_EQ(notifications.scheduledTaskReminders.at(2).dueDate, utc(2026, 3, 12, 9));
  EXPECT_EQ(loadContainer(databasePath()).tasks, s.tasks());

  s.deleteTask(first.id);
  EXPECT_EQ(s.tasks(), QList<TaskItem>{second});
  EXPECT_EQ(notifications.cancelledTaskReminders, QList<QUuid>{first.id});
  EXPECT_EQ(loadContainer(databasePath()).tasks, s.tasks());
  EXPECT_FALSE(s.saveError().has_value());
}

TEST_F(TaskOperations, RemindersFollowTheDeadlineSetting) {
  DataStore& s = open();
  AppSettings settings = s.settings();
  settings.notifyTaskDeadlines = false;
  s.setSettings(settings);
  const TaskItem task = makeTask(QStringLiteral("quiet"), utc(2026, 3, 12, 9));
  s.addTask(task);
  EXPECT_TRUE(notifications.scheduledTaskReminders.isEmpty());
  EXPECT_EQ(notifications.cancelledTaskReminders, QList<QUuid>{task.id});
}

TEST_F(TaskOperations, ToggleSetsAndClearsCompletionAndNonRepeatingAddsNothing) {
  DataStore& s = open();
  const TaskItem task = makeTask(QStringLiteral("once"), utc(2026, 3, 10, 18));
  const TaskItem someday =
      makeTask(QStringLiteral("someday"), std::nullopt, RecurrenceRule::daily());
  s.addTask(task);
  s.addTask(someday);
  const QDateTime at = utc(2026, 3, 10, 11, 15);
  s.toggleTaskCompletion(task.id, at);
  s.toggleTaskCompletion(someday.id, at);  // repeating without a due date: no next one
  ASSERT_EQ(s.tasks().size(), 2);
  EXPECT_TRUE(s.tasks().at(0).isCompleted);
  EXPECT_EQ(s.tasks().at(0).completedAt, at);
  EXPECT_EQ(s.tasks().at(0).updatedAt, task.updatedAt);
  EXPECT_EQ(loadContainer(databasePath()).tasks.at(0).completedAt, at);

  s.toggleTaskCompletion(task.id, at.addSecs(60));
  EXPECT_FALSE(s.tasks().at(0).isCompleted);
  EXPECT_FALSE(s.tasks().at(0).completedAt.has_value());
  EXPECT_FALSE(loadContainer(databasePath()).tasks.at(0).isCompleted);
}

TEST_F(TaskOperations, RecurringCompletionAddsExactlyOneNextOccurrenceAtTheLocalTime) {
  DataStore& s = open();
  // 09:00 in Berlin the day before the change to summer time on 29 March 2026.
  TaskItem task =
      makeTask(QStringLiteral("water plants"), utc(2026, 3, 28, 8), RecurrenceRule::weekly());
  task.isSampleData = true;
  s.addTask(task);
  const QDateTime at = utc(2026, 3, 28, 12);

  s.toggleTaskCompletion(task.id, at);
  ASSERT_EQ(s.tasks().size(), 2);
  const TaskItem next = s.tasks().at(1);
  EXPECT_NE(next.id, task.id);
  EXPECT_EQ(next.title, task.title);
  EXPECT_EQ(next.recurrence, RecurrenceRule::weekly());
  EXPECT_EQ(next.dueDate, utc(2026, 4, 4, 7));  // still 09:00, now summer time
  EXPECT_FALSE(next.isCompleted);
  EXPECT_FALSE(next.completedAt.has_value());
  EXPECT_EQ(next.createdAt, at);
  EXPECT_TRUE(next.isSampleData);  // removed together with its origin

  // Reopening and finishing again must not add a second copy of the same occurrence.
  s.toggleTaskCompletion(task.id, at.addSecs(10));
  s.toggleTaskCompletion(task.id, at.addSecs(20));
  EXPECT_EQ(s.tasks().size(), 2);
  EXPECT_EQ(loadContainer(databasePath()).tasks.size(), 2);

  s.toggleTaskCompletion(next.id, at.addSecs(30));
  ASSERT_EQ(s.tasks().size(), 3);
  EXPECT_EQ(s.tasks().at(2).dueDate, utc(2026, 4, 11, 7));
}

TEST_F(TaskOperations, ClearCompletedKeepsASafetyCopyFirstAndOnlyWhenSomethingGoes) {
  DataStore& s = open();
  writeFile(snapshotPath(), "earlier snapshot");
  const TaskItem open1 = makeTask(QStringLiteral("open 1"));
  const TaskItem done = makeTask(QStringLiteral("done"));
  const TaskItem open2 = makeTask(QStringLiteral("open 2"));
  for (const TaskItem& t : {open1, done, open2}) {
    s.addTask(t);
  }
  s.clearCompletedTasks();
  EXPECT_EQ(s.tasks().size(), 3);
  EXPECT_EQ(readFile(snapshotPath()), QByteArray("earlier snapshot"));

  s.toggleTaskCompletion(done.id, now);
  s.clearCompletedTasks();
  ASSERT_EQ(s.tasks().size(), 2);
  EXPECT_EQ(s.tasks().at(0).id, open1.id);
  EXPECT_EQ(s.tasks().at(1).id, open2.id);
  EXPECT_EQ(loadContainer(databasePath()).tasks, s.tasks());
  const DashboardStorageContainer snapshot = loadContainer(snapshotPath());
  ASSERT_EQ(snapshot.tasks.size(), 3);
  EXPECT_EQ(snapshot.tasks.at(1).id, done.id);
  EXPECT_TRUE(snapshot.tasks.at(1).isCompleted);
}

}  // namespace

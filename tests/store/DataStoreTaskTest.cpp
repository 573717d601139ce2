#include "StoreTestSupport.h"

#include <QSignalSpy>

using namespace storetest;
using testsupport::utc;

namespace {

class TaskOperations : public StoreTest {};

TEST_F(TaskOperations, AddAppendsSchedulesAndSaves) {
  DataStore& s = open();
  QSignalSpy changed(&s, &DataStore::tasksChanged);
  const TaskItem first = makeTask(QStringLiteral("first"), utc(2026, 3, 11, 9));
  const TaskItem second = makeTask(QStringLiteral("second"));
  s.addTask(first);
  s.addTask(second);

  ASSERT_EQ(s.tasks().size(), 2);
  EXPECT_EQ(s.tasks().at(0), first);
  EXPECT_EQ(s.tasks().at(1), second);
  EXPECT_EQ(changed.count(), 2);
  ASSERT_EQ(notifications.scheduledTaskReminders.size(), 2);
  EXPECT_EQ(notifications.scheduledTaskReminders.at(0), first);
  EXPECT_EQ(loadContainer(databasePath()).tasks, s.tasks());
  EXPECT_EQ(loadContainer(backupPath()).tasks, s.tasks());
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

TEST_F(TaskOperations, UpdateReplacesStampsAndReschedules) {
  DataStore& s = open();
  TaskItem task = makeTask(QStringLiteral("draft"), utc(2026, 3, 11, 9));
  s.addTask(task);
  now = utc(2026, 3, 10, 15, 30);
  task.title = QStringLiteral("final");
  task.dueDate = utc(2026, 3, 12, 9);
  s.updateTask(task);

  ASSERT_EQ(s.tasks().size(), 1);
  EXPECT_EQ(s.tasks().at(0).title, QStringLiteral("final"));
  EXPECT_EQ(s.tasks().at(0).updatedAt, now);
  EXPECT_EQ(s.tasks().at(0).createdAt, task.createdAt);
  ASSERT_EQ(notifications.scheduledTaskReminders.size(), 2);
  EXPECT_EQ(notifications.scheduledTaskReminders.at(1).dueDate, utc(2026, 3, 12, 9));
  EXPECT_EQ(loadContainer(databasePath()).tasks, s.tasks());
}

TEST_F(TaskOperations, UnknownIdentifiersChangeNothing) {
  DataStore& s = open();
  s.addTask(makeTask(QStringLiteral("kept"), utc(2026, 3, 11, 9)));
  const QList<TaskItem> before = s.tasks();
  const QByteArray fileBefore = readFile(databasePath());
  const auto remindersBefore = notifications.scheduledTaskReminders.size();
  QSignalSpy changed(&s, &DataStore::tasksChanged);

  const TaskItem stranger = makeTask(QStringLiteral("stranger"));
  s.updateTask(stranger);
  s.toggleTaskCompletion(stranger.id, now);
  s.deleteTask(stranger.id);

  EXPECT_EQ(s.tasks(), before);
  EXPECT_EQ(readFile(databasePath()), fileBefore);
  EXPECT_EQ(changed.count(), 0);
  EXPECT_EQ(notifications.scheduledTaskReminders.size(), remindersBefore);
  EXPECT_TRUE(notifications.cancelledTaskReminders.isEmpty());
}

TEST_F(TaskOperations, ToggleSetsAndClearsCompletionTime) {
  DataStore& s = open();
  const TaskItem task = makeTask(QStringLiteral("once"), utc(2026, 3, 10, 18));
  s.addTask(task);
  const QDateTime at = utc(2026, 3, 10, 11, 15);
  s.toggleTaskCompletion(task.id, at);
  ASSERT_EQ(s.tasks().size(), 1);  // not repeating: nothing added
  EXPECT_TRUE(s.tasks().at(0).isCompleted);
  EXPECT_EQ(s.tasks().at(0).completedAt, at);
  EXPECT_EQ(s.tasks().at(0).updatedAt, task.updatedAt);
  EXPECT_EQ(loadContainer(databasePath()).tasks.at(0).completedAt, at);

  s.toggleTaskCompletion(task.id, at.addSecs(60));
  EXPECT_FALSE(s.tasks().at(0).isCompleted);
  EXPECT_FALSE(s.tasks().at(0).completedAt.has_value());
  EXPECT_FALSE(loadContainer(databasePath()).tasks.at(0).isCompleted);
}

TEST_F(TaskOperations, RecurringCompletionAddsExactlyOneNextOccurrence) {
  DataStore& s = open();
  TaskItem task =
      makeTask(QStringLiteral("water plants"), utc(2026, 3, 10, 8), RecurrenceRule::weekly());
  task.isSampleData = true;
  s.addTask(task);
  const QDateTime at = utc(2026, 3, 10, 12);

  s.toggleTaskCompletion(task.id, at);
  ASSERT_EQ(s.tasks().size(), 2);
  const TaskItem next = s.tasks().at(1);
  EXPECT_NE(next.id, task.id);
  EXPECT_EQ(next.title, task.title);
  EXPECT_EQ(next.recurrence, RecurrenceRule::weekly());
  EXPECT_EQ(next.dueDate, utc(2026, 3, 17, 8));
  EXPECT_FALSE(next.isCompleted);
  EXPECT_FALSE(next.completedAt.has_value());
  EXPECT_EQ(next.createdAt, at);
  EXPECT_TRUE(next.isSampleData);  // removed together with its origin

  // Reopening and finishing again must not add a second copy of the same occurrence.
  s.toggleTaskCompletion(task.id, at.addSecs(10));
  s.toggleTaskCompletion(task.id, at.addSecs(20));
  EXPECT_EQ(s.tasks().size(), 2);
  EXPECT_EQ(loadContainer(databasePath()).tasks.size(), 2);

  // Finishing the next one continues the chain.
  s.toggleTaskCompletion(next.id, at.addSecs(30));
  ASSERT_EQ(s.tasks().size(), 3);
  EXPECT_EQ(s.tasks().at(2).dueDate, utc(2026, 3, 24, 8));
}

TEST_F(TaskOperations, NextOccurrenceKeepsTheLocalTimeAcrossDaylightSaving) {
  DataStore& s = open();
  // 09:00 in Berlin before the change to summer time on 29 March 2026.
  const TaskItem task =
      makeTask(QStringLiteral("standup"), utc(2026, 3, 28, 8), RecurrenceRule::daily());
  s.addTask(task);
  s.toggleTaskCompletion(task.id, utc(2026, 3, 28, 9));
  ASSERT_EQ(s.tasks().size(), 2);
  EXPECT_EQ(s.tasks().at(1).dueDate, utc(2026, 3, 29, 7));
}

TEST_F(TaskOperations, RecurringTaskWithoutDueDateAddsNothing) {
  DataStore& s = open();
  const TaskItem task = makeTask(QStringLiteral("someday"), std::nullopt, RecurrenceRule::daily());
  s.addTask(task);
  s.toggleTaskCompletion(task.id, now);
  EXPECT_EQ(s.tasks().size(), 1);
}

TEST_F(TaskOperations, DeleteRemovesAndCancels) {
  DataStore& s = open();
  const TaskItem a = makeTask(QStringLiteral("a"));
  const TaskItem b = makeTask(QStringLiteral("b"));
  s.addTask(a);
  s.addTask(b);
  s.deleteTask(a.id);
  ASSERT_EQ(s.tasks().size(), 1);
  EXPECT_EQ(s.tasks().at(0).id, b.id);
  EXPECT_EQ(notifications.cancelledTaskReminders, QList<QUuid>{a.id});
  EXPECT_EQ(loadContainer(databasePath()).tasks, s.tasks());
}

TEST_F(TaskOperations, ClearCompletedKeepsASafetyCopyFirst) {
  DataStore& s = open();
  const TaskItem open1 = makeTask(QStringLiteral("open 1"));
  const TaskItem done = makeTask(QStringLiteral("done"));
  const TaskItem open2 = makeTask(QStringLiteral("open 2"));
  s.addTask(open1);
  s.addTask(done);
  s.addTask(open2);
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

TEST_F(TaskOperations, ClearWithNothingCompletedLeavesAnEarlierSnapshotAlone) {
  DataStore& s = open();
  writeFile(snapshotPath(), "earlier snapshot");
  s.addTask(makeTask(QStringLiteral("open")));
  s.clearCompletedTasks();
  EXPECT_EQ(s.tasks().size(), 1);
  EXPECT_EQ(readFile(snapshotPath()), QByteArray("earlier snapshot"));
}

}  // namespace

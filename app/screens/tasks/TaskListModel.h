#pragma once

#include "core/model/TaskItem.h"

#include <QAbstractListModel>
#include <QList>

// The tasks the list shows, in order. A new list that differs from the shown one only by
// changed records, a few runs of removed or inserted rows, or one moved row is applied as
// exactly that change, so completing a task repaints its row instead of rebuilding the list.
class TaskListModel : public QAbstractListModel {
  Q_OBJECT

 public:
  explicit TaskListModel(QObject* parent = nullptr);

  void setTasks(QList<TaskItem> tasks);
  const QList<TaskItem>& tasks() const { return tasks_; }
  const TaskItem& task(int row) const { return tasks_.at(row); }

  int rowCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;

 Q_SIGNALS:
  // A changed record whose row may need another height (its notes changed).
  void rowHeightChanged(const QModelIndex& index);

 private:
  bool applyRemovals(const QList<TaskItem>& next);
  bool applyInsertions(const QList<TaskItem>& next);
  bool applyMove(const QList<TaskItem>& next);
  void applyChanges(const QList<TaskItem>& next);

  QList<TaskItem> tasks_;
};

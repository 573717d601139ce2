#include "app/screens/tasks/TaskListModel.h"

#include "core/model/TaskPriority.h"

namespace {

// Beyond a few separate runs of rows (a search that narrows the list), a reset is cheaper
// than telling the view about each run.
constexpr int kMaxRuns = 8;

int runs(const QList<int>& rows) {
  int count = 0;
  for (qsizetype i = 0; i < rows.size(); ++i) {
    count += (i == 0 || rows[i] != rows[i - 1] + 1) ? 1 : 0;
  }
  return count;
}

}  // namespace

TaskListModel::TaskListModel(QObject* parent) : QAbstractListModel(parent) {}

int TaskListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : int(tasks_.size());
}

QVariant TaskListModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= tasks_.size()) {
    return {};
  }
  const TaskItem& task = tasks_.at(index.row());
  switch (role) {
    case Qt::DisplayRole:
      return task.title;
    case Qt::AccessibleTextRole:
      return QStringLiteral("%1, %2, %3").arg(task.title, displayText(task.priority),
                                              task.isCompleted ? QStringLiteral("completed")
                                                               : QStringLiteral("open"));
    case Qt::AccessibleDescriptionRole:
      return QStringLiteral("Space completes or reopens, Return edits, Delete deletes");
    default:
      return {};
  }
}

void TaskListModel::setTasks(QList<TaskItem> next) {
  if (applyRemovals(next) || applyInsertions(next) || applyMove(next)) {
    applyChanges(next);
    return;
  }
  bool sameRows = next.size() == tasks_.size();
  for (qsizetype i = 0; sameRows && i < next.size(); ++i) {
    sameRows = next[i].id == tasks_[i].id;
  }
  if (sameRows) {
    applyChanges(next);
    return;
  }
  beginResetModel();
  tasks_ = std::move(next);
  endResetModel();
}

// `next` is the shown list with some rows left out, order kept.
bool TaskListModel::applyRemovals(const QList<TaskItem>& next) {
  if (next.size() >= tasks_.size()) {
    return false;
  }
  QList<int> removed;
  qsizetype j = 0;
  for (qsizetype i = 0; i < tasks_.size(); ++i) {
    if (j < next.size() && next[j].id == tasks_[i].id) {
      ++j;
    } else {
      removed.append(int(i));
    }
  }
  if (j != next.size() || runs(removed) > kMaxRuns) {
    return false;
  }
  // Back to front in runs, so earlier row numbers stay right.
  for (qsizetype k = removed.size() - 1; k >= 0;) {
    const int last = removed[k];
    int first = last;
    while (k > 0 && removed[k - 1] == first - 1) {
      --k;
      first = removed[k];
    }
    --k;
    beginRemoveRows({}, first, last);
    tasks_.remove(first, last - first + 1);
    endRemoveRows();
  }
  return true;
}

// The shown list is `next` with some rows left out, order kept.
bool TaskListModel::applyInsertions(const QList<TaskItem>& next) {
  if (next.size() <= tasks_.size()) {
    return false;
  }
  QList<int> inserted;
  qsizetype j = 0;
  for (qsizetype i = 0; i < next.size(); ++i) {
    if (j < tasks_.size() && tasks_[j].id == next[i].id) {
      ++j;
    } else {
      inserted.append(int(i));
    }
  }
  if (j != tasks_.size() || runs(inserted) > kMaxRuns) {
    return false;
  }
  for (int row : inserted) {
    beginInsertRows({}, row, row);
    tasks_.insert(row, next[row]);
    endInsertRows();
  }
  return true;
}

// One row taken out and put back elsewhere, everything else in order.
bool TaskListModel::applyMove(const QList<TaskItem>& next) {
  if (next.size() != tasks_.size()) {
    return false;
  }
  qsizetype first = 0;
  while (first < next.size() && next[first].id == tasks_[first].id) {
    ++first;
  }
  if (first == next.size()) {
    return false;
  }
  qsizetype last = next.size() - 1;
  while (next[last].id == tasks_[last].id) {
    --last;
  }
  auto shifted = [&](qsizetype offsetNext, qsizetype offsetShown) {
    for (qsizetype i = first; i < last; ++i) {
      if (next[i + offsetNext].id != tasks_[i + offsetShown].id) {
        return false;
      }
    }
    return true;
  };
  if (next[last].id == tasks_[first].id && shifted(0, 1)) {
    // The row at `first` went down to `last`.
    beginMoveRows({}, int(first), int(first), {}, int(last + 1));
    tasks_.move(first, last);
    endMoveRows();
    return true;
  }
  if (next[first].id == tasks_[last].id && shifted(1, 0)) {
    beginMoveRows({}, int(last), int(last), {}, int(first));
    tasks_.move(last, first);
    endMoveRows();
    return true;
  }
  return false;
}

// Same rows in the same order: only the records that differ are repainted.
void TaskListModel::applyChanges(const QList<TaskItem>& next) {
  for (qsizetype i = 0; i < next.size(); ++i) {
    if (next[i] == tasks_[i]) {
      continue;
    }
    const bool notesChanged = next[i].notes != tasks_[i].notes;
    tasks_[i] = next[i];
    const QModelIndex changed = index(int(i));
    Q_EMIT dataChanged(changed, changed);
    if (notesChanged) {
      Q_EMIT rowHeightChanged(changed);
    }
  }
}

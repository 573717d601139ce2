#include "app/screens/tasks/TaskList.h"

#include "app/ui/DayLists.h"

#include <QLocale>

#include <algorithm>
#include <set>
#include <vector>

QString displayText(TaskFilter filter) {
  switch (filter) {
    case TaskFilter::today: return QStringLiteral("Today");
    case TaskFilter::upcoming: return QStringLiteral("Upcoming");
    case TaskFilter::overdue: return QStringLiteral("Overdue");
    case TaskFilter::completed: return QStringLiteral("Completed");
    case TaskFilter::all: return QStringLiteral("All");
  }
  return {};
}

namespace task_list {

QStringList availableCategories(const QList<TaskItem>& tasks) {
  // QString's operator< compares UTF-16 code units: upper case before lower case, no locale.
  std::set<QString> distinct;
  for (const TaskItem& task : tasks) {
    distinct.insert(task.category);
  }
  return QStringList(distinct.begin(), distinct.end());
}

bool matchesFilter(const TaskItem& task, TaskFilter filter, const QDateTime& now,
                   const Calendar& calendar) {
  switch (filter) {
    case TaskFilter::today:
      return !task.isCompleted && task.isDueToday(calendar, now);
    case TaskFilter::upcoming:
      return !task.isCompleted && task.dueDate && *task.dueDate > now &&
             !task.isDueToday(calendar, now);
    case TaskFilter::overdue:
      return task.isOverdue(now);
    case TaskFilter::completed:
      return task.isCompleted;
    case TaskFilter::all:
      return true;
  }
  return true;
}

namespace {

// What the order reads of a task, taken once.
struct SortKey {
  const TaskItem* task;
  bool isCompleted;
  int priority;
  bool hasDue;
  qint64 due;
  qint64 created;
  qint64 rank = 0;  // creation time that decides against tasks without a due date
  qsizetype run = 0;  // place within its own run (dated or undated)
};

// Same state and priority: the tasks among which due and creation dates decide.
bool sameGroup(const SortKey& a, const SortKey& b) {
  return a.isCompleted == b.isCompleted && a.priority == b.priority;
}

bool groupBefore(const SortKey& a, const SortKey& b) {
  if (a.isCompleted != b.isCompleted) {
    return !a.isCompleted;
  }
  return a.priority > b.priority;
}

void sortForList(std::vector<const TaskItem*>& tasks) {
  std::vector<SortKey> keys;
  keys.reserve(tasks.size());
  for (const TaskItem* task : tasks) {
    keys.push_back({task, task->isCompleted, static_cast<int>(task->priority),
                    task->dueDate.has_value(),
                    task->dueDate ? task->dueDate->toMSecsSinceEpoch() : 0,
                    task->createdAt.toMSecsSinceEpoch()});
  }
  // Each group as two runs: dated by due date, then undated newest first.
  std::sort(keys.begin(), keys.end(), [](const SortKey& a, const SortKey& b) {
    if (!sameGroup(a, b)) {
      return groupBefore(a, b);
    }
    if (a.hasDue != b.hasDue) {
      return a.hasDue;
    }
    if (a.hasDue && a.due != b.due) {
      return a.due < b.due;
    }
    if (a.created != b.created) {
      return a.created > b.created;
    }
    return a.task->id < b.task->id;
  });
  // Comparing a dated task with an undated one by creation alone would contradict the due
  // order (a before b by due, b before c and c before a by creation). So a dated task counts
  // as old as the oldest dated task due no later: it waits for those.
  qint64 oldest = 0;
  for (size_t i = 0; i < keys.size(); ++i) {
    SortKey& key = keys[i];
    const bool groupStart = i == 0 || !sameGroup(keys[i - 1], key);
    if (key.hasDue) {
      oldest = groupStart ? key.created : std::min(oldest, key.created);
      key.rank = oldest;
    } else {
      key.rank = key.created;
    }
    key.run = qsizetype(i);
  }
  // Merge the two runs of each group, newest first; a dated task first on a tie.
  std::sort(keys.begin(), keys.end(), [](const SortKey& a, const SortKey& b) {
    if (!sameGroup(a, b)) {
      return groupBefore(a, b);
    }
    if (a.rank != b.rank) {
      return a.rank > b.rank;
    }
    if (a.hasDue != b.hasDue) {
      return a.hasDue;
    }
    return a.run < b.run;
  });
  for (size_t i = 0; i < keys.size(); ++i) {
    tasks[i] = keys[i].task;
  }
}

}  // namespace

QList<TaskItem> filteredTasks(const QList<TaskItem>& tasks, const Query& query,
                              const QDateTime& now, const Calendar& calendar) {
  // Sorting pointers, not records: a keystroke re-sorts the whole list.
  std::vector<const TaskItem*> kept;
  kept.reserve(size_t(tasks.size()));
  const QString& search = query.searchText;
  for (const TaskItem& task : tasks) {
    if (!search.isEmpty() && !task.title.contains(search, Qt::CaseInsensitive) &&
        !task.notes.contains(search, Qt::CaseInsensitive) &&
        !task.category.contains(search, Qt::CaseInsensitive)) {
      continue;
    }
    if (query.selectedCategory && task.category != *query.selectedCategory) {
      continue;
    }
    if (matchesFilter(task, query.filter, now, calendar)) {
      kept.push_back(&task);
    }
  }
  sortForList(kept);
  QList<TaskItem> result;
  result.reserve(qsizetype(kept.size()));
  for (const TaskItem* task : kept) {
    result.append(*task);
  }
  return result;
}

Counters counters(const QList<TaskItem>& tasks, const QDateTime& now) {
  Counters c;
  for (const TaskItem& task : tasks) {
    c.active += task.isCompleted ? 0 : 1;
    c.overdue += task.isOverdue(now) ? 1 : 0;
  }
  return c;
}

QString counterText(const Counters& counters) {
  return QStringLiteral("%1 active \u2022 %2 overdue").arg(counters.active).arg(counters.overdue);
}

bool showsClearCompleted(const QList<TaskItem>& tasks, TaskFilter filter) {
  return filter == TaskFilter::completed &&
         std::any_of(tasks.begin(), tasks.end(), [](const TaskItem& t) { return t.isCompleted; });
}

bool showsCategoryChips(const QStringList& categories) { return categories.size() >= 2; }

QString dueDateText(const QDateTime& due, const Calendar& calendar, const QLocale& locale) {
  return day_lists::abbreviatedDate(due, calendar, locale) + QStringLiteral(", ") +
         day_lists::shortTime(due, calendar, locale);
}

}  // namespace task_list

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

bool listedBefore(const TaskItem& a, const TaskItem& b) {
  if (a.isCompleted != b.isCompleted) {
    return !a.isCompleted;
  }
  if (a.priority != b.priority) {
    return a.priority > b.priority;
  }
  if (a.dueDate && b.dueDate) {
    return *a.dueDate < *b.dueDate;
  }
  return a.createdAt > b.createdAt;
}

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
  std::stable_sort(kept.begin(), kept.end(),
                   [](const TaskItem* a, const TaskItem* b) { return listedBefore(*a, *b); });
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

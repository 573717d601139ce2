#pragma once

#include "core/model/Calendar.h"
#include "core/model/EnumText.h"
#include "core/model/TaskItem.h"

#include <QDateTime>
#include <QList>
#include <QLocale>
#include <QString>
#include <QStringList>

#include <optional>

// The segments of the task list, in segment order; the title is the text.
enum class TaskFilter { today, upcoming, overdue, completed, all };

template <>
struct EnumCases<TaskFilter> {
  static constexpr std::array values{TaskFilter::today, TaskFilter::upcoming, TaskFilter::overdue,
                                     TaskFilter::completed, TaskFilter::all};
};

QString displayText(TaskFilter filter);

// What the task list derives from the store on every redraw.
namespace task_list {

// What narrows the list: the segment, the typed search and the chosen category chip.
struct Query {
  TaskFilter filter = TaskFilter::today;
  QString searchText;
  std::optional<QString> selectedCategory;
};

// Every distinct category once, exact and case-sensitive, in code-point order.
QStringList availableCategories(const QList<TaskItem>& tasks);
// True when the filter keeps the task at `now`.
bool matchesFilter(const TaskItem& task, TaskFilter filter, const QDateTime& now,
                   const Calendar& calendar);
// The tasks shown: searched (as typed, case-insensitive, in title, notes or category), of
// the chosen category, kept by the filter, then in list order: open before done, higher
// priority first. Within one state and priority, tasks with a due date run earliest due first
// and tasks without one newest created first; the two runs meet newest created first, but a
// dated task never passes one due before it. It is one order whatever the store's order:
// ties go to the newer task, then to the identifier.
QList<TaskItem> filteredTasks(const QList<TaskItem>& tasks, const Query& query,
                              const QDateTime& now, const Calendar& calendar);

struct Counters {
  int active = 0;
  int overdue = 0;
};
// Over the whole store, whatever the search, category or filter.
Counters counters(const QList<TaskItem>& tasks, const QDateTime& now);
// "3 active • 1 overdue".
QString counterText(const Counters& counters);
// "Clear Completed" shows only under Completed, while something is completed.
bool showsClearCompleted(const QList<TaskItem>& tasks, TaskFilter filter);
// The chip row shows from two categories on.
bool showsCategoryChips(const QStringList& categories);

// The due date of a row: abbreviated date and short time of the locale, in the calendar's zone.
QString dueDateText(const QDateTime& due, const Calendar& calendar, const QLocale& locale);

}  // namespace task_list

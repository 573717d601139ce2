#include "app/screens/tasks/RecurrenceOption.h"
#include "app/screens/tasks/TaskEditorSheet.h"
#include "app/screens/tasks/TaskList.h"
#include "app/screens/tasks/TaskListModel.h"
#include "app/screens/today/TodayLogic.h"
#include "common/TestSupport.h"

#include <QSignalSpy>

#include <algorithm>
#include <random>



namespace {

const Calendar berlin(QTimeZone(QByteArrayLiteral("Europe/Berlin")));

// A wall-clock time in Berlin.
QDateTime at(int month, int day, int hour, int minute = 0) {
  return berlin.dateTime(QDate(2026, month, day), QTime(hour, minute));
}

TaskItem task(const QString& title, std::optional<QDateTime> due = std::nullopt,
              TaskPriority priority = TaskPriority::medium, bool done = false,
              QDateTime created = at(3, 1, 8)) {
  TaskItem t;
  t.id = QUuid::createUuid();
  t.title = title;
  t.dueDate = due;
  t.priority = priority;
  t.isCompleted = done;
  t.createdAt = created;
  t.updatedAt = created;
  t.category = QStringLiteral("General");
  return t;
}

QStringList titles(const QList<TaskItem>& tasks) {
  return testsupport::texts(tasks, &TaskItem::title);
}

}  // namespace

// Each segment keeps the tasks the screen promises, at 10:00 on a Tuesday: a task due at
// 09:00 today is both Today and Overdue, one without a due date only All.
TEST(TaskList, EachFilterKeepsItsTasks) {
  const QDateTime now = at(3, 10, 10);
  const QList<TaskItem> tasks = {
      task(QStringLiteral("early today"), at(3, 10, 9)),
      task(QStringLiteral("late today"), at(3, 10, 23, 59)),
      task(QStringLiteral("tomorrow"), at(3, 11, 0)),
      task(QStringLiteral("yesterday"), at(3, 9, 23, 59)),
      task(QStringLiteral("done today"), at(3, 10, 11), TaskPriority::medium, true),
      task(QStringLiteral("no date")),
  };
  const struct {
    TaskFilter filter;
    QStringList expected;
  } cases[] = {
      {TaskFilter::today, {"early today", "late today"}},
      {TaskFilter::upcoming, {"tomorrow"}},
      {TaskFilter::overdue, {"yesterday", "early today"}},
      {TaskFilter::completed, {"done today"}},
      {TaskFilter::all, {"yesterday", "early today", "late today", "tomorrow", "no date", "done today"}},
  };
  for (const auto& c : cases) {
    task_list::Query query;
    query.filter = c.filter;
    EXPECT_EQ(titles(task_list::filteredTasks(tasks, query, now, berlin)), c.expected)
        << displayText(c.filter).toStdString();
  }
  const auto counters = task_list::counters(tasks, now);
  EXPECT_EQ(task_list::counterText(counters), QStringLiteral("5 active \u2022 2 overdue"));
}

// The day is the calendar's, also on the night the clocks go forward (29 March in Berlin)
// and when the machine's own zone differs.
TEST(TaskList, TodayFollowsTheCalendarDayAcrossMidnightAndADaylightSavingChange) {
  const struct {
    QDateTime now;
    QDateTime due;
    bool today;
  } cases[] = {
      {at(3, 29, 0, 30), at(3, 28, 23, 59), false},
      {at(3, 29, 0, 30), at(3, 29, 23, 59), true},
      {at(3, 29, 3, 0), at(3, 29, 1, 59), true},
      {at(3, 29, 23, 59), at(3, 30, 0, 0), false},
      {at(3, 10, 0, 0), at(3, 9, 23, 59), false},
  };
  for (const auto& c : cases) {
    const QList<TaskItem> tasks = {task(QStringLiteral("t"), c.due)};
    EXPECT_EQ(today::todayTasks(tasks, c.now, berlin).size(), c.today ? 1 : 0)
        << c.now.toString(Qt::ISODate).toStdString() << " " << c.due.toString(Qt::ISODate).toStdString();
    task_list::Query query;
    EXPECT_EQ(task_list::filteredTasks(tasks, query, c.now, berlin).size(), c.today ? 1 : 0);
  }
}

// Open before done, higher priority first, earlier due date when both have one, else the
// newest; equal due dates go to the newer task.
TEST(TaskList, SortsOpenFirstThenByPriorityAndDates) {
  const QList<TaskItem> tasks = {
      task(QStringLiteral("done urgent"), at(3, 10, 8), TaskPriority::urgent, true),
      task(QStringLiteral("low"), at(3, 10, 8), TaskPriority::low),
      task(QStringLiteral("medium later"), at(3, 12, 8)),
      task(QStringLiteral("medium sooner older"), at(3, 11, 8), TaskPriority::medium, false, at(2, 1, 8)),
      task(QStringLiteral("medium sooner"), at(3, 11, 8)),
      task(QStringLiteral("high"), std::nullopt, TaskPriority::high),
  };
  task_list::Query all;
  all.filter = TaskFilter::all;
  EXPECT_EQ(titles(task_list::filteredTasks(tasks, all, at(3, 10, 10), berlin)),
            (QStringList{"high", "medium sooner", "medium sooner older", "medium later", "low",
                         "done urgent"}));
  // Undated against dated goes by creation, newest first, but a dated task waits for the
  // ones due before it: "due soon" (old) holds "due later" (newest) behind "undated".
  const struct {
    const char* name;
    QList<TaskItem> tasks;
    QStringList expected;
  } cases[] = {
      {"undated newer",
       {task(QStringLiteral("dated"), at(3, 11, 8), TaskPriority::medium, false, at(3, 1, 8)),
        task(QStringLiteral("undated"), std::nullopt, TaskPriority::medium, false, at(3, 2, 8))},
       {"undated", "dated"}},
      {"dated newer",
       {task(QStringLiteral("undated"), std::nullopt, TaskPriority::medium, false, at(3, 1, 8)),
        task(QStringLiteral("dated"), at(3, 11, 8), TaskPriority::medium, false, at(3, 2, 8))},
       {"dated", "undated"}},
      {"three that went round in a circle",
       {task(QStringLiteral("due later"), at(3, 20, 8), TaskPriority::urgent, false, at(3, 5, 8)),
        task(QStringLiteral("undated"), std::nullopt, TaskPriority::urgent, false, at(3, 3, 8)),
        task(QStringLiteral("due soon"), at(3, 9, 8), TaskPriority::urgent, false, at(3, 1, 8))},
       {"undated", "due soon", "due later"}},
  };
  for (const auto& c : cases) {
    QList<TaskItem> reversed = c.tasks;
    std::reverse(reversed.begin(), reversed.end());
    for (const QList<TaskItem>& input : {c.tasks, reversed}) {
      EXPECT_EQ(titles(task_list::filteredTasks(input, all, at(3, 10, 10), berlin)), c.expected)
          << c.name;
    }
  }
}

// Over random lists rich in ties: every pair in the output keeps the order's rules, and the
// output is the same for any order of the input.
TEST(TaskList, OrderIsOneOrderForEveryPermutation) {
  std::mt19937 random(26);
  auto pick = [&random](int n) { return int(random() % unsigned(n)); };
  constexpr TaskPriority priorities[] = {TaskPriority::medium, TaskPriority::urgent,
                                         TaskPriority::medium, TaskPriority::urgent,
                                         TaskPriority::low, TaskPriority::high};
  task_list::Query all;
  all.filter = TaskFilter::all;
  const QDateTime now = at(3, 10, 10);
  TaskItem blank = task(QString());
  // A dated `b` may follow an undated `a` that is older than it only by waiting for a dated
  // task due no later than `b` that is older still.
  auto waits = [](const QList<TaskItem>& list, const TaskItem& a, const TaskItem& b) {
    return std::any_of(list.begin(), list.end(), [&](const TaskItem& c) {
      return c.dueDate && c.isCompleted == b.isCompleted && c.priority == b.priority &&
             *c.dueDate <= *b.dueDate && c.createdAt <= a.createdAt;
    });
  };
  for (int round = 0; round < 10000; ++round) {
    QList<TaskItem> input;
    for (int i = pick(13); i > 0; --i) {
      TaskItem t = blank;
      t.id = QUuid::createUuid();
      t.isCompleted = pick(5) == 0;
      t.priority = priorities[pick(6)];
      t.dueDate = pick(5) < 2 ? std::nullopt : std::optional(at(3, 8 + pick(5), 9));
      t.createdAt = at(3, 1 + pick(6), 9);
      input.append(t);
    }
    const QList<TaskItem> out = task_list::filteredTasks(input, all, now, berlin);
    ASSERT_EQ(out.size(), input.size());
    for (int shuffle = 0; shuffle < 2; ++shuffle) {
      std::shuffle(input.begin(), input.end(), random);
      ASSERT_EQ(task_list::filteredTasks(input, all, now, berlin), out) << "round " << round;
    }
    for (qsizetype i = 0; i < out.size(); ++i) {
      for (qsizetype j = i + 1; j < out.size(); ++j) {
        const TaskItem& a = out[i];
        const TaskItem& b = out[j];
        bool ordered = true;
        if (a.isCompleted != b.isCompleted) {
          ordered = !a.isCompleted;
        } else if (a.priority != b.priority) {
          ordered = a.priority > b.priority;
        } else if (a.dueDate && b.dueDate) {
          ordered = *a.dueDate < *b.dueDate ||
                    (*a.dueDate == *b.dueDate && a.createdAt >= b.createdAt);
        } else if (a.dueDate || !b.dueDate) {
          ordered = a.createdAt >= b.createdAt;  // a dated task never passes a newer undated
        } else {
          ordered = a.createdAt >= b.createdAt || waits(out, a, b);
        }
        ASSERT_TRUE(ordered) << "round " << round << ": " << i << " before " << j;
      }
    }
  }
}

// The search is tested as typed (spaces too), case-insensitively, in title, notes and
// category; the category chip compares exactly.
TEST(TaskList, SearchAndCategoryNarrowTheList) {
  TaskItem a = task(QStringLiteral("Quarterly Report"));
  TaskItem b = task(QStringLiteral("call"), std::nullopt, TaskPriority::medium, false, at(2, 28, 8));
  b.notes = QStringLiteral("ask about the REPORT  draft");
  TaskItem c = task(QStringLiteral("groceries"), std::nullopt, TaskPriority::medium, false, at(2, 27, 8));
  c.category = QStringLiteral("home");
  const QList<TaskItem> tasks = {a, b, c};
  const struct {
    QString search;
    std::optional<QString> category;
    QStringList expected;
  } cases[] = {
      {QStringLiteral("report"), std::nullopt, {"Quarterly Report", "call"}},
      {QStringLiteral("  "), std::nullopt, {"call"}},
      {QStringLiteral(" "), std::nullopt, {"Quarterly Report", "call"}},
      {QStringLiteral("HOME"), std::nullopt, {"groceries"}},
      {QString(), QStringLiteral("Home"), {}},
      {QString(), QStringLiteral("home"), {"groceries"}},
  };
  for (const auto& c : cases) {
    task_list::Query query{TaskFilter::all, c.search, c.category};
    EXPECT_EQ(titles(task_list::filteredTasks(tasks, query, at(3, 10, 10), berlin)), c.expected)
        << '"' << c.search.toStdString() << '"';
  }
}

TEST(TaskList, CategoriesChipsAndClearCompletedFollowTheStore) {
  QList<TaskItem> tasks;
  for (const char* category : {"work", "Home", "Work", "home", "", "Work"}) {
    TaskItem t = task(QStringLiteral("t"));
    t.category = QString::fromLatin1(category);
    tasks << t;
  }
  const QStringList categories = task_list::availableCategories(tasks);
  EXPECT_EQ(categories, (QStringList{"", "Home", "Work", "home", "work"}));
  EXPECT_TRUE(task_list::showsCategoryChips(categories));
  EXPECT_FALSE(task_list::showsCategoryChips({QStringLiteral("Work")}));

  const QList<TaskItem> oneDone = {task(QStringLiteral("a")),
                                   task(QStringLiteral("b"), std::nullopt, TaskPriority::low, true)};
  for (TaskFilter filter : allCases<TaskFilter>) {
    EXPECT_EQ(task_list::showsClearCompleted(oneDone, filter), filter == TaskFilter::completed);
    EXPECT_FALSE(task_list::showsClearCompleted(oneDone.mid(0, 1), filter));
  }
}

TEST(TodayLogic, GreetingFollowsTheHourUnlessACustomOneIsSet) {
  const struct {
    int hour, minute;
    const char* expected;
  } cases[] = {{4, 59, "Good night"},      {5, 0, "Good morning"},   {11, 59, "Good morning"},
               {12, 0, "Good afternoon"},  {16, 59, "Good afternoon"}, {17, 0, "Good evening"},
               {21, 59, "Good evening"},   {22, 0, "Good night"},    {0, 0, "Good night"}};
  for (const auto& c : cases) {
    EXPECT_EQ(today::greetingText(QString(), at(3, 10, c.hour, c.minute), berlin),
              QString::fromLatin1(c.expected))
        << c.hour << ":" << c.minute;
  }
  EXPECT_EQ(today::greetingText(QStringLiteral(" Hi "), at(3, 10, 23), berlin), QStringLiteral(" Hi "));
}

TEST(TodayLogic, CountsAndNamesReadAsSentences) {
  const struct {
    qsizetype count;
    const char* expected;
  } prompts[] = {{1, "1 actionable suggestion from recent emails waiting for review."},
                 {2, "2 actionable suggestions from recent emails waiting for review."}};
  for (const auto& p : prompts) {
    EXPECT_EQ(today::emailPromptText(p.count), QString::fromLatin1(p.expected));
  }
  const QList<TaskItem> tasks = {task(QStringLiteral("a")), task(QStringLiteral("b"), std::nullopt,
                                                                 TaskPriority::low, true)};
  EXPECT_EQ(today::viewAllText(tasks), QStringLiteral("View All (1)"));
  EXPECT_EQ(today::shortLocationName(QStringLiteral("Berlin, Germany")), QStringLiteral("Berlin"));
  EXPECT_EQ(today::shortLocationName(QStringLiteral("Lima")), QStringLiteral("Lima"));
}

// What the editor saves: fallbacks for empty texts, nothing trimmed, the due date and the
// rule only together, the edited task's identity kept and its e-mail link dropped, and an
// every-N-days rule kept when the user did not touch it.
TEST(TaskEditor, BuildsTheTaskFromTheForm) {
  const QDateTime opened = at(3, 10, 10);
  const QDateTime saved = at(3, 10, 10, 5);
  TaskItem existing = task(QStringLiteral("Pay rent"), at(3, 12, 9), TaskPriority::high, true);
  existing.completedAt = at(3, 10, 8);
  existing.recurrence = RecurrenceRule::customDays(3);
  existing.sourceEmailMessageID = QStringLiteral("msg-1");

  const TaskEditorSheet::State fresh = TaskEditorSheet::load(std::nullopt, QStringLiteral("Work"), TaskPriority::low, opened);
  EXPECT_EQ(fresh.dueDate, opened.addSecs(3600));
  const TaskItem untouched = TaskEditorSheet::build(fresh, std::nullopt, saved);
  EXPECT_EQ(untouched.title, QStringLiteral("Untitled Task"));
  EXPECT_EQ(untouched.category, QStringLiteral("Work"));
  EXPECT_FALSE(untouched.dueDate.has_value());

  TaskEditorSheet::State typed = fresh;
  typed.title = QStringLiteral("  spaced  ");
  typed.category = QString();
  typed.recurrence = RecurrenceRule::weekly();
  const TaskItem spaced = TaskEditorSheet::build(typed, std::nullopt, saved);
  EXPECT_EQ(spaced.category, QStringLiteral("General"));
  EXPECT_EQ(spaced.title, QStringLiteral("  spaced  "));
  EXPECT_TRUE(spaced.recurrence.isNone()) << "no due date, no rule";

  const TaskEditorSheet::State loaded = TaskEditorSheet::load(existing, QStringLiteral("General"), TaskPriority::medium, opened);
  const TaskItem edited = TaskEditorSheet::build(loaded, existing, saved);
  EXPECT_EQ(edited.id, existing.id);
  EXPECT_EQ(edited.recurrence, RecurrenceRule::customDays(3));
  EXPECT_EQ(edited.completedAt, existing.completedAt);
  EXPECT_EQ(edited.createdAt, existing.createdAt);
  EXPECT_EQ(edited.updatedAt, saved);
  EXPECT_FALSE(edited.sourceEmailMessageID.has_value());
}

// A new list that changes one record, drops or adds rows, or moves one row is applied as
// that change; only anything else resets the model.
TEST(TaskListModel, AppliesSmallChangesWithoutAReset) {
  QList<TaskItem> base;
  for (int i = 0; i < 6; ++i) {
    base << task(QStringLiteral("t%1").arg(i));
  }
  auto changed = [&](auto edit) {
    QList<TaskItem> next = base;
    edit(next);
    return next;
  };
  const struct {
    const char* name;
    QList<TaskItem> next;
    bool reset;
  } cases[] = {
      {"one record", changed([](QList<TaskItem>& l) { l[2].isCompleted = true; }), false},
      {"rows removed", changed([](QList<TaskItem>& l) { l.removeAt(4); l.removeAt(1); l.removeAt(0); }), false},
      {"row inserted", changed([](QList<TaskItem>& l) { l.insert(3, task(QStringLiteral("new"))); }), false},
      {"row moved down", changed([](QList<TaskItem>& l) { l.move(1, 5); l[5].isCompleted = true; }), false},
      {"row moved up", changed([](QList<TaskItem>& l) { l.move(4, 0); }), false},
      {"reversed", changed([](QList<TaskItem>& l) { std::reverse(l.begin(), l.end()); }), true},
  };
  for (const auto& c : cases) {
    TaskListModel model;
    model.setTasks(base);
    QSignalSpy resets(&model, &QAbstractItemModel::modelReset);
    model.setTasks(c.next);
    EXPECT_EQ(resets.count(), c.reset ? 1 : 0) << c.name;
    EXPECT_EQ(model.tasks(), c.next) << c.name;
  }
}

// Every option maps to its rule and back; an every-N-days rule survives a form that never
// touches the picker, and choosing a listed option replaces it.
TEST(RecurrencePicker, KeepsAnUnlistedRuleUntilTheUserPicksAnother) {
  RecurrencePicker picker;
  for (RecurrenceOption option : allCases<RecurrenceOption>) {
    picker.setRule(toRecurrenceRule(option));
    EXPECT_EQ(picker.currentText(), displayText(option));
    EXPECT_EQ(picker.rule(), toRecurrenceRule(option));
  }
  EXPECT_EQ(picker.count(), 7);
  picker.setRule(RecurrenceRule::customDays(3));
  EXPECT_EQ(picker.count(), 8);
  EXPECT_EQ(picker.currentText(), QStringLiteral("Every 3 days"));
  EXPECT_EQ(picker.rule(), RecurrenceRule::customDays(3));
  picker.setCurrentIndex(2);
  EXPECT_EQ(picker.rule(), RecurrenceRule::weekdays());
  picker.setRule(RecurrenceRule::monthly());
  EXPECT_EQ(picker.count(), 7) << "the extra entry goes with its rule";
  EXPECT_FALSE(fromDisplayText<RecurrenceOption>(QStringLiteral("every 2 weeks")).has_value());
}

#include "tests/screens/ScreenTestSupport.h"
#include "tests/screens/TabOrder.h"

#include "app/screens/tasks/TaskEditorSheet.h"
#include "app/screens/tasks/TaskListModel.h"
#include "app/screens/tasks/TaskRow.h"
#include "app/screens/tasks/TasksView.h"
#include "app/ui/EmptyStateView.h"
#include "app/ui/ProminentButton.h"
#include "app/ui/Sheet.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>
#include <QWheelEvent>
#include <QToolButton>

using screentest::ScreenTest;
using screentest::settle;

namespace {

class TasksViewTest : public ScreenTest {
 protected:
  TasksView* open() {
    window_ = std::make_unique<QWidget>();
    window_->resize(760, 560);
    auto* view = new TasksView(env, window_.get());
    view->resize(760, 560);
    window_->show();
    QApplication::processEvents();
    return view;
  }

  // Clicks a part of the row showing `row`.
  void clickPart(TasksView* view, int row, TaskRow::Part part) {
    QListView* list = view->listView();
    const QModelIndex index = view->model()->index(row);
    const QRect rect = list->visualRect(index);
    const TaskRow::Geometry g =
        view->rowDelegate()->geometry(view->model()->task(row), rect, list->font());
    const QRect target = part == TaskRow::Part::checkbox ? g.checkbox
                         : part == TaskRow::Part::edit   ? g.edit
                                                         : g.remove;
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, target.center());
    QApplication::processEvents();
  }

  std::optional<TaskItem> stored(const QUuid& id) {
    return testsupport::findBy(store().tasks(), &TaskItem::id, id);
  }

  std::unique_ptr<QWidget> window_;
};

}  // namespace

// Under Completed the empty list offers nothing; elsewhere it opens the editor, and Return on
// an untouched form saves an untitled task.
TEST_F(TasksViewTest, AnEmptyStoreOffersToCreateATaskExceptUnderCompleted) {
  emptyStore();
  TasksView* view = open();
  view->setFilter(TaskFilter::completed);
  ASSERT_NE(view->emptyState(), nullptr);
  EXPECT_EQ(view->emptyState()->actionButton(), nullptr);
  view->setFilter(TaskFilter::all);
  view->emptyState()->actionButton()->click();
  Sheet* sheet = screentest::visibleSheet();
  ASSERT_NE(sheet, nullptr);
  QTest::keyClick(qobject_cast<TaskEditorSheet*>(sheet->content())->titleField(), Qt::Key_Return);
  settle();
  ASSERT_EQ(store().tasks().size(), 1);
  EXPECT_EQ(store().tasks().first().title, QStringLiteral("Untitled Task"));
  EXPECT_EQ(screentest::visibleSheet(), nullptr);
  EXPECT_EQ(view->model()->rowCount(), 1);
}

// The row's checkbox, pencil and bin, and the same through the keyboard.
TEST_F(TasksViewTest, RowsCompleteEditAndDeleteByMouseAndKeyboard) {
  TasksView* view = open();
  view->setFilter(TaskFilter::all);
  ASSERT_GE(view->model()->rowCount(), 3);
  screentest::saveScreenshots(window_.get(), QStringLiteral("tasks"), QSize(760, 560));

  const TaskItem first = view->model()->task(0);
  clickPart(view, 0, TaskRow::Part::checkbox);
  EXPECT_TRUE(stored(first.id).value().isCompleted);

  const TaskItem second = view->model()->task(0);
  clickPart(view, 0, TaskRow::Part::remove);
  ASSERT_TRUE(screentest::answer(view->pendingConfirmation(), QStringLiteral("Delete")));
  EXPECT_FALSE(stored(second.id));

  view->listView()->setFocus();
  view->listView()->setCurrentIndex(view->model()->index(0));
  const TaskItem third = view->model()->task(0);
  QTest::keyClick(view->listView(), Qt::Key_Space);
  EXPECT_NE(stored(third.id)->isCompleted, third.isCompleted);
  view->listView()->setCurrentIndex(view->model()->index(0));
  const TaskItem fourth = view->model()->task(0);
  QTest::keyClick(view->listView(), Qt::Key_Delete);
  ASSERT_TRUE(screentest::answer(view->pendingConfirmation(), QStringLiteral("Delete")));
  EXPECT_FALSE(stored(fourth.id));

  // Edit: the sheet shows the task; Escape changes nothing, Return saves the new title.
  const TaskItem edited = view->model()->task(0);
  for (const bool save : {false, true}) {
    clickPart(view, 0, TaskRow::Part::edit);
    Sheet* sheet = screentest::visibleSheet();
    ASSERT_NE(sheet, nullptr);
    auto* editor = qobject_cast<TaskEditorSheet*>(sheet->content());
    EXPECT_EQ(editor->windowTitle(), QStringLiteral("Edit Task"));
    EXPECT_EQ(editor->titleField()->text(), edited.title);
    editor->titleField()->setText(QStringLiteral("Renamed"));
    QTest::keyClick(save ? static_cast<QWidget*>(editor->titleField()) : sheet,
                    save ? Qt::Key_Return : Qt::Key_Escape);
    settle();
    EXPECT_EQ(stored(edited.id)->title, save ? QStringLiteral("Renamed") : edited.title);
  }
}

TEST_F(TasksViewTest, ClearCompletedChipsAndSearchDriveTheList) {
  TasksView* view = open();
  for (int i = 0; i < 2; ++i) {
    clickPart(view, 0, TaskRow::Part::checkbox);  // two of today's tasks done
  }
  view->setFilter(TaskFilter::completed);
  ASSERT_TRUE(view->clearCompletedButton()->isVisible());
  view->clearCompletedButton()->click();
  EXPECT_TRUE(std::none_of(store().tasks().begin(), store().tasks().end(),
                           [](const TaskItem& t) { return t.isCompleted; }));
  EXPECT_FALSE(view->clearCompletedButton()->isVisible());

  view->setFilter(TaskFilter::all);
  ASSERT_NE(view->chipRow(), nullptr);
  const QList<QAbstractButton*> chips = view->chips();
  ASSERT_GE(chips.size(), 3);
  const QString category = chips[1]->text();
  for (int twice = 0; twice < 2; ++twice) {  // choosing the chosen chip again keeps it
    view->chips()[1]->click();
    settle();
  }
  EXPECT_EQ(view->state().selectedCategory, category);
  for (const TaskItem& t : view->model()->tasks()) {
    EXPECT_EQ(t.category, category);
  }
  view->setSelectedCategory(std::nullopt);

  QTest::keyClicks(view->searchField(), QStringLiteral("zzzz-nothing"));
  EXPECT_EQ(view->model()->rowCount(), 0);
  view->clearSearchButton()->click();
  EXPECT_EQ(view->model()->rowCount(), store().tasks().size());
}

// Tab goes down the screen: from the search field through every category chip to the list.
TEST_F(TasksViewTest, TabReachesTheChipsBeforeTheList) {
  TasksView* view = open();
  view->setFilter(TaskFilter::all);
  settle();
  ASSERT_NE(view->chipRow(), nullptr);
  const QList<QAbstractButton*> chips = view->chips();
  ASSERT_FALSE(chips.isEmpty());
  QList<QWidget*> expected(chips.begin(), chips.end());
  expected.append(view->listView());
  EXPECT_EQ(screentest::tabStops(view, view->searchField(), expected.size()), expected);
}

// A deletion asks first, by the bin or the Delete key: Escape keeps the task, Return deletes
// it, and a second Delete while a question stands replaces it, so one answer removes one task.
TEST_F(TasksViewTest, DeletingATaskAsksOnceAndReturnConfirms) {
  TasksView* view = open();
  view->setFilter(TaskFilter::all);
  QListView* list = view->listView();
  list->setFocus();
  const qsizetype before = store().tasks().size();
  const struct {
    const char* name;
    bool byKey;
    Qt::Key answer;
    bool deleted;
  } cases[] = {
      {"Delete, Delete, Escape", true, Qt::Key_Escape, false},
      {"Delete, Delete, Return", true, Qt::Key_Return, true},
      {"bin, Escape", false, Qt::Key_Escape, false},
      {"bin, Return", false, Qt::Key_Return, true},
  };
  qsizetype removed = 0;
  for (const auto& c : cases) {
    list->setCurrentIndex(view->model()->index(0));
    const TaskItem shown = view->model()->task(0);
    for (int press = 0; press < (c.byKey ? 2 : 1); ++press) {
      if (c.byKey) {
        QTest::keyClick(list, Qt::Key_Delete);
      } else {
        clickPart(view, 0, TaskRow::Part::remove);
      }
    }
    settle();
    EXPECT_EQ(store().tasks().size(), before - removed) << c.name << ": nothing goes unasked";
    QMessageBox* box = view->pendingConfirmation();
    ASSERT_NE(box, nullptr) << c.name;
    EXPECT_EQ(screentest::openAlert(window_.get()), box) << c.name << ": one question";
    EXPECT_TRUE(box->text().contains(shown.title)) << c.name;
    if (c.deleted && !c.byKey) {
      screentest::saveScreenshots(box, QStringLiteral("tasks-delete-confirmation"));
    }
    QTest::keyClick(box, c.answer);
    settle();
    removed += c.deleted ? 1 : 0;
    EXPECT_EQ(store().tasks().size(), before - removed) << c.name;
    EXPECT_EQ(stored(shown.id).has_value(), !c.deleted) << c.name;
    EXPECT_EQ(view->pendingConfirmation(), nullptr) << c.name;
  }
}

// At the width the tab has in the narrowest window (720 less the sidebar) and wider, with
// enough rows for a vertical scroll bar: no horizontal one, every row's bin inside the list,
// and rows whose notes take another line at a new width do not overlap.
TEST_F(TasksViewTest, RowsFitTheListsWidth) {
  for (int i = 0; i < 40; ++i) {
    TaskItem t;
    t.id = QUuid::createUuid();
    t.title = QStringLiteral("A task with a long title that needs room %1").arg(i);
    t.notes = i % 2 ? QStringLiteral("Notes that run on for a good while, past the end of a narrow row "
                                     "and on to where a wide one ends") : QString();
    t.category = QStringLiteral("Work");
    t.createdAt = t.updatedAt = now;
    store().addTask(t);
  }
  TasksView* view = open();
  view->setFilter(TaskFilter::all);
  QListView* list = view->listView();
  for (const int width : {900, 539, 700}) {
    window_->resize(width, 560);
    view->resize(width, 560);
    settle();
    QTest::qWait(150);  // a list lays its rows out again a moment after a resize
    ASSERT_TRUE(list->verticalScrollBar()->isVisible()) << width;
    if (width == 539) {
      screentest::saveScreenshots(window_.get(), QStringLiteral("tasks-narrowest-window"), QSize(width, 560));
    }
    EXPECT_FALSE(list->horizontalScrollBar()->isVisible()) << width;
    const int viewport = list->viewport()->width();
    for (int row = 0; row < 8; ++row) {
      const QRect rect = list->visualRect(view->model()->index(row));
      const TaskRow::Geometry g = view->rowDelegate()->geometry(view->model()->task(row), rect, list->font());
      EXPECT_LE(g.remove.right(), viewport - 1) << width << " row " << row;
      EXPECT_LE(g.meta.bottom(), rect.bottom()) << width << " row " << row;
      EXPECT_GT(list->visualRect(view->model()->index(row + 1)).top(), rect.bottom())
          << width << " row " << row << " overlaps the next";
    }
  }
}

// At 720 px, with three categories and with thirty: the strip keeps its height through a
// chip's click and a new category, and chips past the edge are reached by its scroll bar or
// the wheel.
TEST_F(TasksViewTest, ChipStripKeepsItsHeightAndScrollsToEveryChip) {
  auto addTask = [this](const QString& category) {
    TaskItem t;
    t.id = QUuid::createUuid();
    t.title = QStringLiteral("Task in ") + category;
    t.category = category;
    t.createdAt = t.updatedAt = now;
    store().addTask(t);
  };
  for (const int categories : {3, 30}) {
    emptyStore();
    for (int i = 0; i < categories; ++i) {
      addTask(QStringLiteral("Category %1").arg(i, 2, 10, QLatin1Char('0')));
    }
    TasksView* view = open();
    view->setFilter(TaskFilter::all);
    window_->resize(720, 560);
    view->resize(720, 560);
    settle();
    const bool overflows = categories == 30;
    if (overflows) {
      screentest::saveScreenshots(window_.get(), QStringLiteral("tasks-30-categories"), QSize(720, 560));
    }
    auto* strip = qobject_cast<QScrollArea*>(view->chipRow());
    ASSERT_NE(strip, nullptr);
    QScrollBar* bar = strip->horizontalScrollBar();
    const int height = strip->height();

    const struct {
      const char* name;
      std::function<void()> act;
    } steps[] = {
        {"shown", [] {}},
        {"chip clicked", [view] { QTest::mouseClick(view->chips()[2], Qt::LeftButton); }},
        {"category added", [&addTask] { addTask(QStringLiteral("A new category")); }},
    };
    for (const auto& step : steps) {
      step.act();
      settle();
      EXPECT_EQ(strip->height(), height) << categories << " " << step.name;
      EXPECT_EQ(bar->isVisible(), overflows) << categories << " " << step.name;
      EXPECT_GE(strip->viewport()->height(), view->chips().last()->height())
          << categories << " " << step.name;
    }
    EXPECT_EQ(view->state().selectedCategory, QStringLiteral("Category 01"));

    // The wheel turns the row sideways, up to its last chip.
    bar->setValue(0);
    for (int turn = 0; turn < 100 && bar->value() < bar->maximum(); ++turn) {
      const QPointF at = strip->viewport()->rect().center();
      QWheelEvent wheel(at, strip->viewport()->mapToGlobal(at), {}, QPoint(0, -120), Qt::NoButton,
                        Qt::NoModifier, Qt::NoScrollPhase, false);
      QApplication::sendEvent(strip->viewport(), &wheel);
    }
    QAbstractButton* last = view->chips().last();
    const QRect shown(last->mapTo(strip->viewport(), QPoint(0, 0)), last->size());
    EXPECT_TRUE(strip->viewport()->rect().contains(shown)) << categories << ": the last chip";
  }
}

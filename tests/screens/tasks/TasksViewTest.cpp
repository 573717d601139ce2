#include "tests/screens/ScreenTestSupport.h"

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
#include <QPushButton>
#include <QTest>
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
  EXPECT_FALSE(stored(second.id));

  view->listView()->setFocus();
  view->listView()->setCurrentIndex(view->model()->index(0));
  const TaskItem third = view->model()->task(0);
  QTest::keyClick(view->listView(), Qt::Key_Space);
  EXPECT_NE(stored(third.id)->isCompleted, third.isCompleted);
  view->listView()->setCurrentIndex(view->model()->index(0));
  const TaskItem fourth = view->model()->task(0);
  QTest::keyClick(view->listView(), Qt::Key_Delete);
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

#pragma once

#include "app/screens/ScreenEnvironment.h"
#include "app/screens/tasks/TaskList.h"

#include <QMessageBox>
#include <QPointer>
#include <QWidget>

#include <optional>

class EmptyStateView;
class QAbstractButton;
class QHBoxLayout;
class QLineEdit;
class QListView;
class QPushButton;
class QScrollArea;
class QStackedWidget;
class QToolButton;
class TaskListModel;
class TaskRow;
class ThemedLabel;
class ProminentButton;

// The Tasks tab: every task of the store, narrowed by a segment, a search and a category
// chip, in a fixed priority order, with counters and the editor sheet.
class TasksView : public QWidget {
  Q_OBJECT

 public:
  using TaskFilter = ::TaskFilter;

  struct State {
    TaskFilter filter = TaskFilter::today;
    QString searchText;
    std::optional<QString> selectedCategory;
    bool isShowingAddTask = false;
    std::optional<TaskItem> editingTask;
  };

  explicit TasksView(const ScreenEnvironment& environment, QWidget* parent = nullptr);

  const State& state() const { return state_; }
  task_list::Query query() const;

  void setFilter(TaskFilter filter);
  void setSearchText(const QString& text);
  void setSelectedCategory(std::optional<QString> category);
  // Opens the editor for a new task, or for `task`.
  void showAddTask();
  void showEditTask(const TaskItem& task);
  // Asks before the task goes; the trash button and the Delete key come here.
  void requestDelete(const TaskItem& task);
  // The deletion question on show, or none.
  QMessageBox* pendingConfirmation() const { return confirmation_; }

  TaskListModel* model() const { return model_; }
  QListView* listView() const { return list_; }
  TaskRow* rowDelegate() const { return delegate_; }
  QLineEdit* searchField() const { return search_; }
  QToolButton* clearSearchButton() const { return clearSearch_; }
  QAbstractButton* filterButton(TaskFilter filter) const;
  QPushButton* clearCompletedButton() const { return clearCompleted_; }
  ProminentButton* addTaskButton() const { return addTask_; }
  ThemedLabel* counterLabel() const { return counter_; }
  // The chip row, or none while it is hidden.
  QWidget* chipRow() const;
  // "All Categories" first, then one chip per category.
  QList<QAbstractButton*> chips() const;
  // The empty state on show, or none while the list shows.
  EmptyStateView* emptyState() const;

 private:
  void refresh();
  void rebuildChips(const QStringList& categories);

  ScreenEnvironment environment_;
  State state_;
  QStringList chipCategories_;
  bool chipsBuilt_ = false;
  QPointer<QMessageBox> confirmation_;

  ThemedLabel* counter_ = nullptr;
  ProminentButton* addTask_ = nullptr;
  QList<QAbstractButton*> segments_;
  QPushButton* clearCompleted_ = nullptr;
  QLineEdit* search_ = nullptr;
  QToolButton* clearSearch_ = nullptr;
  QScrollArea* chipArea_ = nullptr;
  QWidget* chipHolder_ = nullptr;
  QHBoxLayout* chipLayout_ = nullptr;
  QList<QAbstractButton*> chips_;
  QStackedWidget* content_ = nullptr;
  EmptyStateView* empty_ = nullptr;
  EmptyStateView* emptyCompleted_ = nullptr;
  QListView* list_ = nullptr;
  TaskListModel* model_ = nullptr;
  TaskRow* delegate_ = nullptr;
};

#pragma once

#include "app/screens/ScreenEnvironment.h"
#include "app/screens/tasks/RecurrenceOption.h"
#include "core/model/TaskItem.h"

#include <QWidget>

#include <functional>
#include <optional>

class QCheckBox;
class QComboBox;
class QDateTimeEdit;
class QLabel;
class QLineEdit;
class QPushButton;
class ProminentButton;

// The sheet in which a task is created or changed. It never touches the store: the save
// action it is given does. Nothing is refused or trimmed: a blank title saves as
// "Untitled Task" and a blank category as "General".
class TaskEditorSheet : public QWidget {
  Q_OBJECT

 public:
  using RecurrenceOption = ::RecurrenceOption;

  // What the form holds; the recurrence is a rule so an every-N-days rule survives.
  struct State {
    QString title;
    QString notes;
    QString category = QStringLiteral("General");
    TaskPriority priority = TaskPriority::medium;
    bool hasDueDate = false;
    QDateTime dueDate;  // one hour after the sheet opened
    RecurrenceRule recurrence;
  };

  TaskEditorSheet(const ScreenEnvironment& environment, std::optional<TaskItem> existingTask,
                  QString initialCategory, TaskPriority initialPriority,
                  std::function<void(const TaskItem&)> onSave, QWidget* parent = nullptr);

  // The form as loaded for a task (or the presets of a new one) at `openedAt`.
  static State load(const std::optional<TaskItem>& existingTask, const QString& initialCategory,
                    TaskPriority initialPriority, const QDateTime& openedAt);
  // The task the form saves at `now`.
  static TaskItem build(const State& state, const std::optional<TaskItem>& existingTask,
                        const QDateTime& now);
  const State& state() const { return state_; }

  QLineEdit* titleField() const { return title_; }
  QLineEdit* notesField() const { return notes_; }
  QLineEdit* categoryField() const { return category_; }
  QComboBox* priorityPicker() const { return priority_; }
  QCheckBox* dueDateToggle() const { return hasDueDate_; }
  QDateTimeEdit* dueDatePicker() const { return dueDate_; }
  RecurrencePicker* recurrencePicker() const { return recurrence_; }
  QPushButton* cancelButton() const { return cancel_; }
  ProminentButton* saveButton() const { return save_; }

  // Hands the built task to the save action, then closes.
  void save();

 private:
  void updateControls();

  ScreenEnvironment environment_;
  std::optional<TaskItem> existingTask_;
  std::function<void(const TaskItem&)> onSave_;
  State state_;

  QLineEdit* title_ = nullptr;
  QLineEdit* notes_ = nullptr;
  QLineEdit* category_ = nullptr;
  QComboBox* priority_ = nullptr;
  QCheckBox* hasDueDate_ = nullptr;
  QLabel* dueDateLabel_ = nullptr;
  QDateTimeEdit* dueDate_ = nullptr;
  QLabel* recurrenceLabel_ = nullptr;
  RecurrencePicker* recurrence_ = nullptr;
  QPushButton* cancel_ = nullptr;
  ProminentButton* save_ = nullptr;
};

#include "app/screens/tasks/TaskEditorSheet.h"

#include "app/platform/Theme.h"
#include "app/ui/DayLists.h"
#include "app/ui/ProminentButton.h"
#include "app/ui/ThemedLabel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QFormLayout>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimeZone>
#include <QVBoxLayout>

namespace {

constexpr int kWidth = 440;
constexpr int kHeight = 420;
constexpr int kSpacing = 14;
constexpr int kDueDateDelaySeconds = 3600;

}  // namespace

TaskEditorSheet::State TaskEditorSheet::load(const std::optional<TaskItem>& existingTask,
                                             const QString& initialCategory,
                                             TaskPriority initialPriority,
                                             const QDateTime& openedAt) {
  State state;
  state.dueDate = openedAt.addSecs(kDueDateDelaySeconds);
  if (existingTask) {
    state.title = existingTask->title;
    state.notes = existingTask->notes;
    state.category = existingTask->category;
    state.priority = existingTask->priority;
    state.hasDueDate = existingTask->dueDate.has_value();
    if (existingTask->dueDate) {
      state.dueDate = *existingTask->dueDate;
    }
    // Every N days has no option of its own; the picker offers it so it is not lost.
    state.recurrence = existingTask->recurrence;
  } else {
    state.category = initialCategory;
    state.priority = initialPriority;
  }
  return state;
}

TaskItem TaskEditorSheet::build(const State& state, const std::optional<TaskItem>& existingTask,
                                const QDateTime& now) {
  TaskItem task;
  task.id = existingTask ? existingTask->id : QUuid::createUuid();
  task.title = state.title.isEmpty() ? QStringLiteral("Untitled Task") : state.title;
  task.notes = state.notes;
  task.dueDate = state.hasDueDate ? std::optional(state.dueDate) : std::nullopt;
  task.priority = state.priority;
  task.category = state.category.isEmpty() ? QStringLiteral("General") : state.category;
  task.isCompleted = existingTask ? existingTask->isCompleted : false;
  task.completedAt = existingTask ? existingTask->completedAt : std::nullopt;
  task.recurrence = state.hasDueDate ? state.recurrence : RecurrenceRule::none();
  task.createdAt = existingTask ? existingTask->createdAt : now;
  task.updatedAt = now;
  task.isSampleData = existingTask ? existingTask->isSampleData : false;
  task.sourceEmailMessageID = std::nullopt;
  return task;
}

TaskEditorSheet::TaskEditorSheet(const ScreenEnvironment& environment,
                                 std::optional<TaskItem> existingTask, QString initialCategory,
                                 TaskPriority initialPriority,
                                 std::function<void(const TaskItem&)> onSave, QWidget* parent)
    : QWidget(parent),
      environment_(environment),
      existingTask_(std::move(existingTask)),
      onSave_(std::move(onSave)),
      state_(load(existingTask_, initialCategory, initialPriority, environment.now())) {
  const QString heading = existingTask_ ? QStringLiteral("Edit Task") : QStringLiteral("Create New Task");
  setWindowTitle(heading);
  setFixedSize(kWidth, kHeight);

  auto* stack = new QVBoxLayout(this);
  stack->setSpacing(kSpacing);
  stack->setContentsMargins(20, 20, 20, 16);

  auto* headingLabel = new ThemedLabel(heading, ThemeColor::primary, this);
  headingLabel->setTextStyle(16, QFont::Bold);
  stack->addWidget(headingLabel, 0, Qt::AlignHCenter);

  // Grouped form: the rows sit on one rounded panel.
  auto* group = new QFrame(this);
  group->setObjectName(QStringLiteral("taskEditorGroup"));
  group->setFrameShape(QFrame::StyledPanel);
  auto* form = new QFormLayout(group);
  form->setContentsMargins(14, 12, 14, 12);
  form->setVerticalSpacing(10);
  form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);

  title_ = new QLineEdit(state_.title, group);
  title_->setPlaceholderText(QStringLiteral("Task Title"));
  title_->setAccessibleName(QStringLiteral("Task Title"));
  form->addRow(QStringLiteral("Task Title"), title_);
  notes_ = new QLineEdit(state_.notes, group);
  notes_->setPlaceholderText(QStringLiteral("Notes (optional)"));
  notes_->setAccessibleName(QStringLiteral("Notes (optional)"));
  form->addRow(QStringLiteral("Notes (optional)"), notes_);
  category_ = new QLineEdit(state_.category, group);
  category_->setPlaceholderText(QStringLiteral("Category / Tag"));
  category_->setAccessibleName(QStringLiteral("Category / Tag"));
  form->addRow(QStringLiteral("Category / Tag"), category_);
  priority_ = new QComboBox(group);
  for (TaskPriority priority : allCases<TaskPriority>) {
    priority_->addItem(displayText(priority));
  }
  priority_->setCurrentIndex(static_cast<int>(state_.priority));
  priority_->setAccessibleName(QStringLiteral("Priority"));
  form->addRow(QStringLiteral("Priority"), priority_);
  hasDueDate_ = new QCheckBox(QStringLiteral("Set Due Date"), group);
  hasDueDate_->setChecked(state_.hasDueDate);
  form->addRow(QString(), hasDueDate_);
  dueDate_ = new QDateTimeEdit(group);
  // The picker shows the calendar's wall-clock time; it holds it as UTC so the machine's own
  // zone never shifts it.
  dueDate_->setTimeSpec(Qt::UTC);
  const QDateTime wallClock = state_.dueDate.toTimeZone(environment_.calendar.timeZone());
  dueDate_->setDateTime(QDateTime(wallClock.date(), wallClock.time(), QTimeZone::utc()));
  dueDate_->setDisplayFormat(QLocale().dateFormat(QLocale::ShortFormat) + QStringLiteral(" ") +
                             day_lists::shortTimeFormat(QLocale()));
  dueDate_->setCalendarPopup(true);
  dueDate_->setAccessibleName(QStringLiteral("Due Date"));
  dueDateLabel_ = new QLabel(QStringLiteral("Due Date"), group);
  form->addRow(dueDateLabel_, dueDate_);
  recurrence_ = new RecurrencePicker(group);
  recurrence_->setRule(state_.recurrence);
  recurrenceLabel_ = new QLabel(QStringLiteral("Recurrence"), group);
  form->addRow(recurrenceLabel_, recurrence_);
  stack->addWidget(group);

  stack->addStretch(1);

  auto* buttons = new QHBoxLayout();
  cancel_ = new QPushButton(QStringLiteral("Cancel"), this);
  cancel_->setAutoDefault(false);
  save_ = new ProminentButton(QStringLiteral("Save Task"), this);
  save_->setDefault(true);
  buttons->addWidget(cancel_);
  buttons->addStretch(1);
  buttons->addWidget(save_);
  stack->addLayout(buttons);

  connect(title_, &QLineEdit::textChanged, this, [this](const QString& text) { state_.title = text; });
  connect(notes_, &QLineEdit::textChanged, this, [this](const QString& text) { state_.notes = text; });
  connect(category_, &QLineEdit::textChanged, this,
          [this](const QString& text) { state_.category = text; });
  connect(priority_, &QComboBox::currentIndexChanged, this, [this](int index) {
    if (index >= 0) {
      state_.priority = allCases<TaskPriority>[static_cast<size_t>(index)];
    }
  });
  connect(hasDueDate_, &QCheckBox::toggled, this, [this](bool on) {
    state_.hasDueDate = on;
    updateControls();
  });
  connect(dueDate_, &QDateTimeEdit::dateTimeChanged, this,
          [this](const QDateTime& value) {
            state_.dueDate = environment_.calendar.dateTime(value.date(), value.time());
          });
  connect(recurrence_, &QComboBox::currentIndexChanged, this,
          [this] { state_.recurrence = recurrence_->rule(); });
  connect(cancel_, &QPushButton::clicked, this, [this] { environment_.close(); });
  connect(save_, &QPushButton::clicked, this, &TaskEditorSheet::save);

  QWidget* previous = title_;
  for (QWidget* next : std::initializer_list<QWidget*>{notes_, category_, priority_, hasDueDate_,
                                                       dueDate_, recurrence_, cancel_, save_}) {
    setTabOrder(previous, next);
    previous = next;
  }
  title_->setFocus();
  updateControls();
}

void TaskEditorSheet::updateControls() {
  for (QWidget* row : {static_cast<QWidget*>(dueDateLabel_), static_cast<QWidget*>(dueDate_),
                       static_cast<QWidget*>(recurrenceLabel_), static_cast<QWidget*>(recurrence_)}) {
    row->setVisible(state_.hasDueDate);
  }
}

void TaskEditorSheet::save() {
  const TaskItem task = build(state_, existingTask_, environment_.now());
  if (onSave_) {
    onSave_(task);
  }
  environment_.close();
}

#include "app/screens/focus/FocusTimerView.h"

#include "app/screens/ListScreen.h"
#include "app/screens/ScreenScaffold.h"
#include "app/screens/focus/FocusFigures.h"
#include "app/ui/CardView.h"
#include "app/ui/CircularProgressRing.h"
#include "app/ui/DayLists.h"
#include "app/ui/PlainButton.h"
#include "app/ui/ProminentButton.h"
#include "app/ui/SearchableComboBox.h"
#include "app/ui/ThemedLabel.h"
#include "core/services/FocusTimerManager.h"
#include "core/store/DataStore.h"

#include <QComboBox>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QListView>
#include <QPainter>
#include <QStandardItemModel>
#include <QStyledItemDelegate>
#include <QVBoxLayout>

namespace {

// The tasks a session can be linked to, "No task" first (a task without an id). A model over
// the list, since filling the combo box item by item costs milliseconds at thousands of tasks.
class LinkableTaskModel : public RecordListModel<TaskItem> {
 public:
  explicit LinkableTaskModel(QObject* parent)
      : RecordListModel<TaskItem>(
            [](const TaskItem& task) {
              return task.id.isNull() ? QStringLiteral("No task") : task.title;
            },
            parent) {}

  QVariant data(const QModelIndex& index, int role) const override {
    if (role == Qt::UserRole) {
      const TaskItem* task = at(index);
      return task != nullptr && !task->id.isNull() ? QVariant(task->id) : QVariant();
    }
    // The picker takes typing, so it shows and searches the edit role.
    return RecordListModel<TaskItem>::data(index, role == Qt::EditRole ? Qt::DisplayRole : role);
  }
};

constexpr qreal kRingSize = 220;
constexpr qreal kRingLine = 12;
constexpr int kSessionRowHeight = 40;
constexpr int kTaskTitleWidth = 320;

enum SessionRole { kindRole = Qt::UserRole + 1, taskRole, timeRole, durationRole };

int minutesOf(const FocusTimerManager& timer, FocusSessionType type) {
  switch (type) {
    case FocusSessionType::focus:
      return timer.focusDurationMinutes();
    case FocusSessionType::shortBreak:
      return timer.shortBreakDurationMinutes();
    case FocusSessionType::longBreak:
      return timer.longBreakDurationMinutes();
  }
  return timer.focusDurationMinutes();
}

ThemeColor colorOf(FocusSessionType type) {
  return type == FocusSessionType::focus ? ThemeColor::accent : ThemeColor::green;
}

// One finished session: its kind and linked task on the left, end time and length right.
class SessionDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;

  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const override {
    return QSize(option.rect.width(), kSessionRowHeight);
  }

  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override {
    painter->save();
    const QWidget* widget = option.widget;
    const QRect r = option.rect.adjusted(4, 0, -4, 0);
    const auto type = FocusSessionType(index.data(kindRole).toInt());

    painter->setRenderHint(QPainter::Antialiasing);
    painter->setPen(Qt::NoPen);
    painter->setBrush(Theme::color(colorOf(type), widget));
    painter->drawEllipse(QPointF(r.left() + 4, r.center().y() + 0.5), 4, 4);

    const QFont base = option.font;
    const QString right = index.data(timeRole).toString() + QStringLiteral("  ·  ") +
                          index.data(durationRole).toString();
    painter->setFont(Theme::font(base, 11));
    const int rightWidth = painter->fontMetrics().horizontalAdvance(right);
    painter->setPen(Theme::color(ThemeColor::secondary, widget));
    painter->drawText(QRect(r.right() - rightWidth, r.top(), rightWidth, r.height()),
                      Qt::AlignVCenter | Qt::AlignRight, right);

    const int textLeft = r.left() + 16;
    const int textWidth = std::max(r.right() - rightWidth - 12 - textLeft, 0);
    const QString task = index.data(taskRole).toString();
    painter->setFont(Theme::font(base, 13, QFont::Medium));
    painter->setPen(Theme::color(ThemeColor::primary, widget));
    const QString kind = ::displayText(type);
    if (task.isEmpty()) {
      painter->drawText(QRect(textLeft, r.top(), textWidth, r.height()), Qt::AlignVCenter,
                        painter->fontMetrics().elidedText(kind, Qt::ElideRight, textWidth));
    } else {
      const int half = r.height() / 2;
      painter->drawText(QRect(textLeft, r.top() + 2, textWidth, half), Qt::AlignBottom,
                        painter->fontMetrics().elidedText(kind, Qt::ElideRight, textWidth));
      painter->setFont(Theme::font(base, 11));
      painter->setPen(Theme::color(ThemeColor::secondary, widget));
      painter->drawText(QRect(textLeft, r.top() + half, textWidth, half - 2), Qt::AlignTop,
                        painter->fontMetrics().elidedText(task, Qt::ElideRight, textWidth));
    }
    painter->restore();
  }
};

}  // namespace

FocusTimerView::FocusTimerView(const ScreenEnvironment& environment, QWidget* parent)
    : QWidget(parent), environment_(environment) {
  const auto parts = screen_scaffold::build(
      this, QStringLiteral("Focus Timer"),
      QStringLiteral("Work in focused intervals with short breaks in between."));

  // The timer card: ring with the countdown inside, the round, the task and the controls.
  auto* timerBody = new QWidget;
  auto* timerColumn = new QVBoxLayout(timerBody);
  timerColumn->setContentsMargins(0, 6, 0, 6);
  timerColumn->setSpacing(14);

  ring_ = new CircularProgressRing(0, kRingLine, ThemeColor::accent, kRingSize, timerBody);
  auto* inside = new QVBoxLayout(ring_);
  inside->setSpacing(2);
  inside->addStretch(1);
  kind_ = new ThemedLabel(QString(), ThemeColor::secondary, ring_);
  kind_->setTextStyle(13, QFont::DemiBold);
  kind_->setAlignment(Qt::AlignCenter);
  inside->addWidget(kind_);
  countdown_ = new ThemedLabel(QString(), ThemeColor::primary, ring_);
  QFont digits = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  countdown_->setFont(Theme::font(digits, 44, QFont::Bold));
  countdown_->setAlignment(Qt::AlignCenter);
  inside->addWidget(countdown_);
  status_ = new ThemedLabel(QString(), ThemeColor::tertiary, ring_);
  status_->setTextStyle(11, QFont::Medium);
  status_->setAlignment(Qt::AlignCenter);
  inside->addWidget(status_);
  inside->addStretch(1);
  timerColumn->addWidget(ring_, 0, Qt::AlignHCenter);

  round_ = new ThemedLabel(QString(), ThemeColor::secondary, timerBody);
  round_->setTextStyle(12);
  round_->setAlignment(Qt::AlignCenter);
  timerColumn->addWidget(round_);

  auto* taskRow = new QHBoxLayout;
  taskRow->setSpacing(8);
  taskRow->addStretch(1);
  auto* taskCaption = new ThemedLabel(QStringLiteral("Task"), ThemeColor::secondary, timerBody);
  taskCaption->setTextStyle(12, QFont::Medium);
  taskRow->addWidget(taskCaption);
  auto* picker = new SearchableComboBox(timerBody);
  taskPicker_ = picker;
  taskPicker_->setAccessibleName(QStringLiteral("Task for the next session"));
  taskPicker_->lineEdit()->setAccessibleName(QStringLiteral("Search tasks for the next session"));
  taskPicker_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  taskPicker_->setMinimumContentsLength(24);
  taskPicker_->setMaxVisibleItems(15);
  picker->setSearchModel(new LinkableTaskModel(taskPicker_));
  if (auto* popupList = qobject_cast<QListView*>(taskPicker_->view())) {
    popupList->setUniformItemSizes(true);
  }
  taskCaption->setBuddy(taskPicker_);
  taskRow->addWidget(taskPicker_);
  linkedTask_ = new ThemedLabel(QString(), ThemeColor::primary, timerBody);
  linkedTask_->setTextStyle(12, QFont::Medium);
  linkedTask_->setMaximumWidth(kTaskTitleWidth);
  taskRow->addWidget(linkedTask_);
  taskRow->addStretch(1);
  timerColumn->addLayout(taskRow);

  auto* buttons = new QHBoxLayout;
  buttons->setSpacing(8);
  buttons->addStretch(1);
  primary_ = new ProminentButton(QString(), timerBody);
  buttons->addWidget(primary_);
  // The other sessions and Reset: outlined, with the same padding as the main button, which
  // they keep however narrow the card gets.
  const auto secondaryButton = [timerBody](const QString& text) {
    auto* button = new PlainButton(QString(), 0, ThemeColor::primary, timerBody);
    button->setBordered(true);
    constexpr int across = ProminentButton::kHorizontalPadding;
    constexpr int down = ProminentButton::kVerticalPadding;
    button->setPadding(QMargins(across, down, across, down));
    button->setTextStyle(12, QFont::Medium, ThemeColor::primary);
    button->setFocusPolicy(Qt::StrongFocus);
    button->setText(text);
    return button;
  };
  for (int i = 0; i < 2; ++i) {
    alternatives_[i] = secondaryButton(QString());
    buttons->addWidget(alternatives_[i]);
    connect(alternatives_[i], &QAbstractButton::clicked, this,
            [this, i] { start(alternativeTypes_[i]); });
  }
  reset_ = secondaryButton(QStringLiteral("Reset"));
  buttons->addWidget(reset_);
  buttons->addStretch(1);
  timerColumn->addLayout(buttons);
  connect(primary_, &QPushButton::clicked, this, &FocusTimerView::primaryAction);
  connect(reset_, &QAbstractButton::clicked, this, [this] {
    if (environment_.focusTimer) {
      environment_.focusTimer->reset(environment_.now());
    }
  });
  connect(taskPicker_, &QComboBox::activated, this, &FocusTimerView::selectTask);

  parts.column->addWidget(new CardView(std::nullopt, std::nullopt, nullptr, timerBody));

  // Today's finished sessions.
  auto* sessionsBody = new QWidget;
  auto* sessionsColumn = new QVBoxLayout(sessionsBody);
  sessionsColumn->setContentsMargins(0, 0, 0, 0);
  sessionsColumn->setSpacing(0);
  noSessions_ = new ThemedLabel(QStringLiteral("No sessions finished today."), ThemeColor::secondary,
                                sessionsBody);
  noSessions_->setTextStyle(12);
  sessionsColumn->addWidget(noSessions_);
  sessionsModel_ = new QStandardItemModel(this);
  sessionsList_ = new QListView(sessionsBody);
  sessionsList_->setModel(sessionsModel_);
  sessionsList_->setItemDelegate(new SessionDelegate(sessionsList_));
  sessionsList_->setFrameShape(QFrame::NoFrame);
  sessionsList_->setSelectionMode(QAbstractItemView::NoSelection);
  sessionsList_->setFocusPolicy(Qt::NoFocus);
  sessionsList_->setUniformItemSizes(true);
  sessionsList_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  sessionsList_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  sessionsList_->viewport()->setAutoFillBackground(false);
  sessionsList_->setAccessibleName(QStringLiteral("Sessions finished today"));
  sessionsColumn->addWidget(sessionsList_);
  sessionsCount_ = new ThemedLabel(QString(), ThemeColor::secondary);
  sessionsCount_->setTextStyle(10, QFont::Medium);
  parts.column->addWidget(
      new CardView(QStringLiteral("Today's Sessions"), QStringLiteral("clock"), sessionsCount_,
                   sessionsBody));
  parts.column->addStretch(1);

  if (FocusTimerManager* timer = environment_.focusTimer) {
    connect(timer, &FocusTimerManager::statusChanged, this, &FocusTimerView::refreshTimer);
    connect(timer, &FocusTimerManager::sessionTypeChanged, this, &FocusTimerView::refreshTimer);
    connect(timer, &FocusTimerManager::displayRemainingSecondsChanged, this,
            &FocusTimerView::refreshTimer);
    connect(timer, &FocusTimerManager::displayProgressChanged, this, &FocusTimerView::refreshTimer);
    connect(timer, &FocusTimerManager::focusDurationMinutesChanged, this,
            &FocusTimerView::refreshTimer);
    connect(timer, &FocusTimerManager::completedFocusSessionsChanged, this,
            &FocusTimerView::refreshTimer);
  }
  if (DataStore* store = environment_.store) {
    connect(store, &DataStore::tasksChanged, this, &FocusTimerView::refreshTasks);
    connect(store, &DataStore::focusSessionsChanged, this, &FocusTimerView::refreshSessions);
    // The settings carry the break lengths the buttons name.
    connect(store, &DataStore::settingsChanged, this, &FocusTimerView::refreshTimer);
  }
  refreshTasks();
  refreshSessions();
  refreshTimer();
  setTabOrder(taskPicker_, primary_);
  setTabOrder(primary_, alternatives_[0]);
  setTabOrder(alternatives_[0], alternatives_[1]);
  setTabOrder(alternatives_[1], reset_);
}

void FocusTimerView::refreshTimer() {
  FocusTimerManager* timer = environment_.focusTimer;
  const bool present = timer != nullptr;
  const TimerStatus status = present ? timer->status() : TimerStatus::idle;
  const FocusSessionType type = present ? timer->sessionType() : FocusSessionType::focus;
  const bool canStart = status == TimerStatus::idle || status == TimerStatus::completed;
  const FocusSessionType next = present ? timer->suggestedNextSessionType() : FocusSessionType::focus;
  // While idle the ring and the countdown show the kind the start button offers.
  const FocusSessionType shown = status == TimerStatus::idle ? next : type;

  ring_->setPrimaryColor(colorOf(shown));
  ring_->setProgress(present ? timer->displayProgress() : 0);
  const double remaining = !present ? 0
                           : status == TimerStatus::idle && next != type
                               ? minutesOf(*timer, next) * 60.0
                               : timer->displayRemainingSeconds();
  countdown_->setText(day_lists::formatSeconds(remaining));
  kind_->setText(displayText(shown));
  switch (status) {
    case TimerStatus::idle:
      status_->setText(QStringLiteral("Ready"));
      break;
    case TimerStatus::running:
      status_->setText(QStringLiteral("Running"));
      break;
    case TimerStatus::paused:
      status_->setText(QStringLiteral("Paused"));
      break;
    case TimerStatus::completed:
      status_->setText(QStringLiteral("%1 complete").arg(displayText(type)));
      break;
  }

  const int round = present ? timer->sessionsBeforeLongBreak() : 1;
  const int done = present ? focus_figures::sessionsTowardsLongBreak(
                                 timer->completedFocusSessions(), round,
                                 next == FocusSessionType::longBreak)
                           : 0;
  round_->setText(QStringLiteral("%1 of %2 focus sessions before a long break").arg(done).arg(round));

  if (canStart) {
    primary_->setText(QStringLiteral("Start %1 (%2m)")
                          .arg(displayText(next))
                          .arg(present ? minutesOf(*timer, next) : 0));
    int slot = 0;
    for (const FocusSessionType other : EnumCases<FocusSessionType>::values) {
      if (other != next && slot < 2) {
        alternativeTypes_[slot] = other;
        alternatives_[slot]->setText(QStringLiteral("%1 (%2m)")
                                         .arg(displayText(other))
                                         .arg(present ? minutesOf(*timer, other) : 0));
        ++slot;
      }
    }
  } else {
    primary_->setText(status == TimerStatus::running ? QStringLiteral("Pause")
                                                     : QStringLiteral("Resume"));
  }
  primary_->setEnabled(present);
  for (PlainButton* alternative : alternatives_) {
    alternative->setVisible(canStart);
    alternative->setEnabled(present);
  }
  reset_->setEnabled(present && status != TimerStatus::idle);

  // The task is chosen before a session starts and shown while it runs.
  taskPicker_->setVisible(canStart);
  const std::optional<QString> linked = present ? timer->taskTitle() : std::nullopt;
  linkedTask_->setVisible(!canStart);
  const QString linkedText = linked ? *linked : QStringLiteral("None");
  linkedTask_->setText(linkedTask_->fontMetrics().elidedText(linkedText, Qt::ElideRight,
                                                             kTaskTitleWidth));
  linkedTask_->setToolTip(linkedText);
}

void FocusTimerView::refreshTasks() {
  QList<TaskItem> choices{TaskItem()};
  if (environment_.store) {
    choices.append(focus_figures::linkableTasks(environment_.store->tasks()));
  }
  int selected = 0;
  for (int row = 1; row < choices.size() && state_.selectedTaskID; ++row) {
    if (choices.at(row).id == *state_.selectedTaskID) {
      selected = row;
      break;
    }
  }
  static_cast<LinkableTaskModel*>(taskPicker_->model())->setRecords(std::move(choices));
  // A task finished or deleted meanwhile is no longer offered, nor kept selected.
  if (selected == 0) {
    state_.selectedTaskID.reset();
  }
  taskPicker_->setCurrentIndex(selected);
}

void FocusTimerView::selectTask(int comboIndex) {
  const QVariant id = taskPicker_->itemData(comboIndex);
  state_.selectedTaskID = id.isValid() ? std::optional<QUuid>(id.toUuid()) : std::nullopt;
}

void FocusTimerView::refreshSessions() {
  const QList<FocusSession> today =
      environment_.store ? focus_figures::sessionsFinishedToday(environment_.store->focusSessions(),
                                                                environment_.now(),
                                                                environment_.calendar)
                         : QList<FocusSession>();
  sessionsModel_->clear();
  int focusCount = 0;
  for (const FocusSession& session : today) {
    auto* item = new QStandardItem;
    item->setData(int(session.type), kindRole);
    item->setData(session.taskTitle.value_or(QString()), taskRole);
    item->setData(day_lists::shortTime(session.endedAt, environment_.calendar, QLocale()),
                  timeRole);
    item->setData(focus_figures::durationText(session.durationSeconds), durationRole);
    item->setData(QStringLiteral("%1, %2").arg(displayText(session.type),
                                               session.taskTitle.value_or(QString())),
                  Qt::AccessibleTextRole);
    sessionsModel_->appendRow(item);
    focusCount += session.type == FocusSessionType::focus ? 1 : 0;
  }
  noSessions_->setVisible(today.isEmpty());
  sessionsList_->setVisible(!today.isEmpty());
  sessionsList_->setFixedHeight(int(today.size()) * kSessionRowHeight + 2);
  sessionsCount_->setText(QStringLiteral("%1 focus done").arg(focusCount));
}

void FocusTimerView::primaryAction() {
  FocusTimerManager* timer = environment_.focusTimer;
  if (timer == nullptr) {
    return;
  }
  switch (timer->status()) {
    case TimerStatus::idle:
    case TimerStatus::completed:
      start(timer->suggestedNextSessionType());
      break;
    case TimerStatus::running:
      timer->pause(environment_.now());
      break;
    case TimerStatus::paused:
      timer->resume(environment_.now());
      break;
  }
}

void FocusTimerView::start(FocusSessionType type) {
  FocusTimerManager* timer = environment_.focusTimer;
  if (timer == nullptr) {
    return;
  }
  std::optional<QString> title;
  std::optional<QUuid> id;
  if (state_.selectedTaskID && environment_.store) {
    for (const TaskItem& task : environment_.store->tasks()) {
      if (task.id == *state_.selectedTaskID) {
        id = task.id;
        title = task.title;
        break;
      }
    }
  }
  timer->start(type, id, title, environment_.now());
}

#include "app/screens/tasks/TasksView.h"

#include "app/platform/SymbolImage.h"
#include "app/platform/Theme.h"
#include "app/screens/ListScreen.h"
#include "app/screens/tasks/TaskEditorSheet.h"
#include "app/screens/tasks/TaskListModel.h"
#include "app/screens/tasks/TaskRow.h"
#include "app/ui/Divider.h"
#include "app/ui/EmptyStateView.h"
#include "app/ui/ProminentButton.h"
#include "app/ui/Sheet.h"
#include "app/ui/SymbolView.h"
#include "app/ui/ThemedLabel.h"
#include "core/store/DataStore.h"

#include <QButtonGroup>
#include <QCoreApplication>
#include <QFrame>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListView>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QResizeEvent>
#include <QScrollArea>
#include <QScrollBar>
#include <QStackedWidget>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWheelEvent>

namespace {

constexpr int kHorizontalPadding = 18;
constexpr int kSegmentedMaxWidth = 320;

void fillRounded(QPainter& p, const QRectF& rect, qreal radius, ThemeColor role, qreal opacity,
                 const QWidget* widget) {
  QColor color = Theme::color(role, widget);
  color.setAlphaF(color.alphaF() * float(opacity));
  QPainterPath path;
  path.addRoundedRect(rect, radius, radius);
  p.fillPath(path, color);
}

// One segment of the filter control: the chosen one stands out on the control's track.
class SegmentButton : public QPushButton {
 public:
  SegmentButton(const QString& text, QWidget* parent) : QPushButton(text, parent) {
    setCheckable(true);
    setFont(Theme::font(font(), 12, QFont::Medium));
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
  }
  QSize sizeHint() const override {
    const QFontMetrics metrics(font());
    return QSize(metrics.horizontalAdvance(text()) + 16, metrics.height() + 8);
  }
  QSize minimumSizeHint() const override {
    return QSize(QFontMetrics(font()).horizontalAdvance(text()) + 8, sizeHint().height());
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF box = QRectF(rect()).adjusted(1.5, 1.5, -1.5, -1.5);
    if (isChecked()) {
      fillRounded(p, box, 5, ThemeColor::windowBackground, 1, this);
      QColor outline = Theme::color(ThemeColor::primary, this);
      outline.setAlphaF(outline.alphaF() * 0.12f);
      p.setPen(QPen(outline, 1));
      p.drawRoundedRect(box, 5, 5);
    }
    if (hasFocus()) {
      p.setPen(QPen(Theme::color(ThemeColor::accent, this), 1.5));
      p.setBrush(Qt::NoBrush);
      p.drawRoundedRect(box, 5, 5);
    }
    p.setPen(Theme::color(isChecked() ? ThemeColor::primary : ThemeColor::secondary, this));
    p.drawText(rect(), Qt::AlignCenter | Qt::TextSingleLine,
               fontMetrics().elidedText(text(), Qt::ElideRight, width() - 4));
  }
};

// The track behind the segments.
class SegmentedControl : public QWidget {
 public:
  using QWidget::QWidget;

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    fillRounded(p, rect(), 7, ThemeColor::primary, 0.06, this);
  }
};

// A category chip: a capsule, accent-tinted and bold while chosen.
class ChipButton : public QPushButton {
 public:
  ChipButton(const QString& text, QWidget* parent) : QPushButton(text, parent) {
    setFont(Theme::font(font(), 11, QFont::Normal));
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setAccessibleName(text);
  }
  void setSelected(bool selected) {
    if (selected == selected_) {
      return;
    }
    selected_ = selected;
    setFont(Theme::font(font(), 11, selected ? QFont::Bold : QFont::Normal));
    updateGeometry();
    update();
  }
  QSize sizeHint() const override {
    const QFontMetrics metrics(font());
    return QSize(metrics.horizontalAdvance(text()) + 16, metrics.height() + 6);
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF box = rect();
    if (selected_) {
      fillRounded(p, box, box.height() / 2, ThemeColor::accent, 0.18, this);
    } else {
      fillRounded(p, box, box.height() / 2, ThemeColor::primary, 0.05, this);
    }
    if (hasFocus()) {
      p.setPen(QPen(Theme::color(ThemeColor::accent, this), 1.5));
      p.drawRoundedRect(box.adjusted(0.75, 0.75, -0.75, -0.75), box.height() / 2, box.height() / 2);
    }
    p.setPen(Theme::color(ThemeColor::primary, this));
    p.drawText(rect(), Qt::AlignCenter | Qt::TextSingleLine, text());
  }

 private:
  bool selected_ = false;
};

// The chips' strip: one row that scrolls sideways when the chips outrun it, by its scroll bar
// or the wheel. It is as tall as its chips, plus the scroll bar while that shows.
class ChipStrip : public QScrollArea {
 public:
  explicit ChipStrip(QWidget* parent) : QScrollArea(parent) {
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setWidgetResizable(true);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    viewport()->setAutoFillBackground(false);
    // The chips take the keyboard; their strip is no stop of its own.
    setFocusPolicy(Qt::NoFocus);
    connect(horizontalScrollBar(), &QScrollBar::rangeChanged, this, [this] { updateGeometry(); });
  }
  QSize sizeHint() const override {
    int height = widget() ? widget()->sizeHint().height() : 0;
    if (horizontalScrollBar()->maximum() > 0) {
      height += horizontalScrollBar()->sizeHint().height();
    }
    return QSize(0, height);
  }
  QSize minimumSizeHint() const override { return sizeHint(); }

 protected:
  void wheelEvent(QWheelEvent* event) override {
    QCoreApplication::sendEvent(horizontalScrollBar(), event);
  }
};

// The search field's rounded background.
class SearchBox : public QFrame {
 public:
  using QFrame::QFrame;

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    fillRounded(p, rect(), 6, ThemeColor::primary, 0.06, this);
  }
};

// The list answers the keyboard on its current row: Space completes or reopens, Return edits,
// Delete deletes.
class TaskListView : public QListView {
 public:
  TaskListView(TaskListModel* model, TaskRow* row, QWidget* parent)
      : QListView(parent), model_(model), row_(row) {}

 protected:
  void keyPressEvent(QKeyEvent* event) override {
    const QModelIndex current = currentIndex();
    TaskRow::Part part = TaskRow::Part::none;
    switch (event->key()) {
      case Qt::Key_Space: part = TaskRow::Part::checkbox; break;
      case Qt::Key_Return:
      case Qt::Key_Enter: part = TaskRow::Part::edit; break;
      case Qt::Key_Delete: part = TaskRow::Part::remove; break;
      default: break;
    }
    if (part != TaskRow::Part::none && current.isValid()) {
      const int row = current.row();
      row_->trigger(part, model_->task(row));
      // Keep the keyboard near where it was when the row went away.
      if (!currentIndex().isValid() && model_->rowCount() > 0) {
        setCurrentIndex(model_->index(std::min(row, model_->rowCount() - 1)));
      }
      event->accept();
      return;
    }
    QListView::keyPressEvent(event);
  }

  void resizeEvent(QResizeEvent* event) override {
    QListView::resizeEvent(event);
    // A list flowing downwards lays out again only when its height changes; the rows' heights
    // follow the width (notes take one or two lines), so a new width lays them out too.
    if (event->size().width() != event->oldSize().width()) {
      scheduleDelayedItemsLayout();
    }
  }

 private:
  TaskListModel* model_;
  TaskRow* row_;
};

}  // namespace

TasksView::TasksView(const ScreenEnvironment& environment, QWidget* parent)
    : QWidget(parent), environment_(environment) {
  auto* stack = new QVBoxLayout(this);
  stack->setContentsMargins(0, 0, 0, 0);
  stack->setSpacing(0);

  // 1: header.
  auto* header = new QHBoxLayout();
  header->setContentsMargins(kHorizontalPadding, 16, kHorizontalPadding, 8);
  auto* titles = new QVBoxLayout();
  titles->setSpacing(2);
  auto* title = new ThemedLabel(QStringLiteral("Tasks & Action Items"), ThemeColor::primary, this);
  title->setTextStyle(20, QFont::Bold);
  counter_ = new ThemedLabel(QString(), ThemeColor::secondary, this);
  counter_->setTextStyle(12);
  titles->addWidget(title);
  titles->addWidget(counter_);
  header->addLayout(titles);
  header->addSpacing(12);
  header->addStretch(1);
  addTask_ = new ProminentButton(QStringLiteral("Add Task"), this);
  addTask_->setIcon(SymbolImage::icon(QStringLiteral("plus"), Qt::white));
  header->addWidget(addTask_, 0, Qt::AlignVCenter);
  stack->addLayout(header);

  // 2: filter, "Clear Completed", search.
  auto* filters = new QHBoxLayout();
  filters->setContentsMargins(kHorizontalPadding, 0, kHorizontalPadding, 10);
  filters->setSpacing(12);
  auto* segmented = new SegmentedControl(this);
  segmented->setAccessibleName(QStringLiteral("Filter"));
  segmented->setMaximumWidth(kSegmentedMaxWidth);
  segmented->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
  auto* segments = new QHBoxLayout(segmented);
  segments->setContentsMargins(1, 1, 1, 1);
  segments->setSpacing(0);
  auto* group = new QButtonGroup(this);
  for (TaskFilter filter : allCases<TaskFilter>) {
    auto* button = new SegmentButton(displayText(filter), segmented);
    button->setChecked(filter == state_.filter);
    group->addButton(button);
    segments->addWidget(button);
    segments_.append(button);
    connect(button, &QPushButton::clicked, this, [this, filter] { setFilter(filter); });
  }
  filters->addWidget(segmented, 1);
  clearCompleted_ = new QPushButton(QStringLiteral("Clear Completed"), this);
  clearCompleted_->setFont(Theme::font(font(), 11));
  filters->addWidget(clearCompleted_);
  filters->addSpacing(8);
  filters->addStretch(0);

  auto* searchBox = new SearchBox(this);
  searchBox->setMinimumWidth(120);
  searchBox->setMaximumWidth(220);
  searchBox->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
  auto* searchRow = new QHBoxLayout(searchBox);
  searchRow->setContentsMargins(8, 5, 8, 5);
  searchRow->setSpacing(6);
  searchRow->addWidget(new SymbolView(QStringLiteral("magnifyingglass"), 12, ThemeColor::secondary, searchBox));
  search_ = new QLineEdit(searchBox);
  search_->setFrame(false);
  search_->setPlaceholderText(QStringLiteral("Search tasks..."));
  search_->setAccessibleName(QStringLiteral("Search tasks"));
  search_->setStyleSheet(QStringLiteral("QLineEdit { background: transparent; }"));
  searchRow->addWidget(search_, 1);
  clearSearch_ = new QToolButton(searchBox);
  clearSearch_->setAutoRaise(true);
  clearSearch_->setIcon(SymbolImage::icon(QStringLiteral("xmark.circle.fill"), ThemeColor::secondary, this));
  clearSearch_->setIconSize(QSize(12, 12));
  clearSearch_->setAccessibleName(QStringLiteral("Clear search"));
  clearSearch_->setToolTip(clearSearch_->accessibleName());
  clearSearch_->hide();
  searchRow->addWidget(clearSearch_);
  filters->addWidget(searchBox, 1);
  stack->addLayout(filters);

  // 3: category chips.
  chipArea_ = new ChipStrip(this);
  chipHolder_ = new QWidget(chipArea_);
  chipHolder_->setAutoFillBackground(false);
  chipLayout_ = new QHBoxLayout(chipHolder_);
  chipLayout_->setContentsMargins(kHorizontalPadding, 0, kHorizontalPadding, 8);
  chipLayout_->setSpacing(6);
  chipArea_->setWidget(chipHolder_);
  stack->addWidget(chipArea_);

  // 4: divider.
  stack->addWidget(new Divider(this));

  // 5: the list, or what shows without one.
  model_ = new TaskListModel(this);
  QPointer<DataStore> store = environment_.store;
  const Calendar calendar = environment_.calendar;
  delegate_ = new TaskRow(
      [store, this](const TaskItem& task) {
        if (store) {
          store->toggleTaskCompletion(task.id, environment_.now());
        }
      },
      [this](const TaskItem& task) { showEditTask(task); },
      [this](const TaskItem& task) { requestDelete(task); },
      environment_.clock, calendar, this);
  list_ = new TaskListView(model_, delegate_, this);
  list_->setModel(model_);
  list_->setItemDelegate(delegate_);
  list_->setSelectionMode(QAbstractItemView::NoSelection);
  list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  list_->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
  list_->setResizeMode(QListView::Adjust);
  list_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  list_->setFrameShape(QFrame::NoFrame);
  list_->setAccessibleName(QStringLiteral("Tasks"));
  list_->setSpacing(0);
  list_->viewport()->setAutoFillBackground(false);
  connect(model_, &TaskListModel::rowHeightChanged, delegate_, &TaskRow::sizeHintChanged);

  auto showAdd = [this] { showAddTask(); };
  empty_ = new EmptyStateView(QStringLiteral("checklist"), QStringLiteral("No tasks found"),
                              QStringLiteral("Stay on top of your day by adding your first action item."),
                              QStringLiteral("Create Task"), showAdd, this);
  emptyCompleted_ = new EmptyStateView(QStringLiteral("checklist"), QStringLiteral("No tasks found"),
                                       QStringLiteral("Completed tasks will appear here."),
                                       std::nullopt, {}, this);
  content_ = new QStackedWidget(this);
  content_->setContentsMargins(0, 6, 0, 0);
  content_->addWidget(list_);
  content_->addWidget(empty_);
  content_->addWidget(emptyCompleted_);
  stack->addWidget(content_, 1);

  connect(addTask_, &QPushButton::clicked, this, showAdd);
  connect(clearCompleted_, &QPushButton::clicked, this, [store] {
    if (store) {
      store->clearCompletedTasks();
    }
  });
  connect(search_, &QLineEdit::textChanged, this, &TasksView::setSearchText);
  connect(clearSearch_, &QToolButton::clicked, this, [this] { search_->clear(); });
  if (store) {
    connect(store, &DataStore::tasksChanged, this, &TasksView::refresh);
  }

  QList<QWidget*> order{addTask_};
  for (QAbstractButton* segment : segments_) {
    order.append(segment);
  }
  order << clearCompleted_ << search_ << clearSearch_ << list_;
  for (qsizetype i = 1; i < order.size(); ++i) {
    setTabOrder(order[i - 1], order[i]);
  }
  refresh();
}

task_list::Query TasksView::query() const {
  return task_list::Query{state_.filter, state_.searchText, state_.selectedCategory};
}

void TasksView::setFilter(TaskFilter filter) {
  state_.filter = filter;
  segments_[static_cast<int>(filter)]->setChecked(true);
  refresh();
}

void TasksView::setSearchText(const QString& text) {
  state_.searchText = text;
  if (search_->text() != text) {
    search_->setText(text);  // comes back here through textChanged
    return;
  }
  clearSearch_->setVisible(!text.isEmpty());
  refresh();
}

void TasksView::setSelectedCategory(std::optional<QString> category) {
  state_.selectedCategory = std::move(category);
  refresh();
}

void TasksView::showAddTask() {
  if (!environment_.store) {
    return;
  }
  state_.isShowingAddTask = true;
  QPointer<DataStore> store = environment_.store;
  const AppSettings settings = store->settings();
  QPointer<TasksView> self(this);
  Sheet::present(
      this, environment_,
      [store, settings](const ScreenEnvironment& sheetEnvironment) -> QWidget* {
        return new TaskEditorSheet(sheetEnvironment, std::nullopt, settings.defaultCategory,
                                   settings.defaultTaskPriority, [store](const TaskItem& task) {
                                     if (store) {
                                       store->addTask(task);
                                     }
                                   });
      },
      [self] {
        if (self) {
          self->state_.isShowingAddTask = false;
        }
      });
}

void TasksView::showEditTask(const TaskItem& task) {
  state_.editingTask = task;
  QPointer<DataStore> store = environment_.store;
  QPointer<TasksView> self(this);
  Sheet::present(
      this, environment_,
      [store, task](const ScreenEnvironment& sheetEnvironment) -> QWidget* {
        return new TaskEditorSheet(sheetEnvironment, task, QStringLiteral("General"),
                                   TaskPriority::medium, [store](const TaskItem& edited) {
                                     if (store) {
                                       store->updateTask(edited);
                                     }
                                   });
      },
      [self] {
        if (self) {
          self->state_.editingTask.reset();
        }
      });
}

void TasksView::requestDelete(const TaskItem& task) {
  QPointer<DataStore> store = environment_.store;
  const QUuid id = task.id;
  confirmDeletion(
      confirmation_, this, QStringLiteral("Delete Task?"), task.title,
      [store, id] {
        if (store) {
          store->deleteTask(id);
        }
      },
      true);
}

QAbstractButton* TasksView::filterButton(TaskFilter filter) const {
  return segments_[static_cast<int>(filter)];
}

QWidget* TasksView::chipRow() const { return chipArea_->isVisibleTo(this) ? chipArea_ : nullptr; }

QList<QAbstractButton*> TasksView::chips() const { return chips_; }

EmptyStateView* TasksView::emptyState() const {
  return qobject_cast<EmptyStateView*>(content_->currentWidget());
}

void TasksView::rebuildChips(const QStringList& categories) {
  if (!chipsBuilt_ || categories != chipCategories_) {
    chipsBuilt_ = true;
    chipCategories_ = categories;
    for (QAbstractButton* chip : chips_) {
      chip->deleteLater();
    }
    chips_.clear();
    while (QLayoutItem* item = chipLayout_->takeAt(0)) {
      delete item;
    }
    auto add = [this](const QString& text, std::optional<QString> category) {
      auto* chip = new ChipButton(text, chipHolder_);
      // A new category may replace the chips in this click: deleteLater keeps this one alive.
      connect(chip, &QPushButton::clicked, this,
              [this, category] { setSelectedCategory(category); });
      chipLayout_->addWidget(chip);
      // Counted by the strip's height at once, not once the event loop shows it.
      chip->show();
      chips_.append(chip);
    };
    add(QStringLiteral("All Categories"), std::nullopt);
    for (const QString& category : categories) {
      add(category, category);
    }
    chipLayout_->addStretch(1);
    // Tab follows the screen from top to bottom: the search, the chips, then the list.
    QWidget* previous = clearSearch_;
    for (QAbstractButton* chip : chips_) {
      setTabOrder(previous, chip);
      previous = chip;
    }
    setTabOrder(previous, list_);
  }
  for (qsizetype i = 0; i < chips_.size(); ++i) {
    const std::optional<QString> category =
        i == 0 ? std::nullopt : std::optional<QString>(chipCategories_[i - 1]);
    static_cast<ChipButton*>(chips_[i])->setSelected(category == state_.selectedCategory);
  }
  chipArea_->updateGeometry();
}

void TasksView::refresh() {
  const QList<TaskItem> none;
  const QList<TaskItem>& tasks = environment_.store ? environment_.store->tasks() : none;
  const QDateTime now = environment_.now();
  counter_->setText(task_list::counterText(task_list::counters(tasks, now)));
  clearCompleted_->setVisible(task_list::showsClearCompleted(tasks, state_.filter));

  const QStringList categories = task_list::availableCategories(tasks);
  chipArea_->setVisible(task_list::showsCategoryChips(categories));
  if (task_list::showsCategoryChips(categories)) {
    rebuildChips(categories);
  }

  model_->setTasks(task_list::filteredTasks(tasks, query(), now, environment_.calendar));
  if (model_->rowCount() > 0) {
    content_->setCurrentWidget(list_);
  } else {
    content_->setCurrentWidget(state_.filter == TaskFilter::completed ? emptyCompleted_ : empty_);
  }
}

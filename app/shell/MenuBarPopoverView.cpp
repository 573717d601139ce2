#include "app/shell/MenuBarPopoverView.h"

#include "app/platform/SymbolImage.h"
#include "app/shell/ApplicationQuit.h"
#include "app/shell/Glance.h"
#include "app/shell/GlancePieces.h"
#include "app/ui/DayLists.h"
#include "app/ui/PlainButton.h"
#include "app/ui/PriorityBadge.h"
#include "app/ui/ProminentButton.h"
#include "app/ui/SymbolView.h"
#include "app/ui/ThemedLabel.h"
#include "app/ui/WidgetRetirement.h"
#include "core/services/FocusTimerManager.h"
#include "core/store/DataStore.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QVBoxLayout>

namespace {

constexpr int kWidth = 300;
constexpr int kSideMargin = 14;
constexpr int kSpacing = 12;
constexpr int kRowSpacing = 8;

// The system's fixed-width face, so the remaining time does not jitter as it counts.
QFont monospaced(int size, QFont::Weight weight) {
  return Theme::font(QFontDatabase::systemFont(QFontDatabase::FixedFont), size, weight);
}

// A card of the popup: padding 8 on a faint rounded panel, 14 in from both sides.
QHBoxLayout* card(QVBoxLayout* stack, QWidget** outer) {
  *outer = new QWidget;
  auto* margin = new QHBoxLayout(*outer);
  margin->setContentsMargins(kSideMargin, 0, kSideMargin, 0);
  auto* panel = new RoundedPanel(0.04, 8);
  margin->addWidget(panel);
  auto* row = new QHBoxLayout(panel);
  row->setContentsMargins(8, 8, 8, 8);
  row->setSpacing(kRowSpacing);
  stack->addWidget(*outer);
  return row;
}

}  // namespace

MenuBarPopoverView::MenuBarPopoverView(const ScreenEnvironment& environment, Actions actions,
                                       QWidget* parent)
    : QWidget(parent),
      environment_(environment),
      actions_(std::move(actions)),
      quit_([] { quitApplication(); }),
      openLink_([](const QUrl& url) { QDesktopServices::openUrl(url); }) {
  Q_ASSERT(environment_.store && environment_.focusTimer);
  setFixedWidth(kWidth);
  auto* stack = new QVBoxLayout(this);
  stack->setContentsMargins(0, 0, 0, 0);
  stack->setSpacing(kSpacing);
  // The column sits in the middle of whatever height the popup gives it.
  stack->addStretch(1);
  buildHeader(stack);
  stack->addWidget(new Divider);
  buildEventCard(stack);
  buildFocusCard(stack);
  buildPriorities(stack);
  stack->addWidget(new Divider);
  buildActions(stack);
  stack->addStretch(1);

  DataStore* store = environment_.store;
  connect(store, &DataStore::tasksChanged, this, &MenuBarPopoverView::refreshTasks);
  connect(store, &DataStore::manualEventsChanged, this, &MenuBarPopoverView::refreshEvent);
  connect(store, &DataStore::calendarEventsChanged, this, &MenuBarPopoverView::refreshEvent);
  connect(store, &DataStore::cachedWeatherChanged, this, &MenuBarPopoverView::refreshWeather);
  connect(store, &DataStore::settingsChanged, this, &MenuBarPopoverView::refreshWeather);
  FocusTimerManager* timer = environment_.focusTimer;
  connect(timer, &FocusTimerManager::statusChanged, this, &MenuBarPopoverView::refreshFocus);
  connect(timer, &FocusTimerManager::sessionTypeChanged, this, &MenuBarPopoverView::refreshFocus);
  // The timer's once-a-second update while it runs is also what moves the clock on.
  connect(timer, &FocusTimerManager::displayRemainingSecondsChanged, this, [this] {
    refreshCountdown();
    refreshClock();
  });
  refreshAll();
}

void MenuBarPopoverView::setQuitAction(std::function<void()> quit) { quit_ = std::move(quit); }

void MenuBarPopoverView::setLinkOpener(std::function<void(const QUrl&)> open) {
  openLink_ = std::move(open);
}

void MenuBarPopoverView::showEvent(QShowEvent* event) {
  // Opened long after the last change, the clock and the day lists would be stale.
  refreshAll();
  QWidget::showEvent(event);
}

void MenuBarPopoverView::buildHeader(QVBoxLayout* stack) {
  auto* header = new QWidget;
  auto* row = new QHBoxLayout(header);
  row->setContentsMargins(kSideMargin, kSpacing, kSideMargin, 0);
  row->setSpacing(kRowSpacing);

  auto* clock = new QVBoxLayout;
  clock->setSpacing(1);
  timeLabel_ = new ThemedLabel(QString(), ThemeColor::primary, 16, QFont::Bold);
  timeLabel_->setObjectName(QStringLiteral("time"));
  dateLabel_ = new ThemedLabel(QString(), ThemeColor::secondary, 11);
  dateLabel_->setObjectName(QStringLiteral("date"));
  clock->addWidget(timeLabel_);
  clock->addWidget(dateLabel_);
  row->addLayout(clock);
  row->addStretch(1);

  weatherPill_ = new WeatherPill({14, 12, QMargins(8, 4, 8, 4), 5});
  row->addWidget(weatherPill_, 0, Qt::AlignVCenter);

  auto* quickCapture = new PlainButton(QStringLiteral("plus.circle.fill"), 16, ThemeColor::accent);
  quickCapture->setObjectName(QStringLiteral("quickCapture"));
  quickCapture->setToolTip(QStringLiteral("Quick Capture"));
  quickCapture->setAccessibleName(QStringLiteral("Quick Capture"));
  connect(quickCapture, &PlainButton::clicked, this, [this] {
    if (actions_.onOpenQuickCapture) {
      actions_.onOpenQuickCapture();
    }
  });
  row->addWidget(quickCapture, 0, Qt::AlignVCenter);
  stack->addWidget(header);
}

void MenuBarPopoverView::buildEventCard(QVBoxLayout* stack) {
  QHBoxLayout* row = card(stack, &eventCard_);
  eventCard_->setObjectName(QStringLiteral("eventCard"));
  eventDot_ = new ColorDot(6);
  row->addWidget(eventDot_, 0, Qt::AlignVCenter);
  auto* text = new QVBoxLayout;
  text->setSpacing(1);
  eventTitle_ = new ElidedLabel(QString(), ThemeColor::primary, 11, QFont::DemiBold);
  eventTitle_->setObjectName(QStringLiteral("eventTitle"));
  eventLine_ = new ThemedLabel(QString(), ThemeColor::secondary, 10);
  eventLine_->setObjectName(QStringLiteral("eventLine"));
  text->addWidget(eventTitle_);
  text->addWidget(eventLine_);
  row->addLayout(text, 1);

  meetingButton_ = new ProminentButton(QString());
  meetingButton_->setObjectName(QStringLiteral("meetingLink"));
  meetingButton_->setIcon(SymbolImage::icon(
      QStringLiteral("video.fill"), palette().color(QPalette::Active, QPalette::HighlightedText)));
  meetingButton_->setIconSize(QSize(10, 10));
  meetingButton_->setAccessibleName(QStringLiteral("Join meeting"));
  meetingButton_->setFocusPolicy(Qt::TabFocus);
  connect(meetingButton_, &QPushButton::clicked, this, [this] {
    // Shown only for a safe link; checked again in case the event changed since.
    if (meetingLink_.isValid() && openLink_) {
      openLink_(meetingLink_);
    }
  });
  row->addWidget(meetingButton_, 0, Qt::AlignVCenter);
}

void MenuBarPopoverView::buildFocusCard(QVBoxLayout* stack) {
  QWidget* outer = nullptr;
  QHBoxLayout* row = card(stack, &outer);
  row->addWidget(new SymbolView(QStringLiteral("timer"), 12, ThemeColor::accent), 0,
                 Qt::AlignVCenter);
  sessionKindLabel_ = new ThemedLabel(QString(), ThemeColor::primary, 11, QFont::Medium);
  sessionKindLabel_->setObjectName(QStringLiteral("sessionKind"));
  row->addWidget(sessionKindLabel_);
  row->addStretch(1);
  countdownLabel_ = new ThemedLabel(QString(), ThemeColor::primary, 12);
  countdownLabel_->setFont(monospaced(12, QFont::Bold));
  countdownLabel_->setObjectName(QStringLiteral("countdown"));
  row->addWidget(countdownLabel_);

  auto advance = [this] { glance::advanceFocus(*environment_.focusTimer, environment_.now()); };
  pauseButton_ = new PlainButton(QString(), 0, ThemeColor::primary);
  pauseButton_->setObjectName(QStringLiteral("focusBordered"));
  pauseButton_->setTextStyle(10, QFont::Medium, ThemeColor::primary);
  pauseButton_->setBordered(true);
  pauseButton_->setPadding(QMargins(8, 2, 8, 2));
  connect(pauseButton_, &PlainButton::clicked, this, advance);
  startButton_ = new ProminentButton(QString());
  startButton_->setObjectName(QStringLiteral("focusProminent"));
  startButton_->setFont(Theme::font(startButton_->font(), 10, QFont::Medium));
  startButton_->setFocusPolicy(Qt::TabFocus);
  connect(startButton_, &QPushButton::clicked, this, advance);
  row->addWidget(pauseButton_, 0, Qt::AlignVCenter);
  row->addWidget(startButton_, 0, Qt::AlignVCenter);
}

void MenuBarPopoverView::buildPriorities(QVBoxLayout* stack) {
  auto* section = new QWidget;
  auto* column = new QVBoxLayout(section);
  column->setContentsMargins(kSideMargin, 0, kSideMargin, 0);
  column->setSpacing(6);
  auto* heading = new QHBoxLayout;
  heading->addWidget(new ThemedLabel(QStringLiteral("Today's Priorities"), ThemeColor::secondary,
                                     11, QFont::Bold));
  heading->addStretch(1);
  progressLabel_ = new ThemedLabel(QString(), ThemeColor::secondary, 10, QFont::Medium);
  progressLabel_->setObjectName(QStringLiteral("progress"));
  heading->addWidget(progressLabel_);
  column->addLayout(heading);

  allDoneLabel_ =
      new ThemedLabel(QStringLiteral("All today's tasks completed! 🎉"), ThemeColor::secondary, 11);
  allDoneLabel_->setObjectName(QStringLiteral("allDone"));
  allDoneLabel_->setContentsMargins(0, 4, 0, 4);
  column->addWidget(allDoneLabel_);

  taskRows_ = new QWidget;
  taskRowsLayout_ = new QVBoxLayout(taskRows_);
  taskRowsLayout_->setContentsMargins(0, 0, 0, 0);
  taskRowsLayout_->setSpacing(6);
  column->addWidget(taskRows_);
  stack->addWidget(section);
}

void MenuBarPopoverView::buildActions(QVBoxLayout* stack) {
  auto* section = new QWidget;
  auto* column = new QVBoxLayout(section);
  // The rows' hover fill reaches 8 in from the sides; their text starts at 14.
  column->setContentsMargins(8, 0, 8, 8);
  column->setSpacing(4);
  auto addRow = [&](const QString& symbol, const QString& title, ThemeColor role,
                    std::function<void()> action) {
    auto* button = new PlainButton(symbol, 12, role);
    button->setText(title);
    button->setTextStyle(12, QFont::Normal, role);
    button->setRow(true);
    button->setPadding(QMargins(6, 4, 6, 4));
    connect(button, &PlainButton::clicked, this, [action = std::move(action)] {
      if (action) {
        action();
      }
    });
    column->addWidget(button);
    return button;
  };
  firstAction_ = addRow(QStringLiteral("macwindow"), QStringLiteral("Open Full Dashboard"),
                        ThemeColor::primary, actions_.onOpenDashboard);
  addRow(QStringLiteral("pip"), QStringLiteral("Toggle Floating Widget"), ThemeColor::primary,
         actions_.onToggleWidget);
  addRow(QStringLiteral("gearshape"), QStringLiteral("Settings..."), ThemeColor::primary,
         actions_.onOpenSettings);
  auto* rule = new QWidget;
  auto* ruleMargin = new QHBoxLayout(rule);
  ruleMargin->setContentsMargins(6, 0, 6, 0);
  ruleMargin->addWidget(new Divider);
  column->addWidget(rule);
  addRow(QStringLiteral("power"), QStringLiteral("Quit Pelmora"), ThemeColor::red, [this] {
    if (quit_) {
      quit_();
    }
  });
  stack->addWidget(section);
}

void MenuBarPopoverView::refreshAll() {
  refreshClock();  // and the event, whose countdown follows the clock
  refreshWeather();
  refreshFocus();
  refreshTasks();
}

void MenuBarPopoverView::refreshClock() {
  const QDateTime now = environment_.now();
  const QLocale locale;
  timeLabel_->setText(day_lists::shortTime(now, environment_.calendar, locale));
  dateLabel_->setText(day_lists::abbreviatedDate(now, environment_.calendar, locale));
  refreshEvent();
}

void MenuBarPopoverView::refreshWeather() {
  weatherPill_->setWeather(environment_.store->cachedWeather(),
                           environment_.store->settings().weatherUnit);
}

void MenuBarPopoverView::refreshEvent() {
  const std::optional<CalendarEventItem> event = environment_.store->nextEvent();
  eventCard_->setVisible(event.has_value());
  if (!event) {
    meetingLink_ = QUrl();
    return;
  }
  eventDot_->setColor(glance::eventDotColor(*event, Theme::color(ThemeColor::blue, this)));
  eventTitle_->setText(event->title);
  eventLine_->setText(
      glance::eventTimeLine(*event, environment_.now(), environment_.calendar, QLocale()));
  meetingLink_ = event->safeMeetingLink().value_or(QUrl());
  meetingButton_->setVisible(meetingLink_.isValid());
}

void MenuBarPopoverView::refreshFocus() {
  const FocusTimerManager& timer = *environment_.focusTimer;
  sessionKindLabel_->setText(displayText(timer.sessionType()));
  const glance::FocusControl control = glance::focusControl(timer.status());
  pauseButton_->setText(control.title);
  startButton_->setText(control.title);
  // The control swaps widgets between states; keyboard focus moves with it.
  const bool hadFocus = pauseButton_->hasFocus() || startButton_->hasFocus();
  QWidget* shown = control.prominent ? static_cast<QWidget*>(startButton_) : pauseButton_;
  shown->show();
  (control.prominent ? static_cast<QWidget*>(pauseButton_) : startButton_)->hide();
  if (hadFocus) {
    shown->setFocus(Qt::TabFocusReason);
  }
  refreshCountdown();
}

void MenuBarPopoverView::refreshCountdown() {
  countdownLabel_->setText(
      day_lists::formatSeconds(environment_.focusTimer->displayRemainingSeconds()));
}

void MenuBarPopoverView::refreshTasks() {
  DataStore& store = *environment_.store;
  const QDateTime now = environment_.now();
  progressLabel_->setText(glance::progressText(store.todayMetrics(now, environment_.calendar)));

  retireWidgets(taskRowsLayout_);
  const QList<TaskItem> tasks = glance::topTodayTasks(
      store.tasksDueToday(now, environment_.calendar), now, environment_.calendar);
  allDoneLabel_->setVisible(tasks.isEmpty());
  QWidget* previous = startButton_;
  taskRows_->setVisible(!tasks.isEmpty());
  for (const TaskItem& task : tasks) {
    auto* row = new QWidget(taskRows_);
    row->setObjectName(QStringLiteral("taskRow"));
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(kRowSpacing);
    PlainButton* complete = completeTaskButton(task, 13, environment_, this);
    layout->addWidget(complete, 0, Qt::AlignVCenter);
    auto* title = new ElidedLabel(task.title, ThemeColor::primary, 11);
    title->setObjectName(QStringLiteral("taskTitle"));
    layout->addWidget(title, 1);
    layout->addWidget(new PriorityBadge(task.priority), 0, Qt::AlignVCenter);
    taskRowsLayout_->addWidget(row);
    row->show();
    // New rows would otherwise come last in the Tab order, after the actions.
    QWidget::setTabOrder(previous, complete);
    previous = complete;
  }
  QWidget::setTabOrder(previous, firstAction_);
}

#include "app/shell/FloatingWidgetView.h"

#include "app/platform/VisualEffectView.h"
#include "app/platform/WindowDragHandle.h"
#include "app/shell/Glance.h"
#include "app/shell/FloatingWidgetPanel.h"
#include "app/shell/GlancePieces.h"
#include "app/shell/WindowManager.h"
#include "app/ui/CircularProgressRing.h"
#include "app/ui/DayLists.h"
#include "app/ui/PlainButton.h"
#include "app/ui/SymbolView.h"
#include "app/ui/ThemedLabel.h"
#include "app/ui/WidgetRetirement.h"
#include "core/services/FocusTimerManager.h"
#include "core/services/MinuteClock.h"
#include "core/store/DataStore.h"

#include <QDesktopServices>
#include <QFontDatabase>
#include <QGraphicsEffect>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QPainter>
#include <QPropertyAnimation>
#include <QVBoxLayout>

namespace {

constexpr int kWidth = 280;
constexpr int kPadding = 10;
constexpr int kSpacing = 10;
constexpr qreal kCornerRadius = FloatingWidgetPanel::cardCornerRadius;
constexpr qreal kOutlineOpacity = 0.12;
constexpr int kSnoozeDays = 3;

QHBoxLayout* hbox(QWidget* owner, int spacing, const QMargins& margins = {}) {
  auto* row = new QHBoxLayout(owner);
  row->setContentsMargins(margins);
  row->setSpacing(spacing);
  return row;
}

// Draws its widget (the translucent background) through the card's rounded outline at the
// widget opacity, and strokes the outline. A widget mask would leave the corners jagged.
class RoundedLayer : public QGraphicsEffect {
 public:
  RoundedLayer(const QWidget* colours, QObject* parent)
      : QGraphicsEffect(parent), colours_(colours) {}

  qreal opacity() const { return opacity_; }
  void setOpacity(qreal opacity) {
    opacity_ = std::clamp(opacity, 0.0, 1.0);
    update();
  }
  // Square and opaque: for a desktop without a compositor.
  void setTranslucent(bool translucent) {
    translucent_ = translucent;
    update();
  }

 protected:
  void draw(QPainter* painter) override {
    QPoint offset;
    const QPixmap pixmap = sourcePixmap(Qt::LogicalCoordinates, &offset, NoPad);
    if (pixmap.isNull()) {
      return;
    }
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    const QRectF shape =
        QRectF(offset, pixmap.deviceIndependentSize()).adjusted(0.5, 0.5, -0.5, -0.5);
    const qreal radius = translucent_ ? kCornerRadius : 0;
    QBrush fill(pixmap);
    fill.setTransform(QTransform::fromTranslate(offset.x(), offset.y()));
    painter->setPen(Qt::NoPen);
    if (!translucent_) {
      // The fill over the window colour, so no pixel keeps any transparency.
      painter->fillRect(QRectF(offset, pixmap.deviceIndependentSize()),
                        Theme::color(ThemeColor::windowBackground, colours_));
    }
    painter->setBrush(fill);
    painter->setOpacity(translucent_ ? opacity_ : 1);
    painter->drawRoundedRect(shape, radius, radius);
    painter->setOpacity(1);
    QColor outline = Theme::color(ThemeColor::primary, colours_);
    outline.setAlphaF(float(outline.alphaF() * kOutlineOpacity));
    painter->setPen(QPen(outline, 1));
    painter->setBrush(Qt::NoBrush);
    painter->drawRoundedRect(shape, radius, radius);
    painter->restore();
  }

 private:
  const QWidget* colours_;
  qreal opacity_ = 1;
  bool translucent_ = false;
};

// CSS's ease-in-out, the curve the platform's own animations use.
QEasingCurve easeInOut() {
  QEasingCurve curve(QEasingCurve::BezierSpline);
  curve.addCubicBezierSegment(QPointF(0.42, 0), QPointF(0.58, 1), QPointF(1, 1));
  return curve;
}

}  // namespace

FloatingWidgetView::FloatingWidgetView(const ScreenEnvironment& environment,
                                       std::function<void()> onQuickAdd,
                                       std::function<void()> onOpenFullDashboard,
                                       std::function<void()> onClose, QWidget* parent)
    : QWidget(parent),
      environment_(environment),
      onQuickAdd_(std::move(onQuickAdd)),
      onOpenFullDashboard_(std::move(onOpenFullDashboard)),
      onClose_(std::move(onClose)),
      openLink_([](const QUrl& url) { QDesktopServices::openUrl(url); }) {
  Q_ASSERT(environment_.store && environment_.focusTimer);
  auto openFull = [this] {
    if (onOpenFullDashboard_) {
      onOpenFullDashboard_();
    }
  };

  // Two layers in one cell: the translucent background, and in front of it the drag handle
  // that carries the content, so a press on any empty part of the card reaches the handle.
  auto* layers = new QGridLayout(this);
  layers->setContentsMargins(0, 0, 0, 0);
  layers->setSizeConstraint(QLayout::SetFixedSize);
  background_ = new VisualEffectView(VisualEffectView::Material::hudWindow,
                                     VisualEffectView::BlendingMode::behindWindow);
  background_->setGraphicsEffect(new RoundedLayer(this, background_));
  cardHandle_ = new WindowDragHandle(openFull);
  cardHandle_->setObjectName(QStringLiteral("cardHandle"));
  cardHandle_->setFixedWidth(kWidth);
  layers->addWidget(background_, 0, 0);
  layers->addWidget(cardHandle_, 0, 0);

  auto* card = new QVBoxLayout(cardHandle_);
  card->setContentsMargins(kPadding, kPadding, kPadding, kPadding);
  card->setSpacing(kSpacing);
  card->addWidget(buildHeader());
  card->addWidget(buildStatusRow());
  card->addWidget(buildEventRow());
  buildReminders(card);

  DataStore* store = environment_.store;
  connect(store, &DataStore::settingsChanged, this, &FloatingWidgetView::refreshSettings);
  connect(store, &DataStore::tasksChanged, this, [this] {
    refreshProgress();
    refreshReminders();
  });
  connect(store, &DataStore::waitingItemsChanged, this, &FloatingWidgetView::refreshReminders);
  connect(store, &DataStore::cachedWeatherChanged, this, &FloatingWidgetView::refreshWeather);
  connect(store, &DataStore::manualEventsChanged, this, &FloatingWidgetView::refreshEvent);
  connect(store, &DataStore::calendarEventsChanged, this, &FloatingWidgetView::refreshEvent);
  FocusTimerManager* timer = environment_.focusTimer;
  connect(timer, &FocusTimerManager::statusChanged, this, &FloatingWidgetView::refreshFocus);
  // The timer's once-a-second update while it runs is also what moves the clock on.
  connect(timer, &FocusTimerManager::displayRemainingSecondsChanged, this, [this] {
    refreshFocus();
    refreshClock();
  });
  // While nothing else is published, only the minute's turn moves the clock and the countdown.
  if (MinuteClock* minutes = environment_.minuteClock) {
    connect(minutes, &MinuteClock::minuteChanged, this, &FloatingWidgetView::minuteTurned);
  }
  refreshAll();
}

void FloatingWidgetView::setComposited(bool composited) {
  static_cast<RoundedLayer*>(background_->graphicsEffect())->setTranslucent(composited);
}

void FloatingWidgetView::minuteTurned() {
  // A hidden widget is brought up to date when it is shown again.
  if (!isVisible()) {
    return;
  }
  const QString day = dateLabel_->text();
  refreshClock();
  // Past midnight, "today" holds other tasks.
  if (dateLabel_->text() != day) {
    refreshProgress();
    refreshReminders();
  }
}

void FloatingWidgetView::setLinkOpener(std::function<void(const QUrl&)> open) {
  openLink_ = std::move(open);
}

void FloatingWidgetView::showEvent(QShowEvent* event) {
  // Shown again long after the last change, the clock and the day lists would be stale.
  refreshAll();
  QWidget::showEvent(event);
}

QWidget* FloatingWidgetView::buildHeader() {
  auto* header = new QWidget;
  QHBoxLayout* row = hbox(header, 8);
  auto* close = new PlainButton(QStringLiteral("xmark.circle.fill"), 12, ThemeColor::secondary);
  close->setObjectName(QStringLiteral("close"));
  close->setFixedWidth(14);
  close->setToolTip(QStringLiteral("Close Widget"));
  close->setAccessibleName(QStringLiteral("Close Widget"));
  connect(close, &PlainButton::clicked, this, [this] {
    if (onClose_) {
      onClose_();
    }
  });
  row->addWidget(close, 0, Qt::AlignVCenter);

  pinButton_ = new PlainButton(QStringLiteral("pin.fill"), 11, ThemeColor::accent);
  pinButton_->setObjectName(QStringLiteral("pin"));
  connect(pinButton_, &PlainButton::clicked, this, &FloatingWidgetView::togglePin);
  row->addWidget(pinButton_, 0, Qt::AlignVCenter);
  row->addStretch(1);

  auto openFull = [this] {
    if (onOpenFullDashboard_) {
      onOpenFullDashboard_();
    }
  };
  auto* clockArea = new WindowDragHandle(openFull);
  clockArea->setObjectName(QStringLiteral("clockHandle"));
  clockArea->setToolTip(QStringLiteral("Drag to move • Double-click to open full app"));
  QHBoxLayout* clockRow = hbox(clockArea, 6, QMargins(10, 3, 10, 3));
  clockRow->addWidget(new SymbolView(QStringLiteral("line.3.horizontal"), 10, ThemeColor::tertiary),
                      0, Qt::AlignVCenter);
  auto* clockText = new QVBoxLayout;
  clockText->setSpacing(0);
  timeLabel_ = new ThemedLabel(QString(), ThemeColor::primary, 13, QFont::Bold);
  timeLabel_->setObjectName(QStringLiteral("time"));
  dateLabel_ = new ThemedLabel(QString(), ThemeColor::secondary, 9);
  dateLabel_->setObjectName(QStringLiteral("date"));
  clockText->addWidget(timeLabel_, 0, Qt::AlignHCenter);
  clockText->addWidget(dateLabel_, 0, Qt::AlignHCenter);
  clockRow->addLayout(clockText);
  row->addWidget(clockArea, 0, Qt::AlignVCenter);
  row->addStretch(1);

  auto* quickAdd = new PlainButton(QStringLiteral("plus.circle.fill"), 12, ThemeColor::accent);
  quickAdd->setObjectName(QStringLiteral("quickAdd"));
  quickAdd->setToolTip(QStringLiteral("Quick Add"));
  quickAdd->setAccessibleName(QStringLiteral("Quick Add"));
  connect(quickAdd, &PlainButton::clicked, this, [this] {
    if (onQuickAdd_) {
      onQuickAdd_();
    }
  });
  auto* openFullButton = new PlainButton(QStringLiteral("arrow.up.left.and.arrow.down.right"), 11,
                                         ThemeColor::secondary);
  openFullButton->setObjectName(QStringLiteral("openFull"));
  openFullButton->setToolTip(QStringLiteral("Open Full Pelmora"));
  openFullButton->setAccessibleName(QStringLiteral("Open Full Pelmora"));
  connect(openFullButton, &PlainButton::clicked, this, openFull);
  row->addWidget(quickAdd, 0, Qt::AlignVCenter);
  row->addWidget(openFullButton, 0, Qt::AlignVCenter);
  return header;
}

QWidget* FloatingWidgetView::buildStatusRow() {
  auto* status = new QWidget;
  QHBoxLayout* row = hbox(status, 12);

  progress_ = new QWidget;
  progress_->setObjectName(QStringLiteral("taskProgress"));
  QHBoxLayout* progressRow = hbox(progress_, 6);
  // Starts at today's figure: only later changes animate.
  ring_ = new CircularProgressRing(
      environment_.store->todayMetrics(environment_.now(), environment_.calendar)
          .taskCompletionRatio(),
      3, ThemeColor::blue, 24);
  ring_->setObjectName(QStringLiteral("ring"));
  progressRow->addWidget(ring_, 0, Qt::AlignVCenter);
  auto* figures = new QVBoxLayout;
  figures->setSpacing(1);
  progressLabel_ = new ThemedLabel(QString(), ThemeColor::primary, 11, QFont::Bold);
  progressLabel_->setObjectName(QStringLiteral("progress"));
  figures->addWidget(progressLabel_);
  figures->addWidget(new ThemedLabel(QStringLiteral("tasks"), ThemeColor::secondary, 8));
  progressRow->addLayout(figures);
  row->addWidget(progress_, 0, Qt::AlignVCenter);
  row->addStretch(1);

  weatherPill_ = new WeatherPill({11, 11, QMargins(6, 3, 6, 3), 4});
  row->addWidget(weatherPill_, 0, Qt::AlignVCenter);

  focusPill_ = new RoundedPanel(0.06, std::nullopt);
  focusPill_->setObjectName(QStringLiteral("focusPill"));
  QHBoxLayout* focus = hbox(focusPill_, 4, QMargins(6, 3, 6, 3));
  focus->addWidget(new SymbolView(QStringLiteral("timer"), 10, ThemeColor::accent), 0,
                   Qt::AlignVCenter);
  countdownLabel_ = new ThemedLabel(QString(), ThemeColor::primary, 11);
  countdownLabel_->setFont(
      Theme::font(QFontDatabase::systemFont(QFontDatabase::FixedFont), 11, QFont::Bold));
  countdownLabel_->setObjectName(QStringLiteral("countdown"));
  focus->addWidget(countdownLabel_, 0, Qt::AlignVCenter);
  playPauseButton_ = new PlainButton(QStringLiteral("play.fill"), 9, ThemeColor::primary);
  playPauseButton_->setObjectName(QStringLiteral("playPause"));
  connect(playPauseButton_, &PlainButton::clicked, this,
          [this] { glance::advanceFocus(*environment_.focusTimer, environment_.now()); });
  focus->addWidget(playPauseButton_, 0, Qt::AlignVCenter);
  row->addWidget(focusPill_, 0, Qt::AlignVCenter);
  return status;
}

QWidget* FloatingWidgetView::buildEventRow() {
  eventRow_ = new RoundedPanel(0.04, 6);
  eventRow_->setObjectName(QStringLiteral("eventRow"));
  QHBoxLayout* row = hbox(eventRow_, 6, QMargins(8, 4, 8, 4));
  eventDot_ = new ColorDot(5);
  row->addWidget(eventDot_, 0, Qt::AlignVCenter);
  eventTitle_ = new ElidedLabel(QString(), ThemeColor::primary, 10, QFont::DemiBold);
  eventTitle_->setObjectName(QStringLiteral("eventTitle"));
  row->addWidget(eventTitle_, 1);
  eventCountdown_ = new ThemedLabel(QString(), ThemeColor::accent, 9, QFont::DemiBold);
  eventCountdown_->setObjectName(QStringLiteral("eventCountdown"));
  row->addWidget(eventCountdown_, 0, Qt::AlignVCenter);
  meetingButton_ = new PlainButton(QStringLiteral("video.fill"), 8, ThemeColor::accent);
  meetingButton_->setObjectName(QStringLiteral("meetingLink"));
  meetingButton_->setAccessibleName(QStringLiteral("Join meeting"));
  connect(meetingButton_, &PlainButton::clicked, this, [this] {
    if (meetingLink_.isValid() && openLink_) {
      openLink_(meetingLink_);
    }
  });
  row->addWidget(meetingButton_, 0, Qt::AlignVCenter);
  return eventRow_;
}

void FloatingWidgetView::buildReminders(QVBoxLayout* card) {
  remindersToggle_ = new PlainButton(QString(), 0, ThemeColor::secondary);
  remindersToggle_->setObjectName(QStringLiteral("remindersToggle"));
  remindersToggle_->setTextStyle(10, QFont::Medium, ThemeColor::secondary);
  remindersToggle_->setRow(true);
  connect(remindersToggle_, &PlainButton::clicked, this, &FloatingWidgetView::toggleReminders);
  card->addWidget(remindersToggle_);

  remindersList_ = new RoundedPanel(0.03, 6);
  remindersList_->setObjectName(QStringLiteral("remindersList"));
  remindersLayout_ = new QVBoxLayout(remindersList_);
  remindersLayout_->setContentsMargins(6, 6, 6, 6);
  remindersLayout_->setSpacing(4);
  card->addWidget(remindersList_);

  remindersAnimation_ = new QPropertyAnimation(remindersList_, "maximumHeight", this);
  remindersAnimation_->setDuration(remindersAnimationMs);
  remindersAnimation_->setEasingCurve(easeInOut());
  connect(remindersAnimation_, &QAbstractAnimation::finished, this, [this] {
    remindersList_->setMaximumHeight(QWIDGETSIZE_MAX);
    refreshReminders();
  });
}

void FloatingWidgetView::toggleReminders() {
  const int from = remindersList_->isVisibleTo(this) ? remindersList_->height() : 0;
  remindersAnimation_->stop();
  isExpanded_ = !isExpanded_;
  remindersList_->setMaximumHeight(from);
  if (isExpanded_) {
    // The rows are built at once and grow into view.
    refreshReminders();
  }
  remindersAnimation_->setStartValue(from);
  remindersAnimation_->setEndValue(isExpanded_ ? remindersList_->sizeHint().height() : 0);
  remindersAnimation_->start();
  if (!isExpanded_) {
    // The button says so at once; the rows stay until the list is shut.
    refreshReminders();
  }
}

void FloatingWidgetView::togglePin() {
  DataStore& store = *environment_.store;
  AppSettings settings = store.settings();
  settings.isWidgetFloating = !settings.isWidgetFloating;
  store.setSettings(settings);
  store.saveSettings();
  // The panel takes its level and opacity from the settings just saved; without a window
  // manager only the setting changes.
  if (WindowManager* manager = WindowManager::shared()) {
    manager->updateWidgetConfiguration();
  }
}

void FloatingWidgetView::refreshAll() {
  refreshSettings();
  refreshClock();
}

void FloatingWidgetView::refreshSettings() {
  const AppSettings& settings = environment_.store->settings();
  const bool floating = settings.isWidgetFloating;
  pinButton_->setSymbol(floating ? QStringLiteral("pin.fill") : QStringLiteral("pin.slash"));
  pinButton_->setSymbolRole(floating ? ThemeColor::accent : ThemeColor::secondary);
  const QString tip =
      floating ? QStringLiteral("Always on top (Pinned)") : QStringLiteral("Standard window");
  pinButton_->setToolTip(tip);
  pinButton_->setAccessibleName(tip);
  static_cast<RoundedLayer*>(background_->graphicsEffect())->setOpacity(settings.widgetOpacity);

  progress_->setVisible(settings.widgetShowsTaskProgress);
  focusPill_->setVisible(settings.widgetShowsFocus);
  refreshProgress();
  refreshWeather();
  refreshFocus();
  refreshEvent();
  refreshReminders();
}

void FloatingWidgetView::refreshClock() {
  const QDateTime now = environment_.now();
  const QLocale locale;
  timeLabel_->setText(day_lists::shortTime(now, environment_.calendar, locale));
  dateLabel_->setText(day_lists::abbreviatedDate(now, environment_.calendar, locale));
  refreshEvent();
}

void FloatingWidgetView::refreshProgress() {
  if (!environment_.store->settings().widgetShowsTaskProgress) {
    return;
  }
  const DashboardSummary summary =
      environment_.store->todayMetrics(environment_.now(), environment_.calendar);
  ring_->setProgress(summary.taskCompletionRatio());
  progressLabel_->setText(glance::progressText(summary));
}

void FloatingWidgetView::refreshWeather() {
  const AppSettings& settings = environment_.store->settings();
  weatherPill_->setWeather(
      settings.widgetShowsWeather ? environment_.store->cachedWeather() : std::nullopt,
      settings.weatherUnit);
}

void FloatingWidgetView::refreshFocus() {
  const FocusTimerManager& timer = *environment_.focusTimer;
  countdownLabel_->setText(day_lists::formatSeconds(timer.displayRemainingSeconds()));
  const glance::FocusControl control = glance::focusControl(timer.status());
  playPauseButton_->setSymbol(control.symbol);
  playPauseButton_->setAccessibleName(control.title);
}

void FloatingWidgetView::refreshEvent() {
  const std::optional<CalendarEventItem> event = environment_.store->settings().widgetShowsNextEvent
                                                     ? environment_.store->nextEvent()
                                                     : std::nullopt;
  eventRow_->setVisible(event.has_value());
  if (!event) {
    meetingLink_ = QUrl();
    return;
  }
  eventDot_->setColor(glance::eventDotColor(*event, Theme::color(ThemeColor::blue, this)));
  eventTitle_->setText(event->title);
  eventCountdown_->setText(event->countdownString(environment_.now()));
  meetingLink_ = event->safeMeetingLink().value_or(QUrl());
  meetingButton_->setVisible(meetingLink_.isValid());
}

void FloatingWidgetView::refreshReminders() {
  DataStore& store = *environment_.store;
  const QDateTime now = environment_.now();
  const glance::Reminders all =
      store.settings().widgetShowsReminders
          ? glance::reminders(store.tasksDueToday(now, environment_.calendar),
                              store.waitingItems(), now, environment_.calendar)
          : glance::Reminders{};
  remindersToggle_->setVisible(!all.isEmpty());
  remindersToggle_->setText(glance::reminderToggleText(isExpanded_, all.count()));
  remindersToggle_->setTrailingSymbol(
      isExpanded_ ? QStringLiteral("chevron.up") : QStringLiteral("chevron.down"), 9);
  // A closing list stays until its animation ends.
  const bool closing = !isExpanded_ && remindersAnimation_->state() == QAbstractAnimation::Running;
  if (closing) {
    return;
  }
  remindersList_->setVisible(isExpanded_ && !all.isEmpty());

  retireWidgets(remindersLayout_);
  if (!remindersList_->isVisibleTo(this)) {
    return;
  }
  const glance::Reminders shown = all.shown();
  auto newRow = [this] {
    auto* row = new QWidget(remindersList_);
    row->setObjectName(QStringLiteral("reminderRow"));
    remindersLayout_->addWidget(row);
    return hbox(row, 6);
  };
  QWidget* previous = remindersToggle_;
  for (const TaskItem& task : shown.tasks) {
    QHBoxLayout* row = newRow();
    PlainButton* complete = completeTaskButton(task, 10, environment_, this);
    row->addWidget(complete, 0, Qt::AlignVCenter);
    auto* title = new ElidedLabel(task.title, ThemeColor::primary, 10);
    title->setObjectName(QStringLiteral("reminderTitle"));
    row->addWidget(title, 1);
    row->parentWidget()->show();
    QWidget::setTabOrder(previous, complete);
    previous = complete;
  }
  for (const WaitingForItem& item : shown.followUps) {
    QHBoxLayout* row = newRow();
    auto* symbol =
        new SymbolView(QStringLiteral("clock.badge.exclamationmark"), 9, ThemeColor::orange);
    row->addWidget(symbol, 0, Qt::AlignVCenter);
    auto* title = new ElidedLabel(item.title, ThemeColor::primary, 10);
    title->setObjectName(QStringLiteral("reminderTitle"));
    row->addWidget(title, 1);
    auto* snooze = new PlainButton(QString(), 0, ThemeColor::secondary);
    snooze->setObjectName(QStringLiteral("snooze"));
    snooze->setText(QStringLiteral("Snooze"));
    snooze->setTextStyle(9, QFont::Normal, ThemeColor::secondary);
    connect(snooze, &PlainButton::clicked, this,
            [this, id = item.id] { environment_.store->snoozeWaitingItem(id, kSnoozeDays); });
    row->addWidget(snooze, 0, Qt::AlignVCenter);
    row->parentWidget()->show();
    QWidget::setTabOrder(previous, snooze);
    previous = snooze;
  }
}

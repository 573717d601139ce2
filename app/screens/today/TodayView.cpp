#include "app/screens/today/TodayView.h"

#include "app/platform/SymbolImage.h"
#include "app/platform/Theme.h"
#include "app/screens/today/TodayLogic.h"
#include "app/ui/CardView.h"
#include "app/ui/CircularProgressRing.h"
#include "app/ui/Confirmation.h"
#include "app/ui/Color.h"
#include "app/ui/DayLists.h"
#include "app/ui/Divider.h"
#include "app/ui/PriorityBadge.h"
#include "app/ui/ProminentButton.h"
#include "app/ui/SymbolView.h"
#include "app/ui/ThemedLabel.h"
#include "app/ui/WidgetRetirement.h"
#include "core/model/WeatherConditionHelper.h"
#include "core/services/FocusTimerManager.h"
#include "core/services/MinuteClock.h"
#include "core/services/WeatherServiceProtocol.h"
#include "core/store/DataStore.h"

#include <QDesktopServices>
#include <QFrame>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <QProgressBar>
#include <QPushButton>
#include <QResizeEvent>
#include <QScrollArea>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

constexpr int kPadding = 18;
constexpr int kSpacing = 18;
constexpr int kGridSpacing = 14;
constexpr int kGridColumnMinWidth = 280;
constexpr int kTodayTaskLimit = 4;
constexpr int kFollowUpLimit = 3;
constexpr int kSnoozeDays = 3;

// A rounded panel tinted with a colour; the banners and the weather chip.
class TintedPanel : public QWidget {
 public:
  TintedPanel(ThemeColor tint, qreal opacity, qreal radius, QWidget* parent)
      : QWidget(parent), tint_(tint), opacity_(opacity), radius_(radius) {}

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    QColor color = Theme::color(tint_, this);
    color.setAlphaF(color.alphaF() * float(opacity_));
    const qreal radius = radius_ < 0 ? height() / 2.0 : radius_;  // below 0: a capsule
    QPainterPath path;
    path.addRoundedRect(rect(), radius, radius);
    p.fillPath(path, color);
  }

 private:
  ThemeColor tint_;
  qreal opacity_;
  qreal radius_;
};

// One line of text cut with an ellipsis to the room it gets.
class ElidedLabel : public ThemedLabel {
 public:
  using ThemedLabel::ThemedLabel;
  QSize minimumSizeHint() const override { return QSize(0, ThemedLabel::minimumSizeHint().height()); }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.setFont(font());
    p.setPen(palette().color(QPalette::WindowText));
    p.drawText(contentsRect(), int(alignment()) | Qt::TextSingleLine,
               fontMetrics().elidedText(text(), Qt::ElideRight, contentsRect().width()));
  }
};

// The coloured dot of an event's calendar.
class Dot : public QWidget {
 public:
  explicit Dot(QWidget* parent) : QWidget(parent) { setFixedSize(8, 8); }
  void setColor(const QColor& color) {
    color_ = color;
    update();
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(color_);
    p.drawEllipse(rect());
  }

 private:
  QColor color_;
};

ElidedLabel* elidedLabel(int pixelSize, QFont::Weight weight, ThemeColor role, QWidget* parent) {
  auto* result = new ElidedLabel(QString(), role, parent);
  result->setTextStyle(pixelSize, weight);
  result->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  return result;
}

QPushButton* smallButton(const QString& text, int pixelSize, QWidget* parent, bool flat = false) {
  auto* button = new QPushButton(text, parent);
  button->setFont(Theme::font(button->font(), pixelSize, QFont::Medium));
  button->setFlat(flat);
  button->setAutoDefault(false);
  if (flat) {
    button->setCursor(Qt::PointingHandCursor);
    button->setStyleSheet(QStringLiteral("QPushButton { color: palette(highlight); border: none; "
                                         "padding: 0; text-align: left; }"));
  }
  return button;
}

QToolButton* symbolButton(const QString& symbol, int size, ThemeColor role, const QString& name,
                          QWidget* parent) {
  auto* button = new QToolButton(parent);
  button->setAutoRaise(true);
  button->setIcon(SymbolImage::icon(symbol, role, parent));
  button->setIconSize(QSize(size, size));
  button->setAccessibleName(name);
  button->setToolTip(name);
  button->setFocusPolicy(Qt::StrongFocus);
  return button;
}

QHBoxLayout* row(QWidget* parent, int spacing) {
  auto* layout = new QHBoxLayout(parent);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(spacing);
  return layout;
}

QVBoxLayout* column(QWidget* parent, int spacing) {
  auto* layout = new QVBoxLayout(parent);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(spacing);
  return layout;
}

}  // namespace

TodayView::TodayView(const ScreenEnvironment& environment, TabBinding activeTab,
                     std::shared_ptr<WeatherServiceProtocol> weatherService, QWidget* parent)
    : QWidget(parent),
      environment_(environment),
      activeTab_(std::move(activeTab)),
      weatherService_(std::move(weatherService)) {
  auto* outer = new QVBoxLayout(this);
  outer->setContentsMargins(0, 0, 0, 0);
  auto* scroll = new QScrollArea(this);
  scroll->setFrameShape(QFrame::NoFrame);
  scroll->setWidgetResizable(true);
  scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  outer->addWidget(scroll);
  auto* content = new QWidget(scroll);
  content->setObjectName(QStringLiteral("todayContent"));
  auto* stack = new QVBoxLayout(content);
  stack->setContentsMargins(kPadding, kPadding, kPadding, kPadding);
  stack->setSpacing(kSpacing);
  scroll->setWidget(content);

  stack->addWidget(buildHeader());

  // A save that failed, or files a newer version wrote: said where the user looks first.
  statusBanner_ = new TintedPanel(ThemeColor::red, 0.1, 8, content);
  {
    auto* layout = row(statusBanner_, 10);
    layout->setContentsMargins(10, 10, 10, 10);
    layout->addWidget(new SymbolView(QStringLiteral("info.circle.fill"), 14, ThemeColor::red, statusBanner_),
                      0, Qt::AlignTop);
    statusText_ = new ThemedLabel(QString(), ThemeColor::primary, 12, QFont::Normal, statusBanner_);
    statusText_->setWordWrap(true);
    layout->addWidget(statusText_, 1);
  }
  stack->addWidget(statusBanner_);

  sampleBanner_ = new TintedPanel(ThemeColor::blue, 0.1, 8, content);
  {
    auto* layout = row(sampleBanner_, 10);
    layout->setContentsMargins(10, 10, 10, 10);
    layout->addWidget(new SymbolView(QStringLiteral("info.circle.fill"), 14, ThemeColor::blue, sampleBanner_));
    auto* text =
        new ThemedLabel(QStringLiteral("You are viewing sample data to preview the dashboard."),
                        ThemeColor::primary, 12, QFont::Normal, sampleBanner_);
    text->setWordWrap(true);
    layout->addWidget(text, 1);
    removeSample_ = smallButton(QStringLiteral("Remove Sample Data"), 11, sampleBanner_);
    layout->addWidget(removeSample_);
    connect(removeSample_, &QPushButton::clicked, this, &TodayView::confirmRemovingSampleData);
  }
  stack->addWidget(sampleBanner_);

  stack->addWidget(buildIntentionCard());

  emailPrompt_ = new TintedPanel(ThemeColor::purple, 0.08, 8, content);
  {
    auto* layout = row(emailPrompt_, 12);
    layout->setContentsMargins(12, 12, 12, 12);
    layout->addWidget(new SymbolView(QStringLiteral("envelope.badge.fill"), 16, ThemeColor::purple, emailPrompt_));
    auto* texts = new QVBoxLayout();
    texts->setSpacing(1);
    texts->addWidget(new ThemedLabel(QStringLiteral("Email Assistant"), ThemeColor::primary, 12,
                                     QFont::Bold, emailPrompt_));
    emailText_ = new ThemedLabel(QString(), ThemeColor::secondary, 11, QFont::Normal, emailPrompt_);
    emailText_->setWordWrap(true);
    texts->addWidget(emailText_);
    layout->addLayout(texts, 1);
    reviewNow_ = new ProminentButton(QStringLiteral("Review Now"), emailPrompt_);
    layout->addWidget(reviewNow_);
    connect(reviewNow_, &QPushButton::clicked, this, [this] { moveTo(DashboardTab::emailInbox); });
  }
  stack->addWidget(emailPrompt_);

  grid_ = new QBoxLayout(QBoxLayout::LeftToRight);
  grid_->setSpacing(kGridSpacing);
  grid_->addWidget(buildEventCard(), 1);
  grid_->addWidget(buildFocusCard(), 1);
  stack->addLayout(grid_);

  stack->addWidget(buildTasksCard());

  followUpRows_ = new QWidget(content);
  followUpRowsLayout_ = column(followUpRows_, 6);
  followUps_ = new CardView(QStringLiteral("Follow-ups Due"), QStringLiteral("clock.badge.exclamationmark"),
                            nullptr, followUpRows_, content);
  stack->addWidget(followUps_);
  stack->addStretch(1);

  if (DataStore* store = environment_.store) {
    for (auto signal : {&DataStore::tasksChanged, &DataStore::waitingItemsChanged,
                        &DataStore::emailSuggestionsChanged, &DataStore::settingsChanged,
                        &DataStore::dailyIntentionChanged, &DataStore::customGreetingChanged,
                        &DataStore::cachedWeatherChanged, &DataStore::manualEventsChanged,
                        &DataStore::calendarEventsChanged, &DataStore::focusSessionsChanged,
                        &DataStore::billsChanged, &DataStore::saveErrorChanged,
                        &DataStore::loadWarningChanged}) {
      connect(store, signal, this, &TodayView::refresh);
    }
  }
  if (MinuteClock* clock = environment_.minuteClock) {
    connect(clock, &MinuteClock::minuteChanged, this, &TodayView::refreshTime);
  }
  if (FocusTimerManager* timer = environment_.focusTimer) {
    connect(timer, &FocusTimerManager::statusChanged, this, &TodayView::refreshFocus);
    connect(timer, &FocusTimerManager::sessionTypeChanged, this, &TodayView::refreshFocus);
    connect(timer, &FocusTimerManager::displayRemainingSecondsChanged, this, &TodayView::refreshFocus);
    connect(timer, &FocusTimerManager::displayProgressChanged, this, &TodayView::refreshFocus);
    connect(timer, &FocusTimerManager::focusDurationMinutesChanged, this, &TodayView::refreshFocus);
  }
  refresh();
}

TodayView::~TodayView() = default;

QWidget* TodayView::buildHeader() {
  auto* header = new QWidget(this);
  auto* layout = row(header, 12);
  auto* titles = new QVBoxLayout();
  titles->setSpacing(4);
  greeting_ = new ThemedLabel(QString(), ThemeColor::primary, 26, QFont::Bold, header);
  greeting_->setWordWrap(true);
  date_ = new ThemedLabel(QString(), ThemeColor::secondary, 13, QFont::Medium, header);
  titles->addWidget(greeting_);
  titles->addWidget(date_);
  layout->addLayout(titles, 1);
  layout->setAlignment(titles, Qt::AlignTop);

  weatherChip_ = new TintedPanel(ThemeColor::primary, 0.05, -1, header);
  auto* chip = row(weatherChip_, 8);
  chip->setContentsMargins(10, 6, 10, 6);
  weatherSymbol_ = new SymbolView(QStringLiteral("cloud.sun"), 16, ThemeColor::primary, weatherChip_);
  chip->addWidget(weatherSymbol_);
  auto* texts = new QVBoxLayout();
  texts->setSpacing(1);
  weatherTemp_ = new ThemedLabel(QString(), ThemeColor::primary, 13, QFont::DemiBold, weatherChip_);
  weatherPlace_ =
      new ThemedLabel(QString(), ThemeColor::secondary, 10, QFont::Normal, weatherChip_);
  texts->addWidget(weatherTemp_);
  texts->addWidget(weatherPlace_);
  chip->addLayout(texts);
  layout->addWidget(weatherChip_, 0, Qt::AlignTop);
  return header;
}

QWidget* TodayView::buildIntentionCard() {
  auto* content = new QWidget(this);
  auto* layout = row(content, 12);
  auto* sparkles = new SymbolView(QStringLiteral("sparkles"), 16, ThemeColor::yellow, content);
  sparkles->setContentsMargins(0, 2, 0, 0);
  layout->addWidget(sparkles, 0, Qt::AlignTop);
  auto* texts = new QVBoxLayout();
  texts->setSpacing(4);
  texts->addWidget(new ThemedLabel(QStringLiteral("DAILY INTENTION"), ThemeColor::secondary, 10,
                                   QFont::Bold, content));
  intentionEditor_ = new QWidget(content);
  auto* editor = row(intentionEditor_, 8);
  intentionField_ = new QLineEdit(intentionEditor_);
  intentionField_->setPlaceholderText(QStringLiteral("Set your daily focus..."));
  intentionField_->setAccessibleName(QStringLiteral("Daily intention"));
  editor->addWidget(intentionField_, 1);
  saveIntention_ = new ProminentButton(QStringLiteral("Save"), intentionEditor_);
  editor->addWidget(saveIntention_);
  texts->addWidget(intentionEditor_);
  intentionText_ = new ThemedLabel(QString(), ThemeColor::primary, 14, QFont::Medium, content);
  intentionText_->setWordWrap(true);
  texts->addWidget(intentionText_);
  layout->addLayout(texts, 1);
  editIntention_ = symbolButton(QStringLiteral("pencil"), 11, ThemeColor::secondary,
                                QStringLiteral("Edit daily intention"), content);
  layout->addWidget(editIntention_, 0, Qt::AlignTop);

  connect(editIntention_, &QToolButton::clicked, this, &TodayView::beginEditingIntention);
  connect(saveIntention_, &QPushButton::clicked, this, &TodayView::saveIntention);
  connect(intentionField_, &QLineEdit::returnPressed, this, &TodayView::saveIntention);
  connect(intentionField_, &QLineEdit::textEdited, this,
          [this](const QString& text) { state_.editedIntention = text; });
  return new CardView(std::nullopt, std::nullopt, nullptr, content, this);
}

QWidget* TodayView::buildEventCard() {
  auto* content = new QWidget(this);
  auto* layout = column(content, 0);

  eventDetails_ = new QWidget(content);
  auto* details = column(eventDetails_, 8);
  auto* titleRow = new QHBoxLayout();
  titleRow->setSpacing(6);
  auto* dot = new Dot(eventDetails_);
  eventDot_ = dot;
  titleRow->addWidget(dot);
  eventTitle_ = elidedLabel(13, QFont::DemiBold, ThemeColor::primary, eventDetails_);
  titleRow->addWidget(eventTitle_, 1);
  eventCountdown_ =
      new ThemedLabel(QString(), ThemeColor::accent, 11, QFont::DemiBold, eventDetails_);
  titleRow->addWidget(eventCountdown_);
  details->addLayout(titleRow);
  auto* lines = new QVBoxLayout();
  lines->setSpacing(3);
  auto* timeRow = new QHBoxLayout();
  timeRow->setSpacing(4);
  timeRow->addWidget(new SymbolView(QStringLiteral("clock"), 11, ThemeColor::secondary, eventDetails_));
  eventTime_ = new ThemedLabel(QString(), ThemeColor::secondary, 11, QFont::Normal, eventDetails_);
  timeRow->addWidget(eventTime_, 1);
  lines->addLayout(timeRow);
  eventLocationRow_ = new QWidget(eventDetails_);
  auto* locationRow = row(eventLocationRow_, 4);
  locationRow->addWidget(new SymbolView(QStringLiteral("mappin"), 11, ThemeColor::secondary, eventLocationRow_));
  eventLocation_ = elidedLabel(11, QFont::Normal, ThemeColor::secondary, eventLocationRow_);
  locationRow->addWidget(eventLocation_, 1);
  lines->addWidget(eventLocationRow_);
  details->addLayout(lines);
  joinCall_ = new ProminentButton(QStringLiteral("Join Video Call"), eventDetails_);
  joinCall_->setIcon(SymbolImage::icon(QStringLiteral("video.fill"), Qt::white));
  details->addSpacing(4);
  details->addWidget(joinCall_, 0, Qt::AlignLeft);
  connect(joinCall_, &QPushButton::clicked, this, [this] {
    if (!environment_.store) {
      return;
    }
    if (const auto event = environment_.store->nextEvent()) {
      if (const auto url = event->safeMeetingLink()) {
        QDesktopServices::openUrl(*url);
      }
    }
  });
  layout->addWidget(eventDetails_);

  noEvent_ = new QWidget(content);
  auto* none = column(noEvent_, 4);
  none->addWidget(new ThemedLabel(QStringLiteral("No upcoming commitments today."),
                                  ThemeColor::secondary, 12, QFont::Normal, noEvent_));
  addEvent_ = smallButton(QStringLiteral("Add Event"), 11, noEvent_, true);
  none->addWidget(addEvent_, 0, Qt::AlignLeft);
  connect(addEvent_, &QPushButton::clicked, this, [this] { moveTo(DashboardTab::calendar); });
  layout->addWidget(noEvent_);
  layout->addStretch(1);

  auto* card = new CardView(QStringLiteral("Next Event"), QStringLiteral("calendar"), nullptr, content, this);
  card->setMinimumWidth(kGridColumnMinWidth);
  return card;
}

QWidget* TodayView::buildFocusCard() {
  focusDone_ = new ThemedLabel(QString(), ThemeColor::secondary, 10, QFont::Medium, this);
  auto* content = new QWidget(this);
  auto* layout = column(content, 8);
  auto* top = new QHBoxLayout();
  focusType_ = new ThemedLabel(QString(), ThemeColor::primary, 13, QFont::DemiBold, content);
  top->addWidget(focusType_);
  top->addStretch(1);
  focusRemaining_ = new ThemedLabel(QString(), ThemeColor::accent, 16, QFont::Bold, content);
  QFont mono = focusRemaining_->font();
  mono.setFamily(QStringLiteral("monospace"));
  mono.setStyleHint(QFont::Monospace);
  focusRemaining_->setFont(mono);
  top->addWidget(focusRemaining_);
  layout->addLayout(top);
  focusProgress_ = new QProgressBar(content);
  focusProgress_->setRange(0, 1000);
  focusProgress_->setTextVisible(false);
  focusProgress_->setFixedHeight(6);
  focusProgress_->setAccessibleName(QStringLiteral("Focus progress"));
  layout->addWidget(focusProgress_);
  auto* buttons = new QHBoxLayout();
  buttons->setSpacing(8);
  pause_ = smallButton(QStringLiteral("Pause"), 12, content);
  resume_ = new ProminentButton(QStringLiteral("Resume"), content);
  start_ = new ProminentButton(QString(), content);
  reset_ = smallButton(QStringLiteral("Reset"), 12, content, true);
  for (QPushButton* button : {pause_, static_cast<QPushButton*>(resume_),
                              static_cast<QPushButton*>(start_), reset_}) {
    buttons->addWidget(button);
  }
  buttons->addStretch(1);
  layout->addLayout(buttons);
  layout->addStretch(1);

  auto timerCall = [this](void (FocusTimerManager::*call)(const QDateTime&)) {
    return [this, call] {
      if (environment_.focusTimer) {
        (environment_.focusTimer->*call)(environment_.now());
      }
    };
  };
  connect(pause_, &QPushButton::clicked, this, timerCall(&FocusTimerManager::pause));
  connect(resume_, &QPushButton::clicked, this, timerCall(&FocusTimerManager::resume));
  connect(reset_, &QPushButton::clicked, this, timerCall(&FocusTimerManager::reset));
  connect(start_, &QPushButton::clicked, this, [this] {
    if (environment_.focusTimer) {
      environment_.focusTimer->start(FocusSessionType::focus, std::nullopt, std::nullopt,
                                     environment_.now());
    }
  });

  auto* card = new CardView(QStringLiteral("Focus Mode"), QStringLiteral("timer"), focusDone_, content, this);
  card->setMinimumWidth(kGridColumnMinWidth);
  return card;
}

QWidget* TodayView::buildTasksCard() {
  viewAll_ = smallButton(QString(), 11, this, true);
  connect(viewAll_, &QPushButton::clicked, this, [this] { moveTo(DashboardTab::tasks); });
  auto* content = new QWidget(this);
  auto* layout = column(content, 10);
  auto* summary = new QHBoxLayout();
  summary->setSpacing(12);
  // Opens at today's figure; only later changes animate.
  const double ratio =
      environment_.store
          ? environment_.store->todayMetrics(environment_.now(), environment_.calendar).taskCompletionRatio()
          : 0;
  ring_ = new CircularProgressRing(ratio, 6, ThemeColor::blue, 36, content);
  summary->addWidget(ring_);
  auto* texts = new QVBoxLayout();
  texts->setSpacing(2);
  finished_ = new ThemedLabel(QString(), ThemeColor::primary, 12, QFont::Medium, content);
  overdue_ = new ThemedLabel(QString(), ThemeColor::red, 11, QFont::Normal, content);
  texts->addWidget(finished_);
  texts->addWidget(overdue_);
  summary->addLayout(texts);
  summary->addStretch(1);
  layout->addLayout(summary);
  layout->addWidget(new Divider(content));
  noTasks_ = new ThemedLabel(QStringLiteral("No tasks scheduled for today."), ThemeColor::secondary,
                             12, QFont::Normal, content);
  noTasks_->setContentsMargins(0, 4, 0, 4);
  layout->addWidget(noTasks_);
  taskRows_ = new QWidget(content);
  taskRowsLayout_ = column(taskRows_, 6);
  layout->addWidget(taskRows_);
  return new CardView(QStringLiteral("Today's Tasks"), QStringLiteral("checklist"), viewAll_, content, this);
}

void TodayView::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  // One adaptive column of at least 280: side by side only when both cards fit.
  const int room = event->size().width() - 2 * kPadding;
  grid_->setDirection(room >= 2 * kGridColumnMinWidth + kGridSpacing ? QBoxLayout::LeftToRight
                                                                      : QBoxLayout::TopToBottom);
}

void TodayView::moveTo(DashboardTab tab) {
  if (activeTab_.set) {
    activeTab_.set(tab);
  }
}

void TodayView::beginEditingIntention() {
  state_.editedIntention = environment_.store ? environment_.store->dailyIntention() : QString();
  state_.isEditingIntention = true;
  intentionField_->setText(state_.editedIntention);
  refresh();
  intentionField_->setFocus();
}

void TodayView::saveIntention() {
  if (!state_.isEditingIntention) {
    return;
  }
  state_.isEditingIntention = false;
  if (DataStore* store = environment_.store) {
    // As typed: an empty intention is stored empty.
    if (store->setDailyIntention(state_.editedIntention)) {
      store->save();
    }
  }
  refresh();
  editIntention_->setFocus();
}

void TodayView::confirmRemovingSampleData() {
  DataStore* store = environment_.store;
  if (store == nullptr) {
    return;
  }
  if (confirmation_) {
    confirmation_->close();
  }
  const today::SampleRecords records = today::sampleRecords(
      store->tasks(), store->bills(), store->waitingItems(), store->manualEvents());
  QPointer<DataStore> target = store;
  confirmation_ = askToConfirm(
      this,
      {QStringLiteral("Remove Sample Data?"), today::removeSampleDataQuestion(records),
       today::removeSampleDataDetails(records), QStringLiteral("Remove")},
      [target](bool confirmed) {
        if (confirmed && target) {
          target->removeAllSampleData();
        }
      });
}

void TodayView::refreshTime() {
  if (environment_.store == nullptr) {
    return;
  }
  const QDateTime now = environment_.now();
  if (environment_.calendar.date(now) != shownDay_) {
    refresh();  // a new day: its tasks, figures and follow-ups too
    return;
  }
  showTime(now);
  refreshEvent();
}

void TodayView::showTime(const QDateTime& now) {
  const Calendar& calendar = environment_.calendar;
  shownDay_ = calendar.date(now);
  greeting_->setText(today::greetingText(environment_.store->customGreeting(), now, calendar));
  date_->setText(today::dateText(now, calendar, QLocale()));
}

void TodayView::refresh() {
  DataStore* store = environment_.store;
  if (store == nullptr) {
    return;
  }
  showTime(environment_.now());
  const auto& weather = store->cachedWeather();
  weatherChip_->setVisible(weather.has_value());
  if (weather) {
    weatherSymbol_->setSymbol(WeatherConditionHelper::symbol(weather->conditionCode));
    weatherTemp_->setText(weather->formattedTemp(store->settings().weatherUnit));
    weatherPlace_->setText(today::shortLocationName(weather->locationName));
  }

  QStringList problems;
  const std::optional<QString> error = store->saveError();
  if (store->isReadOnly()) {
    problems << QStringLiteral("These files were written by a newer Pelmora and are left as they "
                               "are: %1 Changes are kept only until you quit.")
                    .arg(error.value_or(QString()));
  } else if (error) {
    problems << QStringLiteral("Your latest changes could not be saved: %1").arg(*error);
  }
  if (const auto warning = store->loadWarning()) {
    problems << *warning;  // what was found at launch, set aside and loaded instead
  }
  statusBanner_->setVisible(!problems.isEmpty());
  statusText_->setText(problems.join(QLatin1Char('\n')));

  sampleBanner_->setVisible(store->hasSampleData());

  intentionEditor_->setVisible(state_.isEditingIntention);
  intentionText_->setVisible(!state_.isEditingIntention);
  editIntention_->setVisible(!state_.isEditingIntention);
  intentionText_->setText(store->dailyIntention().isEmpty()
                              ? QStringLiteral("Click edit to set today's primary focus.")
                              : store->dailyIntention());

  const auto pending = store->pendingEmailSuggestions().size();
  emailPrompt_->setVisible(store->settings().isEmailAssistantEnabled && pending > 0);
  emailText_->setText(today::emailPromptText(pending));

  refreshEvent();
  refreshFocus();
  refreshTasks();
  refreshFollowUps();
}

void TodayView::refreshEvent() {
  const auto event = environment_.store ? environment_.store->nextEvent() : std::nullopt;
  eventDetails_->setVisible(event.has_value());
  noEvent_->setVisible(!event.has_value());
  if (!event) {
    return;
  }
  static_cast<Dot*>(eventDot_)->setColor(
      Color::fromHex(event->calendarColorHex).value_or(Theme::color(ThemeColor::blue, this)));
  eventTitle_->setText(event->title);
  eventCountdown_->setText(event->countdownString(environment_.now()));
  eventTime_->setText(today::eventTimeText(*event, environment_.calendar, QLocale()));
  const bool hasLocation = event->location && !event->location->isEmpty();
  eventLocationRow_->setVisible(hasLocation);
  eventLocation_->setText(hasLocation ? *event->location : QString());
  joinCall_->setVisible(event->safeMeetingLink().has_value());
}

void TodayView::refreshFocus() {
  FocusTimerManager* timer = environment_.focusTimer;
  if (timer == nullptr) {
    return;
  }
  focusType_->setText(displayText(timer->sessionType()));
  focusRemaining_->setText(day_lists::formatSeconds(timer->displayRemainingSeconds()));
  focusProgress_->setValue(int(std::clamp(timer->displayProgress(), 0.0, 1.0) * 1000));
  const TimerStatus status = timer->status();
  pause_->setVisible(status == TimerStatus::running);
  resume_->setVisible(status == TimerStatus::paused);
  start_->setVisible(status == TimerStatus::idle || status == TimerStatus::completed);
  start_->setText(QStringLiteral("Start Focus (%1m)").arg(timer->focusDurationMinutes()));
}

void TodayView::refreshTasks() {
  DataStore* store = environment_.store;
  const QDateTime now = environment_.now();
  const DashboardSummary summary = store->todayMetrics(now, environment_.calendar);
  // Here rather than with the timer's ticks: finished sessions are the store's.
  focusDone_->setText(QStringLiteral("%1 done").arg(summary.focusSessionsToday));
  viewAll_->setText(today::viewAllText(store->tasks()));
  ring_->setProgress(summary.taskCompletionRatio());
  finished_->setText(today::tasksFinishedText(summary));
  overdue_->setVisible(summary.tasksOverdue >= 1);
  overdue_->setText(QStringLiteral("%1 overdue").arg(summary.tasksOverdue));

  const QList<TaskItem> tasks = today::todayTasks(
      store->tasksDueToday(now, environment_.calendar), now, environment_.calendar);
  noTasks_->setVisible(tasks.isEmpty());
  taskRows_->setVisible(!tasks.isEmpty());
  retireWidgets(taskRowsLayout_);
  for (const TaskItem& task : tasks.mid(0, kTodayTaskLimit)) {
    auto* line = new QWidget(taskRows_);
    auto* layout = row(line, 8);
    layout->setContentsMargins(0, 2, 0, 2);
    auto* check = symbolButton(
        task.isCompleted ? QStringLiteral("checkmark.circle.fill") : QStringLiteral("circle"), 16,
        task.isCompleted ? ThemeColor::green : ThemeColor::secondary,
        (task.isCompleted ? QStringLiteral("Reopen ") : QStringLiteral("Complete ")) + task.title,
        line);
    check->setObjectName(QStringLiteral("todayTaskCheckbox"));
    layout->addWidget(check);
    auto* title = elidedLabel(12, QFont::Normal,
                              task.isCompleted ? ThemeColor::secondary : ThemeColor::primary, line);
    QFont font = title->font();
    font.setStrikeOut(task.isCompleted);
    title->setFont(font);
    title->setText(task.title);
    layout->addWidget(title, 1);
    layout->addWidget(new PriorityBadge(task.priority, line));
    const QUuid id = task.id;
    connect(check, &QToolButton::clicked, this, [this, id] {
      if (environment_.store) {
        environment_.store->toggleTaskCompletion(id, environment_.now());
      }
    });
    taskRowsLayout_->addWidget(line);
  }
}

void TodayView::refreshFollowUps() {
  const QDateTime now = environment_.now();
  const QList<WaitingForItem> items =
      today::waitingNeedingAttention(environment_.store->waitingItems(), now);
  followUps_->setVisible(!items.isEmpty());
  retireWidgets(followUpRowsLayout_);
  for (const WaitingForItem& item : items.mid(0, kFollowUpLimit)) {
    auto* line = new QWidget(followUpRows_);
    auto* layout = row(line, 8);
    layout->setContentsMargins(0, 2, 0, 2);
    auto* texts = new QVBoxLayout();
    texts->setSpacing(2);
    auto* title = elidedLabel(12, QFont::Medium, ThemeColor::primary, line);
    title->setText(item.title);
    auto* detail = elidedLabel(10, QFont::Normal, ThemeColor::secondary, line);
    detail->setText(today::followUpDetail(item, now, environment_.calendar));
    texts->addWidget(title);
    texts->addWidget(detail);
    layout->addLayout(texts, 1);
    auto* snooze = smallButton(QStringLiteral("Snooze (3d)"), 10, line);
    snooze->setObjectName(QStringLiteral("snoozeButton"));
    auto* resolved = new ProminentButton(QStringLiteral("Resolved"), line);
    resolved->setObjectName(QStringLiteral("resolveButton"));
    layout->addWidget(snooze);
    layout->addWidget(resolved);
    const QUuid id = item.id;
    connect(snooze, &QPushButton::clicked, this, [this, id] {
      if (environment_.store) {
        environment_.store->snoozeWaitingItem(id, kSnoozeDays);
      }
    });
    connect(resolved, &QPushButton::clicked, this, [this, id] {
      if (environment_.store) {
        environment_.store->resolveWaitingItem(id);
      }
    });
    followUpRowsLayout_->addWidget(line);
  }
}

QList<QToolButton*> TodayView::todayTaskButtons() const {
  QList<QToolButton*> result;
  for (int i = 0; i < taskRowsLayout_->count(); ++i) {
    if (QWidget* line = taskRowsLayout_->itemAt(i)->widget()) {
      result.append(line->findChild<QToolButton*>(QStringLiteral("todayTaskCheckbox")));
    }
  }
  return result;
}

CardView* TodayView::followUpsCard() const {
  return followUps_->isVisibleTo(this) ? followUps_ : nullptr;
}

QList<QPushButton*> TodayView::snoozeButtons() const {
  QList<QPushButton*> result;
  for (int i = 0; i < followUpRowsLayout_->count(); ++i) {
    if (QWidget* line = followUpRowsLayout_->itemAt(i)->widget()) {
      result.append(line->findChild<QPushButton*>(QStringLiteral("snoozeButton")));
    }
  }
  return result;
}

QList<QPushButton*> TodayView::resolveButtons() const {
  QList<QPushButton*> result;
  for (int i = 0; i < followUpRowsLayout_->count(); ++i) {
    if (QWidget* line = followUpRowsLayout_->itemAt(i)->widget()) {
      result.append(line->findChild<QPushButton*>(QStringLiteral("resolveButton")));
    }
  }
  return result;
}

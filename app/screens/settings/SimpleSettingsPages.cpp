#include "app/screens/settings/SimpleSettingsPages.h"

#include "core/services/FocusTimerManager.h"
#include "core/store/DataStore.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpression>
#include <QSignalBlocker>
#include <QSlider>
#include <QVBoxLayout>

namespace {

template <typename E>
QComboBox* enumCombo(QWidget* parent) {
  auto* combo = new QComboBox(parent);
  for (E value : allCases<E>) {
    combo->addItem(displayText(value), static_cast<int>(value));
  }
  combo->setSizeAdjustPolicy(QComboBox::AdjustToContents);
  // At its own width: a choice of three words does not stretch across the page.
  combo->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
  return combo;
}

template <typename E>
void selectIn(QComboBox* combo, E value) {
  const QSignalBlocker blocker(combo);
  combo->setCurrentIndex(combo->findData(static_cast<int>(value)));
}

std::optional<QString> trimmedOrNothing(const QString& text) {
  const QString trimmed = text.trimmed();
  return trimmed.isEmpty() ? std::nullopt : std::optional<QString>(trimmed);
}

}  // namespace

// ---- General ----

GeneralSettingsPage::GeneralSettingsPage(std::shared_ptr<SettingsContext> pageContext,
                                         QWidget* parent)
    : SettingsPage(std::move(pageContext), SettingsTab::general, parent) {
  addSection(QStringLiteral("Profile"));
  addText(QStringLiteral("Your name:"), &AppSettings::userName,
          [](const QString& text) { return std::optional<QString>(text.trimmed()); })
      ->setPlaceholderText(QStringLiteral("Used in the greeting"));

  addSection(QStringLiteral("Appearance"));
  theme_ = enumCombo<AppThemeMode>(this);
  addRow(QStringLiteral("Theme:"), theme_);
  connect(theme_, &QComboBox::currentIndexChanged, this, [this] {
    const auto mode = static_cast<AppThemeMode>(theme_->currentData().toInt());
    context().changeSettings([&](AppSettings& s) { s.theme = mode; });
    if (context().services().setThemeMode) {
      context().services().setThemeMode(mode);
    }
  });

  addSection(QStringLiteral("Startup"));
  addSwitch(
      QStringLiteral("Launch Pelmora at login"), &AppSettings::launchAtLogin,
      [this](bool on) {
        const auto& set = context().services().setLaunchAtLogin;
        const std::optional<QString> error = set ? set(on) : std::nullopt;
        showMessage(launchError_, error, ThemeColor::red);
        if (error) {
          // The setting says what the desktop will do, so a failed change is taken back.
          context().changeSettings([&](AppSettings& s) { s.launchAtLogin = !on; });
        }
      },
      QStringLiteral("Login:"));
  launchError_ = addMessageLine();
  addSwitch(QStringLiteral("Show Pelmora in the system tray"), &AppSettings::showInMenuBar, {},
            QStringLiteral("Tray:"));

  addSection(QStringLiteral("New items"));
  priority_ = enumCombo<TaskPriority>(this);
  addRow(QStringLiteral("Default priority:"), priority_);
  connect(priority_, &QComboBox::currentIndexChanged, this, [this] {
    const auto priority = static_cast<TaskPriority>(priority_->currentData().toInt());
    context().changeSettings([&](AppSettings& s) { s.defaultTaskPriority = priority; });
  });
  addText(QStringLiteral("Default category:"), &AppSettings::defaultCategory, [](const QString& t) {
    const QString trimmed = t.trimmed();
    return std::optional<QString>(trimmed.isEmpty() ? QStringLiteral("General") : trimmed);
  });
  auto* currency = addText(
      QStringLiteral("Default currency:"), &AppSettings::defaultCurrency,
      [](const QString& text) -> std::optional<QString> {
        static const QRegularExpression code(QStringLiteral("^[A-Z]{3}$"));
        const QString upper = text.trimmed().toUpper();
        return code.match(upper).hasMatch() ? std::optional<QString>(upper) : std::nullopt;
      });
  currency->setMaxLength(3);
  currency->setMaximumWidth(80);
  currency->setToolTip(QStringLiteral("A three-letter currency code such as USD, EUR or GBP"));
  redraw();
}

void GeneralSettingsPage::refresh() {
  const AppSettings settings = context().settings();
  selectIn(theme_, settings.theme);
  selectIn(priority_, settings.defaultTaskPriority);
}

// ---- Cards ----

CardsSettingsPage::CardsSettingsPage(std::shared_ptr<SettingsContext> pageContext, QWidget* parent)
    : SettingsPage(std::move(pageContext), SettingsTab::cards, parent) {
  addSection(QStringLiteral("Tray popover"));
  addSwitch(QStringLiteral("Weather"), &AppSettings::popoverShowsWeather, {},
            QStringLiteral("Show:"));
  addSwitch(QStringLiteral("Upcoming events"), &AppSettings::popoverShowsEvents);
  addSwitch(QStringLiteral("Today's tasks"), &AppSettings::popoverShowsTasks);

  addSection(QStringLiteral("Calendar"));
  addNumber(QStringLiteral("Look ahead:"), &AppSettings::calendarLookAheadDays, 1, 60,
            QStringLiteral(" days"));
  calendars_ = new QWidget(this);
  calendarList_ = new QVBoxLayout(calendars_);
  calendarList_->setContentsMargins(0, 0, 0, 0);
  calendarList_->setSpacing(4);
  addRow(QStringLiteral("Calendars:"), calendars_);
  addNote(QStringLiteral("Events come from the calendars ticked here; with all of them ticked, "
                         "calendars added later show up too."));
  if (DataStore* store = this->context().env().store) {
    connect(store, &DataStore::availableCalendarsChanged, this,
            &CardsSettingsPage::rebuildCalendars);
  }
  rebuildCalendars();
  redraw();
}

void CardsSettingsPage::rebuildCalendars() {
  while (QLayoutItem* item = calendarList_->takeAt(0)) {
    delete item->widget();
    delete item;
  }
  DataStore* store = context().env().store;
  const QList<AppleCalendarInfo> calendars =
      store ? store->availableCalendars() : QList<AppleCalendarInfo>{};
  if (calendars.isEmpty()) {
    auto* none = new QLabel(QStringLiteral("No calendars found on this computer."), calendars_);
    none->setEnabled(false);
    calendarList_->addWidget(none);
    return;
  }
  for (const AppleCalendarInfo& calendar : calendars) {
    // A calendar's own name: an "&" in it is text, not a keyboard mnemonic.
    QString name = calendar.title;
    auto* box = new QCheckBox(name.replace(QLatin1Char('&'), QStringLiteral("&&")), calendars_);
    box->setProperty("calendarID", calendar.id);
    connect(box, &QCheckBox::toggled, this,
            [this, id = calendar.id](bool on) { setCalendarSelected(id, on); });
    calendarList_->addWidget(box);
  }
  refresh();
}

void CardsSettingsPage::refresh() {
  const QSet<QString> selected = context().settings().selectedCalendarIDs;
  for (QCheckBox* box : calendars_->findChildren<QCheckBox*>()) {
    const QSignalBlocker blocker(box);
    box->setChecked(selected.isEmpty() || selected.contains(box->property("calendarID").toString()));
  }
}

void CardsSettingsPage::setCalendarSelected(const QString& id, bool selected) {
  QSet<QString> all;
  for (const AppleCalendarInfo& calendar : context().env().store->availableCalendars()) {
    all.insert(calendar.id);
  }
  QSet<QString> chosen = context().settings().selectedCalendarIDs;
  if (chosen.isEmpty()) {
    chosen = all;  // nothing stored means every calendar
  }
  if (selected) {
    chosen.insert(id);
  } else {
    chosen.remove(id);
  }
  if (chosen.isEmpty()) {
    refresh();  // an empty choice would read as every calendar: keep the last one ticked
    return;
  }
  context().changeSettings([&](AppSettings& s) { s.selectedCalendarIDs = chosen == all ? QSet<QString>{} : chosen; });
}

// ---- Widget ----

WidgetSettingsPage::WidgetSettingsPage(std::shared_ptr<SettingsContext> pageContext, QWidget* parent)
    : SettingsPage(std::move(pageContext), SettingsTab::widget, parent) {
  const auto tellWidget = [this](auto) {
    if (this->context().services().updateWidgetConfiguration) {
      this->context().services().updateWidgetConfiguration();
    }
  };
  addSection(QStringLiteral("Floating widget"));
  addSwitch(QStringLiteral("Keep the widget above other windows"), &AppSettings::isWidgetFloating,
            tellWidget, QStringLiteral("Position:"));
  opacity_ = new QSlider(Qt::Horizontal, this);
  opacity_->setRange(AppSettings::minimumWidgetOpacityPercent, 100);
  opacity_->setSingleStep(5);
  opacity_->setPageStep(10);
  opacity_->setMinimumWidth(180);
  opacity_->setMaximumWidth(300);
  opacity_->setAccessibleName(QStringLiteral("Widget opacity"));
  opacityValue_ = new QLabel(this);
  opacityValue_->setMinimumWidth(opacityValue_->fontMetrics().horizontalAdvance(QStringLiteral("100 %")));
  auto* row = new QHBoxLayout;
  row->addWidget(opacity_, 1);
  row->addWidget(opacityValue_);
  row->addStretch(1);
  addRow(QStringLiteral("Opacity:"), row);
  connect(opacity_, &QSlider::valueChanged, this, [this](int value) {
    opacityValue_->setText(QStringLiteral("%1 %").arg(value));
    if (!opacity_->isSliderDown()) {
      saveOpacity();
    }
  });
  connect(opacity_, &QSlider::sliderReleased, this, &WidgetSettingsPage::saveOpacity);

  addSection(QStringLiteral("Sections"));
  addSwitch(QStringLiteral("Weather"), &AppSettings::widgetShowsWeather, {},
            QStringLiteral("Show:"));
  addSwitch(QStringLiteral("Next event"), &AppSettings::widgetShowsNextEvent);
  addSwitch(QStringLiteral("Focus timer"), &AppSettings::widgetShowsFocus);
  addSwitch(QStringLiteral("Task progress"), &AppSettings::widgetShowsTaskProgress);
  addSwitch(QStringLiteral("Reminders"), &AppSettings::widgetShowsReminders);
  redraw();
}

void WidgetSettingsPage::saveOpacity() {
  const double opacity = opacity_->value() / 100.0;
  if (qFuzzyCompare(context().settings().widgetOpacity, opacity)) {
    return;
  }
  context().changeSettings([&](AppSettings& s) { s.widgetOpacity = opacity; });
  if (context().services().updateWidgetConfiguration) {
    context().services().updateWidgetConfiguration();
  }
}

void WidgetSettingsPage::refresh() {
  if (opacity_->isSliderDown()) {
    return;
  }
  const int percent = qBound(AppSettings::minimumWidgetOpacityPercent,
                             int(std::lround(context().settings().widgetOpacity * 100)), 100);
  const QSignalBlocker blocker(opacity_);
  opacity_->setValue(percent);
  opacityValue_->setText(QStringLiteral("%1 %").arg(percent));
}

// ---- Weather ----

WeatherSettingsPage::WeatherSettingsPage(std::shared_ptr<SettingsContext> pageContext,
                                         QWidget* parent)
    : SettingsPage(std::move(pageContext), SettingsTab::weather, parent) {
  addSection(QStringLiteral("Location"));
  addText(QStringLiteral("City:"), &AppSettings::weatherCity, trimmedOrNothing)
      ->setPlaceholderText(QStringLiteral("e.g. London"));
  addSection(QStringLiteral("Display"));
  unit_ = enumCombo<TemperatureUnit>(this);
  addRow(QStringLiteral("Temperature unit:"), unit_);
  connect(unit_, &QComboBox::currentIndexChanged, this, [this] {
    const auto unit = static_cast<TemperatureUnit>(unit_->currentData().toInt());
    context().changeSettings([&](AppSettings& s) { s.weatherUnit = unit; });
  });
  addNumber(QStringLiteral("Refresh every:"), &AppSettings::weatherRefreshMinutes, 10, 180,
            QStringLiteral(" min"));
  redraw();
}

void WeatherSettingsPage::refresh() { selectIn(unit_, context().settings().weatherUnit); }

// ---- Focus ----

FocusSettingsPage::FocusSettingsPage(std::shared_ptr<SettingsContext> pageContext, QWidget* parent)
    : SettingsPage(std::move(pageContext), SettingsTab::focus, parent) {
  const auto tellTimer = [this](int) {
    FocusTimerManager* timer = this->context().env().focusTimer;
    if (timer == nullptr) {
      return;
    }
    const AppSettings s = this->context().settings();
    timer->updateDurations(s.focusDurationMinutes, s.shortBreakDurationMinutes,
                           s.longBreakDurationMinutes, s.sessionsBeforeLongBreak);
  };
  addSection(QStringLiteral("Durations"));
  addNumber(QStringLiteral("Focus:"), &AppSettings::focusDurationMinutes, 1, 180,
            QStringLiteral(" min"), tellTimer);
  addNumber(QStringLiteral("Short break:"), &AppSettings::shortBreakDurationMinutes, 1, 60,
            QStringLiteral(" min"), tellTimer);
  addNumber(QStringLiteral("Long break:"), &AppSettings::longBreakDurationMinutes, 1, 120,
            QStringLiteral(" min"), tellTimer);
  addNumber(QStringLiteral("Long break after:"), &AppSettings::sessionsBeforeLongBreak, 1, 12,
            QStringLiteral(" sessions"), tellTimer);
  addNote(QStringLiteral("A session already under way keeps its length; the next one uses the "
                         "new durations."));
  redraw();
}

// ---- Notifications ----

NotificationsSettingsPage::NotificationsSettingsPage(std::shared_ptr<SettingsContext> pageContext,
                                                     QWidget* parent)
    : SettingsPage(std::move(pageContext), SettingsTab::notifications, parent) {
  addSection(QStringLiteral("Remind me"));
  addSwitch(QStringLiteral("When a focus session ends"), &AppSettings::notifyFocusComplete, {},
            QStringLiteral("Focus:"));
  addSwitch(QStringLiteral("When a task is due"), &AppSettings::notifyTaskDeadlines, {},
            QStringLiteral("Tasks:"));
  addSwitch(QStringLiteral("Before a bill is due"), &AppSettings::notifyBillReminders, {},
            QStringLiteral("Bills:"));
  addNumber(QStringLiteral("Bill reminder:"), &AppSettings::billReminderDaysBefore, 0, 30,
            QStringLiteral(" days before"));
  addSwitch(QStringLiteral("Urgent items found in e-mail"), &AppSettings::notifyUrgentEmails, {},
            QStringLiteral("E-mail:"));
  redraw();
}

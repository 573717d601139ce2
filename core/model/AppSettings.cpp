#include "core/model/AppSettings.h"

#include "core/model/JsonCoding.h"

#include <QJsonArray>

#include <algorithm>
#include <cmath>
#include <type_traits>

QString displayText(AppThemeMode mode) {
  switch (mode) {
    case AppThemeMode::system:
      return QStringLiteral("System");
    case AppThemeMode::light:
      return QStringLiteral("Light");
    case AppThemeMode::dark:
      return QStringLiteral("Dark");
  }
  return {};
}

namespace {

// The one list of stored settings, shared by writing and reading.
template <typename Settings, typename Visitor>
void forEachField(Settings& s, Visitor&& visit) {
  visit("hasCompletedOnboarding", s.hasCompletedOnboarding);
  visit("userName", s.userName);
  visit("theme", s.theme);
  visit("launchAtLogin", s.launchAtLogin);
  visit("showInMenuBar", s.showInMenuBar);
  visit("popoverShowsWeather", s.popoverShowsWeather);
  visit("popoverShowsEvents", s.popoverShowsEvents);
  visit("popoverShowsTasks", s.popoverShowsTasks);
  visit("widgetOpacity", s.widgetOpacity);
  visit("isWidgetFloating", s.isWidgetFloating);
  visit("widgetShowsWeather", s.widgetShowsWeather);
  visit("widgetShowsNextEvent", s.widgetShowsNextEvent);
  visit("widgetShowsFocus", s.widgetShowsFocus);
  visit("widgetShowsTaskProgress", s.widgetShowsTaskProgress);
  visit("widgetShowsReminders", s.widgetShowsReminders);
  visit("weatherCity", s.weatherCity);
  visit("weatherUnit", s.weatherUnit);
  visit("weatherRefreshMinutes", s.weatherRefreshMinutes);
  visit("focusDurationMinutes", s.focusDurationMinutes);
  visit("shortBreakDurationMinutes", s.shortBreakDurationMinutes);
  visit("longBreakDurationMinutes", s.longBreakDurationMinutes);
  visit("sessionsBeforeLongBreak", s.sessionsBeforeLongBreak);
  visit("notifyFocusComplete", s.notifyFocusComplete);
  visit("notifyTaskDeadlines", s.notifyTaskDeadlines);
  visit("notifyBillReminders", s.notifyBillReminders);
  visit("billReminderDaysBefore", s.billReminderDaysBefore);
  visit("notifyUrgentEmails", s.notifyUrgentEmails);
  visit("selectedCalendarIDs", s.selectedCalendarIDs);
  visit("calendarLookAheadDays", s.calendarLookAheadDays);
  visit("isEmailAssistantEnabled", s.isEmailAssistantEnabled);
  visit("emailSyncIntervalMinutes", s.emailSyncIntervalMinutes);
  visit("isCloudAIEnabled", s.isCloudAIEnabled);
  visit("hasConsentedToCloudAI", s.hasConsentedToCloudAI);
  visit("aiModelName", s.aiModelName);
  visit("autoCreateLowRiskDraftTasks", s.autoCreateLowRiskDraftTasks);
  visit("extractBills", s.extractBills);
  visit("extractTasks", s.extractTasks);
  visit("extractAppointments", s.extractAppointments);
  visit("extractWaitingFor", s.extractWaitingFor);
  visit("extractNotices", s.extractNotices);
  visit("defaultTaskPriority", s.defaultTaskPriority);
  visit("defaultCategory", s.defaultCategory);
  visit("defaultCurrency", s.defaultCurrency);
}

struct Writer {
  QJsonObject& object;

  template <typename T>
  void operator()(const char* key, const T& value) {
    object.insert(QLatin1String(key), encode(value));
  }

  static QJsonValue encode(bool value) { return value; }
  static QJsonValue encode(int value) { return value; }
  static QJsonValue encode(double value) { return value; }
  static QJsonValue encode(const QString& value) { return value; }
  static QJsonValue encode(const QSet<QString>& value) {
    QStringList sorted(value.begin(), value.end());
    sorted.sort();  // stable file contents
    return QJsonArray::fromStringList(sorted);
  }
  template <typename E, typename = std::enable_if_t<std::is_enum_v<E>>>
  static QJsonValue encode(E value) {
    return displayText(value);
  }
};

// Leaves the default in place whenever the stored value is missing or of another shape.
struct Reader {
  const QJsonObject& object;

  template <typename T>
  void operator()(const char* key, T& target) {
    const QJsonValue value = object.value(QLatin1String(key));
    if (!value.isUndefined() && !value.isNull()) {
      decode(value, target);
    }
  }

  static void decode(const QJsonValue& value, bool& target) {
    if (value.isBool()) {
      target = value.toBool();
    }
  }
  static void decode(const QJsonValue& value, int& target) {
    const double number = value.toDouble(std::nan(""));
    if (value.isDouble() && number == std::trunc(number) && std::abs(number) <= 1e9) {
      target = static_cast<int>(number);
    }
  }
  static void decode(const QJsonValue& value, double& target) {
    if (value.isDouble()) {
      target = value.toDouble();
    }
  }
  static void decode(const QJsonValue& value, QString& target) {
    if (value.isString()) {
      target = value.toString();
    }
  }
  static void decode(const QJsonValue& value, QSet<QString>& target) {
    if (!value.isArray()) {
      return;
    }
    QSet<QString> result;
    for (const QJsonValue& entry : value.toArray()) {
      if (!entry.isString()) {
        return;
      }
      result.insert(entry.toString());
    }
    target = result;
  }
  template <typename E, typename = std::enable_if_t<std::is_enum_v<E>>>
  static void decode(const QJsonValue& value, E& target) {
    if (auto parsed = fromDisplayText<E>(value.toString())) {
      target = *parsed;
    }
  }
};

}  // namespace

QJsonObject AppSettings::toJson() const {
  QJsonObject object;
  forEachField(*this, Writer{object});
  return object;
}

AppSettings AppSettings::fromJson(const QJsonObject& object) {
  AppSettings settings;
  forEachField(settings, Reader{object});
  // A hand-edited or damaged file must not give an invisible widget, a zero-length
  // focus interval or a look-ahead that reads the calendar for centuries.
  constexpr int week = 7 * 24 * 60;
  settings.widgetOpacity =
      std::clamp(settings.widgetOpacity, minimumWidgetOpacityPercent / 100.0, 1.0);
  settings.weatherRefreshMinutes = std::clamp(settings.weatherRefreshMinutes, 1, week);
  settings.focusDurationMinutes = std::clamp(settings.focusDurationMinutes, 1, 24 * 60);
  settings.shortBreakDurationMinutes = std::clamp(settings.shortBreakDurationMinutes, 1, 24 * 60);
  settings.longBreakDurationMinutes = std::clamp(settings.longBreakDurationMinutes, 1, 24 * 60);
  settings.sessionsBeforeLongBreak = std::clamp(settings.sessionsBeforeLongBreak, 1, 100);
  settings.billReminderDaysBefore = std::clamp(settings.billReminderDaysBefore, 0, 365);
  settings.calendarLookAheadDays = std::clamp(settings.calendarLookAheadDays, 1, 366);
  settings.emailSyncIntervalMinutes = std::clamp(settings.emailSyncIntervalMinutes, 1, week);
  return settings;
}

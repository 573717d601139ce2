#pragma once

#include "core/model/AppConfig.h"
#include "core/model/EnumText.h"
#include "core/model/TaskPriority.h"
#include "core/model/WeatherData.h"

#include <QJsonObject>
#include <QSet>
#include <QString>

enum class AppThemeMode { system, light, dark };

template <>
struct EnumCases<AppThemeMode> {
  static constexpr std::array values{AppThemeMode::system, AppThemeMode::light, AppThemeMode::dark};
};

QString displayText(AppThemeMode mode);

// The user's settings, kept in their own file. Reading is lenient: a field that is missing
// or unreadable takes its default, so a settings file from another version still loads.
struct AppSettings {
  // General
  bool hasCompletedOnboarding = false;
  QString userName;
  AppThemeMode theme = AppThemeMode::system;
  bool launchAtLogin = false;

  // Menu bar and popover
  bool showInMenuBar = true;
  bool popoverShowsWeather = true;
  bool popoverShowsEvents = true;
  bool popoverShowsTasks = true;

  // Floating widget. The opacity stays within what the settings page offers: below it the
  // always-on-top widget would be hard to see, at zero invisible.
  static constexpr int minimumWidgetOpacityPercent = 30;
  double widgetOpacity = 0.95;
  bool isWidgetFloating = false;
  bool widgetShowsWeather = true;
  bool widgetShowsNextEvent = true;
  bool widgetShowsFocus = true;
  bool widgetShowsTaskProgress = true;
  bool widgetShowsReminders = true;

  // Weather
  QString weatherCity = QStringLiteral("San Francisco");
  TemperatureUnit weatherUnit = TemperatureUnit::celsius;
  int weatherRefreshMinutes = 30;

  // Focus timer
  int focusDurationMinutes = 25;
  int shortBreakDurationMinutes = 5;
  int longBreakDurationMinutes = 15;
  int sessionsBeforeLongBreak = 4;

  // Notifications
  bool notifyFocusComplete = true;
  bool notifyTaskDeadlines = true;
  bool notifyBillReminders = true;
  int billReminderDaysBefore = 3;
  bool notifyUrgentEmails = true;

  // Calendar
  QSet<QString> selectedCalendarIDs;
  int calendarLookAheadDays = 7;

  // E-mail assistant
  bool isEmailAssistantEnabled = false;
  int emailSyncIntervalMinutes = 30;
  bool isCloudAIEnabled = false;
  bool hasConsentedToCloudAI = false;
  QString aiModelName = AppConfig::defaultAIModel();
  bool autoCreateLowRiskDraftTasks = false;
  bool extractBills = true;
  bool extractTasks = true;
  bool extractAppointments = true;
  bool extractWaitingFor = true;
  bool extractNotices = true;

  // New records
  TaskPriority defaultTaskPriority = TaskPriority::medium;
  QString defaultCategory = QStringLiteral("General");
  QString defaultCurrency = QStringLiteral("USD");

  QJsonObject toJson() const;
  // Never throws: each missing or unreadable field keeps its default.
  static AppSettings fromJson(const QJsonObject& object);

  bool operator==(const AppSettings&) const = default;
};

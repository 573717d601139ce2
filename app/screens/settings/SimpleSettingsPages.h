#pragma once

#include "app/screens/settings/SettingsPage.h"

class QComboBox;
class QLabel;
class QSlider;
class QVBoxLayout;

// Name, theme, launch at login, tray icon and the defaults of new records.
class GeneralSettingsPage : public SettingsPage {
  Q_OBJECT
 public:
  GeneralSettingsPage(std::shared_ptr<SettingsContext> context, QWidget* parent = nullptr);

 protected:
  void refresh() override;

 private:
  QComboBox* theme_;
  QComboBox* priority_;
  QLabel* launchError_;
};

// What the tray popover shows and which calendars feed the event cards.
class CardsSettingsPage : public SettingsPage {
  Q_OBJECT
 public:
  CardsSettingsPage(std::shared_ptr<SettingsContext> context, QWidget* parent = nullptr);

 protected:
  void refresh() override;

 private:
  void rebuildCalendars();
  void setCalendarSelected(const QString& id, bool selected);

  QWidget* calendars_;
  QVBoxLayout* calendarList_;
};

// The floating widget: on top or not, opacity, and its sections.
class WidgetSettingsPage : public SettingsPage {
  Q_OBJECT
 public:
  WidgetSettingsPage(std::shared_ptr<SettingsContext> context, QWidget* parent = nullptr);

 protected:
  void refresh() override;

 private:
  void saveOpacity();

  QSlider* opacity_;
  QLabel* opacityValue_;
};

class WeatherSettingsPage : public SettingsPage {
  Q_OBJECT
 public:
  WeatherSettingsPage(std::shared_ptr<SettingsContext> context, QWidget* parent = nullptr);

 protected:
  void refresh() override;

 private:
  QComboBox* unit_;
};

// The timer's durations; the focus timer takes them at once.
class FocusSettingsPage : public SettingsPage {
  Q_OBJECT
 public:
  FocusSettingsPage(std::shared_ptr<SettingsContext> context, QWidget* parent = nullptr);
};

class NotificationsSettingsPage : public SettingsPage {
  Q_OBJECT
 public:
  NotificationsSettingsPage(std::shared_ptr<SettingsContext> context, QWidget* parent = nullptr);
};

#pragma once

#include "app/screens/ScreenEnvironment.h"

#include <QUrl>
#include <QWidget>

#include <functional>

class CircularProgressRing;
class ColorDot;
class ElidedLabel;
class PlainButton;
class QLabel;
class QPropertyAnimation;
class QVBoxLayout;
class SymbolView;
class WeatherPill;
class ThemedLabel;
class VisualEffectView;
class WindowDragHandle;

// The floating panel's content: a 280-wide translucent card with a close control, the clock,
// today's task progress, the cached weather, the focus timer, the next event and the reminders.
// The whole card moves the panel when dragged and opens the main window on a double click. Its
// height follows what it shows. The clock and the event's countdown move on at each turn of the
// environment's minute clock.
class FloatingWidgetView : public QWidget {
  Q_OBJECT

 public:
  FloatingWidgetView(const ScreenEnvironment& environment, std::function<void()> onQuickAdd,
                     std::function<void()> onOpenFullDashboard,
                     std::function<void()> onClose = {}, QWidget* parent = nullptr);

  // How long the reminders list takes to open or close.
  static constexpr int remindersAnimationMs = 200;

  // Whether the reminders list is open; false at first, changed only by its button.
  bool isExpanded() const { return isExpanded_; }
  // How a meeting link is opened (the desktop's handler by default); only safe links reach it.
  void setLinkOpener(std::function<void(const QUrl&)> open);
  // Rounded and translucent over a compositor; square and opaque without one, where
  // translucent pixels would show black.
  void setComposited(bool composited);

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  QWidget* buildHeader();
  QWidget* buildStatusRow();
  QWidget* buildEventRow();
  void buildReminders(QVBoxLayout* card);

  void togglePin();
  void toggleReminders();
  void minuteTurned();
  void refreshAll();
  void refreshSettings();
  void refreshClock();
  void refreshProgress();
  void refreshWeather();
  void refreshFocus();
  void refreshEvent();
  void refreshReminders();

  ScreenEnvironment environment_;
  std::function<void()> onQuickAdd_;
  std::function<void()> onOpenFullDashboard_;
  std::function<void()> onClose_;
  std::function<void(const QUrl&)> openLink_;
  bool isExpanded_ = false;
  QUrl meetingLink_;

  VisualEffectView* background_ = nullptr;
  WindowDragHandle* cardHandle_ = nullptr;
  PlainButton* pinButton_ = nullptr;
  QLabel* timeLabel_ = nullptr;
  ThemedLabel* dateLabel_ = nullptr;
  QWidget* progress_ = nullptr;
  CircularProgressRing* ring_ = nullptr;
  QLabel* progressLabel_ = nullptr;
  WeatherPill* weatherPill_ = nullptr;
  QWidget* focusPill_ = nullptr;
  QLabel* countdownLabel_ = nullptr;
  PlainButton* playPauseButton_ = nullptr;
  QWidget* eventRow_ = nullptr;
  ColorDot* eventDot_ = nullptr;
  ElidedLabel* eventTitle_ = nullptr;
  ThemedLabel* eventCountdown_ = nullptr;
  PlainButton* meetingButton_ = nullptr;
  PlainButton* remindersToggle_ = nullptr;
  QWidget* remindersList_ = nullptr;
  QVBoxLayout* remindersLayout_ = nullptr;
  QPropertyAnimation* remindersAnimation_ = nullptr;
};

#pragma once

#include "app/screens/ScreenEnvironment.h"

#include <QPointer>
#include <QUrl>
#include <QWidget>

#include <functional>

class ColorDot;
class ElidedLabel;
class PlainButton;
class ProminentButton;
class QLabel;
class QVBoxLayout;
class SymbolView;
class WeatherPill;
class ThemedLabel;

// The tray popup's content, 300 wide: the clock with the cached weather, the next event, the
// focus timer with one control, up to three of today's open tasks, and the app's actions. It
// keeps no state: every figure is read from the store and the timer, and redrawn when they
// announce a change.
class MenuBarPopoverView : public QWidget {
  Q_OBJECT

 public:
  struct Actions {
    std::function<void()> onOpenDashboard;
    std::function<void()> onToggleWidget;
    std::function<void()> onOpenSettings;
    std::function<void()> onOpenQuickCapture;
  };

  MenuBarPopoverView(const ScreenEnvironment& environment, Actions actions,
                     QWidget* parent = nullptr);

  // How "Quit Pelmora" ends the application (the normal quit path by default).
  void setQuitAction(std::function<void()> quit);
  // How a meeting link is opened (the desktop's handler by default); only safe links reach it.
  void setLinkOpener(std::function<void(const QUrl&)> open);

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void buildHeader(QVBoxLayout* stack);
  void buildEventCard(QVBoxLayout* stack);
  void buildFocusCard(QVBoxLayout* stack);
  void buildPriorities(QVBoxLayout* stack);
  void buildActions(QVBoxLayout* stack);

  void refreshAll();
  // The figures that follow the clock: time, date and the event's countdown.
  void refreshClock();
  void refreshWeather();
  void refreshEvent();
  void refreshFocus();
  void refreshCountdown();
  void refreshTasks();

  ScreenEnvironment environment_;
  Actions actions_;
  std::function<void()> quit_;
  std::function<void(const QUrl&)> openLink_;
  QUrl meetingLink_;

  QLabel* timeLabel_ = nullptr;
  ThemedLabel* dateLabel_ = nullptr;
  WeatherPill* weatherPill_ = nullptr;
  QWidget* eventCard_ = nullptr;
  ColorDot* eventDot_ = nullptr;
  ElidedLabel* eventTitle_ = nullptr;
  ThemedLabel* eventLine_ = nullptr;
  ProminentButton* meetingButton_ = nullptr;
  QLabel* sessionKindLabel_ = nullptr;
  QLabel* countdownLabel_ = nullptr;
  PlainButton* pauseButton_ = nullptr;
  ProminentButton* startButton_ = nullptr;
  ThemedLabel* progressLabel_ = nullptr;
  ThemedLabel* allDoneLabel_ = nullptr;
  QWidget* taskRows_ = nullptr;
  QVBoxLayout* taskRowsLayout_ = nullptr;
  PlainButton* firstAction_ = nullptr;
};

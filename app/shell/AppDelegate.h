#pragma once

#include "app/shell/WindowManager.h"

#include <QObject>

#include <functional>
#include <memory>
#include <optional>

class CalendarService;
class DataStore;
class EventStore;
class FocusTimerManager;
class NotificationService;

// What an application-wide key press asks for. Ctrl stands for the other platform's Command.
enum class GlobalShortcut { none, showMainWindow, newQuickCapture, openSettings, quit };

// Ctrl+Shift+L and Ctrl+Shift+K, whatever other modifiers are held; Ctrl+, (Settings) and
// Ctrl+Q (Quit) with no other modifier but the keypad's; everything else is none.
GlobalShortcut globalShortcutFor(int key, Qt::KeyboardModifiers modifiers);

// Builds the application's object graph once the event loop is about to run, answers a
// second start of Pelmora, owns the two application-wide shortcuts and shuts down in order.
class AppDelegate : public QObject {
  Q_OBJECT

 public:
  struct Options {
    // The store's folder; nothing selects $XDG_DATA_HOME/Pelmora.
    std::optional<QString> storageFolder;
    // The desktop's calendars unless a test gives its own.
    std::function<std::unique_ptr<EventStore>()> makeEventStore;
    WindowManager::Seams seams;
  };

  explicit AppDelegate(Options options = {}, QObject* parent = nullptr);
  ~AppDelegate() override;

  // Services, store, focus timer, window manager, its start-up, the main window, the key
  // filter and the launch log line, in that order.
  void applicationDidFinishLaunching();
  // Pelmora started again: the main window comes forward, shown and no longer minimized,
  // whether or not another window of ours is on screen. Always true.
  bool applicationShouldHandleReopen(bool hasVisibleWindows);
  // Stops the timers and observers, saves the store and logs; once, however often it is
  // called (the quit signal, SIGTERM and the session's end may all arrive).
  void applicationWillTerminate();

  // True when a window of the application that the window manager handles is on screen: not
  // hidden, not minimized, and not the tray icon's, a popup's or a tooltip's own window.
  static bool hasVisibleWindows();

  DataStore* store() const { return store_.get(); }
  FocusTimerManager* focusTimer() const { return focusTimer_.get(); }
  WindowManager* windowManager() const { return windowManager_.get(); }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  Options options_;
  std::unique_ptr<NotificationService> notificationService_;
  std::unique_ptr<CalendarService> calendarService_;
  std::unique_ptr<DataStore> store_;
  std::unique_ptr<FocusTimerManager> focusTimer_;
  std::unique_ptr<WindowManager> windowManager_;
  bool terminated_ = false;
};

#include "app/shell/AppDelegate.h"

#include "app/platform/Theme.h"
#include "core/model/DiagnosticLogger.h"
#include "core/platform/DesktopEventStore.h"
#include "core/services/CalendarService.h"
#include "core/services/FocusTimerManager.h"
#include "core/services/NotificationService.h"
#include "core/store/DataStore.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMainWindow>
#include <QWidget>

#include <algorithm>

GlobalShortcut globalShortcutFor(int key, Qt::KeyboardModifiers modifiers) {
  const Qt::KeyboardModifiers required = Qt::ControlModifier | Qt::ShiftModifier;
  if ((modifiers & required) != required) {
    return GlobalShortcut::none;
  }
  switch (key) {
    case Qt::Key_L:
      return GlobalShortcut::showMainWindow;
    case Qt::Key_K:
      return GlobalShortcut::newQuickCapture;
    default:
      return GlobalShortcut::none;
  }
}

AppDelegate::AppDelegate(Options options, QObject* parent)
    : QObject(parent), options_(std::move(options)) {}

AppDelegate::~AppDelegate() {
  qApp->removeEventFilter(this);
  // The window manager holds the store and the timer; it goes first.
  windowManager_.reset();
  focusTimer_.reset();
  store_.reset();
}

void AppDelegate::applicationDidFinishLaunching() {
  if (store_) {
    return;
  }
  notificationService_ = std::make_unique<NotificationService>();
  calendarService_ = std::make_unique<CalendarService>(
      options_.makeEventStore ? options_.makeEventStore() : std::make_unique<DesktopEventStore>());
  store_ = std::make_unique<DataStore>(options_.storageFolder, notificationService_.get(),
                                       calendarService_.get(), options_.seams.clock);
  const AppSettings& settings = store_->settings();
  // Before any window exists, so the first frame is already in the chosen appearance.
  Theme::shared().setMode(settings.theme);
  focusTimer_ = options_.seams.clock
                    ? std::make_unique<FocusTimerManager>(
                          settings.focusDurationMinutes, settings.shortBreakDurationMinutes,
                          settings.longBreakDurationMinutes, settings.sessionsBeforeLongBreak,
                          options_.seams.clock)
                    : std::make_unique<FocusTimerManager>(
                          settings.focusDurationMinutes, settings.shortBreakDurationMinutes,
                          settings.longBreakDurationMinutes, settings.sessionsBeforeLongBreak);
  windowManager_ =
      std::make_unique<WindowManager>(store_.get(), focusTimer_.get(), options_.seams);
  windowManager_->setupApp();
  windowManager_->showMainWindow();
  qApp->installEventFilter(this);
  DiagnosticLogger::shared().log(QStringLiteral("Pelmora launched successfully."),
                                 QStringLiteral("INFO"), QStringLiteral("App"));
}

bool AppDelegate::hasVisibleWindows() {
  const QWidgetList windows = QApplication::topLevelWidgets();
  return std::any_of(windows.begin(), windows.end(), [](const QWidget* window) {
    return window->isVisible() && !window->windowFlags().testFlag(Qt::Popup);
  });
}

bool AppDelegate::applicationShouldHandleReopen(bool hasVisibleWindows) {
  if (!windowManager_) {
    return true;
  }
  if (!hasVisibleWindows) {
    windowManager_->showMainWindow();
  } else if (QMainWindow* window = windowManager_->mainWindow(); window && window->isVisible()) {
    // What a click on a running app's launcher does elsewhere: bring it forward.
    window->raise();
    window->activateWindow();
  }
  return true;
}

void AppDelegate::applicationWillTerminate() {
  if (terminated_) {
    return;
  }
  terminated_ = true;
  if (windowManager_) {
    windowManager_->cleanup();
  }
  if (store_) {
    store_->save();
  }
  DiagnosticLogger::shared().log(QStringLiteral("Pelmora terminated cleanly."),
                                 QStringLiteral("INFO"), QStringLiteral("App"));
}

bool AppDelegate::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::KeyPress || !windowManager_) {
    return QObject::eventFilter(watched, event);
  }
  const auto* key = static_cast<QKeyEvent*>(event);
  switch (globalShortcutFor(key->key(), key->modifiers())) {
    case GlobalShortcut::showMainWindow:
      windowManager_->showMainWindow();
      return true;
    case GlobalShortcut::newQuickCapture:
      windowManager_->showQuickCapture();
      return true;
    case GlobalShortcut::none:
      break;
  }
  return QObject::eventFilter(watched, event);
}

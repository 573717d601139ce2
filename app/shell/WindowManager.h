#pragma once

#include "app/screens/ScreenEnvironment.h"
#include "app/shell/FloatingWidgetPanel.h"
#include "app/shell/MenuBarPopoverView.h"
#include "app/shell/TrayPopup.h"
#include "core/services/MinuteClock.h"

#include <QColor>
#include <QCoroTask>
#include <QDateTime>
#include <QEvent>
#include <QList>
#include <QMainWindow>
#include <QMetaObject>
#include <QObject>
#include <QPointer>
#include <QRect>
#include <QSystemTrayIcon>

#include <functional>
#include <memory>
#include <optional>

class DataStore;
class EmailIntelligenceProvider;
class EmailSyncCoordinator;
class FocusTimerManager;
class NotificationServiceProtocol;
class QSettings;
class QTimer;
class QWidget;
class WeatherServiceProtocol;
class Workspace;

// One display as far as window placement cares: its whole area and the part that panels and
// docks leave free.
struct ScreenArea {
  QRect geometry;
  QRect availableGeometry;
};

// Where a panel at `frame` must go so that it can be seen: on the first screen it touches
// (the primary, the first of `screens`, when it touches none), and, when it does not reach
// that screen's free area, moved to 24 px from the free area's right edge and 48 px below
// its top. Nothing when it can stay or when there is no screen.
std::optional<QPoint> rescuedPanelPosition(const QRect& frame, const QList<ScreenArea>& screens);

// Owns every window of the application and its tray presence, the background duties that
// belong to no screen (weather refresh, wake, finished focus sessions) and the e-mail sync
// coordinator with the suggestion provider the settings select. One instance, reachable
// through shared() while it lives.
class WindowManager : public QObject {
  Q_OBJECT

 public:
  // What the running program takes from the system; tests replace any of it.
  struct Seams {
    std::function<QDateTime()> clock;
    Workspace* workspace = nullptr;  // null: Workspace::shared()
    // A weather client for one refresh; null: Open-Meteo over the window manager's session.
    std::function<std::shared_ptr<WeatherServiceProtocol>()> makeWeatherService;
    // Posts the focus-completed notification; null: the window manager's own service.
    NotificationServiceProtocol* notificationService = nullptr;
    // The displays, primary first; empty: QGuiApplication's screens.
    std::function<QList<ScreenArea>()> screens;
    // Whether the desktop shows tray icons; empty: QSystemTrayIcon's answer.
    std::function<bool()> isSystemTrayAvailable;
    // Where the window frames are kept; empty: the application's QSettings.
    QString settingsFile;
    // Ends the application through its normal quit path; empty: QCoreApplication::quit.
    std::function<void()> quit;
    // Whether a compositor draws the screen; empty: the desktop's answer.
    std::function<bool()> isCompositing;
  };

  WindowManager(DataStore* store, FocusTimerManager* focusTimer, QObject* parent = nullptr);
  WindowManager(DataStore* store, FocusTimerManager* focusTimer, Seams seams,
                QObject* parent = nullptr);
  ~WindowManager() override;

  // The one instance, or null before it is built and after it is gone.
  static WindowManager* shared();

  DataStore* store() const { return store_; }
  FocusTimerManager* focusTimer() const { return focusTimer_; }
  EmailSyncCoordinator* emailSyncCoordinator() const { return emailSyncCoordinator_.get(); }
  // What the hosted views read: the store, the focus timer, the clocks and what they may ask of
  // this window manager.
  ScreenEnvironment environment();

  // The cloud provider (with the rule engine behind it) only when the cloud switch and the
  // consent are both on; the rule engine otherwise. A new instance each time.
  static std::shared_ptr<EmailIntelligenceProvider> chooseProvider(const DataStore& store);
  // Gives the coordinator a newly chosen provider after the cloud settings changed.
  void updateEmailProvider();

  // Start-up, once: tray and popup, floating panel, weather timer, wake observer, e-mail sync
  // when enabled, the focus-completion hook.
  void setupApp();
  // Shutdown, once: weather timer, e-mail sync and wake observer stop; frames are kept.
  void cleanup();

  // Builds the main window on first use and keeps it; closing it only hides it.
  void showMainWindow();
  // Settings live inside the main window.
  void showSettings() { showMainWindow(); }
  // The main window with its settings sheet open (Ctrl+,).
  void showSettingsSheet();
  // Ends the application through its quit path (the tray menu's Quit, Ctrl+Q).
  void quitApplication();
  // A new centred quick-capture window on every call.
  void showQuickCapture();
  void toggleFloatingWidget();
  // Shows the floating panel, building it the first time; it is then shown at later launches
  // too, until it is closed.
  void showFloatingWidget();
  // Opens or closes the tray popup, building it the first time.
  void togglePopover();
  void handleFloatingPanelClose();
  // Brings the panel back when a screen change left it where it cannot be seen.
  void ensureWidgetIsOnScreen();
  // The floating panel's level and opacity from the settings.
  void updateWidgetConfiguration();

  // The popup's four actions; each closes the popup before it acts.
  MenuBarPopoverView::Actions popoverActions();

  // One weather refresh: the settings' city, when there is one, into the store's cache.
  QCoro::Task<> refreshWeatherIfNeeded();
  // What the machine's waking sets off: focus check, panel rescue, weather, a log line.
  QCoro::Task<> handleSystemDidWake();

  // For the tray, the tests and the single-instance hand-over. The panel and the popup are
  // null until first shown.
  QMainWindow* mainWindow() const { return mainWindow_; }
  FloatingWidgetPanel* floatingPanel() const { return floatingPanel_; }
  TrayPopup* popup() const { return popup_; }
  QSystemTrayIcon* trayIcon() const { return trayIcon_; }
  const QTimer* weatherTimer() const { return weatherTimer_.get(); }
  bool isObservingWake() const { return static_cast<bool>(wakeObserver_); }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // Runs the minute clock only while a window that shows times is on screen.
  void followWindowsOnScreen(const QObject* changed, QEvent::Type change);
  // From quitting on, the clock stays stopped whatever the windows do.
  void stopFollowingWindows();
  void setupMenuBar();
  void setupFloatingWidget();
  void buildFloatingPanel();
  // Shows a hidden panel with the settings' level and opacity, on a visible screen.
  void orderPanelFront();
  void rememberWidgetShown(bool shown);
  bool isCompositing() const;
  // Draws the tray glyph to contrast with an XEmbed panel once the icon has settled in its
  // place there; looks again up to `attemptsLeft` - 1 times, half a second apart, until it has.
  void matchTrayIconToPanel(int attemptsLeft);
  void startBackgroundWeatherRefresh();
  void setupWakeObservers();
  void installFocusCompletionHook();
  void trayActivated(QSystemTrayIcon::ActivationReason reason);
  // Runs `action` after the popup is closed; the popup's four actions go through here.
  std::function<void()> closingPopupFirst(void (WindowManager::*action)());
  std::unique_ptr<QSettings> frameSettings() const;
  // What the main window's "Toggle Widget" row runs.
  std::function<void()> toggleFloatingWidgetAction();
  QList<ScreenArea> screenAreas() const;
  QDateTime now() const;

  DataStore* store_;
  FocusTimerManager* focusTimer_;
  Seams seams_;
  std::unique_ptr<NotificationServiceProtocol> notificationService_;
  std::unique_ptr<EmailSyncCoordinator> emailSyncCoordinator_;
  QPointer<QSystemTrayIcon> trayIcon_;
  std::optional<QColor> trayGlyphColor_;
  QRect trayPlace_;
  QPointer<TrayPopup> popup_;
  QPointer<FloatingWidgetPanel> floatingPanel_;
  QPointer<QMainWindow> mainWindow_;
  std::unique_ptr<QTimer> weatherTimer_;
  MinuteClock minuteClock_;
  QMetaObject::Connection wakeObserver_;
  QPointer<Workspace> workspace_;
};

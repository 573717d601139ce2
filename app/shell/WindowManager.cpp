#include "app/shell/WindowManager.h"

#include "app/platform/DesktopWindowHints.h"
#include "app/platform/Theme.h"
#include "app/shell/ApplicationQuit.h"
#include "app/screens/capture/QuickCaptureView.h"
#include "app/shell/FloatingWidgetPanel.h"
#include "app/shell/FloatingWidgetView.h"
#include "app/shell/MainDashboardView.h"
#include "app/shell/MenuBarPopoverView.h"
#include "app/shell/TrayGlyph.h"
#include "app/shell/TrayPopup.h"
#include "core/email/CloudEmailIntelligenceProvider.h"
#include "core/email/EmailSyncCoordinator.h"
#include "core/email/GmailService.h"
#include "core/email/RuleBasedEmailIntelligenceProvider.h"
#include "core/model/DiagnosticLogger.h"
#include "core/platform/HttpSession.h"
#include "core/platform/Workspace.h"
#include "core/services/FocusTimerManager.h"
#include "core/services/NotificationService.h"
#include "core/services/WeatherService.h"
#include "core/store/DataStore.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QMainWindow>
#include <QMenu>
#include <QScreen>
#include <QSettings>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <chrono>
#include <climits>

namespace {

const QString kMainWindowFrame = QStringLiteral("PelmoraMainWindowFrame");
const QString kFloatingWidgetFrame = QStringLiteral("PelmoraFloatingWidgetFrame");
const QString kFloatingWidgetShown = QStringLiteral("PelmoraFloatingWidgetShown");
constexpr int kTrayPlacementAttempts = 10;
constexpr int kTrayPlacementIntervalMs = 500;
constexpr int kMinimumWeatherMinutes = 15;
constexpr int kRightInset = 24;
constexpr int kTopInset = 48;

QPointer<WindowManager>& sharedInstance() {
  static QPointer<WindowManager> instance;
  return instance;
}

// A window whose close button only hides it, so it keeps its state for the next showing.
class HidingMainWindow : public QMainWindow {
 public:
  explicit HidingMainWindow(std::function<void()> onClose) : onClose_(std::move(onClose)) {}

 protected:
  void closeEvent(QCloseEvent* event) override {
    event->ignore();
    onClose_();
  }

 private:
  std::function<void()> onClose_;
};

void centre(QWidget* window, const QList<ScreenArea>& screens) {
  if (screens.isEmpty()) {
    return;
  }
  QRect frame(QPoint(), window->size());
  frame.moveCenter(screens.first().availableGeometry.center());
  window->move(frame.topLeft());
}

}  // namespace

std::optional<QPoint> rescuedPanelPosition(const QRect& frame, const QList<ScreenArea>& screens) {
  if (screens.isEmpty()) {
    return std::nullopt;
  }
  const auto touched = std::find_if(screens.begin(), screens.end(), [&frame](const ScreenArea& s) {
    return s.geometry.intersects(frame);
  });
  const QRect available = (touched != screens.end() ? *touched : screens.first()).availableGeometry;
  if (frame.intersects(available)) {
    return std::nullopt;
  }
  return QPoint(available.left() + available.width() - frame.width() - kRightInset,
                available.top() + kTopInset);
}

WindowManager::WindowManager(DataStore* store, FocusTimerManager* focusTimer, QObject* parent)
    : WindowManager(store, focusTimer, Seams{}, parent) {}

WindowManager::WindowManager(DataStore* store, FocusTimerManager* focusTimer, Seams seams,
                             QObject* parent)
    : QObject(parent),
      store_(store),
      focusTimer_(focusTimer),
      seams_(std::move(seams)),
      minuteClock_(seams_.clock) {
  workspace_ = seams_.workspace != nullptr ? seams_.workspace : &Workspace::shared();
  notificationService_ = std::make_unique<NotificationService>();
  emailSyncCoordinator_ = std::make_unique<EmailSyncCoordinator>(
      store, GmailService::shared(), chooseProvider(*store), *notificationService_, *workspace_,
      seams_.clock);
  sharedInstance() = this;
}

WindowManager::~WindowManager() {
  weatherTimer_.reset();
  QObject::disconnect(wakeObserver_);
  if (focusTimer_ != nullptr) {
    focusTimer_->onSessionCompleted = nullptr;
  }
  stopFollowingWindows();
  delete trayIcon_.data();
  delete popup_.data();
  delete floatingPanel_.data();
  delete mainWindow_.data();
}

WindowManager* WindowManager::shared() { return sharedInstance().data(); }

ScreenEnvironment WindowManager::environment() {
  ScreenEnvironment environment;
  environment.store = store_;
  environment.focusTimer = focusTimer_;
  environment.minuteClock = &minuteClock_;
  environment.clock = seams_.clock;
  // A screen may outlive this window manager (a quick capture window it left open).
  const QPointer<WindowManager> self(this);
  environment.app.updateWidgetConfiguration = [self] {
    if (self) {
      self->updateWidgetConfiguration();
    }
  };
  environment.app.updateEmailProvider = [self] {
    if (self) {
      self->updateEmailProvider();
    }
  };
  environment.app.emailSyncCoordinator = [self]() -> EmailSyncCoordinator* {
    return self ? self->emailSyncCoordinator() : nullptr;
  };
  // The account the coordinator syncs.
  environment.app.gmailConnected = [] { return GmailService::shared().isConnected(); };
  environment.app.showFloatingWidget = [self] {
    if (self) {
      self->showFloatingWidget();
    }
  };
  return environment;
}

QDateTime WindowManager::now() const {
  return seams_.clock ? seams_.clock() : QDateTime::currentDateTimeUtc();
}

std::shared_ptr<EmailIntelligenceProvider> WindowManager::chooseProvider(const DataStore& store) {
  auto rules = std::make_shared<RuleBasedEmailIntelligenceProvider>();
  const AppSettings& settings = store.settings();
  if (settings.isCloudAIEnabled && settings.hasConsentedToCloudAI) {
    return std::make_shared<CloudEmailIntelligenceProvider>(settings.aiModelName, rules);
  }
  return rules;
}

void WindowManager::updateEmailProvider() {
  emailSyncCoordinator_->updateIntelligenceProvider(chooseProvider(*store_));
}

void WindowManager::setupApp() {
  setupMenuBar();
  setupFloatingWidget();
  startBackgroundWeatherRefresh();
  setupWakeObservers();
  if (store_->settings().isEmailAssistantEnabled) {
    emailSyncCoordinator_->start();
  }
  installFocusCompletionHook();
  // A compositor started or stopped, or the panel changed or restarted with another colour:
  // the widget and the tray glyph follow at the next minute.
  connect(&minuteClock_, &MinuteClock::minuteChanged, this, [this] {
    if (floatingPanel_ && floatingPanel_->isVisible()) {
      floatingPanel_->setComposited(isCompositing());
    }
    // A second look half a second later where the icon has moved; none where the tray host
    // reports no place at all.
    matchTrayIconToPanel(trayIcon_ && trayIcon_->geometry().isValid() ? 2 : 1);
  });
  // Coming back to the app is when a focus interval that ended meanwhile gets noticed.
  connect(qGuiApp, &QGuiApplication::applicationStateChanged, this,
          [this](Qt::ApplicationState state) {
            if (state == Qt::ApplicationActive) {
              focusTimer_->checkCompletion(now());
            }
          });
}

bool WindowManager::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
  if (type == QEvent::Show || type == QEvent::Hide || type == QEvent::WindowStateChange) {
    followWindowsOnScreen(watched, type);
  }
  return QObject::eventFilter(watched, event);
}

void WindowManager::followWindowsOnScreen(const QObject* changed, QEvent::Type change) {
  const auto onScreen = [&](const QWidget* window) {
    if (window == nullptr) {
      return false;
    }
    const bool shown = window == changed ? change != QEvent::Hide : window->isVisible();
    return shown && !window->isMinimized();
  };
  const bool wanted = onScreen(mainWindow_) || onScreen(floatingPanel_) || onScreen(popup_);
  if (wanted && !minuteClock_.isActive()) {
    // What was drawn before the windows went away shows an old time: a tick redraws it.
    minuteClock_.start();
    minuteClock_.resync();
  } else if (!wanted) {
    minuteClock_.stop();
  }
}

void WindowManager::stopFollowingWindows() {
  // Windows hide as they are destroyed: by then they are no longer what their pointers say.
  for (QWidget* window : {static_cast<QWidget*>(mainWindow_.data()),
                          static_cast<QWidget*>(floatingPanel_.data()),
                          static_cast<QWidget*>(popup_.data())}) {
    if (window != nullptr) {
      window->removeEventFilter(this);
    }
  }
  minuteClock_.stop();
}

void WindowManager::cleanup() {
  weatherTimer_.reset();
  stopFollowingWindows();
  emailSyncCoordinator_->stop();
  if (wakeObserver_) {
    QObject::disconnect(wakeObserver_);
    wakeObserver_ = {};
  }
  // The frames are kept for the next run, as the windows are when they are hidden.
  auto settings = frameSettings();
  if (mainWindow_) {
    settings->setValue(kMainWindowFrame, mainWindow_->saveGeometry());
  }
  if (floatingPanel_) {
    settings->setValue(kFloatingWidgetFrame, floatingPanel_->saveGeometry());
  }
}

// --- Tray and popup ---

std::function<void()> WindowManager::closingPopupFirst(void (WindowManager::*action)()) {
  return [self = QPointer<WindowManager>(this), action] {
    if (!self) {
      return;
    }
    if (self->popup_) {
      self->popup_->close();
    }
    (self.data()->*action)();
  };
}

MenuBarPopoverView::Actions WindowManager::popoverActions() {
  return {
      closingPopupFirst(&WindowManager::showMainWindow),
      closingPopupFirst(&WindowManager::toggleFloatingWidget),
      closingPopupFirst(&WindowManager::showSettings),
      closingPopupFirst(&WindowManager::showQuickCapture),
  };
}

void WindowManager::setupMenuBar() {
  const bool trayAvailable = seams_.isSystemTrayAvailable ? seams_.isSystemTrayAvailable()
                                                          : QSystemTrayIcon::isSystemTrayAvailable();
  if (!trayAvailable) {
    DiagnosticLogger::shared().log(
        QStringLiteral("No system tray on this desktop: Pelmora runs with its main window."),
        QStringLiteral("WARN"), QStringLiteral("App"));
    return;
  }
  trayIcon_ = new QSystemTrayIcon(tray_glyph::icon());
  trayIcon_->setToolTip(QStringLiteral("Pelmora"));
  // For desktops that open a menu instead of reporting the click.
  auto* menu = new QMenu;
  connect(trayIcon_, &QObject::destroyed, menu, &QObject::deleteLater);
  menu->addAction(QStringLiteral("Open Pelmora"), this, &WindowManager::showMainWindow);
  menu->addAction(QStringLiteral("Quit Pelmora"), this, &WindowManager::quitApplication);
  trayIcon_->setContextMenu(menu);
  connect(trayIcon_, &QSystemTrayIcon::activated, this, &WindowManager::trayActivated);
  trayIcon_->show();
  matchTrayIconToPanel(kTrayPlacementAttempts);
  connect(&Theme::shared(), &Theme::changed, this,
          [this] { matchTrayIconToPanel(kTrayPlacementAttempts); });
}

void WindowManager::matchTrayIconToPanel(int attemptsLeft) {
  if (!trayIcon_) {
    return;
  }
  // Only an XEmbed tray reports where the icon is. Right after docking it is still moving into
  // place (it reports the screen's corner at first), so it is looked at once it stays put.
  const QRect place = trayIcon_->geometry();
  const bool settled = place.isValid() && place == trayPlace_;
  trayPlace_ = place;
  if (!settled) {
    if (attemptsLeft > 1) {
      QTimer::singleShot(kTrayPlacementIntervalMs, this,
                         [this, attemptsLeft] { matchTrayIconToPanel(attemptsLeft - 1); });
    }
    return;
  }
  const auto color = tray_glyph::colorOver(tray_glyph::grabAround(place));
  if (color && color != trayGlyphColor_) {
    trayGlyphColor_ = color;
    trayIcon_->setIcon(tray_glyph::icon(color));
  }
}

void WindowManager::quitApplication() {
  if (seams_.quit) {
    seams_.quit();
  } else {
    ::quitApplication();
  }
}

void WindowManager::trayActivated(QSystemTrayIcon::ActivationReason reason) {
  if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::DoubleClick) {
    togglePopover();
  }
}

void WindowManager::togglePopover() {
  if (!popup_) {
    // Built at the first click: many sessions never open it.
    popup_ = new TrayPopup(new MenuBarPopoverView(environment(), popoverActions()));
    popup_->installEventFilter(this);
  }
  popup_->toggle(trayIcon_ ? trayIcon_->geometry() : QRect());
}

// --- Main window and quick capture ---

std::function<void()> WindowManager::toggleFloatingWidgetAction() {
  return [self = QPointer<WindowManager>(this)] {
    if (self) {
      self->toggleFloatingWidget();
    }
  };
}

void WindowManager::showMainWindow() {
  if (!mainWindow_) {
    auto* window = new HidingMainWindow([self = QPointer<WindowManager>(this)] {
      if (self && self->mainWindow_) {
        self->frameSettings()->setValue(kMainWindowFrame, self->mainWindow_->saveGeometry());
        self->mainWindow_->hide();
        // Without a tray nothing would be left to bring it back or to quit from.
        if (!self->trayIcon_) {
          self->quitApplication();
        }
      }
    });
    window->setObjectName(QStringLiteral("PelmoraMainWindow"));
    window->setWindowTitle(QStringLiteral("Pelmora"));
    window->setMinimumSize(720, 480);
    window->resize(880, 580);
    window->setCentralWidget(
        new MainDashboardView(environment(), toggleFloatingWidgetAction(), window));
    window->restoreGeometry(frameSettings()->value(kMainWindowFrame).toByteArray());
    centre(window, screenAreas());
    window->installEventFilter(this);
    mainWindow_ = window;
  }
  if (mainWindow_->isMinimized()) {
    mainWindow_->showNormal();
  } else {
    mainWindow_->show();
  }
  mainWindow_->raise();
  mainWindow_->activateWindow();
}

void WindowManager::showSettingsSheet() {
  showMainWindow();
  if (auto* dashboard = qobject_cast<MainDashboardView*>(mainWindow_->centralWidget())) {
    dashboard->showSettings();
  }
}

void WindowManager::showQuickCapture() {
  // A small form: a title and a close button, no maximizing, no minimizing, no resizing.
  auto* window = new QWidget(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                                          Qt::WindowCloseButtonHint);
  window->setObjectName(QStringLiteral("PelmoraQuickCapture"));
  window->setAttribute(Qt::WA_DeleteOnClose);
  window->setWindowTitle(QStringLiteral("Quick Capture"));
  const QPointer<QWidget> guard(window);
  auto* layout = new QVBoxLayout(window);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(new QuickCaptureView(environment().withDismiss([guard] {
    if (guard) {
      guard->close();
    }
  })));
  window->setFixedSize(440, 280);
  centre(window, screenAreas());
  window->show();
  window->raise();
  window->activateWindow();
}

// --- Floating panel ---

void WindowManager::setupFloatingWidget() {
  // Shown as it was left; before it was ever shown or closed, when it is pinned. A hidden panel
  // is built only when first shown.
  const QVariant shown = frameSettings()->value(kFloatingWidgetShown);
  if (shown.isValid() ? shown.toBool() : store_->settings().isWidgetFloating) {
    orderPanelFront();
  }
}

void WindowManager::buildFloatingPanel() {
  const QPointer<WindowManager> self(this);
  auto* view = new FloatingWidgetView(
      environment(),
      [self] {
        if (self) {
          self->showQuickCapture();
        }
      },
      [self] {
        if (self) {
          self->showMainWindow();
        }
      },
      [self] {
        if (self) {
          self->handleFloatingPanelClose();
        }
      });
  floatingPanel_ = new FloatingWidgetPanel(view, [self] {
    if (self) {
      self->handleFloatingPanelClose();
    }
  });
  connect(floatingPanel_, &FloatingWidgetPanel::compositedChanged, view,
          &FloatingWidgetView::setComposited);
  floatingPanel_->installEventFilter(this);
  floatingPanel_->setComposited(isCompositing());
  floatingPanel_->move(100, 100);
  floatingPanel_->restoreGeometry(frameSettings()->value(kFloatingWidgetFrame).toByteArray());
}

bool WindowManager::isCompositing() const {
  return seams_.isCompositing ? seams_.isCompositing() : DesktopWindowHints::isCompositing();
}

void WindowManager::updateWidgetConfiguration() {
  if (!floatingPanel_) {
    return;
  }
  const AppSettings& settings = store_->settings();
  floatingPanel_->setFloating(settings.isWidgetFloating);
  floatingPanel_->setWindowOpacity(settings.widgetOpacity);
}

void WindowManager::orderPanelFront() {
  if (!floatingPanel_) {
    buildFloatingPanel();
  }
  floatingPanel_->setComposited(isCompositing());
  updateWidgetConfiguration();
  ensureWidgetIsOnScreen();
  floatingPanel_->show();
  floatingPanel_->raise();
}

void WindowManager::showFloatingWidget() {
  orderPanelFront();
  rememberWidgetShown(true);
}

void WindowManager::toggleFloatingWidget() {
  if (floatingPanel_ && floatingPanel_->isVisible()) {
    handleFloatingPanelClose();
    return;
  }
  showFloatingWidget();
  floatingPanel_->activateWindow();
}

void WindowManager::handleFloatingPanelClose() {
  if (!floatingPanel_) {
    return;
  }
  frameSettings()->setValue(kFloatingWidgetFrame, floatingPanel_->saveGeometry());
  floatingPanel_->hide();
  rememberWidgetShown(false);
}

void WindowManager::rememberWidgetShown(bool shown) {
  frameSettings()->setValue(kFloatingWidgetShown, shown);
}

void WindowManager::ensureWidgetIsOnScreen() {
  if (!floatingPanel_) {
    return;
  }
  if (const auto position = rescuedPanelPosition(floatingPanel_->frameGeometry(), screenAreas())) {
    floatingPanel_->move(*position);
  }
}

QList<ScreenArea> WindowManager::screenAreas() const {
  if (seams_.screens) {
    return seams_.screens();
  }
  QList<ScreenArea> areas;
  QScreen* primary = QGuiApplication::primaryScreen();
  if (primary != nullptr) {
    areas.append({primary->geometry(), primary->availableGeometry()});
  }
  for (QScreen* screen : QGuiApplication::screens()) {
    if (screen != primary) {
      areas.append({screen->geometry(), screen->availableGeometry()});
    }
  }
  return areas;
}

std::unique_ptr<QSettings> WindowManager::frameSettings() const {
  if (seams_.settingsFile.isEmpty()) {
    return std::make_unique<QSettings>();
  }
  return std::make_unique<QSettings>(seams_.settingsFile, QSettings::IniFormat);
}

// --- Background duties ---

void WindowManager::startBackgroundWeatherRefresh() {
  weatherTimer_ = std::make_unique<QTimer>();
  const qint64 minutes = std::max(store_->settings().weatherRefreshMinutes, kMinimumWeatherMinutes);
  const qint64 milliseconds = std::min<qint64>(minutes * 60 * 1000, INT_MAX);
  weatherTimer_->setInterval(static_cast<int>(milliseconds));
  // Seconds of slack let the system bundle this wake-up with others.
  weatherTimer_->setTimerType(Qt::VeryCoarseTimer);
  connect(weatherTimer_.get(), &QTimer::timeout, this, [this] { refreshWeatherIfNeeded(); });
  weatherTimer_->start();
}

QCoro::Task<> WindowManager::refreshWeatherIfNeeded() {
  const QPointer<WindowManager> self(this);
  const QPointer<DataStore> store(store_);
  if (!store) {
    co_return;
  }
  const QString city = store->settings().weatherCity;
  if (city.isEmpty()) {
    co_return;
  }
  std::shared_ptr<WeatherServiceProtocol> service;
  if (seams_.makeWeatherService) {
    service = seams_.makeWeatherService();
  } else {
    service = std::make_shared<WeatherService>(HttpSession::shared());
  }
  std::optional<WeatherData> weather;
  try {
    weather = co_await service->fetchWeather(city);
  } catch (const std::exception&) {
    // A failed refresh keeps the last weather; the next one tries again.
    co_return;
  }
  if (!self || !store) {
    co_return;
  }
  if (!store->setCachedWeather(weather)) {
    co_return;  // refused: the store has logged why and shows it
  }
  store->save();
  DiagnosticLogger::shared().log(QStringLiteral("Periodic background weather refresh succeeded."),
                                 QStringLiteral("INFO"), QStringLiteral("Weather"));
}

void WindowManager::setupWakeObservers() {
  if (!workspace_ || wakeObserver_) {
    return;
  }
  wakeObserver_ = connect(workspace_, &Workspace::didWake, this, [this] { handleSystemDidWake(); });
}

QCoro::Task<> WindowManager::handleSystemDidWake() {
  const QPointer<WindowManager> self(this);
  focusTimer_->checkCompletion(now());
  minuteClock_.resync();
  ensureWidgetIsOnScreen();
  co_await refreshWeatherIfNeeded();
  if (!self) {
    co_return;
  }
  DiagnosticLogger::shared().log(QStringLiteral("Application handled system wake cleanly."),
                                 QStringLiteral("INFO"), QStringLiteral("System"));
}

void WindowManager::installFocusCompletionHook() {
  focusTimer_->onSessionCompleted = [self = QPointer<WindowManager>(this)](
                                        const FocusSession& session) {
    if (!self || self->store_ == nullptr) {
      return;
    }
    self->store_->addFocusSession(session);
    if (self->store_->settings().notifyFocusComplete) {
      NotificationServiceProtocol& notifications = self->seams_.notificationService != nullptr
                                                       ? *self->seams_.notificationService
                                                       : *self->notificationService_;
      // Runs on by itself; posting never fails.
      notifications.sendFocusCompletedNotification(session.type, session.taskTitle);
    }
  };
}

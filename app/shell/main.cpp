#include "app/platform/KeyboardActivation.h"
#include "app/platform/PlatformChoice.h"
#include "app/platform/SingleInstance.h"
#include "app/platform/TerminationSignals.h"
#include "app/platform/Theme.h"
#include "app/platform/WebAuthenticationSession.h"
#include "app/shell/AppDelegate.h"
#include "app/shell/ApplicationQuit.h"
#include "core/model/AppConfig.h"
#include "core/store/DataStore.h"

#include <QApplication>
#include <QIcon>
#include <QSessionManager>
#include <QTimer>

#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
  // Read by the desktop-entry installer; needs no display.
  if (argc == 2 && std::strcmp(argv[1], "--print-redirect-scheme") == 0) {
    std::printf("%s\n", qUtf8Printable(AppConfig::googleRedirectScheme()));
    return 0;
  }
  if (const auto platform = preferredPlatform([](const char* name) { return qgetenv(name); })) {
    qputenv("QT_QPA_PLATFORM", *platform);
  }

  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Pelmora"));
  QApplication::setOrganizationName(QStringLiteral("Pelmora"));
  QApplication::setDesktopFileName(QStringLiteral("pelmora"));
  QIcon::setFallbackThemeName(QStringLiteral("Adwaita"));
  // The app lives on in the tray with every window hidden.
  QApplication::setQuitOnLastWindowClosed(false);

  const QStringList arguments = QApplication::arguments().mid(1);
  SingleInstance instance;
  if (!instance.listen()) {
    if (SingleInstance::handOver(instance.name(), arguments)) {
      return 0;
    }
    std::fprintf(stderr, "Pelmora is already running but did not answer.\n");
    return 1;
  }

  Theme::shared().followDesktop();
  KeyboardActivation::install();

  AppDelegate delegate;
  TerminationSignals signals;
  QObject::connect(&signals, &TerminationSignals::received, &app, [] { quitApplication(); });
  QObject::connect(&app, &QCoreApplication::aboutToQuit, &delegate,
                   &AppDelegate::applicationWillTerminate);
  // The session is about to end: whatever happens next, the data is on disk.
  QObject::connect(&app, &QGuiApplication::commitDataRequest, &delegate,
                   [&delegate](QSessionManager&) {
                     if (delegate.store() != nullptr) {
                       delegate.store()->save();
                     }
                   });
  QObject::connect(&instance, &SingleInstance::urlReceived,
                   &WebAuthenticationSession::handleCallback);
  QObject::connect(&instance, &SingleInstance::activationRequested, &delegate,
                   [&delegate] { delegate.applicationShouldHandleReopen(AppDelegate::hasVisibleWindows()); });

  // Launch finishes once the event loop runs, as the platform's launch notification does.
  QTimer::singleShot(0, &delegate, [&delegate, &instance, arguments] {
    delegate.applicationDidFinishLaunching();
    if (!arguments.isEmpty()) {
      instance.dispatch(arguments);
    }
  });
  return QApplication::exec();
}

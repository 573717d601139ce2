#include "app/platform/SingleInstance.h"
#include "app/platform/Theme.h"
#include "app/platform/WebAuthenticationSession.h"
#include "app/shell/MainDashboardView.h"
#include "core/platform/DesktopEventStore.h"
#include "core/services/CalendarService.h"
#include "core/services/FocusTimerManager.h"
#include "core/services/NotificationService.h"
#include "core/store/DataStore.h"
#include "core/model/AppConfig.h"

#include <QApplication>
#include <QIcon>
#include <QMainWindow>

#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
  // Read by the desktop-entry installer; needs no display.
  if (argc == 2 && std::strcmp(argv[1], "--print-redirect-scheme") == 0) {
    std::printf("%s\n", qUtf8Printable(AppConfig::googleRedirectScheme()));
    return 0;
  }

  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Pelmora"));
  QApplication::setDesktopFileName(QStringLiteral("pelmora"));
  QIcon::setFallbackThemeName(QStringLiteral("Adwaita"));

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

  NotificationService notifications;
  CalendarService calendar(std::make_unique<DesktopEventStore>());
  DataStore store(std::nullopt, &notifications, &calendar);
  const AppSettings& settings = store.settings();
  FocusTimerManager focusTimer(settings.focusDurationMinutes, settings.shortBreakDurationMinutes,
                               settings.longBreakDurationMinutes,
                               settings.sessionsBeforeLongBreak);
  QObject::connect(&app, &QCoreApplication::aboutToQuit, &store, &DataStore::save);

  ScreenEnvironment environment;
  environment.store = &store;
  environment.focusTimer = &focusTimer;
  QMainWindow window;
  window.setWindowTitle(QStringLiteral("Pelmora"));
  window.setCentralWidget(new MainDashboardView(environment, {}, &window));
  window.resize(880, 580);
  window.setMinimumSize(720, 480);

  QObject::connect(&instance, &SingleInstance::urlReceived,
                   &WebAuthenticationSession::handleCallback);
  QObject::connect(&instance, &SingleInstance::activationRequested, &window, [&window] {
    window.showNormal();
    window.raise();
    window.activateWindow();
  });
  window.show();
  if (!arguments.isEmpty()) {
    instance.dispatch(arguments);
  }
  return QApplication::exec();
}

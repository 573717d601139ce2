#include "app/shell/MainDashboardView.h"

#include <QApplication>
#include <QIcon>
#include <QMainWindow>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Pelmora"));
  QApplication::setDesktopFileName(QStringLiteral("pelmora"));
  QIcon::setFallbackThemeName(QStringLiteral("Adwaita"));

  QMainWindow window;
  window.setWindowTitle(QStringLiteral("Pelmora"));
  window.setCentralWidget(new MainDashboardView(&window));
  window.resize(880, 580);
  window.setMinimumSize(720, 480);
  window.show();
  return QApplication::exec();
}

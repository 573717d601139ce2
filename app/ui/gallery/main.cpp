// Development tool: every shared view piece in light and dark, side by side.
#include "app/platform/Theme.h"
#include "app/ui/gallery/ComponentGallery.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QScrollArea>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Pelmora Gallery"));
  Theme& theme = Theme::shared();
  theme.followDesktop();

  auto* sheets = new QWidget;
  auto* layout = new QHBoxLayout(sheets);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(new ComponentGallery(false, theme.accent()));
  layout->addWidget(new ComponentGallery(true, theme.accent()));

  QScrollArea window;
  window.setWindowTitle(QStringLiteral("Pelmora Gallery"));
  window.setWidget(sheets);
  window.setWidgetResizable(true);
  window.resize(sheets->sizeHint().width() + 24, 900);
  window.show();
  return QApplication::exec();
}

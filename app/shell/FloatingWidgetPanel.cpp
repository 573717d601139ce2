#include "app/shell/FloatingWidgetPanel.h"

#include <QCloseEvent>
#include <QVBoxLayout>

FloatingWidgetPanel::FloatingWidgetPanel(QWidget* content, std::function<void()> onClose)
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint), onClose_(std::move(onClose)) {
  setObjectName(QStringLiteral("PelmoraFloatingWidget"));
  setWindowTitle(QStringLiteral("Pelmora Widget"));
  setAttribute(Qt::WA_TranslucentBackground);
  setAttribute(Qt::WA_ShowWithoutActivating);
  resize(contentSize);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(content);
}

void FloatingWidgetPanel::setFloating(bool floating) {
  if (floating == isFloating()) {
    return;
  }
  // Changing the flags re-creates the native window, which hides it.
  const bool shown = isVisible();
  const QRect frame = geometry();
  setWindowFlag(Qt::WindowStaysOnTopHint, floating);
  setGeometry(frame);
  if (shown) {
    show();
  }
}

bool FloatingWidgetPanel::isFloating() const {
  return windowFlags().testFlag(Qt::WindowStaysOnTopHint);
}

void FloatingWidgetPanel::closeEvent(QCloseEvent* event) {
  event->ignore();
  if (onClose_) {
    onClose_();
  } else {
    hide();
  }
}

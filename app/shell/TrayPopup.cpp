#include "app/shell/TrayPopup.h"

#include <QCursor>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QScreen>
#include <QVBoxLayout>

#include <algorithm>

namespace {
constexpr int kGap = 4;
constexpr qint64 kReopenGuardMs = 250;
}  // namespace

QPoint popupPosition(const QRect& anchor, const QPoint& cursor, const QSize& size,
                     const QRect& available) {
  const QRect target = anchor.isValid() ? anchor : QRect(cursor, QSize(1, 1));
  int x = target.center().x() - size.width() / 2;
  int y = target.bottom() + 1 + kGap;
  // A panel at the bottom of the screen: open upwards.
  if (y + size.height() > available.bottom() + 1 && target.top() - kGap - size.height() >= available.top()) {
    y = target.top() - kGap - size.height();
  }
  x = std::clamp(x, available.left(), std::max(available.left(), available.right() + 1 - size.width()));
  y = std::clamp(y, available.top(), std::max(available.top(), available.bottom() + 1 - size.height()));
  return {x, y};
}

TrayPopup::TrayPopup(QWidget* content) : QWidget(nullptr, Qt::Popup | Qt::FramelessWindowHint) {
  setObjectName(QStringLiteral("PelmoraTrayPopup"));
  setWindowTitle(QStringLiteral("Pelmora"));
  setFixedSize(contentSize);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(content);
}

void TrayPopup::toggle(const QRect& iconGeometry) {
  if (isVisible()) {
    close();
    return;
  }
  if (justClosed()) {
    return;
  }
  const QPoint cursor = QCursor::pos();
  const QRect anchor = iconGeometry.isValid() ? iconGeometry : QRect(cursor, QSize(1, 1));
  QScreen* screen = QGuiApplication::screenAt(anchor.center());
  if (screen == nullptr) {
    screen = QGuiApplication::primaryScreen();
  }
  const QRect available = screen != nullptr ? screen->availableGeometry() : QRect(QPoint(), size());
  move(popupPosition(iconGeometry, cursor, size(), available));
  show();
  raise();
  activateWindow();
}

bool TrayPopup::justClosed() const {
  return sinceClosed_.isValid() && sinceClosed_.elapsed() < kReopenGuardMs;
}

void TrayPopup::mousePressEvent(QMouseEvent* event) {
  // A press outside reaches the popup first and closes it.
  if (!rect().contains(event->position().toPoint())) {
    sinceClosed_.start();
  }
  QWidget::mousePressEvent(event);
}

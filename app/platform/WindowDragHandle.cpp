#include "app/platform/WindowDragHandle.h"

#include <QMouseEvent>
#include <QWindow>

WindowDragHandle::WindowDragHandle(std::function<void()> onDoubleClick, QWidget* parent)
    : QWidget(parent), onDoubleClick_(std::move(onDoubleClick)) {
  setCursor(Qt::OpenHandCursor);
  setAttribute(Qt::WA_NoSystemBackground);
}

void WindowDragHandle::setOnDoubleClick(std::function<void()> onDoubleClick) {
  onDoubleClick_ = std::move(onDoubleClick);
}

void WindowDragHandle::mousePressEvent(QMouseEvent* event) {
  // The press events are ours alone: a drag must not also reach the view underneath.
  event->accept();
  // Widgets get the second press of a double click as the double-click event; a press still
  // marked as its origin is not a new drag.
  if (event->button() != Qt::LeftButton ||
      event->flags().testFlag(Qt::MouseEventCreatedDoubleClick)) {
    return;
  }
  QWindow* handle = window()->windowHandle();
  if (!handle) {
    return;
  }
  if (handle->startSystemMove()) {
    Q_EMIT windowDragStarted();
    return;
  }
  // No interactive move from the window system (some X11 window managers, offscreen):
  // follow the pointer ourselves.
  movingByHand_ = true;
  grabOffset_ = event->globalPosition().toPoint() - window()->frameGeometry().topLeft();
  Q_EMIT windowDragStarted();
}

void WindowDragHandle::mouseDoubleClickEvent(QMouseEvent* event) {
  event->accept();
  if (event->button() != Qt::LeftButton) {
    return;
  }
  movingByHand_ = false;
  if (onDoubleClick_) {
    // Hold our own copy: the callback may replace itself or close the window.
    const std::function<void()> callback = onDoubleClick_;
    callback();
  }
}

void WindowDragHandle::mouseMoveEvent(QMouseEvent* event) {
  event->accept();
  if (movingByHand_ && event->buttons().testFlag(Qt::LeftButton)) {
    window()->move(event->globalPosition().toPoint() - grabOffset_);
  }
}

void WindowDragHandle::mouseReleaseEvent(QMouseEvent* event) {
  event->accept();
  if (event->button() == Qt::LeftButton) {
    movingByHand_ = false;
  }
}

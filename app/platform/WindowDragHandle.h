#pragma once

#include <QPoint>
#include <QWidget>

#include <functional>

// A transparent area that moves its window when pressed and dragged, calls a callback on a
// double click, and shows the open hand. Put it behind the parts of a frameless window that
// should move it.
class WindowDragHandle : public QWidget {
  Q_OBJECT

 public:
  explicit WindowDragHandle(std::function<void()> onDoubleClick = {}, QWidget* parent = nullptr);

  // Replaces the callback (a redrawn parent hands over a new one).
  void setOnDoubleClick(std::function<void()> onDoubleClick);
  bool hasOnDoubleClick() const { return static_cast<bool>(onDoubleClick_); }

 Q_SIGNALS:
  // A press began moving the window (through the window system, or by hand where it has
  // no interactive move).
  void windowDragStarted();

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  std::function<void()> onDoubleClick_;
  bool movingByHand_ = false;
  QPoint grabOffset_;
};

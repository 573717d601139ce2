#pragma once

#include <QWidget>

#include <functional>

// The floating widget's window: frameless, translucent, a tool window that takes keyboard
// input but never becomes the main window. Closing it only hides it, so it keeps its content
// and its place.
class FloatingWidgetPanel : public QWidget {
  Q_OBJECT

 public:
  static constexpr QSize contentSize{280, 180};

  // Takes ownership of `content`. `onClose` runs instead of closing.
  FloatingWidgetPanel(QWidget* content, std::function<void()> onClose);

  // Stays above other windows or sits among them; a shown panel stays shown.
  void setFloating(bool floating);
  bool isFloating() const;

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  std::function<void()> onClose_;
};

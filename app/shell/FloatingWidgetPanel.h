#pragma once

#include <QMargins>
#include <QPixmap>
#include <QWidget>

#include <functional>

// The floating widget's window: frameless, translucent, a tool window kept out of the taskbar
// and the window switcher that takes keyboard input but never becomes the main window. Closing
// it only hides it, so it keeps its content and its place. Its size follows the card's.
class FloatingWidgetPanel : public QWidget {
  Q_OBJECT

 public:
  static constexpr QSize contentSize{280, 180};
  // Room around the card for its shadow (radius 10, 5 down) while a compositor runs.
  static constexpr QMargins shadowMargins{10, 5, 10, 15};
  static constexpr int shadowRadius = 10;
  static constexpr QPoint shadowOffset{0, 5};
  static constexpr qreal shadowOpacity = 0.15;
  static constexpr qreal cardCornerRadius = 14;

  // Takes ownership of `content`. `onClose` runs instead of closing.
  FloatingWidgetPanel(QWidget* content, std::function<void()> onClose);

  // Stays above other windows or sits among them; a shown panel stays shown.
  void setFloating(bool floating);
  bool isFloating() const;

  // With a compositor the card casts its shadow into the panel's margin and the desktop may
  // blur behind it; without one there are no margin and no translucent pixels, which would show
  // as black. The card stays where it is on screen.
  void setComposited(bool composited);
  bool isComposited() const { return composited_; }
  // Where the card lies in the panel.
  QRect cardGeometry() const;

 Q_SIGNALS:
  void compositedChanged(bool composited);

 protected:
  void closeEvent(QCloseEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  void updateBlurRegion();

  QWidget* content_;
  std::function<void()> onClose_;
  bool composited_ = false;
  QPixmap shadowTile_;
};

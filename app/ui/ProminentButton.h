#pragma once

#include <QPushButton>

// A button filled with the accent colour, for the one action a view offers; small control
// size. The label follows the palette's highlighted-text colour.
class ProminentButton : public QPushButton {
  Q_OBJECT

 public:
  // Room around the label; buttons set beside this one keep the same.
  static constexpr int kHorizontalPadding = 10;
  static constexpr int kVerticalPadding = 4;

  explicit ProminentButton(const QString& text, QWidget* parent = nullptr);

  // The label is shown as given: an "&" in it is a character, not a keyboard mnemonic.
  void setText(const QString& text);

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override { return sizeHint(); }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;

 private:
  bool hovered_ = false;
};

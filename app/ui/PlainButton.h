#pragma once

#include "app/platform/Theme.h"

#include <QAbstractButton>
#include <QMargins>

#include <optional>

// A button without a bezel: an optional symbol, an optional text and an optional trailing
// symbol, each in a named colour of the palette (so it follows light and dark). A row button
// takes the whole width, shows its text left-aligned and the trailing symbol at the far end;
// a bordered one draws a thin rounded outline. Return and Enter press it like Space.
class PlainButton : public QAbstractButton {
  Q_OBJECT

 public:
  PlainButton(const QString& symbol, int symbolSize, ThemeColor role, QWidget* parent = nullptr);

  QString symbol() const { return symbol_; }
  void setSymbol(const QString& symbol);
  void setSymbolRole(ThemeColor role);
  void setTextStyle(int pixelSize, QFont::Weight weight, ThemeColor role);
  // The text is shown as given; an "&" is a character, not a keyboard mnemonic.
  void setText(const QString& text);
  QString trailingSymbol() const { return trailingSymbol_; }
  void setTrailingSymbol(const QString& symbol, int size);
  void setRow(bool row);
  void setBordered(bool bordered);
  void setPadding(const QMargins& padding);

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;

 private:
  int contentHeight() const;

  QString symbol_;
  int symbolSize_;
  ThemeColor symbolRole_;
  ThemeColor textRole_ = ThemeColor::primary;
  QString trailingSymbol_;
  int trailingSize_ = 0;
  bool row_ = false;
  bool bordered_ = false;
  bool hovered_ = false;
  QMargins padding_;
};

#pragma once

#include "app/platform/Theme.h"

#include <QIcon>
#include <QWidget>

#include <optional>

// A symbol drawn at a fixed pixel size in a named colour of this widget's palette (so it
// follows light and dark), or in a fixed colour.
class SymbolView : public QWidget {
  Q_OBJECT

 public:
  SymbolView(const QString& symbol, int pixelSize, ThemeColor role, QWidget* parent = nullptr);

  QString symbol() const { return symbol_; }
  void setSymbol(const QString& symbol);
  ThemeColor role() const { return role_; }
  void setRole(ThemeColor role);
  void setColor(const QColor& color);
  // The colour the symbol is drawn in right now.
  QColor color() const;

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override { return sizeHint(); }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  void rebuild();

  QString symbol_;
  int pixelSize_;
  ThemeColor role_;
  std::optional<QColor> fixedColor_;
  QIcon icon_;
};

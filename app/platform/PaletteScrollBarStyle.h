#pragma once

#include <QProxyStyle>

// The application's style with scroll bars drawn from the palette: a groove a shade off the
// window and a rounded handle in the text colour, faint until it is pointed at or dragged.
// Fusion shades its groove from the button colour, which in dark makes a bright bar with a
// handle that can hardly be told from it.
class PaletteScrollBarStyle : public QProxyStyle {
  Q_OBJECT

 public:
  // Over the style named `baseStyle` (the application's current one when empty).
  explicit PaletteScrollBarStyle(const QString& baseStyle = {});

  void drawComplexControl(ComplexControl control, const QStyleOptionComplex* option,
                          QPainter* painter, const QWidget* widget = nullptr) const override;
};

#pragma once

#include "app/platform/Theme.h"

#include <QWidget>

class QPainter;

// The shape the badges share: a text (and optionally a dot) on a faint capsule of a colour.
class CapsuleBadge : public QWidget {
  Q_OBJECT

 public:
  QString text() const { return text_; }
  // Colour of the dot and of the capsule behind it.
  ThemeColor colorRole() const { return colorRole_; }
  ThemeColor textRole() const { return textRole_; }
  bool hasDot() const { return dot_; }
  int horizontalPadding() const { return horizontalPadding_; }

  // The same badge drawn without a widget, for views that paint many (list rows).
  static QSize measure(const QString& text, const QFont& font, bool dot, int horizontalPadding);
  static void paint(QPainter* painter, const QRectF& capsule, const QString& text,
                    const QFont& font, const QColor& color, const QColor& textColor, bool dot);

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override { return sizeHint(); }

 protected:
  CapsuleBadge(QString text, ThemeColor color, ThemeColor textColor, bool dot,
               int horizontalPadding, QWidget* parent);
  void paintEvent(QPaintEvent* event) override;

 private:
  QString text_;
  ThemeColor colorRole_;
  ThemeColor textRole_;
  bool dot_;
  int horizontalPadding_;
};

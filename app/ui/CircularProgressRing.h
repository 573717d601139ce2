#pragma once

#include "app/platform/Theme.h"

#include <QColor>
#include <QVariantAnimation>
#include <QWidget>

#include <variant>

// A progress figure as a ring: a faint full track and an arc from twelve o'clock, clockwise.
// A change of progress animates the arc; any other change is drawn at once.
class CircularProgressRing : public QWidget {
  Q_OBJECT

 public:
  CircularProgressRing(double progress, qreal lineWidth, const QColor& primaryColor, qreal size,
                       QWidget* parent = nullptr);
  // With a named colour, the ring follows the palette (light and dark).
  CircularProgressRing(double progress, qreal lineWidth, ThemeColor primaryColor, qreal size,
                       QWidget* parent = nullptr);

  // Into 0...1; a value that is not a number counts as full.
  static double clampProgress(double progress);

  double progress() const { return progress_; }
  void setProgress(double progress);
  qreal lineWidth() const { return lineWidth_; }
  void setLineWidth(qreal lineWidth);
  QColor primaryColor() const;
  void setPrimaryColor(const QColor& color);
  void setPrimaryColor(ThemeColor color);
  qreal ringSize() const { return size_; }
  void setRingSize(qreal size);

  // The arc's length as drawn right now; differs from progress() while animating.
  double displayedProgress() const { return displayed_; }
  bool isAnimating() const;
  // The arc's animation, exposed so tests can step it without waiting.
  QVariantAnimation* animation() { return &animation_; }

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override { return sizeHint(); }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  void updateGeometryForSize();

  double progress_;
  double displayed_;
  qreal lineWidth_;
  std::variant<QColor, ThemeColor> color_;
  qreal size_;
  QVariantAnimation animation_;
};

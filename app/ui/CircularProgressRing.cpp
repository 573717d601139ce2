#include "app/ui/CircularProgressRing.h"

#include <QEasingCurve>
#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace {

constexpr int kAnimationMs = 300;
constexpr qreal kTrackOpacity = 0.15;

// The standard ease-in-out timing curve.
QEasingCurve easeInOut() {
  QEasingCurve curve(QEasingCurve::BezierSpline);
  curve.addCubicBezierSegment(QPointF(0.42, 0.0), QPointF(0.58, 1.0), QPointF(1.0, 1.0));
  return curve;
}

}  // namespace

CircularProgressRing::CircularProgressRing(double progress, qreal lineWidth,
                                           const QColor& primaryColor, qreal size, QWidget* parent)
    : QWidget(parent),
      progress_(clampProgress(progress)),
      displayed_(progress_),
      lineWidth_(lineWidth),
      color_(primaryColor),
      size_(size) {
  animation_.setDuration(kAnimationMs);
  animation_.setEasingCurve(easeInOut());
  connect(&animation_, &QVariantAnimation::valueChanged, this, [this](const QVariant& value) {
    displayed_ = value.toDouble();
    update();
  });
  updateGeometryForSize();
}

CircularProgressRing::CircularProgressRing(double progress, qreal lineWidth,
                                           ThemeColor primaryColor, qreal size, QWidget* parent)
    : CircularProgressRing(progress, lineWidth, QColor(), size, parent) {
  color_ = primaryColor;
}

double CircularProgressRing::clampProgress(double progress) {
  // fmin takes the number when the other argument is NaN: NaN becomes 1.
  const double upper = std::fmin(progress, 1.0);
  return upper < 0.0 ? 0.0 : upper;
}

void CircularProgressRing::setProgress(double progress) {
  const double target = clampProgress(progress);
  if (target == progress_) {
    return;
  }
  progress_ = target;
  // A new target mid-animation starts from where the arc is now.
  animation_.stop();
  animation_.setStartValue(displayed_);
  animation_.setEndValue(progress_);
  animation_.start();
}

void CircularProgressRing::setLineWidth(qreal lineWidth) {
  lineWidth_ = lineWidth;
  updateGeometryForSize();
  update();
}

QColor CircularProgressRing::primaryColor() const {
  if (const auto* role = std::get_if<ThemeColor>(&color_)) {
    return Theme::color(*role, this);
  }
  return std::get<QColor>(color_);
}

void CircularProgressRing::setPrimaryColor(const QColor& color) {
  color_ = color;
  update();
}

void CircularProgressRing::setPrimaryColor(ThemeColor color) {
  color_ = color;
  update();
}

void CircularProgressRing::setRingSize(qreal size) {
  size_ = size;
  updateGeometryForSize();
  update();
}

bool CircularProgressRing::isAnimating() const {
  return animation_.state() == QAbstractAnimation::Running;
}

QSize CircularProgressRing::sizeHint() const {
  // The stroke is centred on the circle, so half of it lies outside the ring's size: leave
  // room for it rather than clip it.
  const int side = static_cast<int>(std::ceil(size_ + std::max<qreal>(lineWidth_, 0)));
  return QSize(side, side);
}

void CircularProgressRing::updateGeometryForSize() {
  setFixedSize(sizeHint());
  updateGeometry();
}

void CircularProgressRing::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  const QRectF circle((width() - size_) / 2.0, (height() - size_) / 2.0, size_, size_);
  const QColor color = primaryColor();

  QColor track = color;
  track.setAlphaF(color.alphaF() * kTrackOpacity);
  p.setPen(QPen(track, lineWidth_, Qt::SolidLine, Qt::FlatCap));
  p.setBrush(Qt::NoBrush);
  p.drawEllipse(circle);

  if (displayed_ <= 0.0) {
    return;
  }
  QPainterPath arc;
  arc.arcMoveTo(circle, 90.0);
  // Negative sweep runs clockwise from twelve o'clock.
  arc.arcTo(circle, 90.0, -360.0 * std::min(displayed_, 1.0));
  p.setPen(QPen(color, lineWidth_, Qt::SolidLine, Qt::RoundCap));
  p.drawPath(arc);
}

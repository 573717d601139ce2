#include "app/shell/CapsuleBadge.h"

#include <QPainter>
#include <QPainterPath>

namespace {

constexpr int kVerticalPadding = 2;
constexpr int kDotSize = 6;
constexpr int kDotSpacing = 3;
constexpr qreal kBackgroundOpacity = 0.12;

}  // namespace

CapsuleBadge::CapsuleBadge(QString text, ThemeColor color, ThemeColor textColor, bool dot,
                           int horizontalPadding, QWidget* parent)
    : QWidget(parent),
      text_(std::move(text)),
      colorRole_(color),
      textRole_(textColor),
      dot_(dot),
      horizontalPadding_(horizontalPadding) {
  setFont(Theme::font(font(), 11, QFont::Medium));
  setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

QSize CapsuleBadge::sizeHint() const {
  const QFontMetrics metrics(font());
  int width = metrics.horizontalAdvance(text_) + 2 * horizontalPadding_;
  if (dot_) {
    width += kDotSize + kDotSpacing;
  }
  return QSize(width, metrics.height() + 2 * kVerticalPadding);
}

void CapsuleBadge::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  const QRectF capsule = rect();
  const qreal radius = capsule.height() / 2;

  const QColor color = Theme::color(colorRole_, this);
  QColor background = color;
  background.setAlphaF(color.alphaF() * kBackgroundOpacity);
  QPainterPath shape;
  shape.addRoundedRect(capsule, radius, radius);
  p.fillPath(shape, background);

  // Content is centred, as a stack inside its padding would be when the badge is stretched.
  const QFontMetrics metrics(font());
  const int contentWidth = metrics.horizontalAdvance(text_) + (dot_ ? kDotSize + kDotSpacing : 0);
  qreal x = (width() - contentWidth) / 2.0;
  if (dot_) {
    p.setPen(Qt::NoPen);
    p.setBrush(color);
    p.drawEllipse(QRectF(x, (height() - kDotSize) / 2.0, kDotSize, kDotSize));
    x += kDotSize + kDotSpacing;
  }
  p.setPen(Theme::color(textRole_, this));
  p.setFont(font());
  p.drawText(QRectF(x, 0, metrics.horizontalAdvance(text_) + 1, height()),
             Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, text_);
}

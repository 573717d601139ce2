#include "app/ui/CapsuleBadge.h"

#include <QPainter>
#include <QPainterPath>

namespace {

constexpr int kVerticalPadding = 2;
constexpr int kMinPadding = 4;
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

QSize CapsuleBadge::measure(const QString& text, const QFont& font, bool dot,
                           int horizontalPadding) {
  const QFontMetrics metrics(font);
  int width = metrics.horizontalAdvance(text) + 2 * horizontalPadding;
  if (dot) {
    width += kDotSize + kDotSpacing;
  }
  return QSize(width, metrics.height() + 2 * kVerticalPadding);
}

QSize CapsuleBadge::sizeHint() const { return measure(text_, font(), dot_, horizontalPadding_); }

void CapsuleBadge::paint(QPainter* p, const QRectF& capsule, const QString& text,
                         const QFont& font, const QColor& color, const QColor& textColor,
                         bool dot) {
  p->save();
  p->setRenderHint(QPainter::Antialiasing);
  const qreal radius = capsule.height() / 2;
  QColor background = color;
  background.setAlphaF(color.alphaF() * kBackgroundOpacity);
  QPainterPath shape;
  shape.addRoundedRect(capsule, radius, radius);
  p->fillPath(shape, background);
  p->setClipPath(shape);

  // Content is centred, as a stack inside its padding would be when the badge is stretched;
  // a badge given less than its width elides its text.
  const QFontMetrics metrics(font);
  const qreal dotWidth = dot ? kDotSize + kDotSpacing : 0;
  const qreal room = capsule.width() - dotWidth - 2 * kMinPadding;
  const QString shown = metrics.horizontalAdvance(text) > room
                            ? metrics.elidedText(text, Qt::ElideRight, int(room))
                            : text;
  const int contentWidth = metrics.horizontalAdvance(shown) + int(dotWidth);
  qreal x = capsule.left() + (capsule.width() - contentWidth) / 2.0;
  if (dot) {
    p->setPen(Qt::NoPen);
    p->setBrush(color);
    p->drawEllipse(QRectF(x, capsule.top() + (capsule.height() - kDotSize) / 2.0, kDotSize, kDotSize));
    x += kDotSize + kDotSpacing;
  }
  p->setPen(textColor);
  p->setFont(font);
  p->drawText(QRectF(x, capsule.top(), metrics.horizontalAdvance(shown) + 1, capsule.height()),
              Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, shown);
  p->restore();
}

void CapsuleBadge::paintEvent(QPaintEvent*) {
  QPainter p(this);
  paint(&p, rect(), text_, font(), Theme::color(colorRole_, this), Theme::color(textRole_, this),
        dot_);
}

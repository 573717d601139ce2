#include "app/ui/CardView.h"

#include "app/platform/Theme.h"
#include "app/ui/SymbolView.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <qdrawutil.h>
#include <QPixmapCache>
#include <QVBoxLayout>

namespace {

constexpr int kPadding = 14;
constexpr int kSpacing = 12;
constexpr int kHeaderSpacing = 6;
constexpr qreal kRadius = 12;
constexpr qreal kFillOpacity = 0.85;
constexpr qreal kOutlineOpacity = 0.08;
constexpr qreal kShadowOpacity = 0.03;
constexpr int kShadowRadius = 4;
constexpr int kShadowOffsetY = 2;

// Soft shadow: rings around the offset panel, fading outwards, kept off the panel itself so
// the translucent fill does not darken. Its edges are straight between the corners, so it is
// drawn once on a small card and stretched to each card's size.
constexpr int kShadowCorner = 20;  // covers the widest ring's corner and the offset

QPixmap smallCardShadow(qreal pixelRatio) {
  const QSize size(2 * kShadowCorner + 1, 2 * kShadowCorner + 1);
  const QRectF panel = QRect(QPoint(0, 0), size) - CardView::shadowMargins();
  const QString key = QStringLiteral("pelmora-card-shadow@%1").arg(pixelRatio);
  QPixmap shadow;
  if (QPixmapCache::find(key, &shadow)) {
    return shadow;
  }
  shadow = QPixmap(size * pixelRatio);
  shadow.setDevicePixelRatio(pixelRatio);
  shadow.fill(Qt::transparent);
  QPainter p(&shadow);
  p.setRenderHint(QPainter::Antialiasing);
  QPainterPath outside;
  outside.addRect(QRectF(QPointF(0, 0), QSizeF(size)));
  QPainterPath shape;
  shape.addRoundedRect(panel, kRadius, kRadius);
  p.setClipPath(outside.subtracted(shape));
  p.setPen(Qt::NoPen);
  const QRectF offset = panel.translated(0, kShadowOffsetY);
  for (int ring = kShadowRadius; ring >= 1; --ring) {
    const qreal weight = qreal(kShadowRadius - ring + 1) / kShadowRadius;
    p.setBrush(QColor::fromRgbF(0, 0, 0, float(kShadowOpacity * weight / 2)));
    p.drawRoundedRect(offset.adjusted(-ring, -ring, ring, ring), kRadius + ring, kRadius + ring);
  }
  p.end();
  QPixmapCache::insert(key, shadow);
  return shadow;
}

}  // namespace

CardView::CardView(std::optional<QString> title, std::optional<QString> icon,
                   QWidget* headerTrailing, QWidget* content, QWidget* parent)
    : QWidget(parent),
      title_(std::move(title)),
      icon_(std::move(icon)),
      headerTrailing_(headerTrailing),
      content_(content) {
  auto* stack = new QVBoxLayout(this);
  stack->setContentsMargins(shadowMargins() + QMargins(kPadding, kPadding, kPadding, kPadding));
  stack->setSpacing(kSpacing);

  if (title_ || icon_ || headerTrailing_) {
    header_ = new QWidget(this);
    auto* row = new QHBoxLayout(header_);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(kHeaderSpacing);
    if (icon_) {
      iconView_ = new SymbolView(*icon_, 14, ThemeColor::accent, header_);
      row->addWidget(iconView_, 0, Qt::AlignVCenter);
    }
    if (title_) {
      titleLabel_ = new QLabel(*title_, header_);
      titleLabel_->setTextFormat(Qt::PlainText);
      titleLabel_->setFont(Theme::font(font(), 14, QFont::DemiBold));
      row->addWidget(titleLabel_, 0, Qt::AlignVCenter);
    }
    row->addStretch(1);
    if (headerTrailing_) {
      row->addWidget(headerTrailing_, 0, Qt::AlignVCenter);
    }
    stack->addWidget(header_);
  }
  if (content_) {
    // Content that can grow takes the card's extra height; other content stays at the top.
    stack->addWidget(content_, 1);
  }
  stack->addStretch(0);
}

QMargins CardView::shadowMargins() {
  return QMargins(kShadowRadius, kShadowRadius - kShadowOffsetY, kShadowRadius,
                  kShadowRadius + kShadowOffsetY);
}

QRect CardView::panelRect() const { return rect().marginsRemoved(shadowMargins()); }

void CardView::paintEvent(QPaintEvent*) {
  QPainter p(this);
  const QRectF panel = panelRect();
  const QMargins corners(kShadowCorner, kShadowCorner, kShadowCorner, kShadowCorner);
  qDrawBorderPixmap(&p, rect(), corners, smallCardShadow(devicePixelRatioF()));

  p.setRenderHint(QPainter::Antialiasing);
  QPainterPath shape;
  shape.addRoundedRect(panel, kRadius, kRadius);

  QColor fill = Theme::color(ThemeColor::windowBackground, this);
  fill.setAlphaF(fill.alphaF() * kFillOpacity);
  p.fillPath(shape, fill);

  QColor outline = Theme::color(ThemeColor::primary, this);
  outline.setAlphaF(outline.alphaF() * kOutlineOpacity);
  QPen pen(outline, 1, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin);
  pen.setMiterLimit(10);
  p.setPen(pen);
  p.setBrush(Qt::NoBrush);
  p.drawRoundedRect(panel.adjusted(0.5, 0.5, -0.5, -0.5), kRadius - 0.5, kRadius - 0.5);
}

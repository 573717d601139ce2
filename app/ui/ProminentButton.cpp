#include "app/ui/ProminentButton.h"

#include "app/platform/Theme.h"

#include <QPainter>
#include <QPainterPath>

namespace {

constexpr int kIconSpacing = 5;
constexpr qreal kRadius = 6;

}  // namespace

ProminentButton::ProminentButton(const QString& text, QWidget* parent) : QPushButton(text, parent) {
  setFont(Theme::font(font(), 12, QFont::Medium));
  setCursor(Qt::PointingHandCursor);
  setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
  setIconSize(QSize(14, 14));
  setShortcut(QKeySequence());
}

void ProminentButton::setText(const QString& text) {
  QPushButton::setText(text);
  // QAbstractButton grabs Alt plus the character after an "&" as a shortcut.
  setShortcut(QKeySequence());
}

QSize ProminentButton::sizeHint() const {
  const QFontMetrics metrics(font());
  int width = metrics.horizontalAdvance(text()) + 2 * kHorizontalPadding;
  if (!icon().isNull()) {
    width += iconSize().width() + (text().isEmpty() ? 0 : kIconSpacing);
  }
  const int height = std::max(metrics.height(), iconSize().height()) + 2 * kVerticalPadding;
  return QSize(width, height);
}

void ProminentButton::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  QColor fill = palette().color(QPalette::Active, QPalette::Highlight);
  if (!isEnabled()) {
    fill.setAlphaF(0.45f);
  } else if (isDown()) {
    fill = fill.darker(115);
  } else if (hovered_) {
    fill = fill.lighter(110);
  }
  QPainterPath shape;
  shape.addRoundedRect(QRectF(rect()), kRadius, kRadius);
  p.fillPath(shape, fill);
  if (hasFocus()) {
    // Inside the fill in the label's colour: a ring in the fill's own hue could not be seen.
    QColor ring = palette().color(QPalette::Active, QPalette::HighlightedText);
    ring.setAlphaF(0.8f);
    p.setPen(QPen(ring, 1.5));
    p.drawRoundedRect(QRectF(rect()).adjusted(2.5, 2.5, -2.5, -2.5), kRadius - 2, kRadius - 2);
  }

  QColor label = palette().color(QPalette::Active, QPalette::HighlightedText);
  if (!isEnabled()) {
    label.setAlphaF(0.7f);
  }
  const QFontMetrics metrics(font());
  const int textWidth = metrics.horizontalAdvance(text());
  const bool hasIcon = !icon().isNull();
  const int contentWidth =
      textWidth + (hasIcon ? iconSize().width() + (text().isEmpty() ? 0 : kIconSpacing) : 0);
  int x = (width() - contentWidth) / 2;
  if (hasIcon) {
    const QRect iconRect(x, (height() - iconSize().height()) / 2, iconSize().width(),
                         iconSize().height());
    icon().paint(&p, iconRect, Qt::AlignCenter, QIcon::Selected);
    x += iconSize().width() + kIconSpacing;
  }
  p.setPen(label);
  p.drawText(QRect(x, 0, textWidth + 1, height()), Qt::AlignLeft | Qt::AlignVCenter, text());
}

void ProminentButton::enterEvent(QEnterEvent* event) {
  hovered_ = true;
  update();
  QPushButton::enterEvent(event);
}

void ProminentButton::leaveEvent(QEvent* event) {
  hovered_ = false;
  update();
  QPushButton::leaveEvent(event);
}

#include "app/ui/PlainButton.h"

#include "app/platform/SymbolImage.h"

#include <QKeyEvent>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>

namespace {
constexpr int kSpacing = 6;
constexpr qreal kBorderedRadius = 5;
}  // namespace

PlainButton::PlainButton(const QString& symbol, int symbolSize, ThemeColor role, QWidget* parent)
    : QAbstractButton(parent), symbol_(symbol), symbolSize_(symbolSize), symbolRole_(role) {
  setCursor(Qt::PointingHandCursor);
  // Reached by Tab; a click does not leave a focus ring behind.
  setFocusPolicy(Qt::TabFocus);
  setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void PlainButton::setSymbol(const QString& symbol) {
  if (symbol == symbol_) {
    return;
  }
  symbol_ = symbol;
  updateGeometry();
  update();
}

void PlainButton::setSymbolRole(ThemeColor role) {
  symbolRole_ = role;
  update();
}

void PlainButton::setTextStyle(int pixelSize, QFont::Weight weight, ThemeColor role) {
  setFont(Theme::font(font(), pixelSize, weight));
  textRole_ = role;
  updateGeometry();
  update();
}

void PlainButton::setText(const QString& text) {
  QAbstractButton::setText(text);
  setShortcut(QKeySequence());
}

void PlainButton::setTrailingSymbol(const QString& symbol, int size) {
  trailingSymbol_ = symbol;
  trailingSize_ = size;
  updateGeometry();
  update();
}

void PlainButton::setRow(bool row) {
  row_ = row;
  setSizePolicy(row ? QSizePolicy::Expanding : QSizePolicy::Fixed, QSizePolicy::Fixed);
  updateGeometry();
}

void PlainButton::setBordered(bool bordered) {
  bordered_ = bordered;
  update();
}

void PlainButton::setPadding(const QMargins& padding) {
  padding_ = padding;
  updateGeometry();
}

int PlainButton::contentHeight() const {
  int height = symbol_.isEmpty() ? 0 : symbolSize_;
  if (!text().isEmpty()) {
    height = std::max(height, fontMetrics().height());
  }
  return std::max(height, trailingSize_);
}

QSize PlainButton::sizeHint() const {
  int width = 0;
  auto add = [&width](int part) { width += (width > 0 && part > 0 ? kSpacing : 0) + part; };
  add(symbol_.isEmpty() ? 0 : symbolSize_);
  add(text().isEmpty() ? 0 : fontMetrics().horizontalAdvance(text()));
  add(trailingSymbol_.isEmpty() ? 0 : trailingSize_);
  return QSize(width + padding_.left() + padding_.right(),
               contentHeight() + padding_.top() + padding_.bottom());
}

QSize PlainButton::minimumSizeHint() const {
  if (!row_) {
    return sizeHint();
  }
  // A row may elide its text; the symbols stay.
  return QSize(padding_.left() + padding_.right() + symbolSize_ + trailingSize_ + 2 * kSpacing,
               sizeHint().height());
}

void PlainButton::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  const QRectF frame = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
  if (bordered_) {
    QColor fill = Theme::color(ThemeColor::primary, this);
    fill.setAlphaF(isDown() ? 0.16f : hovered_ ? 0.1f : 0.05f);
    QColor outline = Theme::color(ThemeColor::primary, this);
    outline.setAlphaF(0.25f);
    p.setPen(QPen(outline, 1));
    p.setBrush(fill);
    p.drawRoundedRect(frame, kBorderedRadius, kBorderedRadius);
  } else if (row_ && (hovered_ || isDown())) {
    QColor fill = Theme::color(ThemeColor::primary, this);
    fill.setAlphaF(isDown() ? 0.12f : 0.06f);
    p.setPen(Qt::NoPen);
    p.setBrush(fill);
    p.drawRoundedRect(frame, kBorderedRadius, kBorderedRadius);
  }
  if (hasFocus()) {
    QColor ring = Theme::color(ThemeColor::accent, this);
    ring.setAlphaF(0.6f);
    p.setPen(QPen(ring, 1.5));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(frame.adjusted(0.5, 0.5, -0.5, -0.5), kBorderedRadius, kBorderedRadius);
  }
  if (!row_ && !bordered_ && isDown()) {
    p.setOpacity(0.6);
  }

  const QRect content = rect().marginsRemoved(padding_);
  const QIcon::Mode mode = isEnabled() ? QIcon::Normal : QIcon::Disabled;
  // Without the row's stretch the content is centred in whatever room the layout gives.
  int x = content.left();
  if (!row_) {
    x += std::max(
        0, (content.width() - (sizeHint().width() - padding_.left() - padding_.right())) / 2);
  }
  if (!symbol_.isEmpty()) {
    const QRect target(x, content.top() + (content.height() - symbolSize_) / 2, symbolSize_,
                       symbolSize_);
    SymbolImage::icon(symbol_, Theme::color(symbolRole_, this))
        .paint(&p, target, Qt::AlignCenter, mode);
    x += symbolSize_ + kSpacing;
  }
  int right = content.right() + 1;
  if (!trailingSymbol_.isEmpty()) {
    const int left =
        row_ ? right - trailingSize_
             : x + (text().isEmpty() ? 0 : fontMetrics().horizontalAdvance(text()) + kSpacing);
    const QRect target(left, content.top() + (content.height() - trailingSize_) / 2, trailingSize_,
                       trailingSize_);
    SymbolImage::icon(trailingSymbol_, Theme::color(textRole_, this))
        .paint(&p, target, Qt::AlignCenter, mode);
    right = left - kSpacing;
  }
  if (!text().isEmpty()) {
    const QRect textRect(x, content.top(), std::max(0, right - x), content.height());
    // Elide only when the text really does not fit: eliding measures a little wider.
    const bool fits = fontMetrics().horizontalAdvance(text()) <= textRect.width();
    p.setPen(Theme::color(textRole_, this));
    p.setFont(font());
    p.drawText(textRect.adjusted(0, 0, fits ? 2 : 0, 0), Qt::AlignLeft | Qt::AlignVCenter,
               fits ? text() : fontMetrics().elidedText(text(), Qt::ElideRight, textRect.width()));
  }
}

void PlainButton::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
    click();
    return;
  }
  QAbstractButton::keyPressEvent(event);
}

void PlainButton::enterEvent(QEnterEvent* event) {
  hovered_ = true;
  update();
  QAbstractButton::enterEvent(event);
}

void PlainButton::leaveEvent(QEvent* event) {
  hovered_ = false;
  update();
  QAbstractButton::leaveEvent(event);
}

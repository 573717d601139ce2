#include "app/ui/SymbolView.h"

#include "app/platform/SymbolImage.h"

#include <QPainter>

SymbolView::SymbolView(const QString& symbol, int pixelSize, ThemeColor role, QWidget* parent)
    : QWidget(parent), symbol_(symbol), pixelSize_(pixelSize), role_(role) {
  setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
  rebuild();
}

void SymbolView::setSymbol(const QString& symbol) {
  if (symbol == symbol_) {
    return;
  }
  symbol_ = symbol;
  rebuild();
}

void SymbolView::setRole(ThemeColor role) {
  role_ = role;
  fixedColor_.reset();
  rebuild();
}

void SymbolView::setColor(const QColor& color) {
  fixedColor_ = color;
  rebuild();
}

QColor SymbolView::color() const { return fixedColor_ ? *fixedColor_ : Theme::color(role_, this); }

QSize SymbolView::sizeHint() const { return QSize(pixelSize_, pixelSize_); }

void SymbolView::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const QRect target((width() - pixelSize_) / 2, (height() - pixelSize_) / 2, pixelSize_,
                     pixelSize_);
  icon_.paint(&painter, target, Qt::AlignCenter, isEnabled() ? QIcon::Normal : QIcon::Disabled);
}

void SymbolView::rebuild() {
  icon_ = fixedColor_ ? SymbolImage::icon(symbol_, *fixedColor_)
                      : SymbolImage::icon(symbol_, role_, this);
  update();
}

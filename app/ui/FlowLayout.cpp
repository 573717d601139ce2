#include "app/ui/FlowLayout.h"

#include <QWidget>

#include <algorithm>

FlowLayout::FlowLayout(QWidget* parent, int horizontalSpacing, int verticalSpacing)
    : QLayout(parent), horizontalSpacing_(horizontalSpacing), verticalSpacing_(verticalSpacing) {
  setContentsMargins(0, 0, 0, 0);
}

FlowLayout::~FlowLayout() {
  while (QLayoutItem* item = takeAt(0)) {
    delete item;
  }
}

void FlowLayout::addItem(QLayoutItem* item) { items_.append(item); }

int FlowLayout::count() const { return static_cast<int>(items_.size()); }

QLayoutItem* FlowLayout::itemAt(int index) const { return items_.value(index); }

QLayoutItem* FlowLayout::takeAt(int index) {
  return index >= 0 && index < items_.size() ? items_.takeAt(index) : nullptr;
}

int FlowLayout::heightForWidth(int width) const { return arrange(QRect(0, 0, width, 0), false); }

QSize FlowLayout::sizeHint() const {
  int width = 0;
  int height = 0;
  for (const QLayoutItem* item : items_) {
    if (item->isEmpty()) {
      continue;
    }
    width += (width > 0 ? horizontalSpacing_ : 0) + item->sizeHint().width();
    height = std::max(height, item->sizeHint().height());
  }
  const QMargins m = contentsMargins();
  return QSize(width + m.left() + m.right(), height + m.top() + m.bottom());
}

QSize FlowLayout::minimumSize() const {
  QSize size;
  for (const QLayoutItem* item : items_) {
    size = size.expandedTo(item->minimumSize());
  }
  const QMargins m = contentsMargins();
  return size + QSize(m.left() + m.right(), m.top() + m.bottom());
}

void FlowLayout::setGeometry(const QRect& rect) {
  QLayout::setGeometry(rect);
  arrange(rect, true);
}

int FlowLayout::arrange(const QRect& rect, bool place) const {
  const QRect area = rect.marginsRemoved(contentsMargins());
  int x = area.x();
  int y = area.y();
  int lineHeight = 0;
  for (QLayoutItem* item : items_) {
    if (item->isEmpty()) {
      continue;
    }
    const QSize size = item->sizeHint();
    if (x > area.x() && x + size.width() > area.right() + 1) {
      x = area.x();
      y += lineHeight + verticalSpacing_;
      lineHeight = 0;
    }
    if (place) {
      item->setGeometry(QRect(QPoint(x, y), size));
    }
    x += size.width() + horizontalSpacing_;
    lineHeight = std::max(lineHeight, size.height());
  }
  const QMargins m = contentsMargins();
  return y + lineHeight - rect.y() + m.bottom();
}

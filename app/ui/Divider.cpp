#include "app/ui/Divider.h"

#include "app/platform/Theme.h"

#include <QPainter>

Divider::Divider(QWidget* parent) : QWidget(parent) {
  setFixedHeight(1);
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void Divider::paintEvent(QPaintEvent*) {
  QColor line = Theme::color(ThemeColor::primary, this);
  line.setAlphaF(line.alphaF() * 0.12f);
  QPainter(this).fillRect(rect(), line);
}

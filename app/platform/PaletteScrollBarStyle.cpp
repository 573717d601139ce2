#include "app/platform/PaletteScrollBarStyle.h"

#include "app/platform/Theme.h"

#include <QApplication>
#include <QPainter>
#include <QStyleFactory>
#include <QStyleOptionSlider>

namespace {

QStyle* baseStyleNamed(const QString& name) {
  const QString chosen = !name.isEmpty()           ? name
                         : QApplication::style() != nullptr ? QApplication::style()->name()
                                                            : QStringLiteral("Fusion");
  return QStyleFactory::create(chosen);
}

}  // namespace

PaletteScrollBarStyle::PaletteScrollBarStyle(const QString& baseStyle)
    : QProxyStyle(baseStyleNamed(baseStyle)) {}

void PaletteScrollBarStyle::drawComplexControl(ComplexControl control,
                                               const QStyleOptionComplex* option,
                                               QPainter* painter, const QWidget* widget) const {
  const auto* bar = qstyleoption_cast<const QStyleOptionSlider*>(option);
  if (control != CC_ScrollBar || bar == nullptr) {
    QProxyStyle::drawComplexControl(control, option, painter, widget);
    return;
  }
  const QPalette& palette = bar->palette;
  const bool dark = Theme::isDark(palette);
  const QColor window = palette.color(QPalette::Window);
  painter->save();
  painter->setRenderHint(QPainter::Antialiasing);
  painter->fillRect(bar->rect, dark ? window.lighter(112) : window.darker(103));

  // The step arrows, where the base style has them.
  const bool horizontal = bar->orientation == Qt::Horizontal;
  for (const auto& [part, arrow] :
       {std::pair{SC_ScrollBarSubLine, horizontal ? PE_IndicatorArrowLeft : PE_IndicatorArrowUp},
        std::pair{SC_ScrollBarAddLine,
                  horizontal ? PE_IndicatorArrowRight : PE_IndicatorArrowDown}}) {
    const QRect area = subControlRect(CC_ScrollBar, bar, part, widget);
    if (area.isEmpty()) {
      continue;
    }
    QStyleOption arrowOption = *bar;
    arrowOption.rect = area.adjusted(2, 2, -2, -2);
    arrowOption.state &= ~(State_Sunken | State_MouseOver);
    if (bar->activeSubControls & part && bar->state & State_Sunken) {
      QColor pressed = Theme::color(ThemeColor::primary, palette);
      pressed.setAlphaF(0.12f);
      painter->fillRect(area, pressed);
    }
    proxy()->drawPrimitive(arrow, &arrowOption, painter, widget);
  }

  const QRect slider = subControlRect(CC_ScrollBar, bar, SC_ScrollBarSlider, widget);
  if (!slider.isEmpty() && bar->maximum > bar->minimum) {
    const bool active = bar->activeSubControls & SC_ScrollBarSlider;
    QColor handle = Theme::color(ThemeColor::primary, palette);
    handle.setAlphaF(active && bar->state & State_Sunken ? 0.6f
                     : active && bar->state & State_MouseOver ? 0.48f
                                                              : 0.36f);
    const QRectF shape = horizontal ? QRectF(slider).adjusted(1, 3, -1, -3)
                                    : QRectF(slider).adjusted(3, 1, -3, -1);
    const qreal radius = std::min(shape.width(), shape.height()) / 2;
    painter->setPen(Qt::NoPen);
    painter->setBrush(handle);
    painter->drawRoundedRect(shape, radius, radius);
  }
  painter->restore();
}

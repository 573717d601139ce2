#include "app/ui/WidgetRetirement.h"

#include <QLayout>
#include <QWidget>

void retireWidgets(QLayout* layout) {
  while (QLayoutItem* item = layout->takeAt(0)) {
    if (QWidget* widget = item->widget()) {
      widget->hide();
      widget->deleteLater();
    }
    delete item;
  }
}

void retireWidget(QWidget* widget, QLayout* layout) {
  widget->hide();
  layout->removeWidget(widget);
  widget->deleteLater();
}

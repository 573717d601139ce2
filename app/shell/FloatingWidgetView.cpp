#include "app/shell/FloatingWidgetView.h"

FloatingWidgetView::FloatingWidgetView(const ScreenEnvironment& environment,
                                       std::function<void()> onQuickAdd,
                                       std::function<void()> onOpenFullDashboard, QWidget* parent)
    : QWidget(parent),
      environment_(environment),
      onQuickAdd_(std::move(onQuickAdd)),
      onOpenFullDashboard_(std::move(onOpenFullDashboard)) {}

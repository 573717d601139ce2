#include "app/shell/MenuBarPopoverView.h"

MenuBarPopoverView::MenuBarPopoverView(const ScreenEnvironment& environment, Actions actions,
                                       QWidget* parent)
    : QWidget(parent), environment_(environment), actions_(std::move(actions)) {}

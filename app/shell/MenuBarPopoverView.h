#pragma once

#include "app/screens/ScreenEnvironment.h"

#include <QWidget>

#include <functional>

// The tray popup's content. Placeholder until the popup is built.
class MenuBarPopoverView : public QWidget {
  Q_OBJECT

 public:
  struct Actions {
    std::function<void()> onOpenDashboard;
    std::function<void()> onToggleWidget;
    std::function<void()> onOpenSettings;
    std::function<void()> onOpenQuickCapture;
  };

  MenuBarPopoverView(const ScreenEnvironment& environment, Actions actions,
                     QWidget* parent = nullptr);

 private:
  ScreenEnvironment environment_;
  Actions actions_;
};

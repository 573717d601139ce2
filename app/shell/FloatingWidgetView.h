#pragma once

#include "app/screens/ScreenEnvironment.h"

#include <QWidget>

#include <functional>

// The floating panel's content. Placeholder until the widget is built.
class FloatingWidgetView : public QWidget {
  Q_OBJECT

 public:
  FloatingWidgetView(const ScreenEnvironment& environment, std::function<void()> onQuickAdd,
                     std::function<void()> onOpenFullDashboard, QWidget* parent = nullptr);

 private:
  ScreenEnvironment environment_;
  std::function<void()> onQuickAdd_;
  std::function<void()> onOpenFullDashboard_;
};

#pragma once

#include "app/ui/CapsuleBadge.h"
#include "core/model/TaskPriority.h"

// A task's priority: a dot and its name in the priority's colour.
class PriorityBadge : public CapsuleBadge {
  Q_OBJECT

 public:
  explicit PriorityBadge(TaskPriority priority, QWidget* parent = nullptr);

  TaskPriority priority() const { return priority_; }
  // The one colour of a priority, on every screen.
  static ThemeColor color(TaskPriority priority);

 private:
  TaskPriority priority_;
};

#include "app/ui/PriorityBadge.h"

PriorityBadge::PriorityBadge(TaskPriority priority, QWidget* parent)
    : CapsuleBadge(displayText(priority), color(priority), color(priority), true, 6, parent),
      priority_(priority) {}

ThemeColor PriorityBadge::color(TaskPriority priority) {
  switch (priority) {
    case TaskPriority::low:
      return ThemeColor::secondary;
    case TaskPriority::medium:
      return ThemeColor::blue;
    case TaskPriority::high:
      return ThemeColor::orange;
    case TaskPriority::urgent:
      return ThemeColor::red;
  }
  return ThemeColor::secondary;
}

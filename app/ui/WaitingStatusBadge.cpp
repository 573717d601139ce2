#include "app/ui/WaitingStatusBadge.h"

WaitingStatusBadge::WaitingStatusBadge(WaitingStatus status, QWidget* parent)
    // Seven points of side padding, one more than the other badges.
    : CapsuleBadge(displayText(status), color(status), color(status), false, 7, parent),
      status_(status) {}

ThemeColor WaitingStatusBadge::color(WaitingStatus status) {
  switch (status) {
    case WaitingStatus::waiting:
      return ThemeColor::purple;
    case WaitingStatus::followedUp:
      return ThemeColor::blue;
    case WaitingStatus::resolved:
      return ThemeColor::green;
    case WaitingStatus::cancelled:
      return ThemeColor::secondary;
  }
  return ThemeColor::secondary;
}

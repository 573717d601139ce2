#pragma once

#include "app/ui/CapsuleBadge.h"
#include "core/model/WaitingForItem.h"

// The state of a waiting-for item, in the status's colour.
class WaitingStatusBadge : public CapsuleBadge {
  Q_OBJECT

 public:
  explicit WaitingStatusBadge(WaitingStatus status, QWidget* parent = nullptr);

  WaitingStatus status() const { return status_; }
  // The one colour of a waiting status, on every screen.
  static ThemeColor color(WaitingStatus status);

 private:
  WaitingStatus status_;
};

#pragma once

#include "app/ui/CapsuleBadge.h"

// A category name on a faint grey capsule.
class CategoryTag : public CapsuleBadge {
  Q_OBJECT

 public:
  explicit CategoryTag(const QString& title, QWidget* parent = nullptr);

  QString title() const { return text(); }
};

#include "app/ui/CategoryTag.h"

CategoryTag::CategoryTag(const QString& title, QWidget* parent)
    : CapsuleBadge(title, ThemeColor::secondary, ThemeColor::secondary, false, 6, parent) {}

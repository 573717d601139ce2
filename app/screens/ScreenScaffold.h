#pragma once

#include <QString>

class QScrollArea;
class QVBoxLayout;
class QWidget;
class ThemedLabel;

// The frame the tab screens share: a vertical scroll area over a plain background, a column
// with 18 px of padding and spacing, and a title line with a short subtitle under it.
namespace screen_scaffold {

struct Parts {
  QScrollArea* scroll = nullptr;
  QVBoxLayout* column = nullptr;
  ThemedLabel* title = nullptr;
  ThemedLabel* subtitle = nullptr;
};

// Lays the frame into `screen`, which must have no layout yet.
Parts build(QWidget* screen, const QString& title, const QString& subtitle);

}  // namespace screen_scaffold

#pragma once

#include <QString>

#include <optional>

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

// The top of a screen: its title, a short subtitle under it when there is one, and
// `trailing` (an add or sync button, may be null) on the right.
struct Header {
  QWidget* widget = nullptr;
  ThemedLabel* title = nullptr;
  ThemedLabel* subtitle = nullptr;  // null without one
};
Header header(QWidget* parent, const QString& title, std::optional<QString> subtitle,
              QWidget* trailing = nullptr);

}  // namespace screen_scaffold

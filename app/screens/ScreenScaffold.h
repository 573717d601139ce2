#pragma once

#include <QString>
#include <QTime>

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

// A wall-clock time in the locale's short form, without seconds ("14:05", "2:05 PM").
QString timeText(const QTime& time);

}  // namespace screen_scaffold

#include "app/screens/ScreenScaffold.h"

#include "app/shell/ThemedLabel.h"

#include <QScrollArea>
#include <QVBoxLayout>

namespace screen_scaffold {

namespace {

constexpr int kPadding = 18;
constexpr int kSpacing = 18;

}  // namespace

Parts build(QWidget* screen, const QString& title, const QString& subtitle) {
  Parts parts;
  screen->setAutoFillBackground(true);
  screen->setBackgroundRole(QPalette::Window);
  auto* outer = new QVBoxLayout(screen);
  outer->setContentsMargins(0, 0, 0, 0);
  parts.scroll = new QScrollArea(screen);
  parts.scroll->setWidgetResizable(true);
  parts.scroll->setFrameShape(QFrame::NoFrame);
  parts.scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  parts.scroll->viewport()->setAutoFillBackground(false);
  outer->addWidget(parts.scroll);

  auto* content = new QWidget(parts.scroll);
  content->setAutoFillBackground(false);
  parts.column = new QVBoxLayout(content);
  parts.column->setContentsMargins(kPadding, kPadding, kPadding, kPadding);
  parts.column->setSpacing(kSpacing);

  auto* header = new QVBoxLayout;
  header->setSpacing(2);
  parts.title = new ThemedLabel(title, ThemeColor::primary, content);
  parts.title->setTextStyle(22, QFont::Bold);
  header->addWidget(parts.title);
  parts.subtitle = new ThemedLabel(subtitle, ThemeColor::secondary, content);
  parts.subtitle->setTextStyle(12);
  parts.subtitle->setWordWrap(true);
  header->addWidget(parts.subtitle);
  parts.column->addLayout(header);

  parts.scroll->setWidget(content);
  return parts;
}

}  // namespace screen_scaffold

#include "app/screens/ScreenScaffold.h"

#include "app/ui/ThemedLabel.h"

#include <QHBoxLayout>
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

  const Header top = header(content, title, subtitle);
  parts.title = top.title;
  parts.subtitle = top.subtitle;
  parts.column->addWidget(top.widget);

  parts.scroll->setWidget(content);
  return parts;
}

Header header(QWidget* parent, const QString& title, std::optional<QString> subtitle,
              QWidget* trailing) {
  Header result;
  result.widget = new QWidget(parent);
  auto* row = new QHBoxLayout(result.widget);
  row->setContentsMargins(0, 0, 0, 0);
  auto* titles = new QVBoxLayout;
  titles->setSpacing(2);
  result.title = new ThemedLabel(title, ThemeColor::primary, result.widget);
  result.title->setTextStyle(22, QFont::Bold);
  result.title->setAccessibleName(title);
  titles->addWidget(result.title);
  if (subtitle) {
    result.subtitle = new ThemedLabel(*subtitle, ThemeColor::secondary, result.widget);
    result.subtitle->setTextStyle(12);
    result.subtitle->setWordWrap(true);
    titles->addWidget(result.subtitle);
  }
  row->addLayout(titles, 1);
  if (trailing != nullptr) {
    // Level with the title line when a subtitle hangs under it.
    row->addWidget(trailing, 0, result.subtitle ? Qt::AlignTop : Qt::AlignVCenter);
  }
  return result;
}

}  // namespace screen_scaffold

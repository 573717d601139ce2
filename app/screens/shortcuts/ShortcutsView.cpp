#include "app/screens/shortcuts/ShortcutsView.h"

#include "app/screens/ScreenScaffold.h"
#include "app/screens/shortcuts/AppLauncher.h"
#include "app/ui/CardView.h"
#include "app/ui/SymbolView.h"
#include "app/ui/ThemedLabel.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

constexpr int kColumns = 2;
constexpr int kTileHeight = 60;
constexpr int kIconSize = 24;

// A flat button laid out as a symbol beside a name and a line of detail.
QPushButton* makeTile(const AppShortcut& shortcut, const QString& detail, bool installed,
                      QWidget* parent) {
  auto* tile = new QPushButton(parent);
  tile->setMinimumHeight(kTileHeight);
  tile->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
  tile->setEnabled(installed);
  tile->setAccessibleName(shortcut.name);
  tile->setAccessibleDescription(detail);
  tile->setToolTip(installed ? QStringLiteral("Open %1").arg(detail) : detail);

  auto* row = new QHBoxLayout(tile);
  row->setContentsMargins(12, 8, 12, 8);
  row->setSpacing(12);
  auto* icon = new SymbolView(shortcut.icon, kIconSize,
                              installed ? ThemeColor::accent : ThemeColor::tertiary, tile);
  icon->setAttribute(Qt::WA_TransparentForMouseEvents);
  row->addWidget(icon, 0, Qt::AlignVCenter);

  auto* texts = new QVBoxLayout;
  texts->setSpacing(1);
  auto* name = new ThemedLabel(shortcut.name, installed ? ThemeColor::primary : ThemeColor::secondary,
                               tile);
  name->setTextStyle(13, QFont::DemiBold);
  name->setAttribute(Qt::WA_TransparentForMouseEvents);
  texts->addWidget(name);
  auto* sub = new ThemedLabel(detail, installed ? ThemeColor::secondary : ThemeColor::tertiary, tile);
  sub->setTextStyle(11);
  sub->setAttribute(Qt::WA_TransparentForMouseEvents);
  texts->addWidget(sub);
  row->addLayout(texts, 1);
  return tile;
}

}  // namespace

ShortcutsView::ShortcutsView(const ScreenEnvironment& environment, QWidget* parent)
    : ShortcutsView(environment, AppLauncher::system(), parent) {}

ShortcutsView::ShortcutsView(const ScreenEnvironment& environment,
                             std::shared_ptr<AppLauncher> launcher, QWidget* parent)
    : QWidget(parent), environment_(environment), launcher_(std::move(launcher)) {
  const auto parts = screen_scaffold::build(this, QStringLiteral("Shortcuts"),
                                            QStringLiteral("Open the applications you use most."));

  auto* grid = new QWidget;
  auto* layout = new QGridLayout(grid);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(10);
  const QList<AppShortcut>& shortcuts = app_shortcuts::all();
  for (int i = 0; i < shortcuts.size(); ++i) {
    const AppShortcut& shortcut = shortcuts[i];
    const std::optional<QString> id = app_shortcuts::installedDesktopId(shortcut, *launcher_);
    resolved_.append(id);
    const QString detail = id ? launcher_->installedName(*id).value_or(shortcut.name)
                              : QStringLiteral("Not installed");
    QPushButton* tile = makeTile(shortcut, detail, id.has_value(), grid);
    connect(tile, &QPushButton::clicked, this, [this, i] { launch(i); });
    layout->addWidget(tile, i / kColumns, i % kColumns);
    rows_.append(tile);
  }
  auto* card = new CardView(QStringLiteral("Applications"), QStringLiteral("command"), nullptr, grid);
  parts.column->addWidget(card);

  message_ = ThemedLabel::messageLine(ThemeColor::red);
  message_->setTextStyle(12);
  parts.column->addWidget(message_);
  parts.column->addStretch(1);
}

QString ShortcutsView::message() const { return message_->isHidden() ? QString() : message_->text(); }

void ShortcutsView::launch(int row) {
  const AppShortcut& shortcut = app_shortcuts::all().at(row);
  const std::optional<QString> id = resolved_.value(row);
  const std::optional<QString> failure =
      id ? launcher_->launch(*id) : std::optional<QString>(QStringLiteral("it is not installed"));
  if (failure) {
    message_->setText(QStringLiteral("%1 could not be opened: %2.").arg(shortcut.name, *failure));
    message_->show();
  } else {
    message_->clear();
    message_->hide();
  }
}

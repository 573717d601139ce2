#include "app/screens/settings/SettingsView.h"

#include "app/platform/SymbolImage.h"
#include "app/screens/settings/DataSettingsPage.h"
#include "app/screens/settings/EmailSettingsPage.h"
#include "app/screens/settings/PrivacyDiagnosticsPages.h"
#include "app/screens/settings/SimpleSettingsPages.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QScrollArea>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace {

SettingsPage* buildPage(SettingsTab tab, const std::shared_ptr<SettingsContext>& context) {
  switch (tab) {
    case SettingsTab::general:
      return new GeneralSettingsPage(context);
    case SettingsTab::email:
      return new EmailSettingsPage(context);
    case SettingsTab::cards:
      return new CardsSettingsPage(context);
    case SettingsTab::widget:
      return new WidgetSettingsPage(context);
    case SettingsTab::weather:
      return new WeatherSettingsPage(context);
    case SettingsTab::focus:
      return new FocusSettingsPage(context);
    case SettingsTab::notifications:
      return new NotificationsSettingsPage(context);
    case SettingsTab::data:
      return new DataSettingsPage(context);
    case SettingsTab::privacy:
      return new PrivacySettingsPage(context);
    case SettingsTab::diagnostics:
      return new DiagnosticsSettingsPage(context);
  }
  return nullptr;
}

}  // namespace

SettingsView::SettingsView(const ScreenEnvironment& environment, QWidget* parent)
    : SettingsView(environment, SettingsServices::system(environment.app), parent) {}

SettingsView::SettingsView(const ScreenEnvironment& environment, SettingsServices services,
                           QWidget* parent)
    : QWidget(parent),
      context_(std::make_shared<SettingsContext>(environment, std::move(services))) {
  // The sheet that shows the screen takes this title.
  setWindowTitle(QStringLiteral("Settings \u2014 Pelmora"));
  setAutoFillBackground(true);
  setBackgroundRole(QPalette::Window);
  auto* outer = new QVBoxLayout(this);
  outer->setContentsMargins(0, 0, 0, 0);
  outer->setSpacing(0);
  auto* body = new QHBoxLayout;
  body->setSpacing(0);
  outer->addLayout(body, 1);

  // The list sits on one surface with room around it, as a sidebar does.
  auto* side = new QWidget(this);
  side->setAutoFillBackground(true);
  side->setBackgroundRole(QPalette::Base);
  side->setFixedWidth(188);
  auto* sideLayout = new QVBoxLayout(side);
  sideLayout->setContentsMargins(8, 10, 8, 10);
  sidebar_ = new QListWidget(side);
  sidebar_->setFrameShape(QFrame::NoFrame);
  sidebar_->setIconSize({18, 18});
  sidebar_->setSpacing(1);
  sidebar_->setAccessibleName(QStringLiteral("Settings pages"));
  sideLayout->addWidget(sidebar_);
  body->addWidget(side);
  auto* rule = new QFrame(this);
  rule->setFrameShape(QFrame::VLine);
  rule->setFrameShadow(QFrame::Plain);
  rule->setForegroundRole(QPalette::Mid);
  body->addWidget(rule);

  pages_ = new QStackedWidget(this);
  body->addWidget(pages_, 1);
  for (SettingsTab tab : allCases<SettingsTab>) {
    auto* item = new QListWidgetItem(SymbolImage::icon(symbolName(tab)), displayText(tab), sidebar_);
    item->setData(Qt::UserRole, static_cast<int>(tab));
    item->setSizeHint({0, 30});
    auto* scroll = new QScrollArea(pages_);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setWidget(buildPage(tab, context_));
    pages_->addWidget(scroll);
  }
  connect(sidebar_, &QListWidget::currentRowChanged, this, [this](int row) {
    if (row < 0) {
      return;
    }
    pages_->setCurrentIndex(row);
    const auto tab = static_cast<SettingsTab>(sidebar_->item(row)->data(Qt::UserRole).toInt());
    if (state().selectedTab != tab) {
      context_->updateState([tab](SettingsState& s) { s.selectedTab = tab; });
    }
  });
  selectTab(state().selectedTab);

  if (environment.dismiss) {
    auto* footer = new QHBoxLayout;
    footer->setContentsMargins(16, 10, 16, 12);
    footer->addStretch(1);
    auto* done = new QPushButton(QStringLiteral("Done"), this);
    done->setDefault(true);
    done->setAutoDefault(true);
    footer->addWidget(done);
    auto* line = new QFrame(this);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Plain);
    line->setForegroundRole(QPalette::Mid);
    outer->addWidget(line);
    outer->addLayout(footer);
    connect(done, &QPushButton::clicked, this, [this] { context_->env().close(); });
  }
}

void SettingsView::selectTab(SettingsTab tab) {
  const auto& tabs = allCases<SettingsTab>;
  sidebar_->setCurrentRow(int(std::find(tabs.begin(), tabs.end(), tab) - tabs.begin()));
}

SettingsPage* SettingsView::page(SettingsTab tab) const {
  for (int i = 0; i < pages_->count(); ++i) {
    auto* scroll = qobject_cast<QScrollArea*>(pages_->widget(i));
    auto* page = scroll ? qobject_cast<SettingsPage*>(scroll->widget()) : nullptr;
    if (page != nullptr && page->tab() == tab) {
      return page;
    }
  }
  return nullptr;
}

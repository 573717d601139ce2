#include "app/shell/MainDashboardView.h"

#include "app/platform/SymbolImage.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>

MainDashboardView::MainDashboardView(QWidget* parent) : QWidget(parent) {
  sidebar_ = new QListWidget(this);
  sidebar_->setMinimumWidth(180);
  sidebar_->setMaximumWidth(240);
  sidebar_->setFrameShape(QFrame::NoFrame);
  sidebar_->setIconSize(QSize(16, 16));
  for (DashboardTab tab : dashboard_tab::allCases) {
    auto* item = new QListWidgetItem(SymbolImage::icon(dashboard_tab::icon(tab)),
                                     dashboard_tab::rawValue(tab), sidebar_);
    item->setSizeHint(QSize(0, 30));
  }
  sidebar_->setCurrentRow(0);

  detail_ = new QLabel(this);
  detail_->setAlignment(Qt::AlignCenter);
  detail_->setMinimumSize(540, 460);
  QFont font = detail_->font();
  font.setPixelSize(22);
  font.setBold(true);
  detail_->setFont(font);

  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(sidebar_);
  layout->addWidget(detail_, 1);

  connect(sidebar_, &QListWidget::currentRowChanged, this, [this](int row) {
    if (row >= 0 && row < static_cast<int>(dashboard_tab::allCases.size())) {
      setActiveTab(dashboard_tab::allCases[static_cast<size_t>(row)]);
    }
  });
  showDetail();
}

void MainDashboardView::setActiveTab(DashboardTab tab) {
  if (tab == activeTab_) {
    return;
  }
  activeTab_ = tab;
  const auto row = std::find(dashboard_tab::allCases.begin(), dashboard_tab::allCases.end(), tab) -
                   dashboard_tab::allCases.begin();
  sidebar_->setCurrentRow(static_cast<int>(row));
  showDetail();
  Q_EMIT activeTabChanged(tab);
}

void MainDashboardView::showDetail() { detail_->setText(dashboard_tab::rawValue(activeTab_)); }

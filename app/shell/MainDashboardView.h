#pragma once

#include "app/shell/DashboardTab.h"

#include <QWidget>

class QLabel;
class QListWidget;

// The main window's content: the tab sidebar and the selected tab's screen.
class MainDashboardView : public QWidget {
  Q_OBJECT

 public:
  explicit MainDashboardView(QWidget* parent = nullptr);

  DashboardTab activeTab() const { return activeTab_; }
  void setActiveTab(DashboardTab tab);

 Q_SIGNALS:
  void activeTabChanged(DashboardTab tab);

 private:
  void showDetail();

  DashboardTab activeTab_ = DashboardTab::today;
  QListWidget* sidebar_ = nullptr;
  QLabel* detail_ = nullptr;
};

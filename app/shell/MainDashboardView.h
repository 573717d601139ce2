#pragma once

#include "app/screens/ScreenEnvironment.h"
#include "app/ui/DashboardTab.h"

#include <QPointer>
#include <QWidget>

#include <functional>

class QListWidget;
class QTimer;
class QVBoxLayout;
class DataStore;
class Sheet;
enum class SettingsTab;

// The badge counts of the sidebar; 0 means no badge.
struct SidebarBadgeCounts {
  int emailInbox = 0;  // suggestions waiting for review
  int tasks = 0;       // undone tasks due on today's date
  int waitingFor = 0;  // items whose follow-up is overdue

  int count(DashboardTab tab) const;
  bool operator==(const SidebarBadgeCounts&) const = default;
};
SidebarBadgeCounts sidebarBadgeCounts(const DataStore& store, const QDateTime& now,
                                      const Calendar& calendar);

// The main window's content: the tab sidebar with live counts and three action rows, the
// selected tab's screen, the three sheets and the tab shortcuts.
class MainDashboardView : public QWidget {
  Q_OBJECT

 public:
  struct State {
    DashboardTab activeTab = DashboardTab::today;
    bool isShowingQuickCapture = false;
    bool isShowingSettings = false;
    bool isShowingOnboarding = false;
  };

  MainDashboardView(const ScreenEnvironment& environment,
                    std::function<void()> onToggleFloatingWidget, QWidget* parent = nullptr);

  const State& state() const { return state_; }
  void setActiveTab(DashboardTab tab);
  // The screen of the selected tab.
  QWidget* currentScreen() const { return screen_; }
  const SidebarBadgeCounts& badgeCounts() const { return counts_; }

  void showQuickCapture();
  void showSettings();
  // The settings, turned to one page.
  void showSettingsPage(SettingsTab page);
  void showOnboarding();

 Q_SIGNALS:
  void activeTabChanged(DashboardTab tab);

 protected:
  void showEvent(QShowEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  QWidget* buildSidebar(std::function<void()> onToggleFloatingWidget);
  void showScreen();
  void refreshCounts();
  void scheduleMidnightRefresh();
  void present(bool State::*flag, QPointer<Sheet>& slot,
               QWidget* (*build)(const ScreenEnvironment&));

  ScreenEnvironment environment_;
  State state_;
  SidebarBadgeCounts counts_;
  QListWidget* tabList_ = nullptr;
  QVBoxLayout* detail_ = nullptr;
  QPointer<QWidget> screen_;
  QTimer* midnight_ = nullptr;
  QPointer<Sheet> quickCaptureSheet_;
  QPointer<Sheet> settingsSheet_;
  QPointer<Sheet> onboardingSheet_;
};

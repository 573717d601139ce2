#pragma once

#include "app/screens/ScreenEnvironment.h"
#include "app/screens/settings/SettingsContext.h"
#include "app/screens/settings/SettingsServices.h"

#include <QWidget>

#include <memory>

class QListWidget;
class QStackedWidget;
class SettingsPage;

// The settings screen, shown as a sheet of the main window: a sidebar of ten pages. Every
// change is saved at once and passed on to the service that depends on it.
class SettingsView : public QWidget {
  Q_OBJECT

 public:
  using SettingsTab = ::SettingsTab;
  using State = SettingsState;

  explicit SettingsView(const ScreenEnvironment& environment, QWidget* parent = nullptr);
  // With other services than the running program's, for tests and previews.
  SettingsView(const ScreenEnvironment& environment, SettingsServices services,
               QWidget* parent = nullptr);

  const State& state() const { return context_->state(); }
  void selectTab(SettingsTab tab);
  SettingsPage* page(SettingsTab tab) const;

  QSize sizeHint() const override { return {780, 580}; }

 private:
  std::shared_ptr<SettingsContext> context_;
  QListWidget* sidebar_;
  QStackedWidget* pages_;
};

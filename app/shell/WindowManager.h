#pragma once

#include <QObject>
#include <QPointer>

#include <memory>

class DataStore;
class EmailIntelligenceProvider;
class EmailSyncCoordinator;
class FocusTimerManager;
class NotificationService;

// Owns every window of the application and its tray presence, and the e-mail sync
// coordinator with the suggestion provider the settings select. One instance, reachable
// through shared() while it lives.
class WindowManager : public QObject {
  Q_OBJECT

 public:
  WindowManager(DataStore* store, FocusTimerManager* focusTimer, QObject* parent = nullptr);
  ~WindowManager() override;

  // The one instance, or null before it is built and after it is gone.
  static WindowManager* shared();

  DataStore* store() const { return store_; }
  FocusTimerManager* focusTimer() const { return focusTimer_; }
  EmailSyncCoordinator* emailSyncCoordinator() const { return emailSyncCoordinator_.get(); }

  // The cloud provider (with the rule engine behind it) only when the cloud switch and the
  // consent are both on; the rule engine otherwise. A new instance each time.
  static std::shared_ptr<EmailIntelligenceProvider> chooseProvider(const DataStore& store);
  // Gives the coordinator a newly chosen provider after the cloud settings changed.
  void updateEmailProvider();

  void showMainWindow();
  void showQuickCapture();
  void toggleFloatingWidget();
  // The floating panel's level and opacity from the settings.
  void updateWidgetConfiguration();

 private:
  DataStore* store_;
  FocusTimerManager* focusTimer_;
  std::unique_ptr<NotificationService> notificationService_;
  std::unique_ptr<EmailSyncCoordinator> emailSyncCoordinator_;
};

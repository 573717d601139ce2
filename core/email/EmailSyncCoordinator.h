#pragma once

#include "core/email/EmailIntelligenceProvider.h"
#include "core/email/GmailServiceProtocol.h"
#include "core/platform/Workspace.h"
#include "core/store/DataStore.h"

#include <QCoroTask>
#include <QDateTime>
#include <QObject>
#include <QPointer>
#include <QTimer>

#include <functional>
#include <memory>

class NotificationServiceProtocol;

// Drives the e-mail assistant: on a repeating timer, after every wake and on request it
// fetches recent actionable mail, turns each message it has not seen into suggestions, stores
// them for review, drafts tasks the user allowed, and alerts on at most two urgent ones. The
// visible state lives in the store's `emailSyncState`. Runs on the main thread only.
class EmailSyncCoordinator : public QObject {
  Q_OBJECT

 public:
  using Clock = std::function<QDateTime()>;

  static constexpr int minimumIntervalMinutes = 15;
  static constexpr int maximumIntervalMinutes = 60;
  // Used when the store is gone by the time an interval is read.
  static constexpr int fallbackIntervalMinutes = 20;
  static constexpr int fetchLimit = 15;
  static constexpr int maximumAlertsPerPass = 2;
  static constexpr double autoDraftConfidence = 0.85;

  // The store is held weakly; the services must outlive the coordinator. Starts nothing.
  EmailSyncCoordinator(DataStore* store, GmailServiceProtocol& gmailService,
                       std::shared_ptr<EmailIntelligenceProvider> intelligenceProvider,
                       NotificationServiceProtocol& notificationService,
                       Workspace& workspace = Workspace::shared(), Clock clock = {},
                       QObject* parent = nullptr);
  ~EmailSyncCoordinator() override;

  // Follows sleep and wake (once, however often it is called) and schedules the timer with
  // the store's interval. The first pass runs one interval later, on wake or on request.
  void start();
  // Clears the timer and stops following sleep and wake; a running pass goes on.
  void stop();
  // A new timer with `withIntervalMinutes`, clamped to 15..60; also starts a stopped timer.
  void restart(int withIntervalMinutes);
  // Serves from the next message on, also within a running pass.
  void updateIntelligenceProvider(std::shared_ptr<EmailIntelligenceProvider> provider);

  // One pass. Never throws: every failure ends in the store's sync status.
  QCoro::Task<> triggerSync();

  bool isSyncing() const { return isSyncing_; }
  // The repeating timer; null while stopped or while the machine sleeps.
  const QTimer* syncTimer() const { return syncTimer_.get(); }

 private:
  void scheduleNextSync(int intervalMinutes);
  void clearTimer();
  int storedIntervalMinutes() const;
  void setupSleepWakeObservers();
  void removeSleepWakeObservers();
  void handleSystemWillSleep();
  void handleSystemDidWake();
  // Starts a pass without waiting for it.
  void launchSync();
  QCoro::Task<> dispatchUrgentNotification(EmailExtractedSuggestion suggestion);

  std::unique_ptr<QTimer> syncTimer_;
  QPointer<DataStore> store_;
  GmailServiceProtocol& gmailService_;
  std::shared_ptr<EmailIntelligenceProvider> intelligenceProvider_;
  NotificationServiceProtocol& notificationService_;
  QPointer<Workspace> workspace_;
  Clock clock_;
  bool isSyncing_ = false;
  QMetaObject::Connection sleepObserver_;
  QMetaObject::Connection wakeObserver_;
};

#include "core/email/EmailSyncCoordinator.h"

#include "core/email/GmailError.h"
#include "core/model/AppError.h"
#include "core/model/DiagnosticLogger.h"
#include "core/model/JsonCoding.h"
#include "core/services/NotificationServiceProtocol.h"

#include <algorithm>

namespace {

constexpr qint64 kUrgentBillWindowMs = qint64(3) * 24 * 60 * 60 * 1000;

void log(const QString& message, const char* level = "INFO") {
  DiagnosticLogger::shared().log(message, QString::fromLatin1(level), QStringLiteral("EmailSync"));
}

template <typename Change>
void changeSyncState(DataStore& store, Change change) {
  EmailSyncState state = store.emailSyncState();
  change(state);
  store.setEmailSyncState(state);
}

bool isCategoryEnabled(EmailExtractedCategory category, const AppSettings& settings) {
  switch (category) {
    case EmailExtractedCategory::bill:
      return settings.extractBills;
    case EmailExtractedCategory::task:
      return settings.extractTasks;
    case EmailExtractedCategory::appointment:
      return settings.extractAppointments;
    case EmailExtractedCategory::waitingFor:
      return settings.extractWaitingFor;
    case EmailExtractedCategory::importantNotice:
      return settings.extractNotices;
  }
  return false;
}

bool isUrgent(const EmailExtractedSuggestion& suggestion, const QDateTime& now) {
  switch (suggestion.category) {
    case EmailExtractedCategory::bill: {
      if (!suggestion.dueDate) {
        return false;
      }
      const qint64 ahead = now.msecsTo(*suggestion.dueDate);
      return ahead > 0 && ahead < kUrgentBillWindowMs;
    }
    case EmailExtractedCategory::task:
      return suggestion.priority == TaskPriority::urgent;
    case EmailExtractedCategory::importantNotice:
      return true;
    case EmailExtractedCategory::appointment:
    case EmailExtractedCategory::waitingFor:
      return false;
  }
  return false;
}

QString statusText(qsizetype added) {
  if (added == 0) {
    return QStringLiteral("Up to date (No new actionable emails)");
  }
  return QStringLiteral("Found %1 new item%2")
      .arg(added)
      .arg(added == 1 ? QString() : QStringLiteral("s"));
}

struct FailureText {
  bool fromGmail = false;
  QString description;
};

FailureText describe(const std::exception_ptr& error) {
  try {
    std::rethrow_exception(error);
  } catch (const GmailError& gmailError) {
    return {true, gmailError.errorDescription()};
  } catch (const AppError& appError) {
    return {false, appError.errorDescription()};
  } catch (const std::exception& other) {
    return {false, QString::fromUtf8(other.what())};
  } catch (...) {
    return {false, QStringLiteral("Unknown error")};
  }
}

// Ends a failed pass: the status and the log say what went wrong.
void reportFailure(DataStore& store, const std::exception_ptr& error) {
  const FailureText failure = describe(error);
  const QString status = failure.fromGmail
                             ? failure.description
                             : QStringLiteral("Network error: ") + failure.description;
  changeSyncState(store, [&status](EmailSyncState& state) {
    state.isSyncing = false;
    state.lastSyncStatus = status;
  });
  if (failure.fromGmail) {
    log(QStringLiteral("Gmail sync error: ") + failure.description, "WARN");
  } else {
    log(QStringLiteral("Email sync network error: ") + failure.description, "WARN");
  }
}

TaskItem draftTask(const EmailExtractedSuggestion& suggestion, const QDateTime& now) {
  return TaskItem(QUuid::createUuid(), suggestion.title, suggestion.notes, suggestion.dueDate,
                  suggestion.priority, QStringLiteral("Email Draft"), false, std::nullopt,
                  RecurrenceRule::none(), now, now, false, std::nullopt);
}

}  // namespace

EmailSyncCoordinator::EmailSyncCoordinator(
    DataStore* store, GmailServiceProtocol& gmailService,
    std::shared_ptr<EmailIntelligenceProvider> intelligenceProvider,
    NotificationServiceProtocol& notificationService, Workspace& workspace, Clock clock,
    QObject* parent)
    : QObject(parent),
      store_(store),
      gmailService_(gmailService),
      intelligenceProvider_(std::move(intelligenceProvider)),
      notificationService_(notificationService),
      workspace_(&workspace),
      clock_(clock ? std::move(clock) : Clock([] { return QDateTime::currentDateTimeUtc(); })) {}

EmailSyncCoordinator::~EmailSyncCoordinator() = default;

void EmailSyncCoordinator::start() {
  setupSleepWakeObservers();
  scheduleNextSync(storedIntervalMinutes());
  log(QStringLiteral("EmailSyncCoordinator started."));
}

void EmailSyncCoordinator::stop() {
  clearTimer();
  removeSleepWakeObservers();
  log(QStringLiteral("EmailSyncCoordinator stopped."));
}

void EmailSyncCoordinator::restart(int withIntervalMinutes) {
  scheduleNextSync(withIntervalMinutes);
}

void EmailSyncCoordinator::updateIntelligenceProvider(
    std::shared_ptr<EmailIntelligenceProvider> provider) {
  intelligenceProvider_ = std::move(provider);
}

void EmailSyncCoordinator::scheduleNextSync(int intervalMinutes) {
  clearTimer();
  const int minutes = std::clamp(intervalMinutes, minimumIntervalMinutes, maximumIntervalMinutes);
  syncTimer_ = std::make_unique<QTimer>();
  syncTimer_->setInterval(minutes * 60 * 1000);
  connect(syncTimer_.get(), &QTimer::timeout, this, &EmailSyncCoordinator::launchSync);
  syncTimer_->start();
}

void EmailSyncCoordinator::clearTimer() { syncTimer_.reset(); }

int EmailSyncCoordinator::storedIntervalMinutes() const {
  return store_ ? store_->settings().emailSyncIntervalMinutes : fallbackIntervalMinutes;
}

void EmailSyncCoordinator::setupSleepWakeObservers() {
  // A second start() must not make every sleep and wake count twice.
  if (!workspace_ || sleepObserver_ || wakeObserver_) {
    return;
  }
  sleepObserver_ = connect(workspace_.data(), &Workspace::willSleep, this,
                           &EmailSyncCoordinator::handleSystemWillSleep);
  wakeObserver_ = connect(workspace_.data(), &Workspace::didWake, this,
                          &EmailSyncCoordinator::handleSystemDidWake);
}

void EmailSyncCoordinator::removeSleepWakeObservers() {
  if (sleepObserver_) {
    disconnect(sleepObserver_);
    sleepObserver_ = {};
  }
  if (wakeObserver_) {
    disconnect(wakeObserver_);
    wakeObserver_ = {};
  }
}

void EmailSyncCoordinator::handleSystemWillSleep() {
  log(QStringLiteral("System sleeping: pausing email sync timer."));
  clearTimer();
}

void EmailSyncCoordinator::handleSystemDidWake() {
  log(QStringLiteral("System woke: checking if email sync is due."));
  scheduleNextSync(storedIntervalMinutes());
  launchSync();
}

void EmailSyncCoordinator::launchSync() {
  // The task runs on by itself once its handle is dropped; it reports through the store.
  triggerSync();
}

QCoro::Task<> EmailSyncCoordinator::triggerSync() {
  if (isSyncing_) {
    log(QStringLiteral("Sync already in progress. Skipping concurrent request."));
    co_return;
  }
  isSyncing_ = true;
  const QPointer<EmailSyncCoordinator> self(this);
  const QPointer<DataStore> store = store_;
  if (!store) {
    isSyncing_ = false;
    co_return;
  }
  if (!store->settings().isEmailAssistantEnabled) {
    changeSyncState(*store, [](EmailSyncState& state) {
      state.lastSyncStatus = QStringLiteral("Disabled in Settings");
      state.isSyncing = false;
    });
    isSyncing_ = false;
    co_return;
  }
  if (!gmailService_.isConnected()) {
    changeSyncState(*store, [](EmailSyncState& state) {
      state.lastSyncStatus = QStringLiteral("Gmail Disconnected");
      state.isSyncing = false;
    });
    isSyncing_ = false;
    co_return;
  }
  const std::optional<QString> accountEmail = gmailService_.getAccountEmail();
  changeSyncState(*store, [&accountEmail](EmailSyncState& state) {
    state.isSyncing = true;
    state.lastSyncStatus = QStringLiteral("Checking Gmail...");
    state.accountEmail = accountEmail;
  });

  // The next search starts from here: mail that arrives while this pass runs is then still
  // found, and the processed identifiers keep the overlap from being examined twice.
  const QDateTime fetchStartedAt = clock_();
  std::exception_ptr failure;
  QList<EmailMessageContext> messages;
  try {
    messages = co_await gmailService_.fetchActionableMessages(store->lastEmailSyncAt(), fetchLimit);
  } catch (...) {
    failure = std::current_exception();
  }
  if (!self) {
    co_return;
  }
  if (!store) {
    isSyncing_ = false;
    co_return;
  }

  // The messages not examined before, each once however often the search returned it.
  QList<EmailMessageContext> fresh;
  QSet<QString> freshIDs;
  for (const EmailMessageContext& message : std::as_const(messages)) {
    if (!store->processedEmailMessageIDs().contains(message.id) && !freshIDs.contains(message.id)) {
      freshIDs.insert(message.id);
      fresh.append(message);
    }
  }
  // All of them are recorded, in one save, before the provider sees any: a message that breaks
  // extraction, or a pass that dies half-way, never gets a message examined twice.
  if (!fresh.isEmpty()) {
    store->setProcessedEmailMessageIDs(store->processedEmailMessageIDs() + freshIDs);
    store->save();
  }

  qsizetype addedCount = 0;
  QList<EmailExtractedSuggestion> urgent;
  qsizetype examined = 0;
  for (const EmailMessageContext& message : std::as_const(fresh)) {
    ++examined;
    const std::shared_ptr<EmailIntelligenceProvider> provider = intelligenceProvider_;
    QList<EmailExtractedSuggestion> extracted;
    if (provider) {
      try {
        extracted = co_await provider->extractActionableItems(message);
      } catch (...) {
        failure = std::current_exception();
      }
      if (!self) {
        co_return;
      }
      if (!store) {
        isSyncing_ = false;
        co_return;
      }
    }
    if (failure) {
      break;
    }

    QList<EmailExtractedSuggestion> added;
    QList<TaskItem> drafts;
    for (const EmailExtractedSuggestion& suggestion : std::as_const(extracted)) {
      const AppSettings& settings = store->settings();
      if (!isCategoryEnabled(suggestion.category, settings)) {
        continue;
      }
      const QDateTime now = clock_();
      if (settings.autoCreateLowRiskDraftTasks &&
          suggestion.category == EmailExtractedCategory::task &&
          suggestion.confidence >= autoDraftConfidence) {
        EmailExtractedSuggestion drafted = suggestion;
        drafted.status = SuggestionStatus::autoApplied;
        added.append(drafted);
        drafts.append(draftTask(suggestion, now));
      } else {
        added.append(suggestion);
      }
      if (isUrgent(suggestion, now)) {
        urgent.append(suggestion);
      }
    }
    // Into the store at once, saved by the pass's last save or by whatever saves first: quitting
    // half-way through a pass keeps what was drawn from the messages it recorded.
    store->addEmailSuggestions(added, drafts, DataStore::Persist::withNextSave);
    addedCount += added.size();
  }

  const QDateTime finishedAt = clock_();
  if (failure) {
    // What was drawn before the failure is stored: those messages stay recorded and would never
    // be looked at again. The ones the failure cut off were never examined: the next pass reads
    // them.
    QSet<QString> processed = store->processedEmailMessageIDs();
    for (qsizetype i = examined; i < fresh.size(); ++i) {
      processed.remove(fresh.at(i).id);
    }
    store->setProcessedEmailMessageIDs(processed);
    reportFailure(*store, failure);
    if (!fresh.isEmpty()) {
      store->save();
    }
    isSyncing_ = false;
    co_return;
  }

  store->setLastEmailSyncAt(fetchStartedAt);
  changeSyncState(*store, [&finishedAt, addedCount](EmailSyncState& state) {
    state.lastSyncAt = finishedAt;
    state.isSyncing = false;
    state.lastSyncStatus = statusText(addedCount);
  });
  // The pass's second and last save: its suggestions, drafts and status together.
  store->save();

  // The switch is read as the alerts go out: it may have changed while the pass ran.
  const qsizetype alerts = store->settings().notifyUrgentEmails
                               ? std::min<qsizetype>(urgent.size(), maximumAlertsPerPass)
                               : 0;
  for (qsizetype i = 0; i < alerts; ++i) {
    co_await dispatchUrgentNotification(urgent.at(i));
    if (!self) {
      co_return;
    }
  }
  log(QStringLiteral("Email sync completed successfully: %1 suggestions added.").arg(addedCount));
  isSyncing_ = false;
}

QCoro::Task<> EmailSyncCoordinator::dispatchUrgentNotification(
    EmailExtractedSuggestion suggestion) {
  QString title;
  QString body;
  switch (suggestion.category) {
    case EmailExtractedCategory::task:
      title = QStringLiteral("Urgent Task: ") + suggestion.title;
      body = suggestion.notes.isEmpty() ? QStringLiteral("Action required from email.")
                                        : suggestion.notes;
      break;
    case EmailExtractedCategory::bill: {
      const QString amount = suggestion.amount ? suggestion.currency.value_or(QStringLiteral("$")) +
                                                     QString::asprintf("%.2f", *suggestion.amount)
                                               : QString();
      title = QStringLiteral("Urgent Bill Detected: ") + suggestion.title;
      body = QStringLiteral("Amount: ") + amount + QStringLiteral(" due soon. Review in Pelmora.");
      break;
    }
    default:
      title = QStringLiteral("Action Required: ") + suggestion.title;
      body = suggestion.notes;
      break;
  }
  const QString identifier = QStringLiteral("email-urgent-") + jsoncoding::uuidText(suggestion.id);
  co_await notificationService_.sendEmailActionableAlert(title, body, identifier);
}

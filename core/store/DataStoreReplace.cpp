#include "core/store/DataStore.h"

#include "core/services/NotificationServiceProtocol.h"

#include <algorithm>

std::optional<DataStore::ReplaceFailure> DataStore::replaceAllData(
    DashboardStorageContainer replacement) {
  using Stage = ReplaceFailure::Stage;
  if (const auto& reason = persistence_.readOnlyReason()) {
    return ReplaceFailure{Stage::readOnly, *reason};
  }
  if (const auto failure = persistence_.saveSafetySnapshot(encoder_.encodeContent(data_))) {
    return ReplaceFailure{Stage::snapshot, *failure};
  }
  replacement.schemaVersion = StorageSchema::currentVersion;
  // A sync recorded as running in the file is not running here.
  replacement.emailSyncState.isSyncing = false;
  replacement.emailSyncState.pendingCount = int(std::count_if(
      replacement.emailSuggestions.cbegin(), replacement.emailSuggestions.cend(),
      [](const EmailExtractedSuggestion& s) { return s.status == SuggestionStatus::pending; }));
  DashboardStorageContainer previous = std::exchange(data_, std::move(replacement));
  forgetDerivedValues();
  if (auto failure = writeDatabase()) {
    // Written back so that a database written before its backup copy failed is the old one.
    data_ = std::move(previous);
    save();
    return ReplaceFailure{Stage::save, *failure};
  }
  setDatabaseError(std::nullopt);

  // Exactly the restored records' reminders: none of the old ones is left waiting.
  for (const TaskItem& task : std::as_const(previous.tasks)) {
    cancelTaskReminder(task.id);
  }
  for (const BillItem& bill : std::as_const(previous.bills)) {
    cancelBillReminder(bill.id);
  }
  reminderHorizon_ = QDateTime();
  advanceReminderWindow();

  Q_EMIT tasksChanged();
  Q_EMIT billsChanged();
  Q_EMIT waitingItemsChanged();
  Q_EMIT manualEventsChanged();
  Q_EMIT focusSessionsChanged();
  Q_EMIT emailSuggestionsChanged();
  Q_EMIT processedEmailMessageIDsChanged();
  Q_EMIT lastEmailSyncAtChanged();
  Q_EMIT emailSyncStateChanged();
  Q_EMIT dailyIntentionChanged();
  Q_EMIT customGreetingChanged();
  Q_EMIT cachedWeatherChanged();
  return std::nullopt;
}

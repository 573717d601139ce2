#include "core/store/DataStore.h"

#include "core/model/DiagnosticLogger.h"
#include "core/model/JsonCoding.h"
#include "core/model/RecurrenceEngine.h"
#include "core/model/SampleDataGenerator.h"
#include "core/services/CalendarServiceProtocol.h"
#include "core/services/NotificationServiceProtocol.h"

#include <QJsonDocument>
#include <QUrl>

#include <algorithm>

#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace {

const QString kSubsystem = QStringLiteral("Storage");
constexpr int kTrimDelayMilliseconds = 2000;

QString folderFrom(const std::optional<QString>& custom) {
  if (!custom || custom->isEmpty()) {
    return DashboardPersistence::defaultFolder();
  }
  const QUrl url(*custom);
  return url.isLocalFile() ? url.toLocalFile() : *custom;
}

// The file's text, its parse and every save's output are megabytes each. Left to glibc's
// sliding threshold they come from the heap after the first one is freed, and the heap keeps
// their pages for the rest of the run; mapped apart, each goes back when it is freed.
void mapLargeBlocksApart() {
#ifdef __GLIBC__
  static const bool once = [] {
    return mallopt(M_MMAP_THRESHOLD, 128 * 1024) == 1 && mallopt(M_TOP_PAD, 0) == 1 &&
           mallopt(M_TRIM_THRESHOLD, 128 * 1024) == 1;
  }();
  Q_UNUSED(once);
#endif
}

// A bill's reminder falls at 9:00 local time on a day up to `reminderDaysBefore` days before
// its due day: never earlier than this, whatever the zone.
QDateTime earliestReminder(const BillItem& bill) {
  return bill.dueDate.addDays(-(qint64(std::max(bill.reminderDaysBefore, 0)) + 2));
}

template <typename T, typename Id>
qsizetype indexOf(const QList<T>& list, const Id& id) {
  const auto it = std::find_if(list.cbegin(), list.cend(), [&](const T& r) { return r.id == id; });
  return it == list.cend() ? -1 : it - list.cbegin();
}

}  // namespace

DataStore::DataStore(std::optional<QString> customStorageURL,
                     NotificationServiceProtocol* notificationService,
                     CalendarServiceProtocol* calendarService, Clock clock,
                     std::optional<Calendar> calendar, QObject* parent)
    : QObject(parent),
      clock_(clock ? std::move(clock) : Clock([] { return QDateTime::currentDateTimeUtc(); })),
      calendar_(calendar ? *calendar : Calendar::current()),
      persistence_(folderFrom(customStorageURL), clock_),
      notificationService_(notificationService),
      calendarService_(calendarService) {
  mapLargeBlocksApart();
  trimAfterSaves_.setSingleShot(true);
  trimAfterSaves_.setInterval(kTrimDelayMilliseconds);
  connect(&trimAfterSaves_, &QTimer::timeout, this, [] { DatabaseEncoder::releaseFreeMemory(); });
  databaseError_ = persistence_.prepareFolder();

  settings_ = persistence_.loadSettings();
  savedSettings_ = settings_;

  DashboardPersistence::LoadedDatabase loaded = persistence_.loadDatabase();
  data_ = std::move(loaded.container);
  if (persistence_.readOnlyReason()) {
    databaseError_ = persistence_.readOnlyReason();
  }
  if (!loaded.foundFile && !databaseError_) {
    // First run: something to look at until the user removes it.
    const SampleData sample = SampleDataGenerator::generate(now(), calendar_);
    data_.tasks = sample.tasks;
    data_.bills = sample.bills;
    data_.waitingItems = sample.waitingItems;
    data_.manualEvents = sample.events;
    save();
  }
  // A sync that was running when the app last stopped is not running now.
  data_.emailSyncState.isSyncing = false;
  updatePendingCount();
  // The records' text is where the reader found it: the first save copies it from there.
  if (loaded.file && !isReadOnly()) {
    encoder_.adopt(data_, loaded.spans, std::move(loaded.file));
  }
  DatabaseEncoder::releaseFreeMemory();

  rescheduleAllReminders(settings_, true);

  if (calendarService_) {
    setCalendarPermission(calendarService_->authorizationStatus());
    connect(calendarService_.data(), &CalendarServiceProtocol::calendarChanged, this,
            &DataStore::refreshCalendarEvents);
    refreshCalendarEvents();
  }
}

DataStore::~DataStore() = default;

QDateTime DataStore::now() const { return clock_(); }

std::optional<QString> DataStore::saveError() const {
  return databaseError_ ? databaseError_ : settingsError_;
}

void DataStore::noteLoadWarning(const std::optional<QString>& before) {
  if (persistence_.loadWarning() != before) {
    Q_EMIT loadWarningChanged();
  }
}

void DataStore::setDatabaseError(std::optional<QString> error) {
  const auto before = saveError();
  databaseError_ = std::move(error);
  if (saveError() != before) {
    Q_EMIT saveErrorChanged();
  }
}

void DataStore::setSettingsError(std::optional<QString> error) {
  const auto before = saveError();
  settingsError_ = std::move(error);
  if (saveError() != before) {
    Q_EMIT saveErrorChanged();
  }
}

// ---- setters ----

void DataStore::setProcessedEmailMessageIDs(const QSet<QString>& ids) {
  if (data_.processedEmailMessageIDs == ids) {
    return;
  }
  data_.processedEmailMessageIDs = ids;
  Q_EMIT processedEmailMessageIDsChanged();
}

void DataStore::insertProcessedEmailMessageID(const QString& id) {
  if (data_.processedEmailMessageIDs.contains(id)) {
    return;
  }
  data_.processedEmailMessageIDs.insert(id);
  Q_EMIT processedEmailMessageIDsChanged();
}

void DataStore::setLastEmailSyncAt(const std::optional<QDateTime>& date) {
  if (data_.lastEmailSyncAt == date || (date && !date->isValid())) {
    return;
  }
  data_.lastEmailSyncAt = date;
  Q_EMIT lastEmailSyncAtChanged();
}

void DataStore::setEmailSyncState(const EmailSyncState& state) {
  if (data_.emailSyncState == state || !acceptable(state, QStringLiteral("sync state"))) {
    return;
  }
  data_.emailSyncState = state;
  Q_EMIT emailSyncStateChanged();
}

bool DataStore::setDailyIntention(const QString& intention) {
  if (data_.dailyIntention == intention) {
    return false;
  }
  data_.dailyIntention = intention;
  data_.dailyIntentionDate = now();
  Q_EMIT dailyIntentionChanged();
  return true;
}

void DataStore::setCustomGreeting(const QString& greeting) {
  if (data_.customGreeting == greeting) {
    return;
  }
  data_.customGreeting = greeting;
  Q_EMIT customGreetingChanged();
}

bool DataStore::setCachedWeather(const std::optional<WeatherData>& weather) {
  if (data_.cachedWeather == weather) {
    return true;
  }
  if (weather && !acceptable(*weather, QStringLiteral("weather"))) {
    return false;
  }
  data_.cachedWeather = weather;
  Q_EMIT cachedWeatherChanged();
  return true;
}

void DataStore::setSettings(const AppSettings& settings) {
  if (settings_ == settings) {
    return;
  }
  settings_ = settings;
  Q_EMIT settingsChanged();
}

// ---- writing ----

template <typename Write>
std::optional<QString> DataStore::writeEncoded(Write write) {
  bool copiedTextChanged = false;
  std::optional<QString> failure = write(encoder_.encodeContent(data_), &copiedTextChanged);
  if (failure && copiedTextChanged) {
    // Another program wrote to the file the text was to be copied from: nothing of it is used.
    DiagnosticLogger::shared().log(
        QStringLiteral("The database was changed by another program since it was last read or "
                       "written; it is written again from the records in memory."),
        QStringLiteral("WARN"), kSubsystem);
    encoder_.forgetAll();
    failure = write(encoder_.encodeContent(data_), nullptr);
  }
  return failure;
}

std::optional<QString> DataStore::writeDatabase() {
  const auto before = persistence_.loadWarning();
  const auto failure = writeEncoded([this](const FileContent& content, bool* changed) {
    return persistence_.saveDatabase(
        content, [this](std::shared_ptr<KeptFile> written) { encoder_.textIsIn(std::move(written)); },
        changed);
  });
  noteLoadWarning(before);
  return failure;
}

void DataStore::save() {
  // Every change of the records comes through here before anything is told of it.
  forgetDerivedValues();
  if (isReadOnly()) {
    setDatabaseError(persistence_.readOnlyReason());
    return;
  }
  const auto failure = writeDatabase();
  // A save frees megabytes in blocks glibc keeps. Handing them back costs milliseconds, so it
  // waits until the edits have stopped for a moment.
  trimAfterSaves_.start();
  setDatabaseError(failure);
  if (!failure) {
    Q_EMIT databaseSaved();
  }
}

void DataStore::saveSettings() {
  const AppSettings previous = savedSettings_;
  const auto warning = persistence_.loadWarning();
  const auto failure = persistence_.saveSettings(settings_);
  noteLoadWarning(warning);
  setSettingsError(failure);
  if (!failure) {
    savedSettings_ = settings_;
  }
  rescheduleAllReminders(previous, false);
  refreshCalendarEvents();
}

template <typename Record>
bool DataStore::acceptable(const Record& record, const QString& what) {
  try {
    // Through the text, as the file holds it: a number that is not finite survives a
    // QJsonObject but becomes null in the text.
    const QByteArray text = QJsonDocument(record.toJson()).toJson(QJsonDocument::Compact);
    Record::fromJson(jsoncoding::parseObject(text));
    return true;
  } catch (const DecodingError& error) {
    const QString message =
        QStringLiteral("The %1 was not stored because part of it is invalid (%2).")
            .arg(what, error.errorDescription());
    DiagnosticLogger::shared().log(message, QStringLiteral("ERROR"), kSubsystem);
    setDatabaseError(message);
    return false;
  }
}

bool DataStore::takeSafetySnapshot() {
  if (isReadOnly()) {
    return true;  // nothing on disk changes anyway
  }
  if (const auto failure = writeEncoded([this](const FileContent& content, bool* changed) {
        return persistence_.saveSafetySnapshot(content, changed);
      })) {
    setDatabaseError(
        QStringLiteral("Nothing was removed, because the safety copy could not be written: %1")
            .arg(*failure));
    return false;
  }
  return true;
}

template <typename Record>
bool DataStore::appendRecord(QList<Record>& list, const Record& record, const QString& what,
                             void (DataStore::*changed)()) {
  if (!acceptable(record, what)) {
    return false;
  }
  list.append(record);
  save();
  Q_EMIT(this->*changed)();
  return true;
}

template <typename Record>
bool DataStore::replaceRecord(QList<Record>& list, const Record& record, const QString& what,
                              void (DataStore::*changed)()) {
  const qsizetype i = indexOf(list, record.id);
  if (i < 0 || !acceptable(record, what)) {
    return false;
  }
  list[i] = record;
  save();
  Q_EMIT(this->*changed)();
  return true;
}

template <typename Record, typename Id>
bool DataStore::removeRecord(QList<Record>& list, const Id& id, void (DataStore::*changed)()) {
  const qsizetype i = indexOf(list, id);
  if (i < 0) {
    return false;
  }
  list.removeAt(i);
  save();
  Q_EMIT(this->*changed)();
  return true;
}

template <typename Record, typename Id, typename Change>
bool DataStore::changeRecord(QList<Record>& list, const Id& id, Change change,
                             void (DataStore::*changed)()) {
  const qsizetype i = indexOf(list, id);
  if (i < 0) {
    return false;
  }
  change(list[i]);
  save();
  Q_EMIT(this->*changed)();
  return true;
}

// ---- reminders ----

void DataStore::scheduleReminder(const TaskItem& task) {
  if (!notificationService_) {
    return;
  }
  if (settings_.notifyTaskDeadlines) {
    notificationService_->scheduleTaskReminder(task);
  } else {
    notificationService_->cancelTaskReminder(task.id);
  }
}

void DataStore::scheduleReminder(const BillItem& bill) {
  if (!notificationService_) {
    return;
  }
  if (settings_.notifyBillReminders) {
    notificationService_->scheduleBillReminder(bill);
  } else {
    notificationService_->cancelBillReminder(bill.id);
  }
}

void DataStore::cancelTaskReminder(const QUuid& taskID) {
  if (notificationService_) {
    notificationService_->cancelTaskReminder(taskID);
  }
}

void DataStore::cancelBillReminder(const QUuid& billID) {
  if (notificationService_) {
    notificationService_->cancelBillReminder(billID);
  }
}

void DataStore::rescheduleAllReminders(const AppSettings& previous, bool atLaunch) {
  if (!notificationService_) {
    return;
  }
  if (atLaunch) {
    advanceReminderWindow();
    return;
  }
  const bool tasksOn = settings_.notifyTaskDeadlines;
  const bool billsOn = settings_.notifyBillReminders;
  const bool tasksSwitched = previous.notifyTaskDeadlines != tasksOn;
  const bool billsSwitched = previous.notifyBillReminders != billsOn;
  if (!tasksSwitched && !billsSwitched) {
    return;
  }
  const QDateTime current = now();
  if (tasksSwitched && !tasksOn) {
    for (const TaskItem& task : std::as_const(data_.tasks)) {
      if (!task.isCompleted && task.dueDate && *task.dueDate > current) {
        notificationService_->cancelTaskReminder(task.id);
      }
    }
  }
  if (billsSwitched && !billsOn) {
    for (const BillItem& bill : std::as_const(data_.bills)) {
      if (!bill.isPaid) {
        notificationService_->cancelBillReminder(bill.id);
      }
    }
  }
  // What the window already covers, for the kind switched on; then the days since.
  offerReminders(QDateTime(), reminderHorizon_, tasksSwitched && tasksOn, billsSwitched && billsOn);
  advanceReminderWindow();
}

bool DataStore::offerReminders(const QDateTime& from, const QDateTime& to, bool tasks,
                               bool bills) {
  const QDateTime current = now();
  bool beyond = false;
  if (settings_.notifyTaskDeadlines) {
    for (const TaskItem& task : std::as_const(data_.tasks)) {
      if (task.isCompleted || !task.dueDate) {
        continue;
      }
      const QDateTime& at = *task.dueDate;
      if (at >= to) {
        beyond = true;
      } else if (tasks && (from.isValid() ? at >= from : at > current)) {
        notificationService_->scheduleTaskReminder(task);
      }
    }
  }
  if (settings_.notifyBillReminders) {
    for (const BillItem& bill : std::as_const(data_.bills)) {
      if (bill.isPaid) {
        continue;
      }
      const QDateTime at = earliestReminder(bill);
      if (at >= to) {
        beyond = true;
      } else if (bills && (from.isValid() ? at >= from : bill.dueDate.addDays(1) > current)) {
        // The reminder falls on the due day at the latest: one a day past it is over.
        notificationService_->scheduleBillReminder(bill);
      }
    }
  }
  return beyond;
}

void DataStore::advanceReminderWindow() {
  if (!notificationService_) {
    return;
  }
  QDateTime to = now().addDays(reminderWindowDays);
  if (reminderHorizon_.isValid() && to < reminderHorizon_) {
    to = reminderHorizon_;  // the clock went back: what was scheduled stays
  }
  const bool beyond = offerReminders(reminderHorizon_, to, true, true);
  reminderHorizon_ = to;
  if (!beyond) {
    notificationService_->scheduleTopUp(QDateTime(), {});
    return;
  }
  notificationService_->scheduleTopUp(
      to.addDays(reminderTopUpDays - reminderWindowDays), [self = QPointer<DataStore>(this)] {
        if (self) {
          self->advanceReminderWindow();
        }
      });
}

// ---- tasks ----

void DataStore::addTask(const TaskItem& task) {
  if (appendRecord(data_.tasks, task, QStringLiteral("task"), &DataStore::tasksChanged)) {
    scheduleReminder(task);
  }
}

void DataStore::updateTask(const TaskItem& task) {
  TaskItem updated = task;
  updated.updatedAt = now();
  if (replaceRecord(data_.tasks, updated, QStringLiteral("task"), &DataStore::tasksChanged)) {
    scheduleReminder(updated);
  }
}

void DataStore::addNextOccurrence(const TaskItem& finished, const QDateTime& at) {
  if (finished.recurrence.isNone() || !finished.dueDate) {
    return;
  }
  const auto nextDue =
      RecurrenceEngine::nextDate(finished.recurrence, *finished.dueDate, calendar_);
  if (!nextDue) {
    return;
  }
  // Reopening and finishing the task again must not add the same occurrence twice.
  const bool present =
      std::any_of(data_.tasks.cbegin(), data_.tasks.cend(), [&](const TaskItem& t) {
        return t.id != finished.id && t.dueDate == nextDue && t.title == finished.title &&
               t.recurrence == finished.recurrence;
      });
  if (present) {
    return;
  }
  TaskItem next = finished;
  next.id = QUuid::createUuid();
  next.dueDate = nextDue;
  next.isCompleted = false;
  next.completedAt.reset();
  next.createdAt = at;
  next.updatedAt = at;
  data_.tasks.append(next);
  scheduleReminder(next);
}

void DataStore::toggleTaskCompletion(const QUuid& taskID, const QDateTime& at) {
  const qsizetype i = indexOf(data_.tasks, taskID);
  if (i < 0 || !at.isValid()) {
    return;
  }
  TaskItem& task = data_.tasks[i];
  task.isCompleted = !task.isCompleted;
  if (task.isCompleted) {
    task.completedAt = at;
  } else {
    task.completedAt.reset();
  }
  const TaskItem toggled = task;  // the append below may move the list
  scheduleReminder(toggled);
  if (toggled.isCompleted) {
    addNextOccurrence(toggled, at);
  }
  save();
  Q_EMIT tasksChanged();
}

void DataStore::deleteTask(const QUuid& taskID) {
  if (removeRecord(data_.tasks, taskID, &DataStore::tasksChanged)) {
    cancelTaskReminder(taskID);
  }
}

void DataStore::clearCompletedTasks() {
  const bool any = std::any_of(data_.tasks.cbegin(), data_.tasks.cend(),
                               [](const TaskItem& t) { return t.isCompleted; });
  if (!any || !takeSafetySnapshot()) {
    return;
  }
  QList<TaskItem> kept;
  kept.reserve(data_.tasks.size());
  for (const TaskItem& task : std::as_const(data_.tasks)) {
    if (task.isCompleted) {
      cancelTaskReminder(task.id);
    } else {
      kept.append(task);
    }
  }
  data_.tasks = std::move(kept);
  save();
  Q_EMIT tasksChanged();
}

// ---- bills ----

void DataStore::addBill(const BillItem& bill) {
  if (appendRecord(data_.bills, bill, QStringLiteral("bill"), &DataStore::billsChanged)) {
    scheduleReminder(bill);
  }
}

void DataStore::updateBill(const BillItem& bill) {
  if (replaceRecord(data_.bills, bill, QStringLiteral("bill"), &DataStore::billsChanged)) {
    scheduleReminder(bill);
  }
}

void DataStore::deleteBill(const QUuid& billID) {
  if (removeRecord(data_.bills, billID, &DataStore::billsChanged)) {
    cancelBillReminder(billID);
  }
}

void DataStore::addNextBill(const BillItem& paid, const QDateTime& at) {
  if (paid.recurrence.isNone()) {
    return;
  }
  const auto nextDue = RecurrenceEngine::nextDate(paid.recurrence, paid.dueDate, calendar_);
  if (!nextDue) {
    return;
  }
  const bool present =
      std::any_of(data_.bills.cbegin(), data_.bills.cend(), [&](const BillItem& b) {
        return b.id != paid.id && b.dueDate == *nextDue && b.name == paid.name &&
               b.recurrence == paid.recurrence;
      });
  if (present) {
    return;
  }
  BillItem next = paid;
  next.id = QUuid::createUuid();
  next.dueDate = *nextDue;
  next.isPaid = false;
  next.paidAt.reset();
  next.createdAt = at;
  data_.bills.append(next);
  scheduleReminder(next);
}

void DataStore::toggleBillPaid(const QUuid& billID, const QDateTime& at) {
  const qsizetype i = indexOf(data_.bills, billID);
  if (i < 0 || !at.isValid()) {
    return;
  }
  BillItem& bill = data_.bills[i];
  bill.isPaid = !bill.isPaid;
  if (bill.isPaid) {
    bill.paidAt = at;
  } else {
    bill.paidAt.reset();
  }
  const BillItem toggled = bill;
  scheduleReminder(toggled);
  if (toggled.isPaid) {
    addNextBill(toggled, at);
  }
  save();
  Q_EMIT billsChanged();
}

// ---- waiting-for items ----

void DataStore::addWaitingItem(const WaitingForItem& item) {
  appendRecord(data_.waitingItems, item, QStringLiteral("waiting-for item"),
               &DataStore::waitingItemsChanged);
}

void DataStore::updateWaitingItem(const WaitingForItem& item) {
  replaceRecord(data_.waitingItems, item, QStringLiteral("waiting-for item"),
                &DataStore::waitingItemsChanged);
}

void DataStore::deleteWaitingItem(const QUuid& id) {
  removeRecord(data_.waitingItems, id, &DataStore::waitingItemsChanged);
}

void DataStore::snoozeWaitingItem(const QUuid& id, int days) {
  changeRecord(
      data_.waitingItems, id,
      [&](WaitingForItem& item) {
        const QDateTime from = item.nextFollowUpDate.value_or(now());
        item.nextFollowUpDate = calendar_.addDays(from, std::max(days, 1));
      },
      &DataStore::waitingItemsChanged);
}

void DataStore::resolveWaitingItem(const QUuid& id) {
  changeRecord(
      data_.waitingItems, id, [](WaitingForItem& item) { item.status = WaitingStatus::resolved; },
      &DataStore::waitingItemsChanged);
}

// ---- manual events ----

void DataStore::addManualEvent(const CalendarEventItem& event) {
  appendRecord(data_.manualEvents, event, QStringLiteral("event"), &DataStore::manualEventsChanged);
}

void DataStore::updateManualEvent(const CalendarEventItem& event) {
  replaceRecord(data_.manualEvents, event, QStringLiteral("event"),
                &DataStore::manualEventsChanged);
}

void DataStore::deleteManualEvent(const QString& eventID) {
  removeRecord(data_.manualEvents, eventID, &DataStore::manualEventsChanged);
}

// ---- mirrored calendar ----

void DataStore::setCalendarPermission(CalendarPermissionStatus status) {
  if (calendarPermission_ == status) {
    return;
  }
  calendarPermission_ = status;
  Q_EMIT calendarPermissionStatusChanged();
}

QCoro::Task<bool> DataStore::requestCalendarAccess() {
  QPointer<CalendarServiceProtocol> service = calendarService_;
  if (!service) {
    co_return false;
  }
  QPointer<DataStore> self(this);
  const bool granted = co_await service->requestAccess();
  if (!self || !service) {
    co_return granted;
  }
  setCalendarPermission(service->authorizationStatus());
  refreshCalendarEvents();
  co_return granted;
}

void DataStore::refreshCalendarEvents() {
  QList<AppleCalendarInfo> calendars;
  QList<CalendarEventItem> events;
  if (calendarService_) {
    setCalendarPermission(calendarService_->authorizationStatus());
    if (calendarPermission_ == CalendarPermissionStatus::authorized) {
      calendars = calendarService_->availableCalendars();
      const QDateTime from = calendar_.startOfDay(now());
      const QDateTime to = calendar_.addDays(from, std::max(settings_.calendarLookAheadDays, 1));
      std::optional<QSet<QString>> selection;
      if (!settings_.selectedCalendarIDs.isEmpty()) {
        selection = settings_.selectedCalendarIDs;
      }
      events = calendarService_->fetchEvents(from, to, selection);
    }
  }
  if (availableCalendars_ != calendars) {
    availableCalendars_ = std::move(calendars);
    Q_EMIT availableCalendarsChanged();
  }
  if (calendarEvents_ != events) {
    calendarEvents_ = std::move(events);
    forgetDerivedValues();
    Q_EMIT calendarEventsChanged();
  }
}

// ---- focus sessions ----

void DataStore::addFocusSession(const FocusSession& session) {
  appendRecord(data_.focusSessions, session, QStringLiteral("focus session"),
               &DataStore::focusSessionsChanged);
}

void DataStore::deleteFocusSession(const QUuid& sessionID) {
  removeRecord(data_.focusSessions, sessionID, &DataStore::focusSessionsChanged);
}

// ---- e-mail suggestions ----

void DataStore::updatePendingCount() {
  const int pending = int(std::count_if(
      data_.emailSuggestions.cbegin(), data_.emailSuggestions.cend(),
      [](const EmailExtractedSuggestion& s) { return s.status == SuggestionStatus::pending; }));
  if (data_.emailSyncState.pendingCount != pending) {
    data_.emailSyncState.pendingCount = pending;
    Q_EMIT emailSyncStateChanged();
  }
}

void DataStore::addEmailSuggestion(const EmailExtractedSuggestion& suggestion) {
  if (!acceptable(suggestion, QStringLiteral("e-mail suggestion"))) {
    return;
  }
  const qsizetype i = indexOf(data_.emailSuggestions, suggestion.id);
  if (i < 0) {
    data_.emailSuggestions.append(suggestion);
  } else {
    data_.emailSuggestions[i] = suggestion;
  }
  updatePendingCount();
  save();
  Q_EMIT emailSuggestionsChanged();
}

bool DataStore::addEmailSuggestions(const QList<EmailExtractedSuggestion>& suggestions,
                                    const QList<TaskItem>& draftedTasks, Persist persist) {
  qsizetype addedTasks = 0;
  for (const TaskItem& task : draftedTasks) {
    if (acceptable(task, QStringLiteral("task"))) {
      data_.tasks.append(task);
      scheduleReminder(task);
      ++addedTasks;
    }
  }
  qsizetype changedSuggestions = 0;
  QHash<QUuid, qsizetype> positions;
  for (qsizetype i = 0; i < data_.emailSuggestions.size(); ++i) {
    positions.insert(data_.emailSuggestions.at(i).id, i);
  }
  for (const EmailExtractedSuggestion& suggestion : suggestions) {
    if (!acceptable(suggestion, QStringLiteral("e-mail suggestion"))) {
      continue;
    }
    const auto at = positions.constFind(suggestion.id);
    if (at == positions.cend()) {
      positions.insert(suggestion.id, data_.emailSuggestions.size());
      data_.emailSuggestions.append(suggestion);
    } else {
      data_.emailSuggestions[*at] = suggestion;
    }
    ++changedSuggestions;
  }
  if (addedTasks == 0 && changedSuggestions == 0) {
    return false;
  }
  updatePendingCount();
  if (persist == Persist::now) {
    save();
  }
  if (addedTasks > 0) {
    Q_EMIT tasksChanged();
  }
  if (changedSuggestions > 0) {
    Q_EMIT emailSuggestionsChanged();
  }
  return true;
}

void DataStore::updateEmailSuggestion(const EmailExtractedSuggestion& suggestion) {
  const qsizetype i = indexOf(data_.emailSuggestions, suggestion.id);
  if (i < 0 || !acceptable(suggestion, QStringLiteral("e-mail suggestion"))) {
    return;
  }
  data_.emailSuggestions[i] = suggestion;
  updatePendingCount();
  save();
  Q_EMIT emailSuggestionsChanged();
}

void DataStore::approveSuggestion(const QUuid& id) {
  const qsizetype i = indexOf(data_.emailSuggestions, id);
  if (i < 0) {
    return;
  }
  const EmailExtractedSuggestion s = data_.emailSuggestions.at(i);
  if (s.status == SuggestionStatus::approved || s.status == SuggestionStatus::autoApplied) {
    return;  // its record exists already
  }
  const QDateTime current = now();
  void (DataStore::*created)() = nullptr;  // told once the save is done
  switch (s.category) {
    case EmailExtractedCategory::task:
    case EmailExtractedCategory::importantNotice: {
      TaskItem task(QUuid::createUuid(), s.title, s.notes, s.dueDate, s.priority,
                    QStringLiteral("Email"), false, std::nullopt, RecurrenceRule::none(), current,
                    current, false, s.sourceMessageID);
      data_.tasks.append(task);
      scheduleReminder(task);
      created = &DataStore::tasksChanged;
      break;
    }
    case EmailExtractedCategory::bill: {
      BillItem bill;
      bill.id = QUuid::createUuid();
      bill.name = s.title;
      bill.amount = s.amount.value_or(0);
      bill.currency = s.currency.value_or(settings_.defaultCurrency);
      bill.dueDate = s.dueDate.value_or(current);
      bill.reminderDaysBefore = settings_.billReminderDaysBefore;
      bill.notes = s.notes;
      if (s.referenceNumber && !s.referenceNumber->isEmpty()) {
        bill.notes += (bill.notes.isEmpty() ? QString() : QStringLiteral("\n")) +
                      QStringLiteral("Reference: ") + *s.referenceNumber;
      }
      bill.createdAt = current;
      bill.sourceEmailMessageID = s.sourceMessageID;
      data_.bills.append(bill);
      scheduleReminder(bill);
      created = &DataStore::billsChanged;
      break;
    }
    case EmailExtractedCategory::appointment: {
      CalendarEventItem event;
      event.id = jsoncoding::uuidText(QUuid::createUuid());
      event.title = s.title;
      event.startDate = s.dueDate.value_or(current);
      event.endDate = event.startDate.addSecs(3600);
      event.location = s.location;
      event.calendarName = QStringLiteral("Pelmora");
      event.calendarColorHex = QStringLiteral("#007AFF");
      event.sourceType = CalendarSourceType::manual;
      if (!s.notes.isEmpty()) {
        event.notes = s.notes;
      }
      data_.manualEvents.append(event);
      created = &DataStore::manualEventsChanged;
      break;
    }
    case EmailExtractedCategory::waitingFor: {
      WaitingForItem item;
      item.id = QUuid::createUuid();
      item.title = s.title;
      item.personOrOrg = s.personOrOrg.value_or(s.sender);
      item.notes = s.notes;
      item.status = WaitingStatus::waiting;
      item.createdAt = current;
      item.expectedResponseDate = s.dueDate;
      item.sourceEmailMessageID = s.sourceMessageID;
      data_.waitingItems.append(item);
      created = &DataStore::waitingItemsChanged;
      break;
    }
  }
  EmailExtractedSuggestion& stored = data_.emailSuggestions[i];
  stored.status = SuggestionStatus::approved;
  stored.reviewedAt = current;
  updatePendingCount();
  save();
  if (created != nullptr) {
    Q_EMIT(this->*created)();
  }
  Q_EMIT emailSuggestionsChanged();
}

void DataStore::dismissSuggestion(const QUuid& id) {
  const qsizetype i = indexOf(data_.emailSuggestions, id);
  if (i < 0) {
    return;
  }
  EmailExtractedSuggestion& stored = data_.emailSuggestions[i];
  stored.status = SuggestionStatus::dismissed;
  stored.reviewedAt = now();
  updatePendingCount();
  save();
  Q_EMIT emailSuggestionsChanged();
}

QList<EmailExtractedSuggestion> DataStore::pendingEmailSuggestions() const {
  QList<EmailExtractedSuggestion> pending;
  for (const auto& s : data_.emailSuggestions) {
    if (s.status == SuggestionStatus::pending) {
      pending.append(s);
    }
  }
  return pending;
}

// ---- sample data ----

bool DataStore::hasSampleData() const {
  return std::any_of(data_.tasks.cbegin(), data_.tasks.cend(),
                     [](const auto& r) { return r.isSampleData; }) ||
         std::any_of(data_.bills.cbegin(), data_.bills.cend(),
                     [](const auto& r) { return r.isSampleData; }) ||
         std::any_of(data_.waitingItems.cbegin(), data_.waitingItems.cend(),
                     [](const auto& r) { return r.isSampleData; }) ||
         std::any_of(data_.manualEvents.cbegin(), data_.manualEvents.cend(),
                     [](const auto& e) { return e.sourceType == CalendarSourceType::sample; });
}

void DataStore::removeAllSampleData() {
  if (!hasSampleData() || !takeSafetySnapshot()) {
    return;
  }
  const auto tasksBefore = data_.tasks.size();
  const auto billsBefore = data_.bills.size();
  const auto waitingBefore = data_.waitingItems.size();
  const auto eventsBefore = data_.manualEvents.size();
  data_.tasks.removeIf([this](const TaskItem& t) {
    if (t.isSampleData) {
      cancelTaskReminder(t.id);
    }
    return t.isSampleData;
  });
  data_.bills.removeIf([this](const BillItem& b) {
    if (b.isSampleData) {
      cancelBillReminder(b.id);
    }
    return b.isSampleData;
  });
  data_.waitingItems.removeIf([](const WaitingForItem& w) { return w.isSampleData; });
  data_.manualEvents.removeIf(
      [](const CalendarEventItem& e) { return e.sourceType == CalendarSourceType::sample; });
  save();
  if (data_.tasks.size() != tasksBefore) {
    Q_EMIT tasksChanged();
  }
  if (data_.bills.size() != billsBefore) {
    Q_EMIT billsChanged();
  }
  if (data_.waitingItems.size() != waitingBefore) {
    Q_EMIT waitingItemsChanged();
  }
  if (data_.manualEvents.size() != eventsBefore) {
    Q_EMIT manualEventsChanged();
  }
}

void DataStore::deleteAllEmailData() {
  const bool hadSuggestions = !data_.emailSuggestions.isEmpty();
  const bool hadIDs = !data_.processedEmailMessageIDs.isEmpty();
  const bool hadSyncTime = data_.lastEmailSyncAt.has_value();
  const bool hadState = data_.emailSyncState != EmailSyncState{};
  if (!hadSuggestions && !hadIDs && !hadSyncTime && !hadState) {
    return;
  }
  if (hadSuggestions && !takeSafetySnapshot()) {
    return;
  }
  data_.emailSuggestions.clear();
  data_.processedEmailMessageIDs.clear();
  data_.lastEmailSyncAt.reset();
  data_.emailSyncState = EmailSyncState{};
  save();
  if (hadSuggestions) {
    Q_EMIT emailSuggestionsChanged();
  }
  if (hadIDs) {
    Q_EMIT processedEmailMessageIDsChanged();
  }
  if (hadSyncTime) {
    Q_EMIT lastEmailSyncAtChanged();
  }
  if (hadState) {
    Q_EMIT emailSyncStateChanged();
  }
}

// ---- derived values ----

QList<CalendarEventItem> DataStore::allUpcomingEvents() const {
  const QDateTime current = now();
  QList<CalendarEventItem> upcoming;
  for (const auto* list : {&calendarEvents_, &data_.manualEvents}) {
    for (const CalendarEventItem& event : *list) {
      if (event.endDate > current) {
        upcoming.append(event);
      }
    }
  }
  std::stable_sort(upcoming.begin(), upcoming.end(),
                   [](const CalendarEventItem& a, const CalendarEventItem& b) {
                     return a.startDate < b.startDate;
                   });
  return upcoming;
}

void DataStore::forgetDerivedValues() {
  dayTasks_.calendar.reset();
  nextEvent_.known = false;
}

std::optional<CalendarEventItem> DataStore::nextEvent() const {
  const QDateTime current = now();
  // Events only leave the upcoming ones as time passes, so the first of them stays first until
  // it ends itself.
  const bool stillNext = nextEvent_.known && current >= nextEvent_.since &&
                         (!nextEvent_.event || current < nextEvent_.event->endDate);
  if (!stillNext) {
    const CalendarEventItem* first = nullptr;
    for (const auto* list : {&calendarEvents_, &data_.manualEvents}) {
      for (const CalendarEventItem& event : *list) {
        if (event.endDate > current && (first == nullptr || event.startDate < first->startDate)) {
          first = &event;
        }
      }
    }
    nextEvent_ = {true, current, first ? std::optional(*first) : std::nullopt};
  }
  return nextEvent_.event;
}

const DataStore::DayTasks& DataStore::dayTasks(const QDateTime& now,
                                               const Calendar& calendar) const {
  const QDate day = calendar.date(now);
  if (dayTasks_.calendar == calendar && dayTasks_.day == day) {
    return dayTasks_;
  }
  DayTasks fresh{calendar, day, {}, 0, 0};
  if (day.isValid()) {
    for (const TaskItem& task : data_.tasks) {
      if (task.dueDate && calendar.date(*task.dueDate) == day) {
        fresh.dueToday.append(task);
        fresh.finishedDueToday += task.isCompleted ? 1 : 0;
      }
      if (task.isCompleted && task.completedAt && calendar.date(*task.completedAt) == day) {
        ++fresh.completedThatDay;
      }
    }
  }
  dayTasks_ = std::move(fresh);
  return dayTasks_;
}

QList<TaskItem> DataStore::tasksDueToday(const QDateTime& now, const Calendar& calendar) const {
  return dayTasks(now, calendar).dueToday;
}

DashboardSummary DataStore::todayMetrics(const QDateTime& now, const Calendar& calendar) const {
  DashboardSummary summary;
  const DayTasks& day = dayTasks(now, calendar);
  summary.totalTasksDueToday = int(day.dueToday.size());
  summary.finishedTasksDueToday = day.finishedDueToday;
  summary.tasksCompletedToday = day.completedThatDay;
  for (const TaskItem& task : data_.tasks) {
    if (task.isOverdue(now)) {
      ++summary.tasksOverdue;
    }
  }
  for (const WaitingForItem& item : data_.waitingItems) {
    if (item.isFollowUpOverdue(now)) {
      ++summary.followUpsDue;
    }
  }
  const QDateTime dayStart = calendar.startOfDay(now);
  const QDateTime weekEnd = calendar.addDays(dayStart, 7);
  for (const BillItem& bill : data_.bills) {
    if (!bill.isPaid && bill.dueDate >= dayStart && bill.dueDate < weekEnd) {
      ++summary.billsDueThisWeek;
    }
  }
  double focusSeconds = 0;
  for (const FocusSession& session : data_.focusSessions) {
    if (session.type == FocusSessionType::focus && calendar.isDateInSameDay(session.endedAt, now)) {
      ++summary.focusSessionsToday;
      focusSeconds += session.durationSeconds;
    }
  }
  summary.focusMinutesToday = int(focusSeconds / 60);
  return summary;
}

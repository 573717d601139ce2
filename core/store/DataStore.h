#pragma once

#include "core/model/AppSettings.h"
#include "core/model/Calendar.h"
#include "core/store/DashboardPersistence.h"
#include "core/store/DashboardSummary.h"
#include "core/store/DatabaseEncoder.h"
#include "core/store/StorageSchema.h"

#include <QCoroTask>
#include <QObject>
#include <QPointer>
#include <QTimer>

#include <functional>
#include <optional>

class CalendarServiceProtocol;
class NotificationServiceProtocol;

// The single source of truth every screen reads. All of it runs on the main thread; every
// mutating operation saves synchronously before it returns. Operations on an identifier that
// is not stored change nothing.
class DataStore : public QObject {
  Q_OBJECT
  Q_PROPERTY(QList<TaskItem> tasks READ tasks NOTIFY tasksChanged)
  Q_PROPERTY(QList<BillItem> bills READ bills NOTIFY billsChanged)
  Q_PROPERTY(QList<WaitingForItem> waitingItems READ waitingItems NOTIFY waitingItemsChanged)
  Q_PROPERTY(QList<CalendarEventItem> manualEvents READ manualEvents NOTIFY manualEventsChanged)
  Q_PROPERTY(
      QList<CalendarEventItem> calendarEvents READ calendarEvents NOTIFY calendarEventsChanged)
  Q_PROPERTY(QList<FocusSession> focusSessions READ focusSessions NOTIFY focusSessionsChanged)
  Q_PROPERTY(QList<EmailExtractedSuggestion> emailSuggestions READ emailSuggestions NOTIFY
                 emailSuggestionsChanged)
  Q_PROPERTY(QSet<QString> processedEmailMessageIDs READ processedEmailMessageIDs WRITE
                 setProcessedEmailMessageIDs NOTIFY processedEmailMessageIDsChanged)
  Q_PROPERTY(std::optional<QDateTime> lastEmailSyncAt READ lastEmailSyncAt WRITE setLastEmailSyncAt
                 NOTIFY lastEmailSyncAtChanged)
  Q_PROPERTY(EmailSyncState emailSyncState READ emailSyncState WRITE setEmailSyncState NOTIFY
                 emailSyncStateChanged)
  Q_PROPERTY(QString dailyIntention READ dailyIntention WRITE setDailyIntention NOTIFY
                 dailyIntentionChanged)
  Q_PROPERTY(QString customGreeting READ customGreeting WRITE setCustomGreeting NOTIFY
                 customGreetingChanged)
  Q_PROPERTY(std::optional<WeatherData> cachedWeather READ cachedWeather WRITE setCachedWeather
                 NOTIFY cachedWeatherChanged)
  Q_PROPERTY(AppSettings settings READ settings WRITE setSettings NOTIFY settingsChanged)
  Q_PROPERTY(CalendarPermissionStatus calendarPermissionStatus READ calendarPermissionStatus NOTIFY
                 calendarPermissionStatusChanged)
  Q_PROPERTY(QList<AppleCalendarInfo> availableCalendars READ availableCalendars NOTIFY
                 availableCalendarsChanged)
  Q_PROPERTY(std::optional<QString> saveError READ saveError NOTIFY saveErrorChanged)
  Q_PROPERTY(std::optional<QString> loadWarning READ loadWarning NOTIFY loadWarningChanged)
  Q_PROPERTY(bool isReadOnly READ isReadOnly CONSTANT)

 public:
  using Clock = std::function<QDateTime()>;

  // `customStorageURL`: the folder of the files; nothing selects $XDG_DATA_HOME/Pelmora.
  // Either service may be null (nothing is scheduled, nothing mirrored). `clock` and
  // `calendar` default to the system's; tests fix them. Never fails: a problem with the
  // files ends up in `saveError` and the log.
  DataStore(std::optional<QString> customStorageURL,
            NotificationServiceProtocol* notificationService,
            CalendarServiceProtocol* calendarService, Clock clock = {},
            std::optional<Calendar> calendar = std::nullopt, QObject* parent = nullptr);
  ~DataStore() override;

  // Published values.
  const QList<TaskItem>& tasks() const { return data_.tasks; }
  const QList<BillItem>& bills() const { return data_.bills; }
  const QList<WaitingForItem>& waitingItems() const { return data_.waitingItems; }
  const QList<CalendarEventItem>& manualEvents() const { return data_.manualEvents; }
  // Mirrored from the system calendars; never saved.
  const QList<CalendarEventItem>& calendarEvents() const { return calendarEvents_; }
  const QList<FocusSession>& focusSessions() const { return data_.focusSessions; }
  const QList<EmailExtractedSuggestion>& emailSuggestions() const { return data_.emailSuggestions; }
  const QSet<QString>& processedEmailMessageIDs() const { return data_.processedEmailMessageIDs; }
  const std::optional<QDateTime>& lastEmailSyncAt() const { return data_.lastEmailSyncAt; }
  const EmailSyncState& emailSyncState() const { return data_.emailSyncState; }
  const QString& dailyIntention() const { return data_.dailyIntention; }
  const std::optional<QDateTime>& dailyIntentionDate() const { return data_.dailyIntentionDate; }
  const QString& customGreeting() const { return data_.customGreeting; }
  const std::optional<WeatherData>& cachedWeather() const { return data_.cachedWeather; }
  const AppSettings& settings() const { return settings_; }
  CalendarPermissionStatus calendarPermissionStatus() const { return calendarPermission_; }
  const QList<AppleCalendarInfo>& availableCalendars() const { return availableCalendars_; }
  // The last failure to write the files, until a later write succeeds.
  std::optional<QString> saveError() const;
  // What the user should know about the files as they were found at launch (a file that
  // could not be read, where it is kept and what was loaded instead; records kept aside). It
  // stays for the run, and changes when a save sets such a file aside.
  std::optional<QString> loadWarning() const { return persistence_.loadWarning(); }
  // A newer Pelmora wrote the files: changes stay in memory and are never written.
  bool isReadOnly() const { return persistence_.readOnlyReason().has_value(); }

  // Setters change the value and notify; like the other platform's published values they do
  // not save: callers save when they are done.
  void setProcessedEmailMessageIDs(const QSet<QString>& ids);
  void insertProcessedEmailMessageID(const QString& id);
  void setLastEmailSyncAt(const std::optional<QDateTime>& date);
  void setEmailSyncState(const EmailSyncState& state);
  // Also records when the intention was set; the same text again changes nothing. True when
  // something changed (and so wants saving).
  bool setDailyIntention(const QString& intention);
  void setCustomGreeting(const QString& greeting);
  // False when the weather was refused (it would not read back) and the old one is kept.
  bool setCachedWeather(const std::optional<WeatherData>& weather);
  void setSettings(const AppSettings& settings);

  const QString& storageFolder() const { return persistence_.folder(); }
  // Every stored record at once, as the database file holds them.
  const DashboardStorageContainer& container() const { return data_; }

  // Writing.
  void save();
  void saveSettings();

  // Tasks.
  void addTask(const TaskItem& task);
  void updateTask(const TaskItem& task);
  void toggleTaskCompletion(const QUuid& taskID, const QDateTime& at);
  void deleteTask(const QUuid& taskID);
  void clearCompletedTasks();

  // Bills.
  void addBill(const BillItem& bill);
  void updateBill(const BillItem& bill);
  void deleteBill(const QUuid& billID);
  // Paying a repeating bill adds its next bill once; unpaying clears `paidAt`.
  void toggleBillPaid(const QUuid& billID, const QDateTime& at);

  // Waiting-for items.
  void addWaitingItem(const WaitingForItem& item);
  void updateWaitingItem(const WaitingForItem& item);
  void deleteWaitingItem(const QUuid& id);
  void snoozeWaitingItem(const QUuid& id, int days);
  void resolveWaitingItem(const QUuid& id);

  // Events typed in by the user.
  void addManualEvent(const CalendarEventItem& event);
  void updateManualEvent(const CalendarEventItem& event);
  void deleteManualEvent(const QString& eventID);

  // Mirrored calendar events: permission, the calendars on offer, and a fresh read of the
  // selected calendars (all of them while none is selected) from the start of today over
  // `calendarLookAheadDays`.
  QCoro::Task<bool> requestCalendarAccess();
  void refreshCalendarEvents();

  // Focus sessions.
  void addFocusSession(const FocusSession& session);
  void deleteFocusSession(const QUuid& sessionID);

  // E-mail suggestions.
  void addEmailSuggestion(const EmailExtractedSuggestion& suggestion);
  enum class Persist { now, withNextSave };
  // Adds the suggestions (replacing stored ones with the same id) and the tasks drafted from
  // them, scheduling the tasks' reminders, with one save, or none with `withNextSave`: whatever
  // saves next (the end of a sync pass, any edit, quitting) writes them. Refused records are
  // left out. False, having changed nothing, when there was nothing to add.
  bool addEmailSuggestions(const QList<EmailExtractedSuggestion>& suggestions,
                           const QList<TaskItem>& draftedTasks = {},
                           Persist persist = Persist::now);
  void updateEmailSuggestion(const EmailExtractedSuggestion& suggestion);
  // Creates the record the suggestion describes (a task, bill, event or waiting-for item; an
  // important notice becomes a task), marks it approved and saves. A suggestion that was
  // already approved or auto-drafted creates nothing again.
  void approveSuggestion(const QUuid& id);
  void dismissSuggestion(const QUuid& id);
  // Forgets everything read from mail: the suggestions, the examined message identifiers, the
  // last sync time and the sync status. Records already approved stay. One save.
  void deleteAllEmailData();

  // Sample data.
  bool hasSampleData() const;
  void removeAllSampleData();

  // Replaces every stored record at once (an import, a reset) with one save, after a safety
  // snapshot of what is there now. On failure the store keeps its old data, in memory and on
  // disk. Settings are not part of it.
  struct ReplaceFailure {
    enum class Stage { readOnly, snapshot, save };
    Stage stage;
    QString message;
  };
  std::optional<ReplaceFailure> replaceAllData(DashboardStorageContainer replacement);

  // Derived values. Several screens redraw from the same ones at every change, so the next
  // event and the day's tasks are kept until the records change or the day turns.
  QList<EmailExtractedSuggestion> pendingEmailSuggestions() const;
  // Mirrored and manual events that have not ended yet, by start.
  QList<CalendarEventItem> allUpcomingEvents() const;
  // The first of allUpcomingEvents().
  std::optional<CalendarEventItem> nextEvent() const;
  // Tasks, in store order, with a due date on the calendar day of `now`, finished or not.
  QList<TaskItem> tasksDueToday(const QDateTime& now, const Calendar& calendar) const;
  DashboardSummary todayMetrics(const QDateTime& now, const Calendar& calendar) const;

  // Reminders are handed to the notification service for the coming days only; the service
  // calls back to top them up as the days pass.
  static constexpr int reminderWindowDays = 3;
  static constexpr int reminderTopUpDays = 1;

 Q_SIGNALS:
  void tasksChanged();
  void billsChanged();
  void waitingItemsChanged();
  void manualEventsChanged();
  void calendarEventsChanged();
  void focusSessionsChanged();
  void emailSuggestionsChanged();
  void processedEmailMessageIDsChanged();
  void lastEmailSyncAtChanged();
  void emailSyncStateChanged();
  void dailyIntentionChanged();
  void customGreetingChanged();
  void cachedWeatherChanged();
  void settingsChanged();
  void calendarPermissionStatusChanged();
  void availableCalendarsChanged();
  void saveErrorChanged();
  void loadWarningChanged();
  // The database file was written.
  void databaseSaved();

 private:
  QDateTime now() const;
  // Writes the database and its backup; the encoder takes its text from the new file after.
  std::optional<QString> writeDatabase();
  // Runs `write` on the encoder's content; when a file that content copies text from no longer
  // holds it, once more with every record encoded anew.
  template <typename Write>
  std::optional<QString> writeEncoded(Write write);
  // Emits loadWarningChanged when a write set a file aside.
  void noteLoadWarning(const std::optional<QString>& before);
  void setDatabaseError(std::optional<QString> error);
  void setSettingsError(std::optional<QString> error);
  // A record that would not read back (an invalid date, an amount that is not a number) would
  // make the whole file unreadable: it is refused with a message instead of stored.
  template <typename Record>
  bool acceptable(const Record& record, const QString& what);
  // The shape every plain record operation shares: check, change the list, save, notify.
  // Each returns false, having changed nothing, for a refused record or an unknown id.
  template <typename Record>
  bool appendRecord(QList<Record>& list, const Record& record, const QString& what,
                    void (DataStore::*changed)());
  template <typename Record>
  bool replaceRecord(QList<Record>& list, const Record& record, const QString& what,
                     void (DataStore::*changed)());
  template <typename Record, typename Id>
  bool removeRecord(QList<Record>& list, const Id& id, void (DataStore::*changed)());
  template <typename Record, typename Id, typename Change>
  bool changeRecord(QList<Record>& list, const Id& id, Change change, void (DataStore::*changed)());
  // Writes the safety snapshot before a bulk removal; false when the removal must not go on.
  bool takeSafetySnapshot();

  void scheduleReminder(const TaskItem& task);
  void scheduleReminder(const BillItem& bill);
  void cancelTaskReminder(const QUuid& taskID);
  void cancelBillReminder(const QUuid& billID);
  void rescheduleAllReminders(const AppSettings& previous, bool atLaunch);
  // Schedules the reminders of the records whose reminder may fall in [from, to) (from
  // invalid: everything before `to`), for the kinds asked for. True when a record of a kind
  // switched on may have its reminder at `to` or later.
  bool offerReminders(const QDateTime& from, const QDateTime& to, bool tasks, bool bills);
  // Moves the reminders' horizon to the coming days, scheduling what it passes over, and asks
  // for the next top-up while anything lies beyond.
  void advanceReminderWindow();

  // Appends the next occurrence of a finished repeating task unless it is already there.
  void addNextOccurrence(const TaskItem& finished, const QDateTime& at);
  void addNextBill(const BillItem& paid, const QDateTime& at);
  void updatePendingCount();
  void setCalendarPermission(CalendarPermissionStatus status);
  // The records changed: the derived values are computed afresh when next asked for.
  void forgetDerivedValues();

  Clock clock_;
  Calendar calendar_;
  DashboardPersistence persistence_;
  NotificationServiceProtocol* notificationService_;
  QPointer<CalendarServiceProtocol> calendarService_;

  DashboardStorageContainer data_;
  DatabaseEncoder encoder_;
  AppSettings settings_;
  AppSettings savedSettings_;
  QList<CalendarEventItem> calendarEvents_;
  QList<AppleCalendarInfo> availableCalendars_;
  CalendarPermissionStatus calendarPermission_ = CalendarPermissionStatus::notDetermined;
  std::optional<QString> databaseError_;
  std::optional<QString> settingsError_;
  QTimer trimAfterSaves_;
  QDateTime reminderHorizon_;

  // The day's tasks of one calendar day, in one zone.
  struct DayTasks {
    std::optional<Calendar> calendar;
    QDate day;
    QList<TaskItem> dueToday;
    int finishedDueToday = 0;
    int completedThatDay = 0;
  };
  const DayTasks& dayTasks(const QDateTime& now, const Calendar& calendar) const;
  mutable DayTasks dayTasks_;
  // The next event as seen at `since`; it stays the next one until it ends.
  struct NextEvent {
    bool known = false;
    QDateTime since;
    std::optional<CalendarEventItem> event;
  };
  mutable NextEvent nextEvent_;
};

#include "EmailSyncFixture.h"

#include "core/email/GmailError.h"
#include "core/platform/TransportError.h"

#include <QSignalSpy>

#include <stdexcept>

using testsupport::runTask;
using testsupport::utc;

TEST_F(EmailSyncTest, ASecondPassWhileOneRunsIsSkippedAndLogged) {
  Gate gate;
  gmail.gate = &gate;
  stubMessages({"m1"});
  provider->answers["m1"] = {suggestionOf(EmailExtractedCategory::task, "Reply")};

  QCoro::Task<> first = coordinator->triggerSync();
  const EmailSyncState during = store->emailSyncState();
  EXPECT_EQ(during.lastSyncStatus, "Checking Gmail...");

  EXPECT_TRUE(coordinator->triggerSync().isReady());
  EXPECT_EQ(gmail.searches.size(), 1);
  EXPECT_EQ(store->emailSyncState(), during);
  EXPECT_EQ(logLines(), QStringList{"INFO Sync already in progress. Skipping concurrent request."});

  gate.open();
  runTask(std::move(first));
  EXPECT_EQ(store->emailSuggestions().size(), 1);
  // The guard is lifted once the pass is over.
  sync();
  EXPECT_EQ(gmail.searches.size(), 2);
}

// A pass that is switched off, disconnected or whose search fails ends with its status and log
// line, clears a stale "syncing" flag, keeps the last sync time and asks the provider nothing.
TEST_F(EmailSyncTest, APassThatCannotSearchShowsWhyAndKeepsTheSyncTime) {
  const QDateTime lastSync = now.addSecs(-7200);
  store->setLastEmailSyncAt(lastSync);
  stubMessages({"m1"});
  provider->answers["m1"] = {suggestionOf(EmailExtractedCategory::importantNotice, "Never")};

  const QString limited = "Gmail API rate limit exceeded. Please wait a few minutes.";
  struct Case {
    bool enabled;
    bool connected;
    std::exception_ptr error;
    QString status;
    QString log;
  };
  const QList<Case> cases = {
      {false, true, nullptr, "Disabled in Settings", {}},
      {true, false, nullptr, "Gmail Disconnected", {}},
      {true, true, std::make_exception_ptr(GmailError::rateLimited()), limited,
       "WARN Gmail sync error: " + limited},
      {true, true, std::make_exception_ptr(std::runtime_error("disk on fire")),
       "Network error: disk on fire", "WARN Email sync network error: disk on fire"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.status.toStdString());
    EmailSyncState stale = store->emailSyncState();
    stale.isSyncing = true;
    stale.lastSyncAt = lastSync;
    store->setEmailSyncState(stale);
    changeSettings([&c](AppSettings& s) { s.isEmailAssistantEnabled = c.enabled; });
    gmail.stubbedConnected = c.connected;
    gmail.errorToThrow = c.error;
    DiagnosticLogger::shared().clear();
    sync();
    EXPECT_EQ(store->emailSyncState().lastSyncStatus, c.status);
    EXPECT_EQ(logLines(), c.log.isEmpty() ? QStringList() : QStringList{c.log});
    EXPECT_FALSE(store->emailSyncState().isSyncing);
    EXPECT_FALSE(coordinator->isSyncing());
    EXPECT_EQ(store->lastEmailSyncAt(), lastSync);
    EXPECT_EQ(store->emailSyncState().lastSyncAt, lastSync);
  }
  EXPECT_EQ(gmail.searches.size(), 2);
  EXPECT_TRUE(provider->examined.isEmpty());
}

TEST_F(EmailSyncTest, EachCategorySwitchDropsItsOwnKindWithoutTrace) {
  const QList<std::pair<EmailExtractedCategory, bool AppSettings::*>> switches = {
      {EmailExtractedCategory::bill, &AppSettings::extractBills},
      {EmailExtractedCategory::task, &AppSettings::extractTasks},
      {EmailExtractedCategory::appointment, &AppSettings::extractAppointments},
      {EmailExtractedCategory::waitingFor, &AppSettings::extractWaitingFor},
      {EmailExtractedCategory::importantNotice, &AppSettings::extractNotices},
  };
  for (const auto& [off, setting] : switches) {
    SCOPED_TRACE(displayText(off).toStdString());
    const QString id = "round-" + displayText(off);
    changeSettings([setting](AppSettings& s) {
      s.extractBills = s.extractTasks = s.extractAppointments = s.extractWaitingFor =
          s.extractNotices = true;
      s.*setting = false;
    });
    QList<EmailExtractedSuggestion> all;
    for (EmailExtractedCategory category : EnumCases<EmailExtractedCategory>::values) {
      all.append(suggestionOf(category, displayText(category), id));
    }
    syncOne(id, all);
    const QStringList kept = testsupport::texts(storedFrom(id), &EmailExtractedSuggestion::title);
    EXPECT_FALSE(kept.contains(displayText(off)));
    EXPECT_EQ(store->emailSyncState().lastSyncStatus, "Found 4 new items");
  }
}

// One pass searches fifteen after the last sync and examines each new message once, all of
// them recorded on disk before the provider sees the first; the suggestions and drafts then go
// to disk together. A task from 0.85 up is drafted only when allowed.
TEST_F(EmailSyncTest, APassRecordsItsNewMessagesBeforeExaminingThemAndDraftsConfidentTasks) {
  EmailExtractedSuggestion notAllowed = suggestionOf(EmailExtractedCategory::task, "No", "m0");
  notAllowed.confidence = 0.99;
  syncOne("m0", {notAllowed});
  EXPECT_TRUE(store->tasks().isEmpty());

  changeSettings([](AppSettings& s) { s.autoCreateLowRiskDraftTasks = true; });
  EmailExtractedSuggestion sure = suggestionOf(EmailExtractedCategory::task, "Sign");
  sure.confidence = 0.85;
  sure.dueDate = utc(2026, 3, 12, 17);
  sure.priority = TaskPriority::high;
  EmailExtractedSuggestion unsure = suggestionOf(EmailExtractedCategory::task, "Maybe");
  unsure.confidence = 0.849;
  EmailExtractedSuggestion bill = suggestionOf(EmailExtractedCategory::bill, "Pay");
  bill.confidence = 0.99;
  const QDateTime lastSync = now.addSecs(-3600);
  store->setLastEmailSyncAt(lastSync);
  stubMessages({"m0", "m1", "m2", "m2", "m3"});
  provider->answers["m1"] = {sure, unsure, bill};
  provider->answers["m3"] = {suggestionOf(EmailExtractedCategory::waitingFor, "Wait", "m3")};
  provider->examined.clear();
  QList<QSet<QString>> processedOnDisk;
  QList<int> suggestionsOnDisk;
  provider->onExtract = [&](const EmailMessageContext&) {
    const DashboardStorageContainer saved = savedDatabase();
    processedOnDisk.append(saved.processedEmailMessageIDs);
    suggestionsOnDisk.append(int(saved.emailSuggestions.size()));
  };

  sync();
  EXPECT_EQ(gmail.searches.last(), lastSync);
  EXPECT_EQ(provider->examined, (QStringList{"m1", "m2", "m3"}));
  const QSet<QString> all{"m0", "m1", "m2", "m3"};
  EXPECT_EQ(processedOnDisk, (QList{all, all, all}));
  EXPECT_EQ(store->processedEmailMessageIDs(), all);
  EXPECT_EQ(suggestionsOnDisk, (QList<int>{1, 1, 1}));
  ASSERT_EQ(store->tasks().size(), 1);
  const TaskItem task = store->tasks().first();
  EXPECT_EQ(task,
            TaskItem(task.id, "Sign", sure.notes, sure.dueDate, TaskPriority::high, "Email Draft",
                     false, std::nullopt, RecurrenceRule::none(), now, now, false, std::nullopt));
  EXPECT_EQ(savedDatabase().tasks, store->tasks());
  EmailExtractedSuggestion drafted = sure;
  drafted.status = SuggestionStatus::autoApplied;
  EXPECT_EQ(savedDatabase().emailSuggestions.mid(1, 3), (QList{drafted, unsure, bill}));
  // The drafted one counts towards the status but is not waiting for review.
  EXPECT_EQ(store->emailSyncState().lastSyncStatus, "Found 4 new items");
  EXPECT_EQ(store->emailSyncState().pendingCount, 4);
}

// One suggestion per pass: whether it alerts, and with which title, body and identifier.
TEST_F(EmailSyncTest, UrgentSuggestionsAlertWithTheirTexts) {
  changeSettings([](AppSettings& s) { s.autoCreateLowRiskDraftTasks = true; });
  EmailExtractedSuggestion task = suggestionOf(EmailExtractedCategory::task, "Sign form");
  task.priority = TaskPriority::urgent;
  task.confidence = 0.9;  // drafted, and still alerted
  EmailExtractedSuggestion bareTask = task;
  bareTask.notes.clear();
  EmailExtractedSuggestion highTask = task;
  highTask.priority = TaskPriority::high;
  // Only tasks, bills and notices alert, whatever the priority of the others.
  const auto urgentAs = [this, &task](EmailExtractedCategory category) {
    EmailExtractedSuggestion other = task;
    other.category = category;
    other.dueDate = now.addSecs(3600);
    return other;
  };
  EmailExtractedSuggestion euroBill = suggestionOf(EmailExtractedCategory::bill, "Power");
  euroBill.amount = 42.5;
  euroBill.currency = "€";
  const auto billDue = [&euroBill](std::optional<QDateTime> due) {
    EmailExtractedSuggestion bill = euroBill;
    bill.dueDate = due;
    return bill;
  };
  EmailExtractedSuggestion plainBill = billDue(now.addDays(1));
  plainBill.amount = 1234.567;
  plainBill.currency.reset();
  EmailExtractedSuggestion openBill = billDue(now.addDays(1));
  openBill.amount.reset();
  EmailExtractedSuggestion notice =
      suggestionOf(EmailExtractedCategory::importantNotice, "Policy change");
  EmailExtractedSuggestion silentNotice = notice;
  silentNotice.notes.clear();

  const char* billTitle = "Urgent Bill Detected: Power";
  // Bills alert only when due within the next three days, both ends excluded.
  const QList<std::tuple<EmailExtractedSuggestion, const char*, QString>> cases = {
      {task, "Urgent Task: Sign form", "Notes on Sign form"},
      {bareTask, "Urgent Task: Sign form", "Action required from email."},
      {highTask, nullptr, {}},
      {urgentAs(EmailExtractedCategory::appointment), nullptr, {}},
      {urgentAs(EmailExtractedCategory::waitingFor), nullptr, {}},
      {plainBill, billTitle, "Amount: $1234.57 due soon. Review in Pelmora."},
      {openBill, billTitle, "Amount:  due soon. Review in Pelmora."},
      {billDue(now.addMSecs(259200000 - 1)), billTitle,
       "Amount: €42.50 due soon. Review in Pelmora."},
      {billDue(now.addSecs(259200)), nullptr, {}},
      {billDue(now), nullptr, {}},
      {billDue(std::nullopt), nullptr, {}},
      {notice, "Action Required: Policy change", "Notes on Policy change"},
      {silentNotice, "Action Required: Policy change", QString()},
  };
  int round = 0;
  for (const auto& [suggestion, title, body] : cases) {
    SCOPED_TRACE(++round);
    EmailExtractedSuggestion fresh = suggestion;
    fresh.id = QUuid::createUuid();
    syncOne(QString("alert-%1").arg(round), {fresh});
    QList<MockNotificationService::EmailAlert> expected;
    if (title != nullptr) {
      // The identifier is the suggestion's id in upper case, without braces.
      expected = {
          {title, body, "email-urgent-" + fresh.id.toString(QUuid::WithoutBraces).toUpper()}};
    }
    EXPECT_EQ(alerts.emailAlerts, expected);
  }
}

// At most two alerts a pass, and none with the switch for urgent mail off; everything is
// stored all the same.
TEST_F(EmailSyncTest, APassAlertsAtMostTwiceAndOnlyWhenAllowed) {
  const auto notice = [](const char* title, const char* from) {
    return suggestionOf(EmailExtractedCategory::importantNotice, title, from);
  };
  for (const bool allowed : {true, false}) {
    SCOPED_TRACE(allowed);
    changeSettings([allowed](AppSettings& s) { s.notifyUrgentEmails = allowed; });
    const QString a = QString("a-%1").arg(allowed), b = QString("b-%1").arg(allowed);
    stubMessages({a, b});
    provider->answers[a] = {notice("One", "a")};
    provider->answers[b] = {notice("Two", "b"), notice("Three", "b")};
    store->setLastEmailSyncAt(std::nullopt);
    alerts.emailAlerts.clear();
    sync();
    const QStringList expected =
        allowed ? QStringList{"Action Required: One", "Action Required: Two"} : QStringList();
    EXPECT_EQ(testsupport::texts(alerts.emailAlerts, &MockNotificationService::EmailAlert::title),
              expected);
    EXPECT_EQ(store->emailSuggestions().size(), allowed ? 3 : 6);
  }
}

// However many messages a pass reads, it writes the database twice: their identifiers before
// the first is examined, then what they gave with the pass's status. A pass with nothing new
// writes once, a failed search not at all.
TEST_F(EmailSyncTest, APassWritesTheDatabaseAtMostTwice) {
  QStringList ids;
  for (int i = 0; i < EmailSyncCoordinator::fetchLimit; ++i) {
    ids.append(QString("m%1").arg(i));
    provider->answers[ids.last()] = {suggestionOf(EmailExtractedCategory::task, "T", ids.last())};
  }
  stubMessages(ids);
  QSignalSpy saves(store.get(), &DataStore::databaseSaved);
  sync();
  EXPECT_EQ(saves.count(), 2);
  EXPECT_EQ(savedDatabase().emailSuggestions.size(), ids.size());
  saves.clear();
  sync();
  EXPECT_EQ(saves.count(), 1);
  EXPECT_EQ(store->emailSyncState().lastSyncStatus, "Up to date (No new actionable emails)");
  saves.clear();
  gmail.errorToThrow = std::make_exception_ptr(GmailError::rateLimited());
  sync();
  EXPECT_EQ(saves.count(), 0);
}

// The app dies while the provider reads the second of three new messages. Started again on
// what was on disk at that moment, it keeps every suggestion saved before and reads none of
// the three again, so none gives a suggestion twice.
TEST_F(EmailSyncTest, ACrashHalfWayKeepsWhatWasSavedAndReadsNoMessageTwice) {
  syncOne("m0", {suggestionOf(EmailExtractedCategory::bill, "Earlier", "m0")});
  stubMessages({"m0", "m1", "m2", "m3"});
  store->setLastEmailSyncAt(std::nullopt);
  for (const char* id : {"m1", "m2", "m3"}) {
    provider->answers[id] = {suggestionOf(EmailExtractedCategory::task, "From", id)};
  }
  QTemporaryDir afterCrash;
  provider->onExtract = [&](const EmailMessageContext& message) {
    if (message.id == "m2") {
      QFile::copy(folder_ + "/dashboard.json", afterCrash.filePath("dashboard.json"));
    }
  };
  sync();

  DataStore restarted(afterCrash.path(), nullptr, nullptr, [this] { return now; },
                      Calendar(QTimeZone::utc()));
  EXPECT_EQ(testsupport::texts(restarted.emailSuggestions(), &EmailExtractedSuggestion::title),
            QStringList{"Earlier"});
  AppSettings settings = restarted.settings();
  settings.isEmailAssistantEnabled = true;
  restarted.setSettings(settings);
  restarted.setLastEmailSyncAt(std::nullopt);  // the search returns all four again
  auto again = std::make_shared<ScriptedProvider>();
  again->answers = provider->answers;
  EmailSyncCoordinator coordinator(&restarted, gmail, again, alerts, workspace, [this] { return now; });
  runTask(coordinator.triggerSync());
  EXPECT_TRUE(again->examined.isEmpty());
  EXPECT_EQ(restarted.emailSuggestions().size(), 1);
}

// Quitting saves the store: what the pass drew so far goes with it.
TEST_F(EmailSyncTest, AQuitHalfWayKeepsWhatWasDrawn) {
  stubMessages({"m1", "m2"});
  for (const char* id : {"m1", "m2"}) {
    provider->answers[id] = {suggestionOf(EmailExtractedCategory::task, "From", id)};
  }
  provider->onExtract = [&](const EmailMessageContext& message) {
    if (message.id == "m2") {
      store->save();
      EXPECT_EQ(savedDatabase().emailSuggestions.size(), 1);
    }
  };
  sync();
  EXPECT_EQ(savedDatabase().emailSuggestions.size(), 2);
}

TEST_F(EmailSyncTest, SuggestionsDrawnBeforeAFailedExtractionAreKept) {
  const QDateTime lastSync = now.addSecs(-7200);
  store->setLastEmailSyncAt(lastSync);
  stubMessages({"m1", "m2", "m3", "m4"});
  const EmailExtractedSuggestion task = suggestionOf(EmailExtractedCategory::task, "Do", "m1");
  const EmailExtractedSuggestion bill = suggestionOf(EmailExtractedCategory::bill, "Pay", "m2");
  provider->answers["m1"] = {task};
  provider->answers["m2"] = {bill};
  provider->answers["m4"] = {suggestionOf(EmailExtractedCategory::bill, "Later", "m4")};
  provider->failures["m3"] = std::make_exception_ptr(
      TransportError(QNetworkReply::TimeoutError, "The request timed out."));

  sync();
  EXPECT_EQ(provider->examined, (QStringList{"m1", "m2", "m3"}));
  EXPECT_EQ(store->processedEmailMessageIDs(), (QSet<QString>{"m1", "m2", "m3"}));
  EXPECT_EQ(savedDatabase().processedEmailMessageIDs, store->processedEmailMessageIDs());
  EXPECT_EQ(savedDatabase().emailSuggestions, (QList{task, bill}));
  EXPECT_EQ(store->emailSyncState().lastSyncStatus, "Network error: The request timed out.");
  EXPECT_EQ(store->lastEmailSyncAt(), lastSync);
  EXPECT_FALSE(store->emailSyncState().lastSyncAt.has_value());

  // The next pass goes on with the message the failure cut off, and only with that one.
  provider->examined.clear();
  sync();
  EXPECT_EQ(provider->examined, QStringList{"m4"});
  EXPECT_EQ(store->emailSyncState().lastSyncStatus, "Found 1 new item");
}

TEST_F(EmailSyncTest, MailArrivingDuringAPassIsFoundByTheNextOne) {
  const QDateTime started = now;
  stubMessages({"early"});
  provider->answers["late"] = {suggestionOf(EmailExtractedCategory::task, "Late one", "late")};
  // The search answers; while the answer travels a new message lands, then the clock has moved.
  gmail.whileFetching = [this, started] {
    gmail.stubbedMessages.append(mailMessage("late", started.addSecs(120)));
    now = started.addSecs(300);
  };
  sync();
  EXPECT_EQ(store->lastEmailSyncAt(), started);
  EXPECT_EQ(store->emailSyncState().lastSyncAt, started.addSecs(300));
  EXPECT_EQ(savedDatabase().lastEmailSyncAt, started);

  gmail.whileFetching = nullptr;
  sync();
  EXPECT_EQ(gmail.searches.last(), started);
  EXPECT_EQ(provider->examined, (QStringList{"early", "late"}));
  EXPECT_EQ(storedFrom("late").size(), 1);
}

// A store or coordinator that goes while a pass waits on Gmail or on the provider ends the
// pass quietly: nothing further is asked, stored or alerted.
struct GoneCase {
  bool duringExtraction;
  bool storeGoes;
};

class EmailSyncGoneTest : public EmailSyncTest, public ::testing::WithParamInterface<GoneCase> {};

TEST_P(EmailSyncGoneTest, APassEndsQuietly) {
  const auto [duringExtraction, storeGoes] = GetParam();
  Gate gate;
  (duringExtraction ? provider->gate : gmail.gate) = &gate;
  stubMessages({"m1", "m2"});
  provider->answers["m1"] = {suggestionOf(EmailExtractedCategory::importantNotice, "Gone")};
  QCoro::Task<> pass = coordinator->triggerSync();
  if (storeGoes) {
    store.reset();
  } else {
    coordinator.reset();
  }
  gate.open();
  runTask(std::move(pass));
  EXPECT_EQ(provider->examined, duringExtraction ? QStringList{"m1"} : QStringList{});
  EXPECT_TRUE(alerts.emailAlerts.isEmpty());
  if (storeGoes) {
    EXPECT_FALSE(coordinator->isSyncing());
  } else {
    EXPECT_TRUE(store->emailSuggestions().isEmpty());
  }
}

INSTANTIATE_TEST_SUITE_P(Moments, EmailSyncGoneTest,
                         ::testing::Values(GoneCase{false, true}, GoneCase{true, true},
                                           GoneCase{false, false}));

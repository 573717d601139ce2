#include "EmailSyncFixture.h"

#include "core/email/GmailError.h"
#include "core/email/MockEmailIntelligenceProvider.h"
#include "core/platform/TransportError.h"

#include <stdexcept>

using testsupport::runTask;
using testsupport::utc;

namespace {

QStringList idsOf(const QSet<QString>& set) {
  QStringList ids(set.cbegin(), set.cend());
  ids.sort();
  return ids;
}

QList<EmailExtractedCategory> categoriesOf(const QList<EmailExtractedSuggestion>& suggestions) {
  QList<EmailExtractedCategory> categories;
  for (const auto& s : suggestions) {
    categories.append(s.category);
  }
  return categories;
}

}  // namespace

void PrintTo(const MockNotificationService::EmailAlert& alert, std::ostream* out) {
  *out << '{' << alert.title.toStdString() << " | " << alert.body.toStdString() << " | "
       << alert.identifier.toStdString() << '}';
}

// --- Passes that end early ---

TEST_F(EmailSyncTest, ASecondPassWhileOneRunsIsSkippedAndLogged) {
  Gate gate;
  gmail.gate = &gate;
  gmail.stubbedMessages = {mailMessage(QStringLiteral("m1"), now.addSecs(-60))};
  provider->answers[QStringLiteral("m1")] = {
      suggestionOf(EmailExtractedCategory::task, QStringLiteral("Reply"))};

  QCoro::Task<> first = coordinator->triggerSync();
  ASSERT_TRUE(coordinator->isSyncing());
  EXPECT_TRUE(store->emailSyncState().isSyncing);
  EXPECT_EQ(store->emailSyncState().lastSyncStatus, QStringLiteral("Checking Gmail..."));
  EXPECT_EQ(store->emailSyncState().accountEmail, QStringLiteral("me@example.com"));
  const EmailSyncState during = store->emailSyncState();

  QCoro::Task<> second = coordinator->triggerSync();
  EXPECT_TRUE(second.isReady());
  EXPECT_EQ(gmail.searches.size(), 1);
  EXPECT_EQ(store->emailSyncState(), during);
  EXPECT_EQ(
      logLines(),
      QStringList{QStringLiteral("INFO Sync already in progress. Skipping concurrent request.")});

  gate.open();
  runTask(std::move(first));
  EXPECT_FALSE(coordinator->isSyncing());
  EXPECT_EQ(store->emailSuggestions().size(), 1);
  EXPECT_EQ(provider->examined, QStringList{QStringLiteral("m1")});
  // The guard is lifted once the pass is over.
  sync();
  EXPECT_EQ(gmail.searches.size(), 2);
}

TEST_F(EmailSyncTest, DisabledOrDisconnectedEndsWithItsStatusAndSearchesNothing) {
  EmailSyncState syncing = store->emailSyncState();
  syncing.isSyncing = true;
  store->setEmailSyncState(syncing);
  changeSettings([](AppSettings& s) { s.isEmailAssistantEnabled = false; });
  sync();
  EXPECT_EQ(store->emailSyncState().lastSyncStatus, QStringLiteral("Disabled in Settings"));
  EXPECT_FALSE(store->emailSyncState().isSyncing);
  EXPECT_FALSE(coordinator->isSyncing());

  store->setEmailSyncState(syncing);
  changeSettings([](AppSettings& s) { s.isEmailAssistantEnabled = true; });
  gmail.stubbedConnected = false;
  sync();
  EXPECT_EQ(store->emailSyncState().lastSyncStatus, QStringLiteral("Gmail Disconnected"));
  EXPECT_FALSE(store->emailSyncState().isSyncing);
  EXPECT_FALSE(coordinator->isSyncing());

  EXPECT_TRUE(gmail.searches.isEmpty());
  EXPECT_FALSE(store->lastEmailSyncAt().has_value());
  EXPECT_FALSE(store->emailSyncState().lastSyncAt.has_value());
  EXPECT_TRUE(logLines().isEmpty());
}

// --- Which messages are examined ---

TEST_F(EmailSyncTest, SearchesFifteenAfterTheLastSyncAndExaminesEachNewMessageOnce) {
  const QDateTime lastSync = now.addSecs(-3600);
  store->setLastEmailSyncAt(lastSync);
  store->insertProcessedEmailMessageID(QStringLiteral("seen"));
  gmail.stubbedMessages = {mailMessage(QStringLiteral("seen"), now.addSecs(-60)),
                           mailMessage(QStringLiteral("m2"), now.addSecs(-50)),
                           mailMessage(QStringLiteral("m2"), now.addSecs(-50)),
                           mailMessage(QStringLiteral("m3"), now.addSecs(-40))};
  provider->answers[QStringLiteral("m2")] = {
      suggestionOf(EmailExtractedCategory::task, QStringLiteral("From m2"), QStringLiteral("m2"))};

  sync();
  ASSERT_EQ(gmail.searches.size(), 1);
  EXPECT_EQ(gmail.searches.first(), lastSync);
  EXPECT_EQ(gmail.limits.first(), 15);
  EXPECT_EQ(provider->examined, (QStringList{QStringLiteral("m2"), QStringLiteral("m3")}));
  EXPECT_EQ(idsOf(store->processedEmailMessageIDs()),
            (QStringList{QStringLiteral("m2"), QStringLiteral("m3"), QStringLiteral("seen")}));
  EXPECT_EQ(idsOf(savedDatabase().processedEmailMessageIDs),
            idsOf(store->processedEmailMessageIDs()));
  EXPECT_EQ(store->emailSuggestions().size(), 1);
  EXPECT_EQ(store->emailSyncState().lastSyncStatus, QStringLiteral("Found 1 new item"));
}

TEST_F(EmailSyncTest, AMessageIsRecordedOnDiskBeforeTheProviderSeesIt) {
  gmail.stubbedMessages = {mailMessage(QStringLiteral("m1"), now.addSecs(-60)),
                           mailMessage(QStringLiteral("m2"), now.addSecs(-30))};
  QStringList onDiskAtExtraction;
  provider->onExtract = [&](const EmailMessageContext& message) {
    if (savedDatabase().processedEmailMessageIDs.contains(message.id)) {
      onDiskAtExtraction.append(message.id);
    }
  };
  sync();
  EXPECT_EQ(onDiskAtExtraction, (QStringList{QStringLiteral("m1"), QStringLiteral("m2")}));
}

TEST_F(EmailSyncTest, OnlyProcessedMessagesMeanUpToDateWithTheSyncTimeSetAndNoAlert) {
  store->setProcessedEmailMessageIDs({QStringLiteral("m1")});
  gmail.stubbedMessages = {mailMessage(QStringLiteral("m1"), now.addSecs(-60))};
  provider->answers[QStringLiteral("m1")] = {
      suggestionOf(EmailExtractedCategory::importantNotice, QStringLiteral("Never seen"))};

  sync();
  EXPECT_TRUE(provider->examined.isEmpty());
  EXPECT_EQ(store->emailSyncState().lastSyncStatus,
            QStringLiteral("Up to date (No new actionable emails)"));
  EXPECT_EQ(store->lastEmailSyncAt(), now);
  EXPECT_EQ(store->emailSyncState().lastSyncAt, now);
  EXPECT_FALSE(store->emailSyncState().isSyncing);
  EXPECT_TRUE(alerts.emailAlerts.isEmpty());
  EXPECT_TRUE(store->emailSuggestions().isEmpty());
  EXPECT_EQ(
      logLines(),
      QStringList{QStringLiteral("INFO Email sync completed successfully: 0 suggestions added.")});
}

// --- What is kept ---

TEST_F(EmailSyncTest, EachCategorySwitchDropsItsOwnKindWithoutTrace) {
  struct Case {
    EmailExtractedCategory off;
    void (*disable)(AppSettings&);
  };
  const QList<Case> cases = {
      {EmailExtractedCategory::bill, [](AppSettings& s) { s.extractBills = false; }},
      {EmailExtractedCategory::task, [](AppSettings& s) { s.extractTasks = false; }},
      {EmailExtractedCategory::appointment, [](AppSettings& s) { s.extractAppointments = false; }},
      {EmailExtractedCategory::waitingFor, [](AppSettings& s) { s.extractWaitingFor = false; }},
      {EmailExtractedCategory::importantNotice, [](AppSettings& s) { s.extractNotices = false; }},
  };
  int round = 0;
  for (const Case& c : cases) {
    const QString id = QStringLiteral("round-%1").arg(++round);
    changeSettings([](AppSettings& s) {
      s.extractBills = s.extractTasks = s.extractAppointments = s.extractWaitingFor =
          s.extractNotices = true;
    });
    changeSettings(c.disable);
    gmail.stubbedMessages = {mailMessage(id, now.addSecs(-60))};
    store->setLastEmailSyncAt(std::nullopt);  // each round searches afresh
    QList<EmailExtractedSuggestion> all;
    for (EmailExtractedCategory category : EnumCases<EmailExtractedCategory>::values) {
      EmailExtractedSuggestion s = suggestionOf(category, displayText(category), id);
      // Urgent in every kind that can be: a dropped one must not be alerted either.
      s.priority = TaskPriority::urgent;
      s.dueDate = now.addSecs(3600);
      all.append(s);
    }
    provider->answers[id] = all;
    alerts.emailAlerts.clear();

    sync();
    QList<EmailExtractedCategory> expected;
    for (EmailExtractedCategory category : EnumCases<EmailExtractedCategory>::values) {
      if (category != c.off) {
        expected.append(category);
      }
    }
    EXPECT_EQ(categoriesOf(storedFrom(id)), expected) << displayText(c.off).toStdString();
    EXPECT_EQ(store->emailSyncState().lastSyncStatus, QStringLiteral("Found 4 new items"));
    for (const auto& alert : alerts.emailAlerts) {
      EXPECT_FALSE(alert.title.endsWith(displayText(c.off))) << alert.title.toStdString();
    }
  }
}

TEST_F(EmailSyncTest, StatusCountsNoneOneAndMany) {
  for (const auto& [count, status] :
       {std::pair{0, "Up to date (No new actionable emails)"}, std::pair{1, "Found 1 new item"},
        std::pair{3, "Found 3 new items"}}) {
    const QString id = QStringLiteral("count-%1").arg(count);
    gmail.stubbedMessages = {mailMessage(id, now.addSecs(-60))};
    store->setLastEmailSyncAt(std::nullopt);  // each round searches afresh
    QList<EmailExtractedSuggestion> answer;
    for (int i = 0; i < count; ++i) {
      answer.append(
          suggestionOf(EmailExtractedCategory::appointment, QStringLiteral("Visit %1").arg(i), id));
    }
    provider->answers[id] = answer;
    DiagnosticLogger::shared().clear();
    sync();
    EXPECT_EQ(store->emailSyncState().lastSyncStatus, QString::fromLatin1(status));
    EXPECT_EQ(storedFrom(id).size(), count);
    EXPECT_EQ(logLines(),
              QStringList{QStringLiteral("INFO Email sync completed successfully: %1 suggestions "
                                         "added.")
                              .arg(count)});
  }
  // Stored and saved, the pending count with them.
  EXPECT_EQ(savedDatabase().emailSuggestions, store->emailSuggestions());
  EXPECT_EQ(store->emailSyncState().pendingCount, 4);
  EXPECT_EQ(savedDatabase().emailSyncState.lastSyncStatus, QStringLiteral("Found 3 new items"));
}

TEST_F(EmailSyncTest, TasksAtConfidenceEightyFiveAreDraftedWhenAllowed) {
  changeSettings([](AppSettings& s) { s.autoCreateLowRiskDraftTasks = true; });
  EmailExtractedSuggestion sure =
      suggestionOf(EmailExtractedCategory::task, QStringLiteral("Sign"));
  sure.confidence = 0.85;
  sure.dueDate = utc(2026, 3, 12, 17);
  sure.priority = TaskPriority::high;
  EmailExtractedSuggestion unsure =
      suggestionOf(EmailExtractedCategory::task, QStringLiteral("Maybe"));
  unsure.confidence = 0.849;
  EmailExtractedSuggestion bill = suggestionOf(EmailExtractedCategory::bill, QStringLiteral("Pay"));
  bill.confidence = 0.99;
  gmail.stubbedMessages = {mailMessage(QStringLiteral("m1"), now.addSecs(-60))};
  provider->answers[QStringLiteral("m1")] = {sure, unsure, bill};

  sync();
  ASSERT_EQ(store->tasks().size(), 1);
  const TaskItem task = store->tasks().first();
  EXPECT_FALSE(task.id.isNull());
  EXPECT_NE(task.id, sure.id);
  EXPECT_EQ(task.title, QStringLiteral("Sign"));
  EXPECT_EQ(task.notes, sure.notes);
  EXPECT_EQ(task.dueDate, sure.dueDate);
  EXPECT_EQ(task.priority, TaskPriority::high);
  EXPECT_EQ(task.category, QStringLiteral("Email Draft"));
  EXPECT_FALSE(task.isCompleted);
  EXPECT_FALSE(task.completedAt.has_value());
  EXPECT_TRUE(task.recurrence.isNone());
  EXPECT_EQ(task.createdAt, now);
  EXPECT_EQ(task.updatedAt, now);
  EXPECT_FALSE(task.isSampleData);
  EXPECT_FALSE(task.sourceEmailMessageID.has_value());

  const QList<EmailExtractedSuggestion> stored = store->emailSuggestions();
  ASSERT_EQ(stored.size(), 3);
  EmailExtractedSuggestion drafted = sure;
  drafted.status = SuggestionStatus::autoApplied;
  EXPECT_EQ(stored.at(0), drafted);
  EXPECT_EQ(stored.at(1), unsure);
  EXPECT_EQ(stored.at(2), bill);
  // The drafted one counts towards the status but is not waiting for review.
  EXPECT_EQ(store->emailSyncState().lastSyncStatus, QStringLiteral("Found 3 new items"));
  EXPECT_EQ(store->emailSyncState().pendingCount, 2);
  EXPECT_EQ(savedDatabase().tasks, store->tasks());
}

TEST_F(EmailSyncTest, WithoutPermissionNoTaskIsDrafted) {
  EmailExtractedSuggestion sure =
      suggestionOf(EmailExtractedCategory::task, QStringLiteral("Sign"));
  sure.confidence = 0.99;
  gmail.stubbedMessages = {mailMessage(QStringLiteral("m1"), now.addSecs(-60))};
  provider->answers[QStringLiteral("m1")] = {sure};
  sync();
  EXPECT_TRUE(store->tasks().isEmpty());
  EXPECT_EQ(store->emailSuggestions(), QList{sure});
}

// --- Urgent alerts ---

TEST_F(EmailSyncTest, BillsAreUrgentOnlyWhenDueWithinTheNextThreeDays) {
  struct Case {
    const char* name;
    std::optional<QDateTime> due;
    bool urgent;
  };
  const QList<Case> cases = {
      {"two days ahead", now.addDays(2), true},
      {"a millisecond short of three days", now.addMSecs(259200000 - 1), true},
      {"exactly three days ahead", now.addSecs(259200), false},
      {"due this very moment", now, false},
      {"overdue", now.addSecs(-3600), false},
      {"no due date", std::nullopt, false},
  };
  int round = 0;
  for (const Case& c : cases) {
    const QString id = QStringLiteral("bill-%1").arg(++round);
    EmailExtractedSuggestion bill =
        suggestionOf(EmailExtractedCategory::bill, QString::fromLatin1(c.name), id);
    bill.dueDate = c.due;
    gmail.stubbedMessages = {mailMessage(id, now.addSecs(-60))};
    store->setLastEmailSyncAt(std::nullopt);  // each round searches afresh
    provider->answers[id] = {bill};
    alerts.emailAlerts.clear();
    sync();
    EXPECT_EQ(alerts.emailAlerts.size(), c.urgent ? 1 : 0) << c.name;
    EXPECT_EQ(storedFrom(id).size(), 1) << c.name;
  }
}

TEST_F(EmailSyncTest, UrgentTasksAndEveryNoticeAreAlertedOtherKindsNever) {
  changeSettings([](AppSettings& s) { s.autoCreateLowRiskDraftTasks = true; });
  EmailExtractedSuggestion urgentTask =
      suggestionOf(EmailExtractedCategory::task, QStringLiteral("Urgent one"), QStringLiteral("a"));
  urgentTask.priority = TaskPriority::urgent;
  urgentTask.confidence = 0.9;  // drafted, and still alerted
  EmailExtractedSuggestion highTask =
      suggestionOf(EmailExtractedCategory::task, QStringLiteral("High one"), QStringLiteral("a"));
  highTask.priority = TaskPriority::high;
  EmailExtractedSuggestion appointment = suggestionOf(
      EmailExtractedCategory::appointment, QStringLiteral("Dentist"), QStringLiteral("a"));
  appointment.priority = TaskPriority::urgent;
  appointment.dueDate = now.addSecs(3600);
  EmailExtractedSuggestion waiting = suggestionOf(EmailExtractedCategory::waitingFor,
                                                  QStringLiteral("Parcel"), QStringLiteral("b"));
  waiting.priority = TaskPriority::urgent;
  waiting.dueDate = now.addSecs(3600);
  EmailExtractedSuggestion notice = suggestionOf(EmailExtractedCategory::importantNotice,
                                                 QStringLiteral("Renewal"), QStringLiteral("b"));
  notice.priority = TaskPriority::low;
  gmail.stubbedMessages = {mailMessage(QStringLiteral("a"), now.addSecs(-60)),
                           mailMessage(QStringLiteral("b"), now.addSecs(-30))};
  provider->answers[QStringLiteral("a")] = {urgentTask, highTask, appointment};
  provider->answers[QStringLiteral("b")] = {waiting, notice};

  sync();
  ASSERT_EQ(alerts.emailAlerts.size(), 2);
  EXPECT_EQ(alerts.emailAlerts.at(0).title, QStringLiteral("Urgent Task: Urgent one"));
  EXPECT_EQ(alerts.emailAlerts.at(1).title, QStringLiteral("Action Required: Renewal"));
  EXPECT_EQ(store->tasks().size(), 1);
}

TEST_F(EmailSyncTest, OfThreeUrgentSuggestionsOnlyTheFirstTwoAreAlerted) {
  EmailExtractedSuggestion first = suggestionOf(EmailExtractedCategory::importantNotice,
                                                QStringLiteral("First"), QStringLiteral("a"));
  EmailExtractedSuggestion second = suggestionOf(EmailExtractedCategory::importantNotice,
                                                 QStringLiteral("Second"), QStringLiteral("b"));
  EmailExtractedSuggestion third = suggestionOf(EmailExtractedCategory::importantNotice,
                                                QStringLiteral("Third"), QStringLiteral("b"));
  gmail.stubbedMessages = {mailMessage(QStringLiteral("a"), now.addSecs(-60)),
                           mailMessage(QStringLiteral("b"), now.addSecs(-30))};
  provider->answers[QStringLiteral("a")] = {first};
  provider->answers[QStringLiteral("b")] = {second, third};

  sync();
  ASSERT_EQ(alerts.emailAlerts.size(), 2);
  EXPECT_EQ(alerts.emailAlerts.at(0).title, QStringLiteral("Action Required: First"));
  EXPECT_EQ(alerts.emailAlerts.at(1).title, QStringLiteral("Action Required: Second"));
  // All three are stored all the same.
  EXPECT_EQ(store->emailSuggestions().size(), 3);
}

TEST_F(EmailSyncTest, AlertTextsAndIdentifiers) {
  struct Case {
    EmailExtractedSuggestion suggestion;
    MockNotificationService::EmailAlert expected;
  };
  const auto withId = [](EmailExtractedSuggestion s, const char* uuid) {
    s.id = QUuid(QString::fromLatin1(uuid));
    return s;
  };
  EmailExtractedSuggestion task =
      suggestionOf(EmailExtractedCategory::task, QStringLiteral("Sign form"));
  task.priority = TaskPriority::urgent;
  task.notes = QStringLiteral("Before Friday");
  EmailExtractedSuggestion bareTask = task;
  bareTask.notes.clear();
  EmailExtractedSuggestion euroBill =
      suggestionOf(EmailExtractedCategory::bill, QStringLiteral("Power"));
  euroBill.dueDate = now.addDays(1);
  euroBill.amount = 42.5;
  euroBill.currency = QStringLiteral("€");
  EmailExtractedSuggestion plainBill = euroBill;
  plainBill.amount = 1234.567;
  plainBill.currency.reset();
  EmailExtractedSuggestion openBill = euroBill;
  openBill.amount.reset();
  EmailExtractedSuggestion notice =
      suggestionOf(EmailExtractedCategory::importantNotice, QStringLiteral("Policy change"));
  EmailExtractedSuggestion silentNotice = notice;
  silentNotice.notes.clear();

  const QList<Case> cases = {
      {withId(task, "0a1b2c3d-4e5f-4a6b-8c7d-9e0fabcdef01"),
       {QStringLiteral("Urgent Task: Sign form"), QStringLiteral("Before Friday"),
        QStringLiteral("email-urgent-0A1B2C3D-4E5F-4A6B-8C7D-9E0FABCDEF01")}},
      {withId(bareTask, "ffffffff-0000-4000-a000-00000000abcd"),
       {QStringLiteral("Urgent Task: Sign form"), QStringLiteral("Action required from email."),
        QStringLiteral("email-urgent-FFFFFFFF-0000-4000-A000-00000000ABCD")}},
      {withId(euroBill, "12345678-9abc-4def-8123-456789abcdef"),
       {QStringLiteral("Urgent Bill Detected: Power"),
        QStringLiteral("Amount: €42.50 due soon. Review in Pelmora."),
        QStringLiteral("email-urgent-12345678-9ABC-4DEF-8123-456789ABCDEF")}},
      {withId(plainBill, "aaaaaaaa-bbbb-4ccc-8ddd-eeeeeeeeeeee"),
       {QStringLiteral("Urgent Bill Detected: Power"),
        QStringLiteral("Amount: $1234.57 due soon. Review in Pelmora."),
        QStringLiteral("email-urgent-AAAAAAAA-BBBB-4CCC-8DDD-EEEEEEEEEEEE")}},
      {withId(openBill, "00000000-1111-4222-8333-444444444444"),
       {QStringLiteral("Urgent Bill Detected: Power"),
        QStringLiteral("Amount:  due soon. Review in Pelmora."),
        QStringLiteral("email-urgent-00000000-1111-4222-8333-444444444444")}},
      {withId(notice, "deadbeef-dead-4eef-8eef-deadbeefcafe"),
       {QStringLiteral("Action Required: Policy change"), QStringLiteral("Notes on Policy change"),
        QStringLiteral("email-urgent-DEADBEEF-DEAD-4EEF-8EEF-DEADBEEFCAFE")}},
      {withId(silentNotice, "c0ffee00-0000-4000-8000-000000000001"),
       {QStringLiteral("Action Required: Policy change"), QString(),
        QStringLiteral("email-urgent-C0FFEE00-0000-4000-8000-000000000001")}},
  };
  int round = 0;
  for (const Case& c : cases) {
    const QString id = QStringLiteral("alert-%1").arg(++round);
    gmail.stubbedMessages = {mailMessage(id, now.addSecs(-60))};
    store->setLastEmailSyncAt(std::nullopt);  // each round searches afresh
    provider->answers[id] = {c.suggestion};
    alerts.emailAlerts.clear();
    sync();
    EXPECT_EQ(alerts.emailAlerts, QList{c.expected}) << c.expected.identifier.toStdString();
  }
}

// --- Failures ---

TEST_F(EmailSyncTest, AFailedSearchShowsTheGmailTextOrNetworkErrorAndKeepsTheSyncTime) {
  const QDateTime lastSync = now.addSecs(-7200);
  store->setLastEmailSyncAt(lastSync);
  EmailSyncState earlier = store->emailSyncState();
  earlier.lastSyncAt = lastSync;
  store->setEmailSyncState(earlier);
  gmail.stubbedMessages = {mailMessage(QStringLiteral("m1"), now.addSecs(-60))};
  provider->answers[QStringLiteral("m1")] = {
      suggestionOf(EmailExtractedCategory::importantNotice, QStringLiteral("Never"))};

  const GmailError limited = GmailError::rateLimited();
  const TransportError offline(QNetworkReply::HostNotFoundError,
                               QStringLiteral("Host gmail.googleapis.com not found"));
  struct Case {
    std::exception_ptr error;
    QString status;
    QString log;
  };
  const QList<Case> cases = {
      {std::make_exception_ptr(limited), limited.errorDescription(),
       QStringLiteral("WARN Gmail sync error: ") + limited.errorDescription()},
      {std::make_exception_ptr(offline),
       QStringLiteral("Network error: ") + offline.errorDescription(),
       QStringLiteral("WARN Email sync network error: ") + offline.errorDescription()},
      {std::make_exception_ptr(std::runtime_error("disk on fire")),
       QStringLiteral("Network error: disk on fire"),
       QStringLiteral("WARN Email sync network error: disk on fire")},
  };
  for (const Case& c : cases) {
    gmail.errorToThrow = c.error;
    DiagnosticLogger::shared().clear();
    sync();
    EXPECT_EQ(store->emailSyncState().lastSyncStatus, c.status);
    EXPECT_EQ(logLines(), QStringList{c.log});
    EXPECT_FALSE(store->emailSyncState().isSyncing);
    EXPECT_FALSE(coordinator->isSyncing());
    EXPECT_EQ(store->lastEmailSyncAt(), lastSync);
    EXPECT_EQ(store->emailSyncState().lastSyncAt, lastSync);
  }
  EXPECT_TRUE(provider->examined.isEmpty());
  EXPECT_TRUE(store->emailSuggestions().isEmpty());
  EXPECT_TRUE(alerts.emailAlerts.isEmpty());
}

TEST_F(EmailSyncTest, SuggestionsDrawnBeforeAFailedExtractionAreKept) {
  changeSettings([](AppSettings& s) { s.autoCreateLowRiskDraftTasks = true; });
  const QDateTime lastSync = now.addSecs(-7200);
  store->setLastEmailSyncAt(lastSync);
  for (const char* id : {"m1", "m2", "m3", "m4"}) {
    gmail.stubbedMessages.append(mailMessage(QString::fromLatin1(id), now.addSecs(-60)));
  }
  EmailExtractedSuggestion drafted =
      suggestionOf(EmailExtractedCategory::task, QStringLiteral("Draft me"), QStringLiteral("m1"));
  drafted.confidence = 0.9;
  drafted.priority = TaskPriority::urgent;
  EmailExtractedSuggestion bill =
      suggestionOf(EmailExtractedCategory::bill, QStringLiteral("Pay me"), QStringLiteral("m2"));
  provider->answers[QStringLiteral("m1")] = {drafted};
  provider->answers[QStringLiteral("m2")] = {bill};
  provider->answers[QStringLiteral("m4")] = {
      suggestionOf(EmailExtractedCategory::bill, QStringLiteral("Later"), QStringLiteral("m4"))};
  provider->failures[QStringLiteral("m3")] = std::make_exception_ptr(
      TransportError(QNetworkReply::TimeoutError, QStringLiteral("The request timed out.")));

  sync();
  EXPECT_EQ(provider->examined,
            (QStringList{QStringLiteral("m1"), QStringLiteral("m2"), QStringLiteral("m3")}));
  EXPECT_EQ(idsOf(store->processedEmailMessageIDs()),
            (QStringList{QStringLiteral("m1"), QStringLiteral("m2"), QStringLiteral("m3")}));
  EmailExtractedSuggestion draftedStored = drafted;
  draftedStored.status = SuggestionStatus::autoApplied;
  EXPECT_EQ(store->emailSuggestions(), (QList{draftedStored, bill}));
  EXPECT_EQ(savedDatabase().emailSuggestions, store->emailSuggestions());
  ASSERT_EQ(store->tasks().size(), 1);
  EXPECT_EQ(store->tasks().first().title, QStringLiteral("Draft me"));
  EXPECT_EQ(store->emailSyncState().lastSyncStatus,
            QStringLiteral("Network error: The request timed out."));
  EXPECT_EQ(logLines(),
            QStringList{QStringLiteral("WARN Email sync network error: The request timed out.")});
  EXPECT_EQ(store->lastEmailSyncAt(), lastSync);
  EXPECT_FALSE(store->emailSyncState().lastSyncAt.has_value());
  EXPECT_FALSE(store->emailSyncState().isSyncing);
  EXPECT_FALSE(coordinator->isSyncing());

  // The next pass goes on with the message the failure cut off, and only with that one.
  provider->examined.clear();
  sync();
  EXPECT_EQ(provider->examined, QStringList{QStringLiteral("m4")});
  EXPECT_EQ(storedFrom(QStringLiteral("m4")).size(), 1);
  EXPECT_EQ(store->emailSyncState().lastSyncStatus, QStringLiteral("Found 1 new item"));
}

TEST_F(EmailSyncTest, AGmailErrorFromTheProviderShowsItsOwnText) {
  gmail.stubbedMessages = {mailMessage(QStringLiteral("m1"), now.addSecs(-60))};
  provider->failures[QStringLiteral("m1")] = std::make_exception_ptr(GmailError::tokenExpired());
  sync();
  EXPECT_EQ(store->emailSyncState().lastSyncStatus, GmailError::tokenExpired().errorDescription());
  EXPECT_EQ(logLines(), QStringList{QStringLiteral("WARN Gmail sync error: ") +
                                    GmailError::tokenExpired().errorDescription()});
}

TEST_F(EmailSyncTest, MailArrivingDuringAPassIsFoundByTheNextOne) {
  const QDateTime started = now;
  gmail.stubbedMessages = {mailMessage(QStringLiteral("early"), started.addSecs(-600))};
  provider->answers[QStringLiteral("late")] = {suggestionOf(
      EmailExtractedCategory::task, QStringLiteral("Late one"), QStringLiteral("late"))};
  // The search answers; while the answer travels a new message lands, then the clock has moved.
  gmail.whileFetching = [this, started] {
    gmail.stubbedMessages.append(mailMessage(QStringLiteral("late"), started.addSecs(120)));
    now = started.addSecs(300);
  };
  sync();
  EXPECT_EQ(store->lastEmailSyncAt(), started);
  EXPECT_EQ(store->emailSyncState().lastSyncAt, started.addSecs(300));
  EXPECT_EQ(savedDatabase().lastEmailSyncAt, started);

  gmail.whileFetching = nullptr;
  sync();
  ASSERT_EQ(gmail.searches.size(), 2);
  EXPECT_EQ(gmail.searches.at(1), started);
  EXPECT_EQ(provider->examined, (QStringList{QStringLiteral("early"), QStringLiteral("late")}));
  EXPECT_EQ(storedFrom(QStringLiteral("late")).size(), 1);
}

// --- Objects that go away ---

TEST_F(EmailSyncTest, WithTheStoreGoneAPassDoesNothing) {
  gmail.stubbedMessages = {mailMessage(QStringLiteral("m1"), now.addSecs(-60))};
  store.reset();
  sync();
  EXPECT_FALSE(coordinator->isSyncing());
  EXPECT_TRUE(gmail.searches.isEmpty());
  EXPECT_TRUE(logLines().isEmpty());
  // And the timer falls back to twenty minutes.
  coordinator->start();
  ASSERT_NE(coordinator->syncTimer(), nullptr);
  EXPECT_EQ(coordinator->syncTimer()->interval(), 20 * 60 * 1000);
}

TEST_F(EmailSyncTest, AStoreGoneDuringTheSearchEndsThePassQuietly) {
  Gate gate;
  gmail.gate = &gate;
  gmail.stubbedMessages = {mailMessage(QStringLiteral("m1"), now.addSecs(-60))};
  QCoro::Task<> pass = coordinator->triggerSync();
  ASSERT_TRUE(coordinator->isSyncing());
  store.reset();
  gate.open();
  runTask(std::move(pass));
  EXPECT_FALSE(coordinator->isSyncing());
  EXPECT_TRUE(provider->examined.isEmpty());
  EXPECT_TRUE(alerts.emailAlerts.isEmpty());
}

TEST_F(EmailSyncTest, AStoreGoneDuringAnExtractionEndsThePassQuietly) {
  Gate gate;
  provider->gate = &gate;
  gmail.stubbedMessages = {mailMessage(QStringLiteral("m1"), now.addSecs(-60)),
                           mailMessage(QStringLiteral("m2"), now.addSecs(-30))};
  provider->answers[QStringLiteral("m1")] = {
      suggestionOf(EmailExtractedCategory::importantNotice, QStringLiteral("Gone"))};
  QCoro::Task<> pass = coordinator->triggerSync();
  ASSERT_EQ(provider->examined, QStringList{QStringLiteral("m1")});
  store.reset();
  gate.open();
  runTask(std::move(pass));
  EXPECT_FALSE(coordinator->isSyncing());
  EXPECT_EQ(provider->examined, QStringList{QStringLiteral("m1")});
  EXPECT_TRUE(alerts.emailAlerts.isEmpty());
}

TEST_F(EmailSyncTest, ACoordinatorGoneDuringAPassLeavesTheStoreAlone) {
  Gate gate;
  gmail.gate = &gate;
  gmail.stubbedMessages = {mailMessage(QStringLiteral("m1"), now.addSecs(-60))};
  provider->answers[QStringLiteral("m1")] = {
      suggestionOf(EmailExtractedCategory::importantNotice, QStringLiteral("Orphan"))};
  QCoro::Task<> pass = coordinator->triggerSync();
  coordinator.reset();
  gate.open();
  runTask(std::move(pass));
  EXPECT_TRUE(provider->examined.isEmpty());
  EXPECT_TRUE(store->emailSuggestions().isEmpty());
  EXPECT_TRUE(alerts.emailAlerts.isEmpty());
}

// --- The provider seam ---

TEST_F(EmailSyncTest, ANewProviderServesFromTheNextMessageOn) {
  Gate gate;
  provider->gate = &gate;
  provider->answers[QStringLiteral("m1")] = {
      suggestionOf(EmailExtractedCategory::task, QStringLiteral("Old"), QStringLiteral("m1"))};
  gmail.stubbedMessages = {mailMessage(QStringLiteral("m1"), now.addSecs(-60)),
                           mailMessage(QStringLiteral("m2"), now.addSecs(-30))};
  QCoro::Task<> pass = coordinator->triggerSync();
  EmailExtractedSuggestion fresh = suggestionOf(EmailExtractedCategory::appointment,
                                                QStringLiteral("New"), QStringLiteral("m2"));
  coordinator->updateIntelligenceProvider(
      std::make_shared<MockEmailIntelligenceProvider>(QList{fresh}));
  gate.open();
  runTask(std::move(pass));
  EXPECT_EQ(provider->examined, QStringList{QStringLiteral("m1")});
  EXPECT_EQ(categoriesOf(store->emailSuggestions()),
            (QList{EmailExtractedCategory::task, EmailExtractedCategory::appointment}));
  EXPECT_EQ(storedFrom(QStringLiteral("m2")), QList{fresh});
}

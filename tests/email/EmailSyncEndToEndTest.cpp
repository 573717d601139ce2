#include "GmailServiceFixture.h"

#include "core/email/EmailSyncCoordinator.h"
#include "core/email/RuleBasedEmailIntelligenceProvider.h"
#include "core/model/JsonCoding.h"
#include "core/services/MockNotificationService.h"
#include "core/store/StorageSchema.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTimeZone>

namespace {

FakeGmailMessage gmailMessage(const QString& id, const QString& subject, const QString& from,
                              const QString& snippet) {
  // 2024-06-03 07:33:20 UTC, before the fixture's clock.
  return FakeGmailMessage{id,
                          QStringLiteral("thread-") + id,
                          snippet,
                          QStringLiteral("1717400000000"),
                          {{QStringLiteral("Subject"), subject}, {QStringLiteral("From"), from}}};
}

}  // namespace

using EmailSyncEndToEndTest = GmailServiceFixture;

TEST_F(EmailSyncEndToEndTest, APassOverTheGmailClientAndTheRuleEngineSavesItsSuggestions) {
  connect();
  google.addMessage(gmailMessage(QStringLiteral("inv-1"), QStringLiteral("Your invoice for June"),
                                 QStringLiteral("Acme Power <billing@acme.example>"),
                                 QStringLiteral("Total $120.50 to pay")));
  google.addMessage(
      gmailMessage(QStringLiteral("task-1"), QStringLiteral("Please review the lease"),
                   QStringLiteral("Dana <dana@example.com>"), QStringLiteral("This is urgent")));
  google.addMessage(gmailMessage(QStringLiteral("news-1"), QStringLiteral("Weekly newsletter"),
                                 QStringLiteral("News <news@example.com>"),
                                 QStringLiteral("Nothing to do")));
  google.setMessageList(
      {QStringLiteral("inv-1"), QStringLiteral("task-1"), QStringLiteral("news-1")});

  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  MockNotificationService notifications;
  const Calendar utcCalendar{QTimeZone::utc()};
  DataStore store(dir.path(), &notifications, nullptr, &GmailServiceFixture::fixedNow, utcCalendar);
  store.removeAllSampleData();
  AppSettings settings = store.settings();
  settings.isEmailAssistantEnabled = true;
  store.setSettings(settings);
  store.saveSettings();

  auto engine = std::make_shared<RuleBasedEmailIntelligenceProvider>(
      QLocale(QLocale::English, QLocale::UnitedStates), utcCalendar);
  Workspace workspace;
  EmailSyncCoordinator coordinator(&store, *service, engine, notifications, workspace,
                                   &GmailServiceFixture::fixedNow);
  testsupport::runTask(coordinator.triggerSync());
  ASSERT_EQ(store.emailSyncState().lastSyncStatus, QStringLiteral("Found 2 new items"));

  QFile file(dir.path() + QStringLiteral("/dashboard.json"));
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const DashboardStorageContainer saved =
      DashboardStorageContainer::fromJson(jsoncoding::parseObject(file.readAll()));

  ASSERT_EQ(saved.emailSuggestions.size(), 2);
  const EmailExtractedSuggestion& bill = saved.emailSuggestions.at(0);
  EXPECT_EQ(bill.category, EmailExtractedCategory::bill);
  EXPECT_EQ(bill.sourceMessageID, QStringLiteral("inv-1"));
  EXPECT_EQ(bill.title, QStringLiteral("Bill from Acme Power"));
  EXPECT_EQ(bill.sender, QStringLiteral("Acme Power <billing@acme.example>"));
  EXPECT_EQ(bill.amount, 120.5);
  EXPECT_EQ(bill.currency, QStringLiteral("USD"));
  EXPECT_EQ(bill.status, SuggestionStatus::pending);
  const EmailExtractedSuggestion& task = saved.emailSuggestions.at(1);
  EXPECT_EQ(task.category, EmailExtractedCategory::task);
  EXPECT_EQ(task.sourceMessageID, QStringLiteral("task-1"));
  EXPECT_EQ(task.title, QStringLiteral("Please review the lease"));
  EXPECT_EQ(task.priority, TaskPriority::urgent);

  EXPECT_EQ(
      saved.processedEmailMessageIDs,
      (QSet<QString>{QStringLiteral("inv-1"), QStringLiteral("task-1"), QStringLiteral("news-1")}));
  EXPECT_EQ(saved.lastEmailSyncAt, fixedNow());
  EXPECT_EQ(saved.emailSyncState.lastSyncStatus, QStringLiteral("Found 2 new items"));
  EXPECT_EQ(saved.emailSyncState.accountEmail, QStringLiteral("me@example.com"));
  EXPECT_EQ(saved.emailSyncState.pendingCount, 2);

  // The urgent task was alerted, under its suggestion's own identifier.
  ASSERT_EQ(notifications.emailAlerts.size(), 1);
  EXPECT_EQ(notifications.emailAlerts.first().title,
            QStringLiteral("Urgent Task: Please review the lease"));
  EXPECT_EQ(notifications.emailAlerts.first().identifier,
            QStringLiteral("email-urgent-") + jsoncoding::uuidText(task.id));

  // The next search starts where this one did.
  google.server().clearRequests();
  testsupport::runTask(coordinator.triggerSync());
  ASSERT_EQ(google.listRequests().size(), 1);
  EXPECT_TRUE(google.listRequests().first().query.contains(QStringLiteral("after:1717416000")));
  EXPECT_EQ(store.emailSyncState().lastSyncStatus,
            QStringLiteral("Up to date (No new actionable emails)"));
  EXPECT_EQ(store.emailSuggestions().size(), 2);
}

#include "GmailServiceFixture.h"

#include "core/email/EmailSyncCoordinator.h"
#include "core/email/RuleBasedEmailIntelligenceProvider.h"
#include "core/model/DiagnosticLogger.h"
#include "core/model/JsonCoding.h"
#include "core/services/MockNotificationService.h"

#include <QTemporaryDir>
#include <QTimeZone>

// The real Gmail client and rule engine under a coordinator, over a real store.
class EmailSyncEndToEndTest : public GmailServiceFixture {
 protected:
  void SetUp() override {
    GmailServiceFixture::SetUp();
    store = std::make_unique<DataStore>(dir.path(), &notifications, nullptr,
                                        &GmailServiceFixture::fixedNow, utcCalendar);
    store->removeAllSampleData();
    AppSettings settings = store->settings();
    settings.isEmailAssistantEnabled = true;
    store->setSettings(settings);
    store->saveSettings();
    coordinator = std::make_unique<EmailSyncCoordinator>(
        store.get(), *service,
        std::make_shared<RuleBasedEmailIntelligenceProvider>(
            QLocale(QLocale::English, QLocale::UnitedStates), utcCalendar),
        notifications, workspace, &GmailServiceFixture::fixedNow);
  }

  void sync() { testsupport::runTask(coordinator->triggerSync()); }

  QTemporaryDir dir;
  MockNotificationService notifications;
  const Calendar utcCalendar{QTimeZone::utc()};
  Workspace workspace;
  std::unique_ptr<DataStore> store;
  std::unique_ptr<EmailSyncCoordinator> coordinator;
};

TEST_F(EmailSyncEndToEndTest, NoCredentialReachesTheLogWhenConnectingOrSyncingFails) {
  google.setTokenReply(
      ScriptedReply::json(200, FakeGoogle::tokenJson("tok-secret-1", 5, "ref-secret-1")));
  google.setUserInfoReply(ScriptedReply::json(500, "{}"));
  testsupport::runTask(service->exchangeCodeForTokens(
      "code-secret-1", "client-secret-id", "secret-secret-1", "com.example:/oauth2redirect"));
  DiagnosticLogger::shared().clear();

  // The token is near its expiry: the refresh is cut off, then refused; the list refuses twice.
  google.setTokenReply(droppedConnection());
  sync();
  google.setTokenReply(ScriptedReply::json(400, R"({"error":"invalid_grant"})"));
  sync();
  service->saveCredentials("tok-secret-2", std::nullopt, 3600, std::nullopt, std::nullopt);
  google.setListReply(ScriptedReply::json(401, "{}"));
  sync();

  const QList<DiagnosticLogger::Entry> entries = DiagnosticLogger::shared().entries();
  ASSERT_GE(entries.size(), 3);
  for (const DiagnosticLogger::Entry& entry : entries) {
    EXPECT_FALSE(entry.message.contains("secret")) << entry.message.toStdString();
  }
}

#include "GmailServiceFixture.h"

#include "core/email/EmailSyncCoordinator.h"
#include "core/email/RuleBasedEmailIntelligenceProvider.h"
#include "core/model/DiagnosticLogger.h"
#include "core/services/MockNotificationService.h"

#include <QTemporaryDir>
#include <QTimeZone>

using EmailSyncEndToEndTest = GmailServiceFixture;

// The real Gmail client and rule engine under a coordinator, over a real store.
TEST_F(EmailSyncEndToEndTest, NoCredentialReachesTheLogWhenConnectingOrSyncingFails) {
  QTemporaryDir dir;
  MockNotificationService notifications;
  Workspace workspace;
  const Calendar calendar{QTimeZone::utc()};
  DataStore store(dir.path(), &notifications, nullptr, &GmailServiceFixture::fixedNow, calendar);
  AppSettings settings = store.settings();
  settings.isEmailAssistantEnabled = true;
  store.setSettings(settings);
  EmailSyncCoordinator coordinator(&store, *service,
                                   std::make_shared<RuleBasedEmailIntelligenceProvider>(
                                       QLocale(QLocale::English, QLocale::UnitedStates), calendar),
                                   notifications, workspace, &GmailServiceFixture::fixedNow);
  const auto sync = [&coordinator] { testsupport::runTask(coordinator.triggerSync()); };

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

#include "GmailServiceFixture.h"

#include "core/email/EmailSyncCoordinator.h"
#include "core/email/RuleBasedEmailIntelligenceProvider.h"
#include "core/model/DecodingError.h"
#include "core/model/DiagnosticLogger.h"
#include "core/platform/TransportError.h"
#include "core/services/MockNotificationService.h"

#include <QTemporaryDir>
#include <QTimeZone>

using testsupport::runTask;

namespace {

constexpr auto kRedirect = "com.googleusercontent.apps.123-abc:/oauth2redirect";

TokenExchangeResult exchange(GmailService& service) {
  return runTask(service.exchangeCodeForTokens("code-1", "client-9", "secret-9", kRedirect));
}

}  // namespace

using GmailExchangeTest = GmailServiceFixture;

TEST_F(GmailExchangeTest, SendsAnEncodedFormStoresTheAnswerAndLooksUpTheAddress) {
  google.setTokenReply(ScriptedReply::json(200, FakeGoogle::tokenJson("tok-A", 3599, "ref-A")));
  google.setUserInfo("ada@example.com");

  // Only letters, marks and digits are left unencoded; the verifier goes last when given.
  const QString code = "4/0Ab+c/d=é€ x_y";
  const TokenExchangeResult result = runTask(service->exchangeCodeForTokens(
      code, "123-abc.apps", "s3/+=", kRedirect, "dBjftJeZ4CVP-mB92K27uhbUJU1p1r_wW1gF"));

  ASSERT_EQ(google.tokenRequests().size(), 1);
  const RecordedRequest request = google.tokenRequests().first();
  EXPECT_EQ(request.header("Content-Type"), QByteArray("application/x-www-form-urlencoded"));
  EXPECT_EQ(request.body,
            "code=4%2F0Ab%2Bc%2Fd%3D\xC3\xA9%E2%82%AC%20x%5Fy"
            "&client_id=123%2Dabc%2Eapps"
            "&client_secret=s3%2F%2B%3D"
            "&redirect_uri=com%2Egoogleusercontent%2Eapps%2E123%2Dabc%3A%2Foauth2redirect"
            "&grant_type=authorization%5Fcode"
            "&code_verifier=dBjftJeZ4CVP%2DmB92K27uhbUJU1p1r%5FwW1gF");

  EXPECT_EQ(result, (TokenExchangeResult{"ada@example.com", "tok-A", QString("ref-A"), 3599}));
  ASSERT_EQ(google.userInfoRequests().size(), 1);
  EXPECT_EQ(google.userInfoRequests().first().header("Authorization"), QByteArray("Bearer tok-A"));
  // The expiry is 2024-06-03 12:00:00.250 UTC plus 3599 seconds, in its shortest decimal form.
  EXPECT_EQ(stored(),
            (QStringList{"tok-A", "ref-A", "1717419599.25", "ada@example.com", "123-abc.apps"}));
  EXPECT_TRUE(service->isConnected());

  // Without a verifier, a lifetime or a refresh token, and with the address look-up failing:
  // 3600 is reported, the rest is kept and the account is still connected.
  google.server().clearRequests();
  google.setTokenReply(ScriptedReply::json(200, FakeGoogle::tokenJson("tok-B", std::nullopt)));
  for (const ScriptedReply& userInfo :
       {ScriptedReply::json(401, R"({"error":{"message":"no"}})"), droppedConnection()}) {
    google.setUserInfoReply(userInfo);
    const TokenExchangeResult second = exchange(*service);
    EXPECT_FALSE(google.tokenRequests().first().formValue("code_verifier").has_value());
    EXPECT_EQ(second.email, QString());
    EXPECT_EQ(second.expiresIn, 3600);
    EXPECT_EQ(stored(),
              (QStringList{"tok-B", "ref-A", "1717419599.25", "ada@example.com", "client-9"}));
    EXPECT_TRUE(service->isConnected());
  }
}

TEST_F(GmailExchangeTest, AFailedExchangeStoresNothing) {
  google.setTokenReply(ScriptedReply::json(400, R"({"error":"invalid_grant"})"));
  EXPECT_EQ(gmailErrorOf(service->exchangeCodeForTokens("c", "id", "s", "r")),
            GmailError::networkError(R"(Token exchange failed: {"error":"invalid_grant"})"));
  google.setTokenReply(ScriptedReply::text(502, "\xFF\xFE broken", "application/octet-stream"));
  EXPECT_EQ(gmailErrorOf(service->exchangeCodeForTokens("c", "id", "s", "r")),
            GmailError::networkError("Token exchange failed: HTTP 502"));

  // Undecodable replies and transport failures pass through unchanged.
  google.setTokenReply(ScriptedReply::json(200, R"({"access_token":"t","expires_in":"soon"})"));
  EXPECT_THROW(exchange(*service), DecodingError);
  google.setTokenReply(droppedConnection());
  EXPECT_THROW(exchange(*service), TransportError);

  EXPECT_FALSE(service->isConnected());
  EXPECT_EQ(stored(), QStringList(5, "-"));
  EXPECT_TRUE(google.userInfoRequests().isEmpty());
}

TEST_F(GmailServiceFixture, EmptyValuesKeepWhatIsStoredAndDisconnectRemovesAllFive) {
  service->saveCredentials("a1", QString("r1"), 100, QString("x@example.com"), QString("c1"));
  service->saveCredentials("a2", QString(), std::nullopt, QString(), QString());
  EXPECT_EQ(stored(), (QStringList{"a2", "r1", "1717416100.25", "x@example.com", "c1"}));

  // An empty access token is stored and means "not connected": nothing is asked of Google.
  service->saveCredentials(QString(), std::nullopt, std::nullopt, std::nullopt, std::nullopt);
  EXPECT_EQ(stored().first(), "");
  EXPECT_FALSE(service->isConnected());
  const QString notConnected = "Gmail is not connected. Please connect your account in Settings.";
  EXPECT_EQ(fetchError().errorDescription(), notConnected);

  service->disconnect();
  EXPECT_EQ(stored(), QStringList(5, "-"));
  EXPECT_EQ(service->getAccountEmail(), std::nullopt);
  EXPECT_EQ(fetchError().errorDescription(), notConnected);
  EXPECT_TRUE(google.server().requests().isEmpty());
}

using GmailRefreshTest = GmailServiceFixture;

TEST_F(GmailRefreshTest, ATokenWithinTwoMinutesOfExpiryIsRefreshedFirst) {
  google.setMessageList({});
  google.setTokenReply(ScriptedReply::json(200, FakeGoogle::tokenJson("fresh", 3600)));
  const auto at = [](double offset) {
    return QString::number(fixedNow().toMSecsSinceEpoch() / 1000.0 + offset, 'f', 3);
  };
  const QList<std::pair<std::optional<QString>, bool>> cases = {
      {at(119), true},         {at(-3000), true},     {at(121), false},
      {"next tuesday", false}, {std::nullopt, false},
  };
  for (const auto& [expiry, refreshes] : cases) {
    SCOPED_TRACE(expiry.value_or("none").toStdString());
    connect("stale");
    if (expiry) {
      KeychainHelper::save(GmailService::kTokenExpiry, *expiry);
    } else {
      KeychainHelper::remove(GmailService::kTokenExpiry);
    }
    google.server().clearRequests();
    fetch();
    EXPECT_EQ(google.tokenRequests().size(), refreshes ? 1 : 0);
    ASSERT_EQ(google.listRequests().size(), 1);
    EXPECT_EQ(google.listRequests().first().header("Authorization"),
              refreshes ? QByteArray("Bearer fresh") : QByteArray("Bearer stale"));
  }
}

TEST_F(GmailRefreshTest, SendsTheStoredRegistrationAndReplacesOnlyTokenAndExpiry) {
  service->saveCredentials("stale", QString("1//ref/tok"), -5, QString("me@example.com"),
                           QString("client.apps-1"));
  google.setMessageList({});
  // A refresh reads no refresh token, whatever sits under that name.
  google.setTokenReply(ScriptedReply::json(
      200, R"({"access_token":"fresh","expires_in":1800,"refresh_token":{"odd":1}})"));
  fetch();
  ASSERT_EQ(google.tokenRequests().size(), 1);
  EXPECT_EQ(
      google.tokenRequests().first().body,
      "client_id=client%2Eapps%2D1&refresh_token=1%2F%2Fref%2Ftok&grant_type=refresh%5Ftoken");
  EXPECT_EQ(stored(), (QStringList{"fresh", "1//ref/tok", "1717417800.25", "me@example.com",
                                   "client.apps-1"}));

  // A build with a client secret sends it last. A reply without a lifetime leaves the old
  // expiry, so the next search refreshes again.
  GmailService::Configuration configuration = google.gmailConfiguration();
  configuration.clientSecret = "GOCSPX-a/b";
  configuration.clock = &GmailServiceFixture::fixedNow;
  GmailService withSecret(configuration);
  withSecret.saveCredentials("stale", QString("r"), 0, std::nullopt, QString("c"));
  google.server().clearRequests();
  google.setTokenReply(ScriptedReply::json(200, FakeGoogle::tokenJson("fresh", std::nullopt)));
  runTask(withSecret.fetchActionableMessages(std::nullopt, 15));
  ASSERT_EQ(google.tokenRequests().size(), 1);
  EXPECT_EQ(google.tokenRequests().first().body,
            "client_id=c&refresh_token=r&grant_type=refresh%5Ftoken&client_secret=GOCSPX%2Da%2Fb");
  EXPECT_EQ(stored().at(2), "1717416000.25");
}

TEST_F(GmailRefreshTest, ARefreshThatCannotBeMadeOrIsRefusedLeavesTheAccountExpired) {
  google.setMessageList({});
  for (const char* missing : {GmailService::kRefreshToken, GmailService::kClientID}) {
    SCOPED_TRACE(missing);
    service->saveCredentials("stale", QString("r"), -1, std::nullopt, QString("c"));
    KeychainHelper::save(missing, QString());
    EXPECT_EQ(fetchError(), GmailError::tokenExpired());
  }
  EXPECT_TRUE(google.server().requests().isEmpty());

  service->saveCredentials("stale", QString("r"), -1, std::nullopt, QString("c"));
  const QStringList before = stored();
  google.setTokenReply(ScriptedReply::json(400, R"({"error":"invalid_grant"})"));
  EXPECT_EQ(fetchError(), GmailError::tokenExpired());
  EXPECT_TRUE(google.listRequests().isEmpty());
  EXPECT_EQ(stored(), before);
  EXPECT_TRUE(service->isConnected());
}

// The real Gmail client and rule engine under a coordinator, over a real store.
TEST_F(GmailServiceFixture, NoCredentialReachesTheLogWhenConnectingOrSyncingFails) {
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

#include "GmailServiceFixture.h"

#include "core/model/DecodingError.h"
#include "core/model/DiagnosticLogger.h"
#include "core/platform/TransportError.h"

using testsupport::runTask;

namespace {

constexpr auto kRedirect = "com.googleusercontent.apps.123-abc:/oauth2redirect";

TokenExchangeResult exchange(GmailService& service,
                             const QString& code = QStringLiteral("code-1")) {
  return runTask(service.exchangeCodeForTokens(code, QStringLiteral("client-9"),
                                               QStringLiteral("secret-9"),
                                               QString::fromLatin1(kRedirect)));
}

}  // namespace

using GmailExchangeTest = GmailServiceFixture;

TEST_F(GmailExchangeTest, SendsTheFiveFieldsWithOnlyLettersMarksAndDigitsLeftUnencoded) {
  google.setTokenReply(ScriptedReply::json(200, FakeGoogle::tokenJson("tok", 3599, "ref")));
  google.setUserInfo(QStringLiteral("me@example.com"));

  const QString code = QStringLiteral("4/0Ab+c/d=é€ x_y");
  runTask(service->exchangeCodeForTokens(code, QStringLiteral("123-abc.apps"),
                                         QStringLiteral("s3/+="), QString::fromLatin1(kRedirect)));

  ASSERT_EQ(google.tokenRequests().size(), 1);
  const RecordedRequest request = google.tokenRequests().first();
  EXPECT_EQ(request.header("Content-Type"), QByteArray("application/x-www-form-urlencoded"));
  EXPECT_EQ(request.body,
            "code=4%2F0Ab%2Bc%2Fd%3D\xC3\xA9%E2%82%AC%20x%5Fy"
            "&client_id=123%2Dabc%2Eapps"
            "&client_secret=s3%2F%2B%3D"
            "&redirect_uri=com%2Egoogleusercontent%2Eapps%2E123%2Dabc%3A%2Foauth2redirect"
            "&grant_type=authorization%5Fcode");
  // What a form parser reads back is exactly what was given.
  EXPECT_EQ(request.formValue("code"), code);
  EXPECT_EQ(request.formValue("client_secret"), QString("s3/+="));
  EXPECT_EQ(request.formValue("redirect_uri"), QString::fromLatin1(kRedirect));
}

TEST_F(GmailExchangeTest, StoresTheCredentialsAndTheExpiryAndLooksUpTheAddressWithTheNewToken) {
  google.setTokenReply(ScriptedReply::json(200, FakeGoogle::tokenJson("tok-A", 3599, "ref-A")));
  google.setUserInfo(QStringLiteral("ada@example.com"));

  const TokenExchangeResult result = exchange(*service);

  EXPECT_EQ(result, (TokenExchangeResult{"ada@example.com", "tok-A", QString("ref-A"), 3599}));
  ASSERT_EQ(google.userInfoRequests().size(), 1);
  EXPECT_EQ(google.userInfoRequests().first().header("Authorization"), QByteArray("Bearer tok-A"));
  EXPECT_EQ(stored(GmailService::kAccessToken), QString("tok-A"));
  EXPECT_EQ(stored(GmailService::kRefreshToken), QString("ref-A"));
  EXPECT_EQ(stored(GmailService::kAccountEmail), QString("ada@example.com"));
  EXPECT_EQ(stored(GmailService::kClientID), QString("client-9"));
  // 2024-06-03 12:00:00.250 UTC plus 3599 seconds, shortest decimal form.
  EXPECT_EQ(stored(GmailService::kTokenExpiry), QString("1717419599.25"));
  EXPECT_TRUE(service->isConnected());
  EXPECT_EQ(service->getAccountEmail(), QString("ada@example.com"));
}

TEST_F(GmailExchangeTest, WithoutALifetimeReports3600ButKeepsTheEarlierExpiry) {
  service->saveCredentials("old", QStringLiteral("old-ref"), std::nullopt, std::nullopt,
                           std::nullopt);
  KeychainHelper::save(GmailService::kTokenExpiry, QStringLiteral("1700000000.5"));
  google.setTokenReply(ScriptedReply::json(200, FakeGoogle::tokenJson("tok-B", std::nullopt)));
  google.setUserInfo(QStringLiteral("b@example.com"));

  const TokenExchangeResult result = exchange(*service);

  EXPECT_EQ(result.expiresIn, 3600);
  EXPECT_EQ(result.refreshToken, std::nullopt);
  EXPECT_EQ(stored(GmailService::kTokenExpiry), QString("1700000000.5"));
  EXPECT_EQ(stored(GmailService::kAccessToken), QString("tok-B"));
  EXPECT_EQ(stored(GmailService::kRefreshToken), QString("old-ref"));
}

TEST_F(GmailExchangeTest, AFailedAddressLookUpStillConnectsAndKeepsTheEarlierAddress) {
  service->saveCredentials("old", std::nullopt, std::nullopt, QStringLiteral("earlier@example.com"),
                           std::nullopt);
  google.setTokenReply(ScriptedReply::json(200, FakeGoogle::tokenJson("tok-C", 3600)));
  ScriptedReply dropped;
  dropped.dropConnection = true;
  for (const ScriptedReply& userInfo :
       {ScriptedReply::json(401, R"({"error":{"message":"no"}})"),
        ScriptedReply::text(200, "not json"), ScriptedReply::json(200, R"({"id":"7"})"), dropped}) {
    google.setUserInfoReply(userInfo);
    const TokenExchangeResult result = exchange(*service);
    EXPECT_EQ(result.email, QString());
    EXPECT_EQ(result.accessToken, QString("tok-C"));
    EXPECT_EQ(service->getAccountEmail(), QString("earlier@example.com"));
    EXPECT_TRUE(service->isConnected());
  }
}

TEST_F(GmailExchangeTest, ARefusedExchangeCarriesTheServersReplyAndStoresNothing) {
  google.setTokenReply(ScriptedReply::json(400, R"({"error":"invalid_grant"})"));
  GmailError error = gmailErrorOf(service->exchangeCodeForTokens("c", "id", "s", "r"));
  EXPECT_EQ(error, GmailError::networkError(R"(Token exchange failed: {"error":"invalid_grant"})"));
  EXPECT_EQ(error.errorDescription(),
            R"(Network connection failed: Token exchange failed: {"error":"invalid_grant"})");

  google.setTokenReply(ScriptedReply::text(502, "\xFF\xFE broken", "application/octet-stream"));
  error = gmailErrorOf(service->exchangeCodeForTokens("c", "id", "s", "r"));
  EXPECT_EQ(error, GmailError::networkError("Token exchange failed: HTTP 502"));

  EXPECT_FALSE(service->isConnected());
  EXPECT_EQ(stored(GmailService::kClientID), std::nullopt);
  EXPECT_TRUE(google.userInfoRequests().isEmpty());
}

TEST_F(GmailExchangeTest, UndecodableRepliesAndTransportFailuresPassThroughUnchanged) {
  google.setTokenReply(ScriptedReply::json(200, R"({"token_type":"Bearer"})"));
  EXPECT_THROW(exchange(*service), DecodingError);
  google.setTokenReply(ScriptedReply::json(200, R"({"access_token":"t","expires_in":"soon"})"));
  EXPECT_THROW(exchange(*service), DecodingError);

  ScriptedReply dropped;
  dropped.dropConnection = true;
  google.setTokenReply(dropped);
  EXPECT_THROW(exchange(*service), TransportError);
  EXPECT_FALSE(service->isConnected());
}

using GmailCredentialStoreTest = GmailServiceFixture;

TEST_F(GmailCredentialStoreTest, EmptyOrMissingValuesKeepWhatIsStored) {
  service->saveCredentials("a1", QStringLiteral("r1"), 100, QStringLiteral("x@example.com"),
                           QStringLiteral("c1"));
  EXPECT_EQ(stored(GmailService::kTokenExpiry), QString("1717416100.25"));

  service->saveCredentials("a2", QString(), std::nullopt, QString(), QString());
  EXPECT_EQ(stored(GmailService::kAccessToken), QString("a2"));
  EXPECT_EQ(stored(GmailService::kRefreshToken), QString("r1"));
  EXPECT_EQ(stored(GmailService::kAccountEmail), QString("x@example.com"));
  EXPECT_EQ(stored(GmailService::kClientID), QString("c1"));
  EXPECT_EQ(stored(GmailService::kTokenExpiry), QString("1717416100.25"));

  // An empty access token is stored and means "not connected".
  service->saveCredentials(QString(), std::nullopt, std::nullopt, std::nullopt, std::nullopt);
  EXPECT_EQ(stored(GmailService::kAccessToken), QString(""));
  EXPECT_FALSE(service->isConnected());
}

TEST_F(GmailCredentialStoreTest, DisconnectRemovesAllFiveItemsAndIsHarmlessWhenEmpty) {
  service->saveCredentials("a1", QStringLiteral("r1"), 100, QStringLiteral("x@example.com"),
                           QStringLiteral("c1"));
  service->disconnect();
  for (const char* key :
       {GmailService::kAccessToken, GmailService::kRefreshToken, GmailService::kTokenExpiry,
        GmailService::kAccountEmail, GmailService::kClientID}) {
    EXPECT_EQ(stored(key), std::nullopt) << key;
  }
  EXPECT_FALSE(service->isConnected());
  EXPECT_EQ(service->getAccountEmail(), std::nullopt);
  service->disconnect();
  EXPECT_FALSE(service->isConnected());
}

using GmailRefreshTest = GmailServiceFixture;

TEST_F(GmailRefreshTest, ATokenCloseToExpiryIsRefreshedFirst) {
  google.setMessageList({});
  google.setTokenReply(ScriptedReply::json(200, FakeGoogle::tokenJson("fresh", 3600)));
  struct Case {
    std::optional<QString> expiry;
    bool refreshes;
  };
  const QString at119 = QString::number(nowSeconds() + 119, 'f', 3);
  const QString at121 = QString::number(nowSeconds() + 121, 'f', 3);
  const QString past = QString::number(nowSeconds() - 3000, 'f', 3);
  for (const Case& c : {Case{at119, true}, Case{past, true}, Case{at121, false},
                        Case{QStringLiteral("next tuesday"), false}, Case{std::nullopt, false}}) {
    connect(QStringLiteral("stale"));
    if (c.expiry) {
      KeychainHelper::save(GmailService::kTokenExpiry, *c.expiry);
    } else {
      KeychainHelper::remove(GmailService::kTokenExpiry);
    }
    google.server().clearRequests();

    fetch();

    EXPECT_EQ(google.tokenRequests().size(), c.refreshes ? 1 : 0)
        << c.expiry.value_or("none").toStdString();
    ASSERT_EQ(google.listRequests().size(), 1);
    EXPECT_EQ(google.listRequests().first().header("Authorization"),
              c.refreshes ? QByteArray("Bearer fresh") : QByteArray("Bearer stale"));
  }
}

TEST_F(GmailRefreshTest, SendsTheStoredRegistrationAndReplacesOnlyTokenAndExpiry) {
  service->saveCredentials("stale", QStringLiteral("1//ref/tok"), -5,
                           QStringLiteral("me@example.com"), QStringLiteral("client.apps-1"));
  google.setTokenReply(ScriptedReply::json(200, FakeGoogle::tokenJson("fresh", 1800, "ignored")));
  google.setMessageList({});

  fetch();

  ASSERT_EQ(google.tokenRequests().size(), 1);
  EXPECT_EQ(google.tokenRequests().first().body,
            "client_id=client%2Eapps%2D1&refresh_token=1%2F%2Fref%2Ftok"
            "&grant_type=refresh%5Ftoken");
  EXPECT_EQ(stored(GmailService::kAccessToken), QString("fresh"));
  EXPECT_EQ(stored(GmailService::kTokenExpiry), QString("1717417800.25"));
  EXPECT_EQ(stored(GmailService::kRefreshToken), QString("1//ref/tok"));
  EXPECT_EQ(stored(GmailService::kClientID), QString("client.apps-1"));
  EXPECT_EQ(stored(GmailService::kAccountEmail), QString("me@example.com"));
}

TEST_F(GmailRefreshTest, ARefreshReadsOnlyTheTokenAndItsLifetime) {
  service->saveCredentials("stale", QStringLiteral("kept"), -5, std::nullopt, QStringLiteral("c"));
  // A refresh has no refresh-token field: whatever sits under that name is not its business.
  google.setTokenReply(ScriptedReply::json(
      200, R"({"access_token":"fresh","expires_in":1800,"refresh_token":{"odd":1}})"));
  google.setMessageList({});

  fetch();

  EXPECT_EQ(stored(GmailService::kAccessToken), QString("fresh"));
  EXPECT_EQ(stored(GmailService::kRefreshToken), QString("kept"));
}

TEST_F(GmailRefreshTest, AClientSecretIsSentWhenTheBuildHasOne) {
  GmailService::Configuration configuration = google.gmailConfiguration();
  configuration.clientSecret = QStringLiteral("GOCSPX-a/b");
  configuration.clock = &GmailServiceFixture::fixedNow;
  GmailService withSecret(configuration);
  withSecret.saveCredentials("stale", QStringLiteral("r"), 0, std::nullopt, QStringLiteral("c"));
  google.setTokenReply(ScriptedReply::json(200, FakeGoogle::tokenJson("fresh", std::nullopt)));
  google.setMessageList({});

  runTask(withSecret.fetchActionableMessages(std::nullopt, 15));

  ASSERT_EQ(google.tokenRequests().size(), 1);
  EXPECT_EQ(google.tokenRequests().first().body,
            "client_id=c&refresh_token=r&grant_type=refresh%5Ftoken"
            "&client_secret=GOCSPX%2Da%2Fb");
  // No lifetime in the reply: the old expiry stays, so the next search refreshes again.
  EXPECT_EQ(stored(GmailService::kTokenExpiry), QString("1717416000.25"));
}

TEST_F(GmailRefreshTest, WithoutRefreshTokenOrClientIdTheAccountHasExpiredAndNothingIsSent) {
  google.setMessageList({});
  for (const char* missing : {GmailService::kRefreshToken, GmailService::kClientID}) {
    service->saveCredentials("stale", QStringLiteral("r"), -1, std::nullopt, QStringLiteral("c"));
    KeychainHelper::remove(QString::fromLatin1(missing));
    EXPECT_EQ(gmailErrorOf(service->fetchActionableMessages(std::nullopt, 15)),
              GmailError::tokenExpired())
        << missing;
    KeychainHelper::save(QString::fromLatin1(missing), QString());
    EXPECT_EQ(gmailErrorOf(service->fetchActionableMessages(std::nullopt, 15)),
              GmailError::tokenExpired())
        << missing << " (empty)";
  }
  EXPECT_TRUE(google.server().requests().isEmpty());
  EXPECT_EQ(stored(GmailService::kAccessToken), QString("stale"));
}

TEST_F(GmailRefreshTest, ARefusedRefreshLeavesTheAccountAsItWas) {
  service->saveCredentials("stale", QStringLiteral("r"), -1, std::nullopt, QStringLiteral("c"));
  const auto expiryBefore = stored(GmailService::kTokenExpiry);
  google.setTokenReply(ScriptedReply::json(400, R"({"error":"invalid_grant"})"));

  EXPECT_EQ(gmailErrorOf(service->fetchActionableMessages(std::nullopt, 15)),
            GmailError::tokenExpired());
  EXPECT_TRUE(google.listRequests().isEmpty());
  EXPECT_EQ(stored(GmailService::kAccessToken), QString("stale"));
  EXPECT_EQ(stored(GmailService::kTokenExpiry), expiryBefore);
  EXPECT_TRUE(service->isConnected());
}

TEST_F(GmailExchangeTest, NoCredentialEverReachesTheDiagnosticLog) {
  DiagnosticLogger::shared().clear();
  google.setTokenReply(
      ScriptedReply::json(200, FakeGoogle::tokenJson("tok-secret-1", 5, "ref-secret-1")));
  google.setUserInfoReply(ScriptedReply::json(500, "{}"));
  runTask(service->exchangeCodeForTokens("code-secret-1", "client-secret-id", "secret-secret-1",
                                         QString::fromLatin1(kRedirect)));
  google.setListReply(ScriptedReply::json(401, "{}"));
  gmailErrorOf(service->fetchActionableMessages(std::nullopt, 15));

  for (const DiagnosticLogger::Entry& entry : DiagnosticLogger::shared().entries()) {
    EXPECT_FALSE(entry.message.contains("secret"));
  }
}

#include "GmailServiceFixture.h"

#include "core/model/DecodingError.h"
#include "core/platform/TransportError.h"

#include <QJsonArray>
#include <QJsonDocument>

using testsupport::runTask;
using testsupport::utc;

namespace {

const QByteArray kEncodedKeywords =
    "(invoice%20OR%20bill%20OR%20payment%20OR%20due%20OR%20appointment%20OR%20reservation"
    "%20OR%20reminder%20OR%20renewal%20OR%20deadline%20OR%20%22action%20required%22)";

FakeGmailMessage message(const QString& id) {
  return FakeGmailMessage{id,
                          QStringLiteral("thread-") + id,
                          QStringLiteral("Snippet of ") + id,
                          QStringLiteral("1717400000000"),
                          {{QStringLiteral("Subject"), QStringLiteral("Subject ") + id},
                           {QStringLiteral("From"), QStringLiteral("Shop <shop@example.com>")}}};
}

QStringList idsOf(const QList<EmailMessageContext>& contexts) {
  QStringList ids;
  for (const EmailMessageContext& context : contexts) {
    ids.append(context.id);
  }
  return ids;
}

}  // namespace

using GmailSearchTest = GmailServiceFixture;

TEST_F(GmailSearchTest, TheKeywordQueryIs121CharactersAndTheAfterTermTruncatesTowardZero) {
  EXPECT_EQ(GmailService::actionableQuery().size(), 121);
  connect();
  google.setMessageList({});
  struct Case {
    std::optional<QDateTime> after;
    QByteArray afterTerm;
  };
  for (const Case& c : {Case{std::nullopt, ""},
                        Case{utc(2024, 6, 3, 12, 0, 0).addMSecs(999), "%20after:1717416000"},
                        Case{utc(1970, 1, 1, 5, 0, 0), "%20after:18000"},
                        Case{utc(1970, 1, 1, 0, 0, 0).addMSecs(500), "%20after:0"},
                        Case{utc(1970, 1, 1, 0, 0, 0).addMSecs(-500), "%20after:0"},
                        Case{utc(1969, 12, 31, 23, 59, 58).addMSecs(-250), "%20after:-2"}}) {
    google.server().clearRequests();
    fetch(c.after, 15);
    ASSERT_EQ(google.listRequests().size(), 1);
    const RecordedRequest request = google.listRequests().first();
    EXPECT_EQ(request.query.toLatin1(), "q=" + kEncodedKeywords + c.afterTerm + "&maxResults=15");
    EXPECT_EQ(request.header("Authorization"), QByteArray("Bearer access-1"));
  }
  EXPECT_TRUE(google.metadataRequests().isEmpty());
}

TEST_F(GmailSearchTest, WithoutAnAccessTokenNothingIsAsked) {
  EXPECT_EQ(gmailErrorOf(service->fetchActionableMessages(std::nullopt, 15)),
            GmailError::notConnected());
  service->saveCredentials(QString(), QStringLiteral("r"), std::nullopt, std::nullopt,
                           QStringLiteral("c"));
  EXPECT_EQ(gmailErrorOf(service->fetchActionableMessages(std::nullopt, 15)),
            GmailError::notConnected());
  EXPECT_TRUE(google.server().requests().isEmpty());
}

TEST_F(GmailSearchTest, TakesTheFirstEntriesUpToTheLimitInListOrderOneAfterAnother) {
  connect();
  QStringList ids;
  for (int i = 0; i < 40; ++i) {
    ids.append(QStringLiteral("m%1").arg(i, 2, 10, QLatin1Char('0')));
    google.addMessage(message(ids.last()));
  }
  google.setMessageList(ids);

  const QList<EmailMessageContext> contexts = fetch(std::nullopt, 15);

  EXPECT_EQ(idsOf(contexts), ids.first(15));
  EXPECT_EQ(google.listRequests().first().queryItem("maxResults"), QString("15"));
  const QList<RecordedRequest> metadata = google.metadataRequests();
  ASSERT_EQ(metadata.size(), 15);
  for (qsizetype i = 0; i < metadata.size(); ++i) {
    EXPECT_EQ(metadata.at(i).path, QString("/gmail/v1/users/me/messages/") + ids.at(i));
    EXPECT_EQ(metadata.at(i).query,
              "format=metadata&metadataHeaders=Subject&metadataHeaders=From&metadataHeaders=Date");
    EXPECT_EQ(metadata.at(i).header("Authorization"), QByteArray("Bearer access-1"));
  }
}

TEST_F(GmailSearchTest, AnEmptyMatchAsksForNoMetadata) {
  connect();
  google.setListReply(ScriptedReply::json(200, R"({"resultSizeEstimate":0})"));
  EXPECT_TRUE(fetch().isEmpty());
  google.setListReply(ScriptedReply::json(200, R"({"messages":[]})"));
  EXPECT_TRUE(fetch().isEmpty());
  EXPECT_TRUE(google.metadataRequests().isEmpty());
}

TEST_F(GmailSearchTest, A401IsFollowedByOneRefreshAndOneRepeat) {
  connect(QStringLiteral("revoked"));
  google.enqueueListReply(
      ScriptedReply::json(401, R"({"error":{"message":"Invalid Credentials"}})"));
  google.setTokenReply(ScriptedReply::json(200, FakeGoogle::tokenJson("renewed", 3600)));
  google.addMessage(message("m1"));
  google.enqueueListReply(
      ScriptedReply::json(200, R"({"messages":[{"id":"m1","threadId":"t1"}]})"));

  EXPECT_EQ(idsOf(fetch()), QStringList{"m1"});
  const QList<RecordedRequest> lists = google.listRequests();
  ASSERT_EQ(lists.size(), 2);
  EXPECT_EQ(lists.at(0).header("Authorization"), QByteArray("Bearer revoked"));
  EXPECT_EQ(lists.at(1).header("Authorization"), QByteArray("Bearer renewed"));
  EXPECT_EQ(lists.at(1).query, lists.at(0).query);
  EXPECT_EQ(google.tokenRequests().size(), 1);
  EXPECT_EQ(google.metadataRequests().first().header("Authorization"),
            QByteArray("Bearer renewed"));
}

TEST_F(GmailSearchTest, ASecond401InTheSameCallMeansTheAuthorizationIsGone) {
  connect(QStringLiteral("revoked"));
  google.setListReply(ScriptedReply::json(401, "{}"));
  google.setTokenReply(ScriptedReply::json(200, FakeGoogle::tokenJson("renewed", 3600)));

  const GmailError error = gmailErrorOf(service->fetchActionableMessages(std::nullopt, 15));

  EXPECT_EQ(error, GmailError::tokenExpired());
  EXPECT_EQ(google.listRequests().size(), 2);
  EXPECT_EQ(google.tokenRequests().size(), 1);
  // The next call gets its own single retry.
  google.server().clearRequests();
  gmailErrorOf(service->fetchActionableMessages(std::nullopt, 15));
  EXPECT_EQ(google.listRequests().size(), 2);
}

TEST_F(GmailSearchTest, A401WhoseRefreshFailsEndsWithTheRefreshError) {
  connect(QStringLiteral("revoked"));
  google.setListReply(ScriptedReply::json(401, "{}"));
  google.setTokenReply(ScriptedReply::json(400, R"({"error":"invalid_grant"})"));
  EXPECT_EQ(gmailErrorOf(service->fetchActionableMessages(std::nullopt, 15)),
            GmailError::tokenExpired());
  EXPECT_EQ(google.listRequests().size(), 1);
}

TEST_F(GmailSearchTest, ErrorStatusesOfTheListBecomeTheirErrors) {
  connect();
  struct Case {
    ScriptedReply reply;
    GmailError expected;
    QString description;
  };
  const QList<Case> cases = {
      {ScriptedReply::json(429, R"({"error":{"message":"Quota"}})"), GmailError::rateLimited(),
       "Gmail API rate limit exceeded. Please wait a few minutes."},
      {ScriptedReply::json(403, R"({"error":{"code":403,"message":"Insufficient Permission"}})"),
       GmailError::networkError("Google API (403): Insufficient Permission"),
       "Network connection failed: Google API (403): Insufficient Permission"},
      {ScriptedReply::text(500, "<html><body>Error</body></html>", "text/html"),
       GmailError::serverError(500), "Gmail service responded with error status 500."},
      {ScriptedReply::json(503, R"({"error":"backendError"})"), GmailError::serverError(503),
       "Gmail service responded with error status 503."},
      {ScriptedReply::json(400, R"({"error":{"message":42}})"), GmailError::serverError(400),
       "Gmail service responded with error status 400."},
  };
  for (const Case& c : cases) {
    google.setListReply(c.reply);
    const GmailError error = gmailErrorOf(service->fetchActionableMessages(std::nullopt, 15));
    EXPECT_EQ(error, c.expected) << c.reply.status;
    EXPECT_EQ(error.errorDescription(), c.description);
  }
  EXPECT_TRUE(google.tokenRequests().isEmpty());
  EXPECT_TRUE(google.metadataRequests().isEmpty());
}

TEST_F(GmailSearchTest, ListFailuresOfTransportAndDecodingPassThrough) {
  connect();
  google.setListReply(ScriptedReply::json(200, R"({"messages":[{"threadId":"t"}]})"));
  EXPECT_THROW(fetch(), DecodingError);
  google.setListReply(ScriptedReply::text(200, "<html>", "text/html"));
  EXPECT_THROW(fetch(), DecodingError);
  ScriptedReply dropped;
  dropped.dropConnection = true;
  google.setListReply(dropped);
  EXPECT_THROW(fetch(), TransportError);
}

using GmailMetadataTest = GmailServiceFixture;

TEST_F(GmailMetadataTest, AMessageThatIsGoneIsSkippedAndTheRestKeepTheirOrder) {
  connect();
  google.setMessageList({"a", "gone", "b"});
  google.addMessage(message("a"));
  google.setMetadataReply("gone", ScriptedReply::json(404, R"({"error":{"message":"Not Found"}})"));
  google.addMessage(message("b"));

  EXPECT_EQ(idsOf(fetch()), (QStringList{"a", "b"}));
  EXPECT_EQ(google.metadataRequests().size(), 3);
}

TEST_F(GmailMetadataTest, AnyOtherMetadataFailureEndsTheSearchSoTheMessageIsFetchedNextTime) {
  connect();
  google.setMessageList({"a", "b", "c"});
  google.addMessage(message("a"));
  google.addMessage(message("c"));

  ScriptedReply dropped;
  dropped.dropConnection = true;

  google.setMetadataReply("b", ScriptedReply::json(503, "{}"));
  EXPECT_EQ(gmailErrorOf(service->fetchActionableMessages(std::nullopt, 15)),
            GmailError::networkError("Metadata request failed"));
  // The search stops at the failed message.
  EXPECT_EQ(google.metadataRequests().size(), 2);

  google.setMetadataReply("b", ScriptedReply::json(429, "{}"));
  EXPECT_EQ(gmailErrorOf(service->fetchActionableMessages(std::nullopt, 15)),
            GmailError::networkError("Metadata request failed"));
  google.setMetadataReply("b", ScriptedReply::json(401, "{}"));
  EXPECT_EQ(gmailErrorOf(service->fetchActionableMessages(std::nullopt, 15)),
            GmailError::networkError("Metadata request failed"));
  google.setMetadataReply("b", ScriptedReply::json(200, R"({"threadId":"no id"})"));
  EXPECT_THROW(fetch(), DecodingError);
  google.setMetadataReply("b", dropped);
  EXPECT_THROW(fetch(), TransportError);

  // Once the message answers again, it is among the results.
  google.addMessage(message("b"));
  EXPECT_EQ(idsOf(fetch()), (QStringList{"a", "b", "c"}));
}

TEST_F(GmailMetadataTest, HeadersAreMatchedInAnyLetterCaseAndTheLastOneWins) {
  connect();
  google.setMessageList({"m"});
  google.addMessage({"m",
                     QStringLiteral("t"),
                     QStringLiteral("Your bill"),
                     std::nullopt,
                     {{"SUBJECT", "First"},
                      {"from", "Ann <ann@example.com>"},
                      {"subject", "Second"},
                      {"DaTe", "Mon, 3 Jun 2024 10:15:00 +0200"},
                      {"X-Other", "ignored"}}});

  const QList<EmailMessageContext> contexts = fetch();

  ASSERT_EQ(contexts.size(), 1);
  EXPECT_EQ(contexts.first(),
            EmailMessageContext("m", "t", "Ann <ann@example.com>", "Second",
                                utc(2024, 6, 3, 8, 15, 0), "Your bill", "Your bill"));
}

TEST_F(GmailMetadataTest, TheDateIsTheInternalDateElseTheLastParseableHeaderElseTheFetchTime) {
  connect();
  struct Case {
    std::optional<QString> internalDate;
    QStringList dateHeaders;
    QDateTime expected;
  };
  const QList<Case> cases = {
      // Thirteen digits are milliseconds and win over a header that parsed.
      {QStringLiteral("1717400000123"),
       {"Tue, 04 Jun 2024 08:00:00 -0700"},
       utc(2024, 6, 3, 7, 33, 20).addMSecs(123)},
      {std::nullopt, {"Tue, 04 Jun 2024 08:00:00 -0700"}, utc(2024, 6, 4, 15, 0, 0)},
      // A later header that does not parse leaves the earlier date.
      {std::nullopt, {"Tue, 4 Jun 2024 08:00:00 +0000", "yesterday"}, utc(2024, 6, 4, 8, 0, 0)},
      // A trailing zone comment does not parse.
      {QStringLiteral("1717400000000"),
       {"Tue, 04 Jun 2024 08:00:00 -0700 (PDT)"},
       utc(2024, 6, 3, 7, 33, 20)},
      {std::nullopt, {"Tue, 04 Jun 2024 08:00:00 -0700 (PDT)"}, fixedNow()},
      {QStringLiteral("soon"), {}, fixedNow()},
      {QStringLiteral("soon"), {"Wed, 5 Jun 2024 00:00:00 +0000"}, utc(2024, 6, 5)},
      {std::nullopt, {"Wed, 31 Feb 2024 00:00:00 +0000"}, fixedNow()},
  };
  for (const Case& c : cases) {
    FakeGmailMessage fake{"m", "t", "s", c.internalDate, {}};
    for (const QString& header : c.dateHeaders) {
      fake.headers.append({QStringLiteral("Date"), header});
    }
    google.setMessageList({"m"});
    google.addMessage(fake);
    const QList<EmailMessageContext> contexts = fetch();
    ASSERT_EQ(contexts.size(), 1);
    EXPECT_EQ(contexts.first().date, c.expected)
        << c.internalDate.value_or("none").toStdString() << " / "
        << c.dateHeaders.join(" | ").toStdString();
  }
}

TEST_F(GmailMetadataTest, MissingFieldsGetTheirDefaults) {
  connect();
  google.setMessageList({"m1", "m2"});
  google.setMetadataReply("m1", ScriptedReply::json(200, R"({"id":"m1","threadId":""})"));
  google.setMetadataReply("m2", ScriptedReply::json(200, R"({"id":"m2","payload":{},"x":1})"));

  const QList<EmailMessageContext> contexts = fetch();

  ASSERT_EQ(contexts.size(), 2);
  EXPECT_EQ(contexts.at(0),
            EmailMessageContext("m1", "m1", "Unknown Sender", "(No Subject)", fixedNow(), "", ""));
  EXPECT_EQ(contexts.at(1).threadId, QString("m2"));
}

TEST(GmailErrorTest, EachKindHasItsText) {
  EXPECT_EQ(GmailError::networkError("Invalid token URL").errorDescription(),
            "Network connection failed: Invalid token URL");
  EXPECT_EQ(GmailError::serverError(503).errorDescription(),
            "Gmail service responded with error status 503.");
  EXPECT_EQ(GmailError::decodingError("Missing authorization code in redirect callback")
                .errorDescription(),
            "Failed to parse Gmail message: Missing authorization code in redirect callback");
  EXPECT_EQ(GmailError::notConnected().errorDescription(),
            "Gmail is not connected. Please connect your account in Settings.");
  EXPECT_EQ(GmailError::tokenExpired().errorDescription(),
            "Gmail authorization expired or was revoked. Please reconnect in Settings.");
  EXPECT_EQ(GmailError::rateLimited().errorDescription(),
            "Gmail API rate limit exceeded. Please wait a few minutes.");
  EXPECT_STREQ(GmailError::rateLimited().what(),
               "Gmail API rate limit exceeded. Please wait a few minutes.");
}

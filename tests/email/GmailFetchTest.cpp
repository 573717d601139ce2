#include "GmailServiceFixture.h"

#include "core/model/DecodingError.h"
#include "core/model/DiagnosticLogger.h"
#include "core/platform/TransportError.h"

using testsupport::utc;

namespace {

const QByteArray kEncodedKeywords =
    "(invoice%20OR%20bill%20OR%20payment%20OR%20due%20OR%20appointment%20OR%"
    "20reservation"
    "%20OR%20reminder%20OR%20renewal%20OR%20deadline%20OR%20%22action%"
    "20required%22)";

QStringList idsOf(const QList<EmailMessageContext>& contexts) {
  return testsupport::texts(contexts, &EmailMessageContext::id);
}

}  // namespace

using GmailSearchTest = GmailServiceFixture;

TEST_F(GmailSearchTest, TheKeywordQueryAndTheAfterTermTruncatedTowardZero) {
  connect();
  google.setMessageList({});
  const QList<std::pair<std::optional<QDateTime>, QByteArray>> cases = {
      {std::nullopt, ""},
      {utc(2024, 6, 3, 12, 0, 0).addMSecs(999), "%20after:1717416000"},
      {utc(1970, 1, 1, 0, 0, 0).addMSecs(-500), "%20after:0"},
      {utc(1969, 12, 31, 23, 59, 58).addMSecs(-250), "%20after:-2"},
  };
  for (const auto& [after, afterTerm] : cases) {
    SCOPED_TRACE(afterTerm.toStdString());
    google.server().clearRequests();
    EXPECT_TRUE(fetch(after, 15).isEmpty());
    ASSERT_EQ(google.listRequests().size(), 1);
    const RecordedRequest request = google.listRequests().first();
    EXPECT_EQ(request.query.toLatin1(), "q=" + kEncodedKeywords + afterTerm + "&maxResults=15");
  }
  // A reply without the list at all is an empty match too.
  google.setListReply(ScriptedReply::json(200, R"({"resultSizeEstimate":0})"));
  EXPECT_TRUE(fetch().isEmpty());
  EXPECT_TRUE(google.metadataRequests().isEmpty());
}

TEST_F(GmailSearchTest, A401GetsOneRefreshAndOneRepeatPerCall) {
  connect("revoked");
  google.setTokenReply(ScriptedReply::json(200, FakeGoogle::tokenJson("renewed", 3600)));
  google.addMessage(fakeMessage("m1"));
  google.enqueueListReply(ScriptedReply::json(401, R"({"error":{"message":"Invalid"}})"));
  google.enqueueListReply(ScriptedReply::json(200, R"({"messages":[{"id":"m1","threadId":"t"}]})"));
  EXPECT_EQ(idsOf(fetch()), QStringList{"m1"});
  QList<RecordedRequest> lists = google.listRequests();
  ASSERT_EQ(lists.size(), 2);
  EXPECT_EQ(lists.at(0).header("Authorization"), QByteArray("Bearer revoked"));
  EXPECT_EQ(lists.at(1).header("Authorization"), QByteArray("Bearer renewed"));
  EXPECT_EQ(google.tokenRequests().size(), 1);

  // A second 401 in the same call means the authorization is gone.
  google.setListReply(ScriptedReply::json(401, "{}"));
  google.server().clearRequests();
  EXPECT_EQ(fetchError().errorDescription(),
            "Gmail authorization expired or was revoked. Please reconnect in Settings.");
  EXPECT_EQ(google.listRequests().size(), 2);
  EXPECT_EQ(google.tokenRequests().size(), 1);

  // A 401 whose refresh is refused ends with the refresh's error, and no
  // repeat.
  google.server().clearRequests();
  google.setTokenReply(ScriptedReply::json(400, R"({"error":"invalid_grant"})"));
  EXPECT_EQ(fetchError(), GmailError::tokenExpired());
  EXPECT_EQ(google.listRequests().size(), 1);
}

TEST_F(GmailSearchTest, FailuresOfTheListBecomeTheirErrorsOrPassThrough) {
  connect();
  const QList<std::pair<ScriptedReply, QString>> cases = {
      {ScriptedReply::json(429, R"({"error":{"message":"Quota"}})"),
       "Gmail API rate limit exceeded. Please wait a few minutes."},
      {ScriptedReply::json(403, R"({"error":{"code":403,"message":"Insufficient Permission"}})"),
       "Network connection failed: Google API (403): Insufficient Permission"},
      {ScriptedReply::text(500, "<html><body>Error</body></html>", "text/html"),
       "Gmail service responded with error status 500."},
      {ScriptedReply::json(400, R"({"error":{"message":42}})"),
       "Gmail service responded with error status 400."},
  };
  for (const auto& [reply, expected] : cases) {
    SCOPED_TRACE(reply.status);
    google.setListReply(reply);
    EXPECT_EQ(fetchError().errorDescription(), expected);
  }
  EXPECT_TRUE(google.tokenRequests().isEmpty());

  google.setListReply(ScriptedReply::json(200, R"({"messages":[{"threadId":"t"}]})"));
  EXPECT_THROW(fetch(), DecodingError);
  google.setListReply(droppedConnection());
  EXPECT_THROW(fetch(), TransportError);
  EXPECT_TRUE(google.metadataRequests().isEmpty());
}

using GmailMetadataTest = GmailServiceFixture;

TEST_F(GmailMetadataTest, GoneOrPermanentlyRefusedMessagesAreSkippedPassingFailuresEndTheSearch) {
  connect();
  google.setMessageList({"a", "gone", "b", "c"});
  google.addMessage(fakeMessage("a"));
  google.setMetadataReply("gone", ScriptedReply::json(404, R"({"error":{"message":"Not Found"}})"));
  google.addMessage(fakeMessage("c"));

  for (const int status : {500, 429, 401}) {
    SCOPED_TRACE(status);
    google.server().clearRequests();
    google.setMetadataReply("b", ScriptedReply::json(status, "{}"));
    EXPECT_EQ(fetchError(), GmailError::networkError("Metadata request failed"));
    // The search stops at the failed message, so it is fetched next time.
    EXPECT_EQ(google.metadataRequests().size(), 3);
    EXPECT_TRUE(google.tokenRequests().isEmpty());
  }

  // A message refused for good, or whose reply cannot be read, must not stall
  // every pass.
  for (const QByteArray& body : {QByteArray(R"({"threadId":"no id"})"), QByteArray("{}")}) {
    const int status = body == "{}" ? 403 : 200;
    SCOPED_TRACE(status);
    DiagnosticLogger::shared().clear();
    google.setMetadataReply("b", ScriptedReply::json(status, body));
    EXPECT_EQ(idsOf(fetch()), (QStringList{"a", "c"}));
    const QString log = DiagnosticLogger::shared().exportText();
    // A message that is gone is skipped without a warning.
    EXPECT_TRUE(log.contains("[WARN]") && log.contains("Skipped Gmail message b"))
        << log.toStdString();
    EXPECT_FALSE(log.contains("message gone")) << log.toStdString();
  }

  google.addMessage(fakeMessage("b"));
  EXPECT_EQ(idsOf(fetch()), (QStringList{"a", "b", "c"}));
}

TEST_F(GmailMetadataTest, HeadersMatchInAnyCaseTheLastWinsAndMissingFieldsGetDefaults) {
  connect();
  google.setMessageList({"m", "m1"});
  google.addMessage({"m",
                     "t",
                     "Your bill",
                     std::nullopt,
                     {{"SUBJECT", "First"},
                      {"from", "Ann <ann@example.com>"},
                      {"subject", "Second"},
                      {"DaTe", "Mon, 3 Jun 2024 10:15:00 +0200"}}});
  google.setMetadataReply("m1", ScriptedReply::json(200, R"({"id":"m1","threadId":""})"));

  const QList<EmailMessageContext> contexts = fetch();

  ASSERT_EQ(contexts.size(), 2);
  EXPECT_EQ(contexts.at(0),
            EmailMessageContext("m", "t", "Ann <ann@example.com>", "Second",
                                utc(2024, 6, 3, 8, 15, 0), "Your bill", "Your bill"));
  EXPECT_EQ(contexts.at(1),
            EmailMessageContext("m1", "m1", "Unknown Sender", "(No Subject)", fixedNow(), "", ""));
}

TEST_F(GmailMetadataTest, TheDateIsTheInternalDateElseTheLastParseableHeaderElseTheFetchTime) {
  connect();
  const QList<std::tuple<std::optional<QString>, QStringList, QDateTime>> cases = {
      // Thirteen digits are milliseconds and win over a header that parsed.
      {"1717400000123",
       {"Tue, 04 Jun 2024 08:00:00 -0700"},
       utc(2024, 6, 3, 7, 33, 20).addMSecs(123)},
      {std::nullopt, {"Tue, 04 Jun 2024 08:00:00 -0700"}, utc(2024, 6, 4, 15, 0, 0)},
      // A later header that does not parse leaves the earlier date.
      {std::nullopt, {"Tue, 4 Jun 2024 08:00:00 +0000", "yesterday"}, utc(2024, 6, 4, 8, 0, 0)},
      // A trailing zone comment does not parse.
      {std::nullopt, {"Tue, 04 Jun 2024 08:00:00 -0700 (PDT)"}, fixedNow()},
      {"soon", {"Wed, 5 Jun 2024 00:00:00 +0000"}, utc(2024, 6, 5)},
      // No such day, no such offset.
      {std::nullopt,
       {"Wed, 31 Feb 2024 00:00:00 +0000", "Wed, 5 Jun 2024 00:00:00 +0060"},
       fixedNow()},
  };
  google.setMessageList({"m"});
  for (const auto& [internalDate, dateHeaders, expected] : cases) {
    SCOPED_TRACE(internalDate.value_or("none").toStdString() + " / " +
                 dateHeaders.join(" | ").toStdString());
    FakeGmailMessage fake{"m", "t", "s", internalDate, {}};
    for (const QString& header : dateHeaders) {
      fake.headers.append({"Date", header});
    }
    google.addMessage(fake);
    const QList<EmailMessageContext> contexts = fetch();
    ASSERT_EQ(contexts.size(), 1);
    EXPECT_EQ(contexts.first().date, expected);
  }
}

// An identifier is one path segment: "/", "?", "#" and spaces in it are
// encoded, so the authorised request reaches that message and nothing else. The
// first entries up to the limit are fetched, in list order, one after another.
TEST_F(GmailMetadataTest, IdentifiersWithReservedCharactersStayOnePathSegment) {
  connect();
  QStringList ids = {"a/b", "c?d", "e#f", "g h"};
  for (int i = 0; i < 36; ++i) {
    ids.append(QString("m%1").arg(i, 2, 10, QLatin1Char('0')));
  }
  for (const QString& id : ids) {
    google.addMessage(fakeMessage(id));
  }
  google.setMessageList(ids);
  EXPECT_EQ(idsOf(fetch(std::nullopt, 15)), ids.first(15));
  const QList<RecordedRequest> requests = google.metadataRequests();
  ASSERT_EQ(requests.size(), 15);
  for (qsizetype i = 0; i < requests.size(); ++i) {
    EXPECT_EQ(requests[i].target,
              QByteArray(FakeGoogle::messagesPath) + '/' + QUrl::toPercentEncoding(ids[i]) +
                  "?format=metadata&metadataHeaders=Subject&metadataHeaders=From"
                  "&metadataHeaders=Date");
    EXPECT_EQ(requests[i].header("Authorization"), QByteArray("Bearer access-1"));
  }
}

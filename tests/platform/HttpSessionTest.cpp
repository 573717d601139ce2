#include "core/platform/HttpSession.h"
#include "core/platform/TransportError.h"
#include "testing/FakeHttpServer.h"

#include "common/TestSupport.h"

#include <QTcpServer>
#include <QTemporaryFile>

#include <gtest/gtest.h>

using namespace std::chrono_literals;
using testsupport::runTask;

namespace {

HttpRequest get(const QUrl& url) {
  HttpRequest request;
  request.url = url;
  return request;
}

// A port on which nothing listens.
quint16 closedPort() {
  QTcpServer probe;
  probe.listen(QHostAddress::LocalHost, 0);
  return probe.serverPort();
}

TransportError expectTransportError(HttpSession& session, const HttpRequest& request) {
  try {
    runTask(session.send(request));
  } catch (const TransportError& error) {
    return error;
  }
  ADD_FAILURE() << "expected a transport error";
  return TransportError(QNetworkReply::UnknownNetworkError, QString());
}

}  // namespace

TEST(HttpSessionTest, GivesStatusHeadersAndBodyAndSendsWhatItWasGiven) {
  FakeHttpServer server;
  ScriptedReply reply = ScriptedReply::json(201, R"({"ok":true})");
  reply.headers.emplaceBack("X-Request-Id", "abc-1");
  server.setReply("POST", "/v1/things", reply);

  HttpSession session(15s, 25s);
  HttpRequest request;
  request.method = "POST";
  request.url = server.url("/v1/things?alt=json&q=a%20b");
  request.headers = {{"Content-Type", "application/x-www-form-urlencoded"},
                     {"Authorization", "Bearer t0k"}};
  request.body = "a=1&b=%2B";
  const HttpResponse response = runTask(session.send(request));

  EXPECT_EQ(response.status, 201);
  EXPECT_TRUE(response.isSuccess());
  EXPECT_EQ(response.body, R"({"ok":true})");
  EXPECT_EQ(response.header("x-request-id"), QByteArray("abc-1"));
  EXPECT_EQ(response.header("CONTENT-TYPE"), QByteArray("application/json; charset=UTF-8"));
  EXPECT_EQ(response.header("X-Missing"), std::nullopt);

  ASSERT_EQ(server.requests().size(), 1);
  const RecordedRequest got = server.requests().first();
  EXPECT_EQ(got.method, "POST");
  EXPECT_EQ(got.path, "/v1/things");
  EXPECT_EQ(got.query, "alt=json&q=a%20b");
  EXPECT_EQ(got.header("authorization"), QByteArray("Bearer t0k"));
  EXPECT_EQ(got.body, "a=1&b=%2B");
}

TEST(HttpSessionTest, ErrorStatusesAndNonHttpAnswersAreAnswersNotFailures) {
  FakeHttpServer server;
  HttpSession session(15s, 25s);
  const std::pair<int, QByteArray> replies[] = {
      {404, R"({"error":"gone"})"},
      {429, "slow down"},
      {500, "<html>oops</html>"},
      {401, "{}"},
      {400, R"({"error":"invalid_grant"})"},
      {418, "short and stout"},
      {503, "later"},
  };
  for (const auto& [status, body] : replies) {
    SCOPED_TRACE(status);
    const QString path = QStringLiteral("/status/%1").arg(status);
    server.setReply("GET", path, ScriptedReply::text(status, body));
    const HttpResponse response = runTask(session.send(get(server.url(path))));
    EXPECT_EQ(response.status, status);
    EXPECT_FALSE(response.isSuccess());
    EXPECT_EQ(response.body, body);
  }

  QTemporaryFile file;
  ASSERT_TRUE(file.open());
  file.write("local bytes");
  file.flush();
  const HttpResponse local = runTask(session.send(get(QUrl::fromLocalFile(file.fileName()))));
  EXPECT_EQ(local.status, 0);
  EXPECT_EQ(local.body, "local bytes");
  EXPECT_FALSE(local.isSuccess());
}

TEST(HttpSessionTest, TransportFailuresThrowWithTheSystemMessageAndNoQuery) {
  FakeHttpServer server;
  ScriptedReply drop;
  drop.dropConnection = true;
  server.setReply("GET", "/drop", drop);
  HttpSession session(15s, 25s);
  const QUrl refused(
      QStringLiteral("http://127.0.0.1:%1/token?access_token=s3cr3t-value").arg(closedPort()));
  for (const QUrl& url : {refused, server.url("/drop?key=s3cr3t")}) {
    SCOPED_TRACE(url.path().toStdString());
    const TransportError error = expectTransportError(session, get(url));
    EXPECT_NE(error.code(), QNetworkReply::NoError);
    EXPECT_FALSE(error.errorDescription().isEmpty());
    EXPECT_FALSE(error.errorDescription().contains("s3cr3t"));
    EXPECT_FALSE(error.isTimeout());
    if (url == refused) {
      EXPECT_EQ(error.code(), QNetworkReply::ConnectionRefusedError);
    }
  }
}

TEST(HttpSessionTest, EachOfTheThreeTimeOutsEndsASilentRequest) {
  FakeHttpServer server;
  ScriptedReply late = ScriptedReply::text(200, "late");
  late.delay = 20s;  // never waited for: every request below gives up long before
  server.setReply("GET", "/late", late);

  HttpSession quietSession(150ms, 60s);  // the session's limit on silence
  HttpSession shortSession(60s, 150ms);  // the session's limit on a whole request
  HttpSession patientSession(60s, 60s);
  HttpRequest impatient = get(server.url("/late"));
  impatient.timeout = 150ms;  // the request's own limit

  for (auto [session, request] : {std::pair{&quietSession, get(server.url("/late"))},
                                  std::pair{&shortSession, get(server.url("/late"))},
                                  std::pair{&patientSession, impatient}}) {
    const TransportError error = expectTransportError(*session, request);
    EXPECT_TRUE(error.isTimeout());
    EXPECT_EQ(error.code(), QNetworkReply::TimeoutError);
    EXPECT_EQ(error.errorDescription(), "The request timed out.");
  }
  EXPECT_EQ(server.requests().size(), 3);
}

#pragma once

#include <QByteArray>
#include <QCoroTask>
#include <QList>
#include <QUrl>

#include <chrono>
#include <memory>
#include <optional>
#include <utility>

class QNetworkAccessManager;

using HttpHeaderList = QList<std::pair<QByteArray, QByteArray>>;

struct HttpRequest {
  QByteArray method = "GET";
  QUrl url;
  HttpHeaderList headers;
  QByteArray body;
  // Longest silence allowed while waiting for the server; the session's own limit applies too.
  std::chrono::milliseconds timeout = std::chrono::seconds(60);
};

struct HttpResponse {
  int status = 0;  // 0 when the answer did not come over HTTP (file:, data:)
  HttpHeaderList headers;
  QByteArray body;

  bool isSuccess() const { return status >= 200 && status <= 299; }
  // Header names are compared without regard to letter case; the first match wins.
  std::optional<QByteArray> header(QByteArrayView name) const;
};

// One place through which every outgoing HTTP request of the app goes. `send` throws
// TransportError when no HTTP answer arrives; any status, 4xx and 5xx included, is an answer.
// Nothing here logs: URLs carry queries and headers carry tokens.
class HttpSession {
 public:
  // requestTimeout: longest silence on one request; resourceTimeout: longest total time of one
  // request, from sending to the last byte of the answer.
  HttpSession(std::chrono::milliseconds requestTimeout, std::chrono::milliseconds resourceTimeout);
  ~HttpSession();
  HttpSession(const HttpSession&) = delete;
  // The application's shared session (60 s of silence, a day in all), made on first use and
  // released with the application object.
  static HttpSession& shared();
  HttpSession& operator=(const HttpSession&) = delete;

  // The session must outlive the returned task.
  QCoro::Task<HttpResponse> send(HttpRequest request);

  std::chrono::milliseconds requestTimeout() const { return m_requestTimeout; }
  std::chrono::milliseconds resourceTimeout() const { return m_resourceTimeout; }

 private:
  std::chrono::milliseconds m_requestTimeout;
  std::chrono::milliseconds m_resourceTimeout;
  std::unique_ptr<QNetworkAccessManager> m_manager;
};

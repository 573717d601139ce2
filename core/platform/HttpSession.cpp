#include "core/platform/HttpSession.h"

#include "core/platform/TransportError.h"

#include <QCoreApplication>
#include <QCoroNetworkReply>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>

#include <algorithm>
#include <limits>

namespace {

struct DeleteLater {
  void operator()(QObject* object) const { object->deleteLater(); }
};

// Qt takes time-outs as int milliseconds; 0 would mean "no limit" to it.
int clampedMs(std::chrono::milliseconds value) {
  return static_cast<int>(std::clamp<std::chrono::milliseconds::rep>(
      value.count(), 1, std::numeric_limits<int>::max()));
}

// Errors that Qt derives from an HTTP status it received; the answer itself is still whole.
bool isStatusError(QNetworkReply::NetworkError error) {
  const int code = static_cast<int>(error);
  return error == QNetworkReply::NoError || (code >= 201 && code <= 299) ||
         (code >= 401 && code <= 499) || error == QNetworkReply::ProtocolInvalidOperationError ||
         error == QNetworkReply::ProxyAuthenticationRequiredError;
}

// Qt puts the address into some of its messages; the query may hold secrets.
QString withoutQuery(QString message, const QUrl& url) {
  if (!url.hasQuery()) {
    return message;
  }
  const QUrl bare = url.adjusted(QUrl::RemoveQuery | QUrl::RemoveUserInfo | QUrl::RemoveFragment);
  for (const QString& form :
       {url.toString(), url.toDisplayString(), url.toString(QUrl::FullyEncoded)}) {
    message.replace(form, bare.toString());
  }
  if (const QString query = url.query(QUrl::FullyEncoded); !query.isEmpty()) {
    message.replace(query, QString());
  }
  if (const QString query = url.query(QUrl::FullyDecoded); !query.isEmpty()) {
    message.replace(query, QString());
  }
  return message;
}

}  // namespace

std::optional<QByteArray> HttpResponse::header(QByteArrayView name) const {
  for (const auto& [key, value] : headers) {
    if (key.compare(name, Qt::CaseInsensitive) == 0) {
      return value;
    }
  }
  return std::nullopt;
}

HttpSession::HttpSession(std::chrono::milliseconds requestTimeout,
                         std::chrono::milliseconds resourceTimeout)
    : m_requestTimeout(requestTimeout),
      m_resourceTimeout(resourceTimeout),
      m_manager(std::make_unique<QNetworkAccessManager>()) {}

HttpSession::~HttpSession() = default;

QCoro::Task<HttpResponse> HttpSession::send(HttpRequest request) {
  QNetworkRequest networkRequest(request.url);
  for (const auto& [name, value] : request.headers) {
    networkRequest.setRawHeader(name, value);
  }
  // The tighter of the session's and the request's limits on silence wins.
  networkRequest.setTransferTimeout(clampedMs(std::min(m_requestTimeout, request.timeout)));

  std::unique_ptr<QNetworkReply, DeleteLater> reply;
  if (request.method == "GET" && request.body.isEmpty()) {
    reply.reset(m_manager->get(networkRequest));
  } else if (request.method == "POST") {
    reply.reset(m_manager->post(networkRequest, request.body));
  } else {
    reply.reset(m_manager->sendCustomRequest(networkRequest, request.method, request.body));
  }

  QTimer resourceTimer;
  resourceTimer.setSingleShot(true);
  QNetworkReply* const raw = reply.get();
  QObject::connect(&resourceTimer, &QTimer::timeout, raw, &QNetworkReply::abort);
  resourceTimer.start(clampedMs(m_resourceTimeout));

  co_await raw;
  resourceTimer.stop();

  const QVariant statusAttribute = raw->attribute(QNetworkRequest::HttpStatusCodeAttribute);
  const QNetworkReply::NetworkError error = raw->error();
  if (error != QNetworkReply::NoError && !(statusAttribute.isValid() && isStatusError(error))) {
    // Nothing here cancels a reply except the two time-outs, and Qt reports both as a plain
    // cancel; the user should read that the request timed out.
    if (error == QNetworkReply::OperationCanceledError || error == QNetworkReply::TimeoutError) {
      throw TransportError(QNetworkReply::TimeoutError, QStringLiteral("The request timed out."),
                           true);
    }
    throw TransportError(error, withoutQuery(raw->errorString(), request.url));
  }

  HttpResponse response;
  response.status = statusAttribute.isValid() ? statusAttribute.toInt() : 0;
  response.headers = raw->rawHeaderPairs();
  response.body = raw->readAll();
  co_return response;
}

namespace {
HttpSession* sharedSession = nullptr;
void releaseSharedSession() {
  delete sharedSession;
  sharedSession = nullptr;
}
}  // namespace

HttpSession& HttpSession::shared() {
  if (sharedSession == nullptr) {
    sharedSession = new HttpSession(std::chrono::seconds(60), std::chrono::hours(24));
    // Its network manager must go before the application object does.
    qAddPostRoutine(releaseSharedSession);
  }
  return *sharedSession;
}

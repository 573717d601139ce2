#include "core/email/GmailService.h"

#include "core/model/DecodingError.h"
#include "core/model/DiagnosticLogger.h"

#include "core/email/GmailError.h"
#include "core/model/AppConfig.h"
#include "core/model/JsonCoding.h"
#include "core/model/KeychainHelper.h"
#include "core/platform/HttpSession.h"
#include "core/platform/PercentEncoding.h"

#include <QJsonDocument>
#include <QMutex>
#include <QMutexLocker>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QTimeZone>

#include <cmath>
#include <limits>

using namespace std::chrono_literals;

namespace {

constexpr auto kRequestTimeout = 60s;
// A 401 on the list leads to one refresh and one repeat; a second 401 in the same call means
// the new token is refused too, and asking again would never end.
constexpr int kUnauthorizedRetries = 1;

using FormPairs = QList<std::pair<QString, QString>>;

QByteArray formBody(const FormPairs& pairs) {
  QByteArray body;
  for (const auto& [key, value] : pairs) {
    if (!body.isEmpty()) {
      body.append('&');
    }
    body.append(percentencoding::urlQueryAllowed(key));
    body.append('=');
    body.append(percentencoding::alphanumericsOnly(value));
  }
  return body;
}

HttpRequest formPost(const QUrl& url, const FormPairs& pairs) {
  HttpRequest request;
  request.method = "POST";
  request.url = url;
  request.headers = {{"Content-Type", "application/x-www-form-urlencoded"}};
  request.body = formBody(pairs);
  request.timeout = kRequestTimeout;
  return request;
}

// Braced lists and QStringLiteral inside a coroutine body trip GCC 12, so the coroutines below
// get their requests from these helpers and spell their texts with fromLatin1.
HttpRequest exchangeRequest(const QUrl& url, const QString& code, const QString& clientID,
                            const QString& clientSecret, const QString& redirectURI,
                            const std::optional<QString>& codeVerifier) {
  FormPairs pairs = {{QStringLiteral("code"), code},
                     {QStringLiteral("client_id"), clientID},
                     {QStringLiteral("client_secret"), clientSecret},
                     {QStringLiteral("redirect_uri"), redirectURI},
                     {QStringLiteral("grant_type"), QStringLiteral("authorization_code")}};
  if (codeVerifier) {
    pairs.append({QStringLiteral("code_verifier"), *codeVerifier});
  }
  return formPost(url, pairs);
}

HttpRequest refreshRequest(const QUrl& url, const QString& clientID, const QString& refreshToken,
                           const QString& clientSecret) {
  FormPairs pairs = {{QStringLiteral("client_id"), clientID},
                     {QStringLiteral("refresh_token"), refreshToken},
                     {QStringLiteral("grant_type"), QStringLiteral("refresh_token")}};
  if (!clientSecret.isEmpty()) {
    pairs.append({QStringLiteral("client_secret"), clientSecret});
  }
  return formPost(url, pairs);
}

HttpRequest authorizedGet(const QUrl& url, const QString& token) {
  HttpRequest request;
  request.url = url;
  request.headers = {{"Authorization", "Bearer " + token.toUtf8()}};
  request.timeout = kRequestTimeout;
  return request;
}

QUrl endpoint(const QUrl& host, const QString& path) {
  if (!host.isValid() || host.scheme().isEmpty() || host.host().isEmpty()) {
    return {};
  }
  QUrl url = host;
  url.setPath(path);
  return url;
}

bool isUsable(const std::optional<QString>& text) { return text && !text->isEmpty(); }

// --- replies -------------------------------------------------------------------------------

bool isPresent(const QJsonObject& object, const char* key) {
  const auto it = object.constFind(QLatin1String(key));
  return it != object.constEnd() && !it->isNull();
}

std::optional<int> optionalInt(const QJsonObject& object, const char* key) {
  const std::optional<double> number = jsoncoding::optionalDouble(object, key);
  if (!number) {
    return std::nullopt;
  }
  if (std::trunc(*number) != *number || *number < std::numeric_limits<int>::min() ||
      *number > std::numeric_limits<int>::max()) {
    throw DecodingError(DecodingError::Kind::typeMismatch, QLatin1String(key),
                        QStringLiteral("is not an integer"));
  }
  return static_cast<int>(*number);
}

template <typename T>
QList<T> optionalRecordList(const QJsonObject& object, const char* key) {
  return isPresent(object, key) ? jsoncoding::requireRecordList<T>(object, key) : QList<T>{};
}

struct TokenResponse {
  QString accessToken;
  std::optional<int> expiresIn;
  std::optional<QString> refreshToken;

  // The code exchange's reply.
  static TokenResponse decode(const QByteArray& body) {
    const QJsonObject object = jsoncoding::parseObject(body);
    return {jsoncoding::requireString(object, "access_token"), optionalInt(object, "expires_in"),
            jsoncoding::optionalString(object, "refresh_token")};
  }

  // A refresh's reply has no refresh token of its own; a key of that name is left unread.
  static TokenResponse decodeRefresh(const QByteArray& body) {
    const QJsonObject object = jsoncoding::parseObject(body);
    return {jsoncoding::requireString(object, "access_token"), optionalInt(object, "expires_in"),
            std::nullopt};
  }
};

struct MessageRef {
  QString id;
  std::optional<QString> threadId;

  static MessageRef fromJson(const QJsonObject& object) {
    return {jsoncoding::requireString(object, "id"),
            jsoncoding::optionalString(object, "threadId")};
  }
};

struct Header {
  QString name;
  QString value;

  static Header fromJson(const QJsonObject& object) {
    return {jsoncoding::requireString(object, "name"), jsoncoding::requireString(object, "value")};
  }
};

struct GmailMessageResponse {
  QString id;
  std::optional<QString> threadId;
  std::optional<QString> snippet;
  std::optional<QString> internalDate;
  QList<Header> headers;

  static GmailMessageResponse decode(const QByteArray& body) {
    const QJsonObject object = jsoncoding::parseObject(body);
    GmailMessageResponse message{jsoncoding::requireString(object, "id"),
                                 jsoncoding::optionalString(object, "threadId"),
                                 jsoncoding::optionalString(object, "snippet"),
                                 jsoncoding::optionalString(object, "internalDate"),
                                 {}};
    if (isPresent(object, "payload")) {
      try {
        message.headers =
            optionalRecordList<Header>(jsoncoding::requireObject(object, "payload"), "headers");
      } catch (const DecodingError& error) {
        throw error.nestedIn(QStringLiteral("payload"));
      }
    }
    return message;
  }
};

// The message of Google's error body {"error": {"message": "..."}}, when the body has one.
std::optional<QString> googleErrorMessage(const QByteArray& body) {
  const QJsonDocument document = QJsonDocument::fromJson(body);
  const QJsonValue error = document.object().value(QLatin1String("error"));
  const QJsonValue message = error.toObject().value(QLatin1String("message"));
  if (!document.isObject() || !error.isObject() || !message.isString()) {
    return std::nullopt;
  }
  return message.toString();
}

// --- message fields ------------------------------------------------------------------------

// "Tue, 4 Jun 2024 08:00:00 -0700": the form of a Date header, nothing before or after it.
std::optional<QDateTime> parseHeaderDate(const QString& text) {
  static const QRegularExpression pattern(
      QStringLiteral("^(?:Mon|Tue|Wed|Thu|Fri|Sat|Sun), (\\d{1,2}) "
                     "(Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec) (\\d{4}) "
                     "(\\d{2}):(\\d{2}):(\\d{2}) ([+-])(\\d{2})(\\d{2})$"),
      QRegularExpression::CaseInsensitiveOption);
  static const QStringList months =
      QStringLiteral("jan feb mar apr may jun jul aug sep oct nov dec").split(u' ');
  const QRegularExpressionMatch match = pattern.match(text);
  if (!match.hasMatch()) {
    return std::nullopt;
  }
  const QDate date(match.captured(3).toInt(), months.indexOf(match.captured(2).toLower()) + 1,
                   match.captured(1).toInt());
  const QTime time(match.captured(4).toInt(), match.captured(5).toInt(), match.captured(6).toInt());
  const int offsetMinutes = match.captured(8).toInt() * 60 + match.captured(9).toInt();
  const QTimeZone zone((match.captured(7) == u"-" ? -1 : 1) * offsetMinutes * 60);
  if (!date.isValid() || !time.isValid() || match.captured(9).toInt() > 59 || !zone.isValid()) {
    return std::nullopt;
  }
  return QDateTime(date, time, zone).toUTC();
}

// Decimal milliseconds since 1970; anything else (or a value no date can hold) gives nothing.
std::optional<QDateTime> parseInternalDate(const QString& text) {
  bool ok = false;
  const double milliseconds = text.toDouble(&ok);
  constexpr double limit = 8.64e15;  // 100 million days either side of 1970
  if (!ok || !std::isfinite(milliseconds) || std::abs(milliseconds) > limit) {
    return std::nullopt;
  }
  return QDateTime::fromMSecsSinceEpoch(std::llround(milliseconds), QTimeZone::utc());
}

EmailMessageContext makeContext(const GmailMessageResponse& message, const QDateTime& fetchedAt) {
  QString subject = QStringLiteral("(No Subject)");
  QString sender = QStringLiteral("Unknown Sender");
  QDateTime date = fetchedAt;
  for (const Header& header : message.headers) {
    if (header.name.compare(u"Subject", Qt::CaseInsensitive) == 0) {
      subject = header.value;
    } else if (header.name.compare(u"From", Qt::CaseInsensitive) == 0) {
      sender = header.value;
    } else if (header.name.compare(u"Date", Qt::CaseInsensitive) == 0) {
      if (const auto parsed = parseHeaderDate(header.value)) {
        date = *parsed;
      }
    }
  }
  if (message.internalDate) {
    if (const auto internal = parseInternalDate(*message.internalDate)) {
      date = *internal;
    }
  }
  const QString snippet = message.snippet.value_or(QString());
  const QString threadId = isUsable(message.threadId) ? *message.threadId : message.id;
  return EmailMessageContext(message.id, threadId, sender, subject, date, snippet, snippet);
}

}  // namespace

// --- state shared with running calls -------------------------------------------------------

struct GmailService::State {
  HttpSession session{15s, 25s};
  QMutex lock;  // held around the keychain writes of one credential set, never across a request
  QUrl tokenUrl;
  QUrl userInfoUrl;
  QUrl messagesUrl;
  QString clientSecret;
  std::function<QDateTime()> clock;

  QDateTime now() const { return clock ? clock() : QDateTime::currentDateTimeUtc(); }

  // Seconds since 1970 in the shortest decimal form that reads back to the same double.
  void writeExpiry(int lifetimeSeconds) const {
    const double expiry = static_cast<double>(now().toMSecsSinceEpoch()) / 1000.0 + lifetimeSeconds;
    QString text = QString::number(expiry, 'f', QLocale::FloatingPointShortest);
    if (!text.contains(u'.')) {
      text += QStringLiteral(".0");
    }
    KeychainHelper::save(kTokenExpiry, text);
  }

  static QCoro::Task<TokenExchangeResult> exchange(std::shared_ptr<State> self, QString code,
                                                   QString clientID, QString clientSecret,
                                                   QString redirectURI,
                                                   std::optional<QString> codeVerifier);
  static QCoro::Task<QString> lookUpEmail(std::shared_ptr<State> self, QString accessToken);
  static QCoro::Task<> refreshToken(std::shared_ptr<State> self);
  static QCoro::Task<> ensureFreshToken(std::shared_ptr<State> self);
  static QCoro::Task<QList<EmailMessageContext>> fetch(std::shared_ptr<State> self,
                                                       std::optional<QDateTime> after, int limit);
  static QCoro::Task<std::optional<EmailMessageContext>> fetchMessageMetadata(
      std::shared_ptr<State> self, QString messageID, QString token);
};

QCoro::Task<TokenExchangeResult> GmailService::State::exchange(
    std::shared_ptr<State> self, QString code, QString clientID, QString clientSecret,
    QString redirectURI, std::optional<QString> codeVerifier) {
  if (self->tokenUrl.isEmpty()) {
    throw GmailError::networkError(QString::fromLatin1("Invalid token URL"));
  }
  const HttpResponse response = co_await self->session.send(
      exchangeRequest(self->tokenUrl, code, clientID, clientSecret, redirectURI, codeVerifier));
  if (!response.isSuccess()) {
    auto decoder = QStringDecoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString reason = decoder.decode(response.body);
    if (decoder.hasError()) {
      reason = QString::fromLatin1("HTTP %1").arg(response.status);
    }
    throw GmailError::networkError(QString::fromLatin1("Token exchange failed: ") + reason);
  }
  const TokenResponse tokens = TokenResponse::decode(response.body);
  const QString email = co_await lookUpEmail(self, tokens.accessToken);

  {
    QMutexLocker locker(&self->lock);
    KeychainHelper::save(kAccessToken, tokens.accessToken);
    if (isUsable(tokens.refreshToken)) {
      KeychainHelper::save(kRefreshToken, *tokens.refreshToken);
    }
    if (!email.isEmpty()) {
      KeychainHelper::save(kAccountEmail, email);
    }
    if (!clientID.isEmpty()) {
      KeychainHelper::save(kClientID, clientID);
    }
    if (tokens.expiresIn) {
      self->writeExpiry(*tokens.expiresIn);
    }
  }
  co_return TokenExchangeResult{email, tokens.accessToken, tokens.refreshToken,
                                tokens.expiresIn.value_or(3600)};
}

// The account's address, or empty text when the look-up fails in any way.
QCoro::Task<QString> GmailService::State::lookUpEmail(std::shared_ptr<State> self,
                                                      QString accessToken) {
  if (self->userInfoUrl.isEmpty()) {
    co_return QString();
  }
  try {
    const HttpResponse response =
        co_await self->session.send(authorizedGet(self->userInfoUrl, accessToken));
    if (!response.isSuccess()) {
      co_return QString();
    }
    const QJsonObject object = jsoncoding::parseObject(response.body);
    co_return jsoncoding::optionalString(object, "email").value_or(QString());
  } catch (const std::exception&) {
    co_return QString();
  }
}

QCoro::Task<> GmailService::State::refreshToken(std::shared_ptr<State> self) {
  const std::optional<QString> refreshToken = KeychainHelper::read(kRefreshToken);
  const std::optional<QString> clientID = KeychainHelper::read(kClientID);
  if (!isUsable(refreshToken) || !isUsable(clientID)) {
    throw GmailError::tokenExpired();
  }
  if (self->tokenUrl.isEmpty()) {
    throw GmailError::networkError(QString::fromLatin1("Invalid token URL"));
  }
  const HttpResponse response = co_await self->session.send(
      refreshRequest(self->tokenUrl, *clientID, *refreshToken, self->clientSecret));
  if (!response.isSuccess()) {
    throw GmailError::tokenExpired();
  }
  const TokenResponse tokens = TokenResponse::decodeRefresh(response.body);

  QMutexLocker locker(&self->lock);
  KeychainHelper::save(kAccessToken, tokens.accessToken);
  KeychainHelper::save(kClientID, *clientID);
  if (tokens.expiresIn) {
    self->writeExpiry(*tokens.expiresIn);
  }
}

QCoro::Task<> GmailService::State::ensureFreshToken(std::shared_ptr<State> self) {
  const std::optional<QString> text = KeychainHelper::read(kTokenExpiry);
  if (!text) {
    co_return;
  }
  bool ok = false;
  const double expiry = text->toDouble(&ok);
  if (!ok) {
    co_return;  // without a known expiry the token is only refreshed when refused
  }
  const double secondsLeft = expiry - static_cast<double>(self->now().toMSecsSinceEpoch()) / 1000.0;
  if (secondsLeft < 120) {
    co_await refreshToken(self);
  }
}

QCoro::Task<QList<EmailMessageContext>> GmailService::State::fetch(std::shared_ptr<State> self,
                                                                   std::optional<QDateTime> after,
                                                                   int limit) {
  int retriesLeft = kUnauthorizedRetries;
  for (;;) {
    if (!isUsable(KeychainHelper::read(kAccessToken))) {
      throw GmailError::notConnected();
    }
    co_await ensureFreshToken(self);
    const std::optional<QString> token = KeychainHelper::read(kAccessToken);
    if (!isUsable(token)) {
      throw GmailError::notConnected();
    }

    QString query = actionableQuery();
    if (after) {
      // Whole seconds, truncated toward zero.
      query += QString::fromLatin1(" after:%1").arg(after->toMSecsSinceEpoch() / 1000);
    }
    const QUrl listUrl = QUrl::fromEncoded(self->messagesUrl.toEncoded() +
                                               "?q=" + percentencoding::urlQueryAllowed(query) +
                                               "&maxResults=" + QByteArray::number(limit),
                                           QUrl::StrictMode);
    if (self->messagesUrl.isEmpty() || !listUrl.isValid()) {
      throw GmailError::networkError(QString::fromLatin1("Invalid list URL"));
    }

    const HttpResponse response = co_await self->session.send(authorizedGet(listUrl, *token));
    if (response.status == 0) {
      throw GmailError::networkError(QString::fromLatin1("Non-HTTP response"));
    }
    if (response.status == 401) {
      if (retriesLeft-- == 0) {
        throw GmailError::tokenExpired();
      }
      co_await refreshToken(self);
      continue;
    }
    if (response.status == 429) {
      throw GmailError::rateLimited();
    }
    if (!response.isSuccess()) {
      if (const auto message = googleErrorMessage(response.body)) {
        throw GmailError::networkError(
            QString::fromLatin1("Google API (%1): %2").arg(QString::number(response.status), *message));
      }
      throw GmailError::serverError(response.status);
    }

    const QList<MessageRef> refs =
        optionalRecordList<MessageRef>(jsoncoding::parseObject(response.body), "messages");
    QList<EmailMessageContext> contexts;
    for (const MessageRef& ref : refs.first(std::clamp<qsizetype>(limit, 0, refs.size()))) {
      // One after another. A message that is gone is skipped; any other failure ends the
      // search, so that the next pass asks for the message again instead of losing it.
      if (auto context = co_await fetchMessageMetadata(self, ref.id, *token)) {
        contexts.append(std::move(*context));
      }
    }
    co_return contexts;
  }
}

namespace {
void skipMessage(const QString& messageID, const QString& why) {
  DiagnosticLogger::shared().log(
      QStringLiteral("Skipped Gmail message %1: %2.").arg(messageID, why), QStringLiteral("WARN"),
      QStringLiteral("EmailSync"));
}
}  // namespace

QCoro::Task<std::optional<EmailMessageContext>> GmailService::State::fetchMessageMetadata(
    std::shared_ptr<State> self, QString messageID, QString token) {
  // The identifier is one path segment; encoding keeps a stray "/", "?" or "#" in it from
  // sending the authorised request anywhere else.
  const QUrl url = QUrl::fromEncoded(
      self->messagesUrl.toEncoded() + '/' + QUrl::toPercentEncoding(messageID) +
          "?format=metadata&metadataHeaders=Subject&metadataHeaders=From&metadataHeaders=Date",
      QUrl::StrictMode);
  if (self->messagesUrl.isEmpty() || !url.isValid()) {
    throw GmailError::networkError(QString::fromLatin1("Invalid metadata URL"));
  }
  const HttpResponse response = co_await self->session.send(authorizedGet(url, token));
  if (response.status == 404) {
    co_return std::nullopt;
  }
  // A passing failure (no HTTP answer, 401, 429, 5xx) ends the pass so the next one asks
  // again; a refusal that will never change is skipped, or it would stall every later pass.
  const bool passing = response.status == 0 || response.status == 401 ||
                       response.status == 429 || response.status >= 500;
  if (!response.isSuccess() && passing) {
    throw GmailError::networkError(QString::fromLatin1("Metadata request failed"));
  }
  if (!response.isSuccess()) {
    skipMessage(messageID, QStringLiteral("HTTP %1").arg(response.status));
    co_return std::nullopt;
  }
  try {
    const GmailMessageResponse message = GmailMessageResponse::decode(response.body);
    co_return makeContext(message, self->now());
  } catch (const DecodingError&) {
    skipMessage(messageID, QStringLiteral("an unreadable reply"));
    co_return std::nullopt;
  }
}

// --- GmailService --------------------------------------------------------------------------

QString GmailService::actionableQuery() {
  return QStringLiteral(
      "(invoice OR bill OR payment OR due OR appointment OR reservation OR reminder OR renewal "
      "OR deadline OR \"action required\")");
}

GmailService& GmailService::shared() {
  static GmailService instance;
  return instance;
}

GmailService::GmailService() : GmailService(Configuration()) {}

GmailService::GmailService(Configuration configuration) : state_(std::make_shared<State>()) {
  state_->tokenUrl = endpoint(configuration.oauthHost, QStringLiteral("/token"));
  state_->userInfoUrl = endpoint(configuration.userInfoHost, QStringLiteral("/oauth2/v2/userinfo"));
  state_->messagesUrl =
      endpoint(configuration.gmailHost, QStringLiteral("/gmail/v1/users/me/messages"));
  state_->clientSecret = configuration.clientSecret.value_or(AppConfig::googleClientSecret());
  state_->clock = std::move(configuration.clock);
}

GmailService::~GmailService() = default;

bool GmailService::isConnected() const { return isUsable(KeychainHelper::read(kAccessToken)); }

std::optional<QString> GmailService::getAccountEmail() const {
  return KeychainHelper::read(kAccountEmail);
}

void GmailService::saveCredentials(const QString& accessToken,
                                   const std::optional<QString>& refreshToken,
                                   std::optional<int> expiresInSeconds,
                                   const std::optional<QString>& accountEmail,
                                   const std::optional<QString>& clientID) {
  QMutexLocker locker(&state_->lock);
  KeychainHelper::save(kAccessToken, accessToken);
  if (isUsable(refreshToken)) {
    KeychainHelper::save(kRefreshToken, *refreshToken);
  }
  if (isUsable(accountEmail)) {
    KeychainHelper::save(kAccountEmail, *accountEmail);
  }
  if (isUsable(clientID)) {
    KeychainHelper::save(kClientID, *clientID);
  }
  if (expiresInSeconds) {
    state_->writeExpiry(*expiresInSeconds);
  }
}

void GmailService::disconnect() {
  QMutexLocker locker(&state_->lock);
  for (const char* key : {kAccessToken, kRefreshToken, kTokenExpiry, kAccountEmail, kClientID}) {
    KeychainHelper::remove(key);
  }
}

QCoro::Task<QList<EmailMessageContext>> GmailService::fetchActionableMessages(
    std::optional<QDateTime> after, int limit) {
  return State::fetch(state_, std::move(after), limit);
}

QCoro::Task<TokenExchangeResult> GmailService::exchangeCodeForTokens(
    QString code, QString clientID, QString clientSecret, QString redirectURI,
    std::optional<QString> codeVerifier) {
  return State::exchange(state_, std::move(code), std::move(clientID), std::move(clientSecret),
                         std::move(redirectURI), std::move(codeVerifier));
}

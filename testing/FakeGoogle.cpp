#include "testing/FakeGoogle.h"

#include <QJsonArray>
#include <QJsonDocument>

namespace {

QString metadataPath(const QString& id) {
  return QString::fromLatin1(FakeGoogle::messagesPath) + u'/' + id;
}

}  // namespace

QJsonObject FakeGmailMessage::toJson() const {
  QJsonObject object{{QStringLiteral("id"), id}};
  if (threadId) {
    object.insert(QStringLiteral("threadId"), *threadId);
  }
  if (snippet) {
    object.insert(QStringLiteral("snippet"), *snippet);
  }
  if (internalDate) {
    object.insert(QStringLiteral("internalDate"), *internalDate);
  }
  QJsonArray headerArray;
  for (const auto& [name, value] : headers) {
    headerArray.append(
        QJsonObject{{QStringLiteral("name"), name}, {QStringLiteral("value"), value}});
  }
  object.insert(QStringLiteral("payload"), QJsonObject{{QStringLiteral("headers"), headerArray}});
  return object;
}

GmailService::Configuration FakeGoogle::gmailConfiguration() const {
  GmailService::Configuration configuration;
  configuration.oauthHost = baseUrl();
  configuration.userInfoHost = baseUrl();
  configuration.gmailHost = baseUrl();
  return configuration;
}

QByteArray FakeGoogle::tokenJson(const QString& accessToken, std::optional<int> expiresIn,
                                 const std::optional<QString>& refreshToken) {
  QJsonObject object{{QStringLiteral("access_token"), accessToken},
                     {QStringLiteral("token_type"), QStringLiteral("Bearer")}};
  if (expiresIn) {
    object.insert(QStringLiteral("expires_in"), *expiresIn);
  }
  if (refreshToken) {
    object.insert(QStringLiteral("refresh_token"), *refreshToken);
  }
  return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

void FakeGoogle::setTokenReply(ScriptedReply reply) {
  server_.setReply("POST", tokenPath, std::move(reply));
}

void FakeGoogle::enqueueTokenReply(ScriptedReply reply) {
  server_.enqueueReply("POST", tokenPath, std::move(reply));
}

void FakeGoogle::setUserInfo(const QString& email) {
  const QJsonObject object{{QStringLiteral("id"), QStringLiteral("1234567890")},
                           {QStringLiteral("email"), email},
                           {QStringLiteral("verified_email"), true}};
  setUserInfoReply(ScriptedReply::json(200, QJsonDocument(object).toJson(QJsonDocument::Compact)));
}

void FakeGoogle::setUserInfoReply(ScriptedReply reply) {
  server_.setReply("GET", userInfoPath, std::move(reply));
}

void FakeGoogle::setMessageList(const QStringList& ids) {
  QJsonArray messages;
  for (const QString& id : ids) {
    messages.append(QJsonObject{{QStringLiteral("id"), id},
                                {QStringLiteral("threadId"), QStringLiteral("thread-") + id}});
  }
  const QJsonObject object{{QStringLiteral("messages"), messages},
                           {QStringLiteral("resultSizeEstimate"), messages.size()}};
  setListReply(ScriptedReply::json(200, QJsonDocument(object).toJson(QJsonDocument::Compact)));
}

void FakeGoogle::setListReply(ScriptedReply reply) {
  server_.setReply("GET", messagesPath, std::move(reply));
}

void FakeGoogle::enqueueListReply(ScriptedReply reply) {
  server_.enqueueReply("GET", messagesPath, std::move(reply));
}

void FakeGoogle::addMessage(const FakeGmailMessage& message) {
  setMetadataReply(message.id, ScriptedReply::json(200, QJsonDocument(message.toJson()).toJson()));
}

void FakeGoogle::setMetadataReply(const QString& id, ScriptedReply reply) {
  server_.setReply("GET", metadataPath(id), std::move(reply));
}

QList<RecordedRequest> FakeGoogle::tokenRequests() const {
  return server_.requests("POST", tokenPath);
}

QList<RecordedRequest> FakeGoogle::userInfoRequests() const {
  return server_.requests("GET", userInfoPath);
}

QList<RecordedRequest> FakeGoogle::listRequests() const {
  return server_.requests("GET", messagesPath);
}

QList<RecordedRequest> FakeGoogle::metadataRequests() const {
  QList<RecordedRequest> matching;
  const QString prefix = QString::fromLatin1(messagesPath) + u'/';
  for (const RecordedRequest& request : server_.requests()) {
    if (request.method == "GET" && request.path.startsWith(prefix)) {
      matching.append(request);
    }
  }
  return matching;
}

QString FakeGoogle::generateContentPath(const QString& model) {
  return QStringLiteral("/v1beta/models/") + model + QStringLiteral(":generateContent");
}

QByteArray FakeGoogle::generateContentJson(const QString& generatedText) {
  const QJsonObject part{{QStringLiteral("text"), generatedText}};
  const QJsonObject content{{QStringLiteral("parts"), QJsonArray{part}}};
  const QJsonObject candidate{{QStringLiteral("content"), content}};
  return QJsonDocument(QJsonObject{{QStringLiteral("candidates"), QJsonArray{candidate}}})
      .toJson(QJsonDocument::Compact);
}

void FakeGoogle::setGenerateContentReply(const QString& model, ScriptedReply reply) {
  server_.setReply("POST", generateContentPath(model), std::move(reply));
}

QList<RecordedRequest> FakeGoogle::generateContentRequests(const QString& model) const {
  return server_.requests("POST", generateContentPath(model));
}

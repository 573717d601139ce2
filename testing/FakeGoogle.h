#pragma once

#include "core/email/GmailService.h"
#include "testing/FakeHttpServer.h"

#include <QJsonObject>
#include <QStringList>

#include <optional>

// One Gmail message as the fake Gmail API describes it in a metadata reply.
struct FakeGmailMessage {
  QString id;
  std::optional<QString> threadId;
  std::optional<QString> snippet;
  std::optional<QString> internalDate;
  QList<std::pair<QString, QString>> headers;  // name, value; in this order

  QJsonObject toJson() const;
};

// Google's OAuth token endpoint, user-info endpoint, Gmail API and Gemini's generateContent on
// one local server. Further routes go straight onto server().
class FakeGoogle {
 public:
  static constexpr auto tokenPath = "/token";
  static constexpr auto userInfoPath = "/oauth2/v2/userinfo";
  static constexpr auto messagesPath = "/gmail/v1/users/me/messages";

  FakeGoogle() = default;
  FakeGoogle(const FakeGoogle&) = delete;
  FakeGoogle& operator=(const FakeGoogle&) = delete;

  FakeHttpServer& server() { return server_; }
  QUrl baseUrl() const { return server_.baseUrl(); }
  // Every Google host of the Gmail client aimed at this server.
  GmailService::Configuration gmailConfiguration() const;

  // {"access_token": ..., "expires_in": ..., "refresh_token": ...}, optional keys left out.
  static QByteArray tokenJson(const QString& accessToken, std::optional<int> expiresIn,
                              const std::optional<QString>& refreshToken = std::nullopt);
  void setTokenReply(ScriptedReply reply);
  void enqueueTokenReply(ScriptedReply reply);

  void setUserInfo(const QString& email);  // 200 with that address
  void setUserInfoReply(ScriptedReply reply);

  // A list reply naming these messages, each with the thread "thread-" + id.
  void setMessageList(const QStringList& ids);
  void setListReply(ScriptedReply reply);
  void enqueueListReply(ScriptedReply reply);

  void addMessage(const FakeGmailMessage& message);  // its metadata request answers 200
  void setMetadataReply(const QString& id, ScriptedReply reply);

  QList<RecordedRequest> tokenRequests() const;
  QList<RecordedRequest> userInfoRequests() const;
  QList<RecordedRequest> listRequests() const;
  QList<RecordedRequest> metadataRequests() const;  // in the order they arrived

  // "/v1beta/models/<model>:generateContent"
  static QString generateContentPath(const QString& model);
  // A reply whose first candidate's first part carries `generatedText`.
  static QByteArray generateContentJson(const QString& generatedText);
  void setGenerateContentReply(const QString& model, ScriptedReply reply);
  QList<RecordedRequest> generateContentRequests(const QString& model) const;

 private:
  FakeHttpServer server_;
};

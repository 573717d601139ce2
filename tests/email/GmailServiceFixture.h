#pragma once

#include "core/email/GmailError.h"
#include "core/email/GmailService.h"
#include "core/model/KeychainHelper.h"
#include "testing/FakeGoogle.h"

#include "common/TestSupport.h"

#include <gtest/gtest.h>

#include <functional>
#include <ostream>

// A listed message, dated 2024-06-03 07:33:20 UTC, before the fixture's clock.
inline FakeGmailMessage fakeMessage(const QString& id, const QString& subject = {},
                                    const QString& from = "Shop <shop@example.com>",
                                    const QString& snippet = {}) {
  return FakeGmailMessage{
      id,
      "thread-" + id,
      snippet.isEmpty() ? "Snippet of " + id : snippet,
      QString("1717400000000"),
      {{"Subject", subject.isEmpty() ? "Subject " + id : subject}, {"From", from}}};
}

inline ScriptedReply droppedConnection() {
  ScriptedReply dropped;
  dropped.dropConnection = true;
  return dropped;
}

// A Gmail client aimed at the fake Google, with a fixed clock, over the session's real keyring.
class GmailServiceFixture : public ::testing::Test {
 protected:
  static QDateTime fixedNow() { return testsupport::utc(2024, 6, 3, 12, 0, 0).addMSecs(250); }

  void SetUp() override {
    GmailService::Configuration configuration = google.gmailConfiguration();
    configuration.clientSecret = QString();
    configuration.clock = &GmailServiceFixture::fixedNow;
    service = std::make_unique<GmailService>(configuration);
    service->disconnect();
  }

  void TearDown() override { service->disconnect(); }

  // Access token, refresh token, expiry, address and client, as stored; "-" for none.
  static QStringList stored() {
    QStringList values;
    for (const char* key :
         {GmailService::kAccessToken, GmailService::kRefreshToken, GmailService::kTokenExpiry,
          GmailService::kAccountEmail, GmailService::kClientID}) {
      values.append(KeychainHelper::read(QString::fromLatin1(key)).value_or("-"));
    }
    return values;
  }

  // A connected account whose token is not near its expiry.
  void connect(const QString& accessToken = QStringLiteral("access-1")) {
    service->saveCredentials(accessToken, QStringLiteral("refresh-1"), 3600,
                             QStringLiteral("me@example.com"), QStringLiteral("client-1"));
  }

  // Runs a call that must fail with a GmailError and gives that error.
  template <typename T>
  static GmailError gmailErrorOf(QCoro::Task<T>&& task) {
    try {
      testsupport::runTask(std::move(task));
    } catch (const GmailError& error) {
      return error;
    }
    ADD_FAILURE() << "no error";
    return GmailError::serverError(-1);
  }

  // The error of a search that must fail.
  GmailError fetchError() {
    return gmailErrorOf(service->fetchActionableMessages(std::nullopt, 15));
  }

  QList<EmailMessageContext> fetch(std::optional<QDateTime> after = std::nullopt, int limit = 15) {
    return testsupport::runTask(service->fetchActionableMessages(after, limit));
  }

  FakeGoogle google;
  std::unique_ptr<GmailService> service;
};

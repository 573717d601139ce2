#include "core/email/GmailError.h"
#include "core/email/MockGmailService.h"

#include "common/TestSupport.h"

#include <gtest/gtest.h>

using testsupport::runTask;
using testsupport::utc;

namespace {

EmailMessageContext messageAt(const QString& id, const QDateTime& date) {
  return EmailMessageContext(id, id, "Shop <shop@example.com>", "Invoice " + id, date, "", "");
}

QStringList idsOf(const QList<EmailMessageContext>& contexts) {
  QStringList ids;
  for (const EmailMessageContext& context : contexts) {
    ids.append(context.id);
  }
  return ids;
}

QList<EmailMessageContext> fetch(MockGmailService& mock, std::optional<QDateTime> after,
                                 int limit) {
  return runTask(mock.fetchActionableMessages(after, limit));
}

}  // namespace

TEST(MockGmailServiceTest, ReturnsStubbedMessagesStrictlyAfterTheDateInStoredOrderUpToTheLimit) {
  const QDateTime noon = utc(2024, 6, 3, 12);
  MockGmailService mock(true, QString("me@example.com"),
                        {messageAt("late", noon.addSecs(60)), messageAt("early", noon.addSecs(-60)),
                         messageAt("exact", noon), messageAt("later", noon.addSecs(120)),
                         messageAt("latest", noon.addSecs(180))});

  EXPECT_EQ(idsOf(fetch(mock, std::nullopt, 3)), (QStringList{"late", "early", "exact"}));
  EXPECT_EQ(idsOf(fetch(mock, noon, 15)), (QStringList{"late", "later", "latest"}));
  EXPECT_EQ(idsOf(fetch(mock, noon, 2)), (QStringList{"late", "later"}));
  EXPECT_TRUE(fetch(mock, noon, 0).isEmpty());
}

TEST(MockGmailServiceTest, AStubbedErrorWinsOverTheConnectionCheck) {
  MockGmailService mock(false, std::nullopt, {messageAt("a", utc(2024, 1, 1))});
  try {
    fetch(mock, std::nullopt, 15);
    ADD_FAILURE() << "no error";
  } catch (const GmailError& error) {
    EXPECT_EQ(error, GmailError::notConnected());
  }

  mock.errorToThrow = std::make_exception_ptr(GmailError::rateLimited());
  try {
    fetch(mock, std::nullopt, 15);
    ADD_FAILURE() << "no error";
  } catch (const GmailError& error) {
    EXPECT_EQ(error, GmailError::rateLimited());
  }
}

TEST(MockGmailServiceTest, DisconnectForgetsTheAccountAndStopsSearches) {
  MockGmailService mock(true, QString("me@example.com"), {messageAt("a", utc(2024, 1, 1))});
  mock.disconnect();
  EXPECT_FALSE(mock.isConnected());
  EXPECT_EQ(mock.getAccountEmail(), std::nullopt);
  EXPECT_THROW(fetch(mock, std::nullopt, 15), GmailError);

  mock.saveCredentials("t", std::nullopt, 10, QString("new@example.com"), std::nullopt);
  EXPECT_TRUE(mock.isConnected());
  EXPECT_EQ(mock.getAccountEmail(), QString("new@example.com"));
  mock.saveCredentials("t", std::nullopt, std::nullopt, std::nullopt, std::nullopt);
  EXPECT_EQ(mock.getAccountEmail(), std::nullopt);
}

TEST(MockGmailServiceTest, ExchangeConnectsWithTheStubbedOrThePlaceholderAddress) {
  MockGmailService anonymous(false, std::nullopt, {});
  anonymous.errorToThrow = std::make_exception_ptr(GmailError::tokenExpired());
  const TokenExchangeResult result =
      runTask(anonymous.exchangeCodeForTokens("code", "client", "secret", "redirect"));
  EXPECT_EQ(result, (TokenExchangeResult{MockGmailService::placeholderEmail, "demo_grant_ticket",
                                         QString("demo_renewal_stamp"), 3600}));
  EXPECT_TRUE(anonymous.isConnected());
  EXPECT_EQ(anonymous.getAccountEmail(), QString(MockGmailService::placeholderEmail));

  MockGmailService known(false, QString("ada@example.com"), {});
  EXPECT_EQ(runTask(known.exchangeCodeForTokens("", "", "", "")).email, "ada@example.com");
  EXPECT_TRUE(known.isConnected());
}

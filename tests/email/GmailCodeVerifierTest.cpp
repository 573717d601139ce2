#include "GmailServiceFixture.h"

using testsupport::runTask;

using GmailCodeVerifierTest = GmailServiceFixture;

TEST_F(GmailCodeVerifierTest, TheVerifierFollowsTheFiveFieldsOnlyWhenGiven) {
  google.setTokenReply(ScriptedReply::json(200, FakeGoogle::tokenJson("tok", 3599, "ref")));
  google.setUserInfo(QStringLiteral("me@example.com"));

  runTask(service->exchangeCodeForTokens(QStringLiteral("c"), QStringLiteral("id"),
                                         QStringLiteral("s"), QStringLiteral("r"),
                                         QStringLiteral("dBjftJeZ4CVP-mB92K27uhbUJU1p1r_wW1gF")));
  runTask(service->exchangeCodeForTokens(QStringLiteral("c"), QStringLiteral("id"),
                                         QStringLiteral("s"), QStringLiteral("r")));

  const QList<RecordedRequest> requests = google.tokenRequests();
  ASSERT_EQ(requests.size(), 2);
  EXPECT_EQ(requests[0].body,
            "code=c&client_id=id&client_secret=s&redirect_uri=r&grant_type=authorization%5Fcode"
            "&code_verifier=dBjftJeZ4CVP%2DmB92K27uhbUJU1p1r%5FwW1gF");
  EXPECT_EQ(requests[0].formValue("code_verifier"),
            QStringLiteral("dBjftJeZ4CVP-mB92K27uhbUJU1p1r_wW1gF"));
  EXPECT_FALSE(requests[1].formValue("code_verifier").has_value());
  EXPECT_TRUE(requests[1].body.endsWith("&grant_type=authorization%5Fcode"));
}

#include "SettingsTestSupport.h"

#include "app/screens/settings/GeminiKeyCheck.h"
#include "app/screens/settings/SettingsPage.h"
#include "core/email/CloudEmailIntelligenceProvider.h"
#include "core/model/KeychainHelper.h"
#include "testing/FakeGoogle.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QTest>


using namespace settingstest;

namespace {

const QString kKeychainKey = QString::fromLatin1(CloudEmailIntelligenceProvider::apiKeyKeychainKey);
const QString kKey = QStringLiteral("AIzaSyD-secret-key-7f3Q");

// Every text the view shows the user, in labels and fields.
QStringList visibleTexts(QWidget* root) {
  QStringList texts;
  for (QLabel* label : root->findChildren<QLabel*>()) {
    texts.append(label->text());
  }
  for (QLineEdit* edit : root->findChildren<QLineEdit*>()) {
    texts.append(edit->displayText());
    texts.append(edit->placeholderText());
  }
  return texts;
}

ScriptedReply dropped() {
  ScriptedReply reply;
  reply.dropConnection = true;
  return reply;
}

}  // namespace

// The key lives in the desktop keyring; these tests run under the keychain lock.
class SettingsKeyTest : public SettingsTest {
 protected:
  void SetUp() override {
    KeychainHelper::remove(kKeychainKey);
    services.geminiBaseUrl = google.baseUrl();
  }
  void TearDown() override { KeychainHelper::remove(kKeychainKey); }

  FakeGoogle google;
};

TEST_F(SettingsKeyTest, TheKeyGoesToTheKeyringAndIsNeverShownInFull) {
  const auto view = makeView();
  view->selectTab(SettingsTab::email);
  auto* field = fieldFor<QLineEdit>(view.get(), QStringLiteral("API key:"));
  ASSERT_NE(field, nullptr);
  QTest::keyClicks(field, kKey);
  EXPECT_FALSE(field->displayText().contains(QStringLiteral("secret")));
  QTest::keyClick(field, Qt::Key_Return);

  EXPECT_EQ(KeychainHelper::read(kKeychainKey), kKey);
  EXPECT_TRUE(field->text().isEmpty());
  const QStringList texts = visibleTexts(view.get());
  EXPECT_FALSE(texts.join(u'\n').contains(kKey.left(10)));
  EXPECT_TRUE(texts.contains(QStringLiteral("Saved key: ") + maskedApiKey(kKey)));

  withText<QPushButton>(view.get(), QStringLiteral("Remove Key"))->click();
  EXPECT_FALSE(KeychainHelper::read(kKeychainKey).has_value());
}

TEST_F(SettingsKeyTest, TestKeyAsksGeminiForTheModel) {
  struct Case {
    const char* name;
    ScriptedReply reply;
    GeminiKeyCheck expected;
  };
  const QString model = AppConfig::defaultAIModel();
  const QString path = QStringLiteral("/v1beta/models/") + model;
  const std::vector<Case> cases = {
      {"valid", ScriptedReply::json(200, R"({"name":"models/x","displayName":"Flash"})"),
       GeminiKeyCheck::valid},
      {"invalid", ScriptedReply::json(400, R"({"error":{"status":"INVALID_ARGUMENT"}})"),
       GeminiKeyCheck::invalid},
      {"offline", dropped(), GeminiKeyCheck::offline},
  };
  KeychainHelper::save(kKeychainKey, kKey);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    google.server().setReply("GET", path, c.reply);
    google.server().clearRequests();
    const auto view = makeView();
    withText<QPushButton>(view.get(), QStringLiteral("Test Key"))->click();
    EXPECT_TRUE(view->state().isTestingApiKey);
    QTRY_VERIFY(!view->state().isTestingApiKey);
    EXPECT_EQ(view->state().aiKeyStatus, geminiKeyCheckText(c.expected, model));
    const QList<RecordedRequest> requests = google.server().requests("GET", path);
    // Qt sends a GET once more when the connection drops before any answer.
    ASSERT_FALSE(requests.isEmpty());
    EXPECT_EQ(requests.at(0).queryItem(QStringLiteral("key")), kKey);
  }
}

TEST(MaskedApiKey, ShowsAtMostTheLastFourCharacters) {
  const std::vector<std::pair<QString, QString>> cases = {
      {QString(), QString()},
      {QStringLiteral("   "), QString()},
      {QStringLiteral("short-key"), QString(8, QChar(0x2022))},
      {QStringLiteral(" AIzaSyD-secret-key-7f3Q\n"), QString(8, QChar(0x2022)) + QStringLiteral("7f3Q")},
  };
  for (const auto& [key, masked] : cases) {
    EXPECT_EQ(maskedApiKey(key), masked) << key.toStdString();
  }
}

// While the cloud is chosen and no key is saved the page says the local rules read the mail;
// a saved key, or the cloud switched off, ends the notice.
TEST_F(SettingsKeyTest, AMissingKeyIsNamedWhileTheCloudIsChosen) {
  changeSettings([](AppSettings& s) { s.isCloudAIEnabled = s.hasConsentedToCloudAI = true; }, true);
  const auto view = makeView();
  view->selectTab(SettingsTab::email);
  const auto notice = [&] {
    for (const QLabel* label : view->page(SettingsTab::email)->findChildren<QLabel*>()) {
      if (label->isVisible() && label->text().contains(QStringLiteral("local rules"))) {
        return true;
      }
    }
    return false;
  };
  EXPECT_TRUE(notice());
  saveScreenshots(view.get(), QStringLiteral("settings-email-no-key"), QSize(780, 1100));
  auto* field = fieldFor<QLineEdit>(view.get(), QStringLiteral("API key:"));
  QTest::keyClicks(field, kKey);
  QTest::keyClick(field, Qt::Key_Return);
  EXPECT_FALSE(notice()) << "a saved key is used";
  withText<QPushButton>(view.get(), QStringLiteral("Remove Key"))->click();
  EXPECT_TRUE(notice());
  withText<QCheckBox>(view.get(), QStringLiteral("Read new e-mail with Google Gemini"))->click();
  EXPECT_FALSE(notice()) << "the rules are chosen, not fallen back to";
}

#pragma once

#include "app/screens/settings/GeminiKeyCheck.h"
#include "app/screens/settings/SettingsPage.h"

#include <QPointer>

class QCheckBox;
class QLineEdit;
class QPushButton;

// The e-mail assistant: on or off and how often, the Gmail account, which kinds of
// suggestions to keep, and the cloud AI with its consent, key and model.
class EmailSettingsPage : public SettingsPage {
  Q_OBJECT

 public:
  EmailSettingsPage(std::shared_ptr<SettingsContext> context, QWidget* parent = nullptr);

  void connectWithGoogle();
  void showGmailSheet();
  void disconnectGmail();
  void syncNow();
  // Turning the cloud on without the user's consent asks for it first.
  void setCloudAIEnabled(bool on);
  void saveApiKey();
  void removeApiKey();
  void testApiKey();

 protected:
  void refresh() override;

 private:
  static QCoro::Task<> runSignIn(QPointer<EmailSettingsPage> self,
                                 std::function<QCoro::Task<TokenExchangeResult>()> signIn);
  static QCoro::Task<> runKeyTest(QPointer<EmailSettingsPage> self, QUrl baseUrl, QString model,
                                  QString key);
  void finishSignIn(const std::optional<TokenExchangeResult>& result,
                    const std::optional<QString>& error);
  void askForCloudConsent();
  void tellProvider();

  QLabel* account_;
  QPushButton* connectGoogle_;
  QPushButton* pasteToken_;
  QPushButton* disconnect_;
  QLabel* noSignInLine_;
  QLabel* signInLine_;
  QLabel* emailStatusLine_;
  QLabel* syncStatus_;
  QPushButton* syncNow_;
  QCheckBox* cloud_;
  QLineEdit* apiKey_;
  QLabel* storedKey_;
  QPushButton* saveKey_;
  QPushButton* removeKey_;
  QPushButton* testKey_;
  QLabel* keyStatusLine_;
  QLabel* noKeyLine_;
};

// The sheet for a Gmail access token pasted by hand, with the account's address.
class GmailTokenSheet : public QWidget {
  Q_OBJECT

 public:
  GmailTokenSheet(const ScreenEnvironment& environment, std::shared_ptr<SettingsContext> context,
                  QWidget* parent = nullptr);

  void save();

 private:
  ScreenEnvironment environment_;
  std::shared_ptr<SettingsContext> context_;
  QLineEdit* token_;
  QLineEdit* email_;
  QLabel* error_;
};

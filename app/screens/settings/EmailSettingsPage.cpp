#include "app/screens/settings/EmailSettingsPage.h"

#include "app/ui/Confirmation.h"
#include "app/ui/ProminentButton.h"
#include "app/ui/Sheet.h"
#include "app/signin/GoogleSignInError.h"
#include "app/ui/ThemedLabel.h"
#include "core/email/CloudEmailIntelligenceProvider.h"
#include "core/model/KeychainHelper.h"
#include "core/store/DataStore.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {

const QString kApiKey = QString::fromLatin1(CloudEmailIntelligenceProvider::apiKeyKeychainKey);

QString storedApiKey() { return KeychainHelper::read(kApiKey).value_or(QString()).trimmed(); }

}  // namespace

EmailSettingsPage::EmailSettingsPage(std::shared_ptr<SettingsContext> pageContext, QWidget* parent)
    : SettingsPage(std::move(pageContext), SettingsTab::email, parent) {
  addSection(QStringLiteral("Assistant"));
  addSwitch(
      QStringLiteral("Look for bills, tasks and appointments in Gmail"),
      &AppSettings::isEmailAssistantEnabled,
      [this](bool on) {
        const auto& tell = on ? this->context().services().startEmailSync
                              : this->context().services().stopEmailSync;
        if (tell) {
          tell();
        }
      },
      QStringLiteral("E-mail assistant:"));
  addNumber(QStringLiteral("Check every:"), &AppSettings::emailSyncIntervalMinutes, 15, 60,
            QStringLiteral(" min"), [this](int minutes) {
              // A stopped assistant stays stopped; it takes the interval when turned on.
              const auto& restart = this->context().services().restartEmailSync;
              if (this->context().settings().isEmailAssistantEnabled && restart) {
                restart(minutes);
              }
            })
      ->setSingleStep(5);

  addSection(QStringLiteral("Gmail account"));
  account_ = new QLabel(this);
  account_->setTextFormat(Qt::PlainText);
  addRow(QStringLiteral("Account:"), account_);
  connectGoogle_ = new ProminentButton(QStringLiteral("Connect with Google"), this);
  pasteToken_ = new QPushButton(QStringLiteral("Use Access Token\u2026"), this);
  disconnect_ = new QPushButton(QStringLiteral("Disconnect"), this);
  addRow(QString(), buttonRow({connectGoogle_, pasteToken_, disconnect_}));
  // Beside the disabled button in a build without Google sign-in: why, and the way round it.
  noSignInLine_ =
      addNote(GoogleSignInError(GoogleSignInError::Kind::notConfigured).errorDescription());
  noSignInLine_->setVisible(!this->context().services().signInWithGoogle);
  signInLine_ = addMessageLine();
  emailStatusLine_ = addMessageLine();
  syncStatus_ = new QLabel(this);
  syncStatus_->setTextFormat(Qt::PlainText);
  syncStatus_->setWordWrap(true);
  syncNow_ = new QPushButton(QStringLiteral("Sync Now"), this);
  auto* syncRow = new QHBoxLayout;
  syncRow->addWidget(syncStatus_, 1);
  syncRow->addWidget(syncNow_);
  addRow(QStringLiteral("Last sync:"), syncRow);
  connect(connectGoogle_, &QPushButton::clicked, this, &EmailSettingsPage::connectWithGoogle);
  connect(pasteToken_, &QPushButton::clicked, this, &EmailSettingsPage::showGmailSheet);
  connect(disconnect_, &QPushButton::clicked, this, &EmailSettingsPage::disconnectGmail);
  connect(syncNow_, &QPushButton::clicked, this, &EmailSettingsPage::syncNow);

  addSection(QStringLiteral("Suggestions"));
  addSwitch(displayText(EmailExtractedCategory::bill), &AppSettings::extractBills, {},
            QStringLiteral("Look for:"));
  addSwitch(displayText(EmailExtractedCategory::task), &AppSettings::extractTasks);
  addSwitch(displayText(EmailExtractedCategory::appointment), &AppSettings::extractAppointments);
  addSwitch(displayText(EmailExtractedCategory::waitingFor), &AppSettings::extractWaitingFor);
  addSwitch(displayText(EmailExtractedCategory::importantNotice), &AppSettings::extractNotices);
  addSwitch(QStringLiteral("Add confident task suggestions to my tasks as drafts"),
            &AppSettings::autoCreateLowRiskDraftTasks, {}, QStringLiteral("Drafts:"));

  addSection(QStringLiteral("Cloud AI"));
  cloud_ = new QCheckBox(QStringLiteral("Read new e-mail with Google Gemini"), this);
  addRow(QStringLiteral("Provider:"), cloud_);
  connect(cloud_, &QCheckBox::toggled, this, &EmailSettingsPage::setCloudAIEnabled);
  addText(
      QStringLiteral("Model:"), &AppSettings::aiModelName,
      [](const QString& text) {
        const QString trimmed = text.trimmed();
        return std::optional<QString>(trimmed.isEmpty() ? AppConfig::defaultAIModel() : trimmed);
      },
      [this] { tellProvider(); });
  apiKey_ = new QLineEdit(this);
  apiKey_->setEchoMode(QLineEdit::Password);
  apiKey_->setMaximumWidth(360);
  apiKey_->setPlaceholderText(QStringLiteral("Paste a Gemini API key"));
  apiKey_->setAccessibleName(QStringLiteral("Gemini API key"));
  addRow(QStringLiteral("API key:"), apiKey_);
  connect(apiKey_, &QLineEdit::textEdited, this, [this](const QString& text) {
    this->context().updateState([&](SettingsState& s) { s.aiApiKeyInput = text; });
  });
  connect(apiKey_, &QLineEdit::returnPressed, this, &EmailSettingsPage::saveApiKey);
  storedKey_ = new QLabel(this);
  storedKey_->setTextFormat(Qt::PlainText);
  storedKey_->setEnabled(false);
  addRow(QString(), storedKey_);
  saveKey_ = new QPushButton(QStringLiteral("Save Key"), this);
  removeKey_ = new QPushButton(QStringLiteral("Remove Key"), this);
  testKey_ = new QPushButton(QStringLiteral("Test Key"), this);
  addRow(QString(), buttonRow({saveKey_, testKey_, removeKey_}));
  keyStatusLine_ = addMessageLine();
  noKeyLine_ = addMessageLine();
  // Two lines at most: measured by the form at the narrowest it may be, it would leave gaps.
  noKeyLine_->setMinimumWidth(noSignInLine_->minimumWidth());
  connect(saveKey_, &QPushButton::clicked, this, &EmailSettingsPage::saveApiKey);
  connect(removeKey_, &QPushButton::clicked, this, &EmailSettingsPage::removeApiKey);
  connect(testKey_, &QPushButton::clicked, this, &EmailSettingsPage::testApiKey);
  addNote(QStringLiteral("Without cloud AI, suggestions come from rules that run on this "
                         "computer. With it, the sender, subject and preview of new actionable "
                         "e-mail are sent to Google."));

  if (DataStore* store = this->context().env().store) {
    connect(store, &DataStore::emailSyncStateChanged, this, &SettingsPage::redraw);
  }
  redraw();
}

void EmailSettingsPage::refresh() {
  const SettingsState& state = context().state();
  const AppSettings settings = context().settings();
  GmailServiceProtocol& gmail = context().services().gmailService();
  const bool connected = gmail.isConnected();
  const QString address = gmail.getAccountEmail().value_or(QString());
  account_->setText(connected ? (address.isEmpty() ? QStringLiteral("Connected")
                                                   : QStringLiteral("Connected as %1").arg(address))
                              : QStringLiteral("Not connected"));
  connectGoogle_->setEnabled(!state.isConnectingGoogle &&
                             static_cast<bool>(context().services().signInWithGoogle));
  connectGoogle_->setText(connected ? QStringLiteral("Reconnect with Google")
                                    : QStringLiteral("Connect with Google"));
  pasteToken_->setEnabled(!state.isConnectingGoogle && !state.isShowingGmailSheet);
  disconnect_->setEnabled(connected && !state.isConnectingGoogle);
  if (state.isConnectingGoogle) {
    showMessage(signInLine_,
                QStringLiteral("Waiting for you to finish signing in to Google in your browser\u2026"));
  } else {
    showMessage(signInLine_, state.googleAuthError, ThemeColor::red);
  }
  showMessage(emailStatusLine_, state.emailStatusMessage);

  const EmailSyncState sync =
      context().env().store ? context().env().store->emailSyncState() : EmailSyncState{};
  QString status = sync.lastSyncStatus.isEmpty() ? QStringLiteral("Never") : sync.lastSyncStatus;
  if (sync.lastSyncAt) {
    const QDateTime local = sync.lastSyncAt->toTimeZone(context().env().calendar.timeZone());
    status += QStringLiteral(" \u00b7 ") +
              QLocale().toString(local, QStringLiteral("d MMM yyyy, HH:mm"));
  }
  syncStatus_->setText(status);
  syncNow_->setEnabled(settings.isEmailAssistantEnabled && connected && !sync.isSyncing);

  {
    const QSignalBlocker blocker(cloud_);
    cloud_->setChecked(settings.isCloudAIEnabled && settings.hasConsentedToCloudAI);
  }
  cloud_->setEnabled(!state.isShowingConsentAlert);
  if (apiKey_->text() != state.aiApiKeyInput) {
    apiKey_->setText(state.aiApiKeyInput);
  }
  const QString stored = storedApiKey();
  storedKey_->setText(stored.isEmpty() ? QStringLiteral("No key saved.")
                                       : QStringLiteral("Saved key: %1").arg(maskedApiKey(stored)));
  saveKey_->setEnabled(!state.aiApiKeyInput.trimmed().isEmpty());
  removeKey_->setEnabled(!stored.isEmpty());
  testKey_->setEnabled(!state.isTestingApiKey);
  showMessage(keyStatusLine_, state.aiKeyStatus);
  showMessage(noKeyLine_,
              CloudEmailIntelligenceProvider::fallsBackForMissingKey(settings)
                  ? std::optional<QString>(QStringLiteral(
                        "No Gemini API key is saved, so the local rules on this computer read "
                        "your e-mail. Save a key above to use Gemini."))
                  : std::nullopt,
              ThemeColor::orange);
}

// ---- Gmail ----

void EmailSettingsPage::connectWithGoogle() {
  if (context().state().isConnectingGoogle || !context().services().signInWithGoogle) {
    return;
  }
  context().updateState([](SettingsState& s) {
    s.isConnectingGoogle = true;
    s.googleAuthError.reset();
    s.emailStatusMessage.reset();
  });
  runSignIn(this, context().services().signInWithGoogle);
}

QCoro::Task<> EmailSettingsPage::runSignIn(
    QPointer<EmailSettingsPage> self, std::function<QCoro::Task<TokenExchangeResult>()> signIn) {
  std::optional<TokenExchangeResult> result;
  std::optional<QString> error;
  try {
    result = co_await signIn();
  } catch (const std::exception& failure) {
    error = failureText(failure);
  } catch (...) {
    error = QStringLiteral("Google sign-in failed.");
  }
  if (!self) {
    co_return;
  }
  self->finishSignIn(result, error);
}

void EmailSettingsPage::finishSignIn(const std::optional<TokenExchangeResult>& result,
                                     const std::optional<QString>& error) {
  context().updateState([&](SettingsState& s) {
    s.isConnectingGoogle = false;
    s.googleAuthError = error;
    if (result) {
      s.emailStatusMessage = result->email.isEmpty()
                                 ? QStringLiteral("Gmail connected.")
                                 : QStringLiteral("Gmail connected as %1.").arg(result->email);
    }
  });
}

void EmailSettingsPage::showGmailSheet() {
  if (context().state().isShowingGmailSheet) {
    return;
  }
  context().updateState([](SettingsState& s) { s.isShowingGmailSheet = true; });
  const std::shared_ptr<SettingsContext> shared = sharedContext();
  Sheet::present(
      this, context().env(),
      [shared](const ScreenEnvironment& env) { return new GmailTokenSheet(env, shared); },
      [shared] {
        // The pasted token never outlives the sheet.
        shared->updateState([](SettingsState& s) {
          s.isShowingGmailSheet = false;
          s.gmailTokenInput.clear();
          s.gmailEmailInput.clear();
        });
      });
}

void EmailSettingsPage::disconnectGmail() {
  context().services().gmailService().disconnect();
  if (DataStore* store = context().env().store) {
    EmailSyncState sync = store->emailSyncState();
    sync.accountEmail.reset();
    store->setEmailSyncState(sync);
    store->save();
  }
  context().updateState([](SettingsState& s) {
    s.googleAuthError.reset();
    s.emailStatusMessage = QStringLiteral("Gmail disconnected.");
  });
}

void EmailSettingsPage::syncNow() {
  const auto& sync = context().services().syncNow;
  if (!sync || !sync()) {
    context().updateState([](SettingsState& s) {
      s.emailStatusMessage = QStringLiteral("E-mail sync is not running, so nothing was checked.");
    });
  }
}

// ---- Cloud AI ----

void EmailSettingsPage::tellProvider() {
  if (context().services().updateEmailProvider) {
    context().services().updateEmailProvider();
  }
}

void EmailSettingsPage::setCloudAIEnabled(bool on) {
  if (on && !context().settings().hasConsentedToCloudAI) {
    askForCloudConsent();
    return;
  }
  context().changeSettings([&](AppSettings& s) { s.isCloudAIEnabled = on; });
  tellProvider();
}

void EmailSettingsPage::askForCloudConsent() {
  if (context().state().isShowingConsentAlert) {
    return;
  }
  context().updateState([](SettingsState& s) { s.isShowingConsentAlert = true; });
  const ConfirmationText text{
      QStringLiteral("Send e-mail to Google Gemini?"),
      QStringLiteral("Send e-mail summaries to Google Gemini?"),
      QStringLiteral("For each new actionable e-mail, Pelmora will send the sender, the subject "
                     "and Gmail's short preview to Google's Gemini service to find bills, tasks "
                     "and appointments. The message body is never sent. You can turn this off at "
                     "any time."),
      QStringLiteral("Allow")};
  const auto answered = [this](bool allowed) {
    context().updateState([](SettingsState& s) { s.isShowingConsentAlert = false; });
    if (!allowed) {
      return;
    }
    context().changeSettings([](AppSettings& s) {
      s.hasConsentedToCloudAI = true;
      s.isCloudAIEnabled = true;
    });
    tellProvider();
  };
  askToConfirm(this, text, answered, QMessageBox::AcceptRole);
}

void EmailSettingsPage::saveApiKey() {
  const QString key = context().state().aiApiKeyInput.trimmed();
  if (key.isEmpty()) {
    return;
  }
  const bool saved = KeychainHelper::save(kApiKey, key);
  context().updateState([&](SettingsState& s) {
    s.aiApiKeyInput.clear();
    s.aiKeyStatus = saved ? QStringLiteral("Key saved in the keyring.")
                          : QStringLiteral("The key could not be saved: the keyring is not "
                                           "available.");
  });
}

void EmailSettingsPage::removeApiKey() {
  const bool removed = KeychainHelper::remove(kApiKey);
  context().updateState([&](SettingsState& s) {
    s.aiKeyStatus = removed ? QStringLiteral("Key removed.")
                            : QStringLiteral("The key could not be removed from the keyring.");
  });
}

void EmailSettingsPage::testApiKey() {
  if (context().state().isTestingApiKey) {
    return;
  }
  // The key being typed is what the user wants to know about; else the one in use.
  QString key = context().state().aiApiKeyInput.trimmed();
  if (key.isEmpty()) {
    key = storedApiKey();
  }
  if (key.isEmpty()) {
    key = AppConfig::defaultAIApiKey();
  }
  if (key.isEmpty()) {
    context().updateState(
        [](SettingsState& s) { s.aiKeyStatus = QStringLiteral("Enter an API key to test."); });
    return;
  }
  context().updateState([](SettingsState& s) {
    s.isTestingApiKey = true;
    s.aiKeyStatus = QStringLiteral("Testing\u2026");
  });
  runKeyTest(this, context().services().geminiBaseUrl, context().settings().aiModelName, key);
}

QCoro::Task<> EmailSettingsPage::runKeyTest(QPointer<EmailSettingsPage> self, QUrl baseUrl,
                                            QString model, QString key) {
  const GeminiKeyCheck result = co_await checkGeminiKey(baseUrl, model, key);
  if (!self) {
    co_return;
  }
  self->context().updateState([&](SettingsState& s) {
    s.isTestingApiKey = false;
    s.aiKeyStatus = geminiKeyCheckText(result, model);
  });
}

// ---- Gmail token sheet ----

GmailTokenSheet::GmailTokenSheet(const ScreenEnvironment& environment,
                                 std::shared_ptr<SettingsContext> context, QWidget* parent)
    : QWidget(parent), environment_(environment), context_(std::move(context)) {
  setWindowTitle(QStringLiteral("Connect Gmail"));
  setMinimumWidth(440);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(24, 20, 24, 20);
  layout->setSpacing(12);
  auto* title = new ThemedLabel(QStringLiteral("Connect Gmail with an Access Token"),
                                ThemeColor::primary, this);
  title->setTextStyle(17, QFont::Bold);
  layout->addWidget(title);
  auto* note = new ThemedLabel(
      QStringLiteral("Paste an OAuth access token with read-only Gmail access. Pelmora keeps it "
                     "in the keyring. A pasted token cannot be renewed: connect again when it "
                     "expires."),
      ThemeColor::secondary, this);
  note->setWordWrap(true);
  note->setTextStyle(12);
  layout->addWidget(note);

  auto* form = new QFormLayout;
  form->setLabelAlignment(Qt::AlignRight | Qt::AlignVCenter);
  token_ = new QLineEdit(this);
  token_->setEchoMode(QLineEdit::Password);
  token_->setPlaceholderText(QStringLiteral("ya29\u2026"));
  email_ = new QLineEdit(context_->state().gmailEmailInput, this);
  email_->setPlaceholderText(QStringLiteral("name@gmail.com"));
  form->addRow(QStringLiteral("Access token:"), token_);
  form->addRow(QStringLiteral("Gmail address:"), email_);
  layout->addLayout(form);
  error_ = ThemedLabel::messageLine(ThemeColor::red, this);
  layout->addWidget(error_);

  auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
  auto* connectButton = new QPushButton(QStringLiteral("Connect"), this);
  connectButton->setDefault(true);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(cancel);
  buttons->addWidget(connectButton);
  layout->addLayout(buttons);

  connect(token_, &QLineEdit::textEdited, this, [this](const QString& text) {
    context_->updateState([&](SettingsState& s) { s.gmailTokenInput = text; });
  });
  connect(email_, &QLineEdit::textEdited, this, [this](const QString& text) {
    context_->updateState([&](SettingsState& s) { s.gmailEmailInput = text; });
  });
  connect(cancel, &QPushButton::clicked, this, [this] { environment_.close(); });
  connect(connectButton, &QPushButton::clicked, this, &GmailTokenSheet::save);
  connect(token_, &QLineEdit::returnPressed, this, &GmailTokenSheet::save);
  connect(email_, &QLineEdit::returnPressed, this, &GmailTokenSheet::save);
}

void GmailTokenSheet::save() {
  const QString token = context_->state().gmailTokenInput.trimmed();
  const QString email = context_->state().gmailEmailInput.trimmed();
  if (token.isEmpty()) {
    error_->setText(QStringLiteral("Paste an access token to connect."));
    error_->show();
    token_->setFocus();
    return;
  }
  if (!email.isEmpty() && (!email.contains(u'@') || email.contains(u' '))) {
    error_->setText(QStringLiteral("\u201c%1\u201d is not an e-mail address.").arg(email));
    error_->show();
    email_->setFocus();
    return;
  }
  context_->services().gmailService().saveCredentials(
      token, std::nullopt, std::nullopt,
      email.isEmpty() ? std::nullopt : std::optional<QString>(email), std::nullopt);
  context_->updateState([&](SettingsState& s) {
    s.googleAuthError.reset();
    s.emailStatusMessage = email.isEmpty()
                               ? QStringLiteral("Gmail connected.")
                               : QStringLiteral("Gmail connected as %1.").arg(email);
  });
  environment_.close();
}

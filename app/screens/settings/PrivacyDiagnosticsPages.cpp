#include "app/screens/settings/PrivacyDiagnosticsPages.h"

#include "app/ui/Confirmation.h"
#include "core/model/DiagnosticLogger.h"
#include "core/store/DataStore.h"

#include <QApplication>
#include <QClipboard>
#include <QFontDatabase>
#include <QFormLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSaveFile>

// ---- Privacy ----

PrivacySettingsPage::PrivacySettingsPage(std::shared_ptr<SettingsContext> pageContext,
                                         QWidget* parent)
    : SettingsPage(std::move(pageContext), SettingsTab::privacy, parent) {
  addSection(QStringLiteral("E-mail data"));
  addNote(QStringLiteral("Messages themselves are never stored. Pelmora keeps the suggestions it "
                         "found, the identifiers of the messages it has read and the sync "
                         "status, all on this computer."));
  kept_ = new QLabel(this);
  kept_->setTextFormat(Qt::PlainText);
  addRow(QStringLiteral("Stored:"), kept_);
  delete_ = new QPushButton(QStringLiteral("Delete E-mail Data\u2026"), this);
  addRow(QString(), buttonRow({delete_}));
  deleteLine_ = addMessageLine();
  connect(delete_, &QPushButton::clicked, this, &PrivacySettingsPage::confirmDeleteEmailData);

  addSection(QStringLiteral("Cloud AI"));
  consent_ = new QLabel(this);
  consent_->setTextFormat(Qt::PlainText);
  consent_->setWordWrap(true);
  addRow(QStringLiteral("Google Gemini:"), consent_);
  withdraw_ = new QPushButton(QStringLiteral("Withdraw Consent"), this);
  addRow(QString(), buttonRow({withdraw_}));
  connect(withdraw_, &QPushButton::clicked, this, &PrivacySettingsPage::withdrawCloudConsent);

  if (DataStore* store = this->context().env().store) {
    connect(store, &DataStore::emailSuggestionsChanged, this, &SettingsPage::redraw);
    connect(store, &DataStore::processedEmailMessageIDsChanged, this, &SettingsPage::redraw);
  }
  redraw();
}

void PrivacySettingsPage::refresh() {
  DataStore* store = context().env().store;
  const qsizetype suggestions = store ? store->emailSuggestions().size() : 0;
  const qsizetype read = store ? store->processedEmailMessageIDs().size() : 0;
  kept_->setText(QStringLiteral("%1 %2 \u00b7 %3 %4")
                     .arg(suggestions)
                     .arg(suggestions == 1 ? QStringLiteral("suggestion")
                                           : QStringLiteral("suggestions"))
                     .arg(read)
                     .arg(read == 1 ? QStringLiteral("message read")
                                    : QStringLiteral("messages read")));
  delete_->setEnabled(!context().state().isShowingDeleteEmailDataAlert);
  const AppSettings settings = context().settings();
  consent_->setText(settings.hasConsentedToCloudAI
                        ? QStringLiteral("You allowed Pelmora to send e-mail summaries to Google "
                                         "Gemini.")
                        : QStringLiteral("Nothing is sent to Google Gemini."));
  withdraw_->setEnabled(settings.hasConsentedToCloudAI);
}

void PrivacySettingsPage::confirmDeleteEmailData() {
  if (context().state().isShowingDeleteEmailDataAlert) {
    return;
  }
  context().updateState([](SettingsState& s) { s.isShowingDeleteEmailDataAlert = true; });
  const ConfirmationText text{
      QStringLiteral("Delete E-mail Data"),
      QStringLiteral("Delete all data taken from your e-mail?"),
      QStringLiteral("Every suggestion, the list of messages already read and the sync status are "
                     "deleted, and Gmail is disconnected. Tasks, bills and events you already "
                     "approved stay."),
      QStringLiteral("Delete")};
  askToConfirm(this, text, [this](bool confirmed) {
    context().updateState([](SettingsState& s) { s.isShowingDeleteEmailDataAlert = false; });
    if (confirmed) {
      deleteEmailData();
    }
  });
}

void PrivacySettingsPage::deleteEmailData() {
  DataStore* store = context().env().store;
  if (store == nullptr) {
    return;
  }
  store->deleteAllEmailData();
  context().services().gmailService().disconnect();
  const bool cleared = store->emailSuggestions().isEmpty();
  showMessage(deleteLine_,
              cleared ? QStringLiteral("E-mail data deleted and Gmail disconnected.")
                      : store->saveError().value_or(QStringLiteral("E-mail data was not deleted.")),
              cleared ? ThemeColor::secondary : ThemeColor::red);
}

void PrivacySettingsPage::withdrawCloudConsent() {
  context().changeSettings([](AppSettings& s) {
    s.hasConsentedToCloudAI = false;
    s.isCloudAIEnabled = false;
  });
  if (context().services().updateEmailProvider) {
    context().services().updateEmailProvider();
  }
}

// ---- Diagnostics ----

DiagnosticsSettingsPage::DiagnosticsSettingsPage(std::shared_ptr<SettingsContext> pageContext,
                                                 QWidget* parent)
    : SettingsPage(std::move(pageContext), SettingsTab::diagnostics, parent) {
  addSection(QStringLiteral("Log"));
  addNote(QStringLiteral("Recent events of this session, with tokens and keys masked. Attach "
                         "the log when you report a problem."));
  count_ = new QLabel(this);
  addRow(QStringLiteral("Entries:"), count_);
  log_ = new QPlainTextEdit(this);
  log_->setReadOnly(true);
  log_->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  log_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  log_->setMinimumHeight(220);
  log_->setAccessibleName(QStringLiteral("Diagnostic log"));
  form()->addRow(log_);
  auto* refresh = new QPushButton(QStringLiteral("Refresh"), this);
  auto* copy = new QPushButton(QStringLiteral("Copy to Clipboard"), this);
  auto* save = new QPushButton(QStringLiteral("Export Log\u2026"), this);
  form()->addRow(buttonRow({refresh, copy, save}));
  messageLine_ = addMessageLine();
  connect(refresh, &QPushButton::clicked, this, &DiagnosticsSettingsPage::reload);
  connect(copy, &QPushButton::clicked, this, &DiagnosticsSettingsPage::copyToClipboard);
  connect(save, &QPushButton::clicked, this, &DiagnosticsSettingsPage::exportToFile);
  reload();
}

void DiagnosticsSettingsPage::showEvent(QShowEvent* event) {
  SettingsPage::showEvent(event);
  reload();
}

void DiagnosticsSettingsPage::reload() {
  const qsizetype entries = DiagnosticLogger::shared().entries().size();
  count_->setText(QStringLiteral("%1 (the last %2 are kept)")
                      .arg(entries)
                      .arg(DiagnosticLogger::maxEntries));
  const QString text = DiagnosticLogger::shared().exportText();
  if (log_->toPlainText() != text) {
    log_->setPlainText(text);
    log_->moveCursor(QTextCursor::End);
  }
  log_->setPlaceholderText(QStringLiteral("Nothing has been logged yet."));
}

void DiagnosticsSettingsPage::copyToClipboard() {
  reload();
  QApplication::clipboard()->setText(log_->toPlainText());
  showMessage(messageLine_, QStringLiteral("Log copied to the clipboard."));
}

void DiagnosticsSettingsPage::exportToFile() {
  const auto& choose = context().services().chooseFile;
  if (!choose) {
    return;
  }
  const QDateTime local = context().env().now().toTimeZone(context().env().calendar.timeZone());
  FileRequest request;
  request.forSaving = true;
  request.caption = QStringLiteral("Export Log");
  request.suggestedName = QStringLiteral("Pelmora_Diagnostics_%1.txt")
                              .arg(local.toString(QStringLiteral("yyyy-MM-dd_HHmm")));
  request.filter = QStringLiteral("Text files (*.txt)");
  QPointer<DiagnosticsSettingsPage> self(this);
  choose(this, request, [self](const QString& path) {
    if (!self || path.isEmpty()) {
      return;
    }
    QSaveFile file(path);
    const QByteArray text = DiagnosticLogger::shared().exportText().toUtf8();
    const bool written = file.open(QIODevice::WriteOnly) && file.write(text) == text.size() &&
                         file.commit();
    showMessage(self->messageLine_,
                written ? QStringLiteral("Log saved to %1.").arg(path)
                        : QStringLiteral("The log could not be saved: %1").arg(file.errorString()),
                written ? ThemeColor::secondary : ThemeColor::red);
  });
}

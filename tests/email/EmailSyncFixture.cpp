#include "EmailSyncFixture.h"

#include "core/model/JsonCoding.h"
#include "core/store/StorageFile.h"

#include <QCoroSignal>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QTimeZone>

QCoro::Task<> Gate::passed() {
  if (!open_) {
    co_await qCoro(this, &Gate::opened);
  }
}

QCoro::Task<QList<EmailMessageContext>> RecordingGmailService::fetchActionableMessages(
    std::optional<QDateTime> after, int limit) {
  searches.append(after);
  limits.append(limit);
  QList<EmailMessageContext> answer =
      co_await MockGmailService::fetchActionableMessages(after, limit);
  if (gate != nullptr) {
    co_await gate->passed();
  }
  if (whileFetching) {
    whileFetching();
  }
  co_return answer;
}

QCoro::Task<QList<EmailExtractedSuggestion>> ScriptedProvider::extractActionableItems(
    EmailMessageContext from) {
  examined.append(from.id);
  if (onExtract) {
    onExtract(from);
  }
  if (gate != nullptr) {
    co_await gate->passed();
  }
  if (const auto failure = failures.constFind(from.id); failure != failures.cend()) {
    std::rethrow_exception(*failure);
  }
  co_return answers.value(from.id);
}

EmailMessageContext mailMessage(const QString& id, const QDateTime& date) {
  return EmailMessageContext(
      id, QStringLiteral("thread-") + id, QStringLiteral("Acme <billing@acme.example>"),
      QStringLiteral("Subject of ") + id, date, QStringLiteral("Snippet of ") + id, QString());
}

EmailExtractedSuggestion suggestionOf(EmailExtractedCategory category, const QString& title,
                                      const QString& sourceMessageID) {
  EmailExtractedSuggestion s;
  s.id = QUuid::createUuid();
  s.sourceMessageID = sourceMessageID;
  s.sender = QStringLiteral("Acme <billing@acme.example>");
  s.subject = QStringLiteral("About ") + title;
  s.receivedDate = testsupport::utc(2026, 3, 10, 7);
  s.category = category;
  s.title = title;
  s.notes = QStringLiteral("Notes on ") + title;
  s.confidence = 0.8;
  s.evidenceSnippet = QStringLiteral("evidence");
  s.createdAt = testsupport::utc(2026, 3, 10, 8);
  return s;
}

EmailSyncTest::EmailSyncTest()
    : now(testsupport::utc(2026, 3, 10, 9)), provider(std::make_shared<ScriptedProvider>()) {
  const QString folder = dir_.path() + QStringLiteral("/Pelmora");
  // An existing empty database: no sample records to step around.
  QDir().mkpath(folder);
  const QByteArray empty = QJsonDocument(DashboardStorageContainer{}.toJson()).toJson();
  EXPECT_FALSE(StorageFile::writeAtomically(folder + QStringLiteral("/dashboard.json"), empty));
  store = std::make_unique<DataStore>(
      folder, &reminders, nullptr, [this] { return now; }, Calendar(QTimeZone::utc()));
  changeSettings([](AppSettings& settings) { settings.isEmailAssistantEnabled = true; });
  coordinator = std::make_unique<EmailSyncCoordinator>(store.get(), gmail, provider, alerts,
                                                       workspace, [this] { return now; });
  DiagnosticLogger::shared().clear();
}

EmailSyncTest::~EmailSyncTest() {
  coordinator.reset();
  store.reset();
}

DashboardStorageContainer EmailSyncTest::savedDatabase() const {
  QFile file(dir_.path() + QStringLiteral("/Pelmora/dashboard.json"));
  EXPECT_TRUE(file.open(QIODevice::ReadOnly));
  return DashboardStorageContainer::fromJson(jsoncoding::parseObject(file.readAll()));
}

QStringList EmailSyncTest::logLines() const {
  QStringList lines;
  for (const DiagnosticLogger::Entry& entry : DiagnosticLogger::shared().entries()) {
    if (entry.subsystem == QStringLiteral("EmailSync")) {
      lines.append(entry.level + u' ' + entry.message);
    }
  }
  return lines;
}

QList<EmailExtractedSuggestion> EmailSyncTest::storedFrom(const QString& sourceMessageID) const {
  QList<EmailExtractedSuggestion> found;
  for (const EmailExtractedSuggestion& s : store->emailSuggestions()) {
    if (s.sourceMessageID == sourceMessageID) {
      found.append(s);
    }
  }
  return found;
}

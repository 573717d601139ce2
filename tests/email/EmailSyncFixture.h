#pragma once

#include "core/email/EmailSyncCoordinator.h"
#include "core/email/MockGmailService.h"
#include "core/model/DiagnosticLogger.h"
#include "core/model/JsonCoding.h"
#include "core/services/MockNotificationService.h"
#include "core/store/DataStore.h"
#include "core/store/StorageFile.h"
#include "core/store/StorageSchema.h"

#include "common/TestSupport.h"

#include <QCoroSignal>
#include <QDir>
#include <QFile>
#include <QHash>
#include <QJsonDocument>
#include <QObject>
#include <QTemporaryDir>
#include <QTimeZone>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

// Holds a coroutine until the test opens it, so a pass can be caught half-way.
class Gate : public QObject {
  Q_OBJECT

 public:
  void open() {
    open_ = true;
    Q_EMIT opened();
  }
  QCoro::Task<> passed() {
    if (!open_) {
      co_await qCoro(this, &Gate::opened);
    }
  }

 Q_SIGNALS:
  void opened();

 private:
  bool open_ = false;
};

// The Gmail double, with a record of each search's date bound, an optional gate before the
// answer and a hook for what happens while the answer travels.
class RecordingGmailService : public MockGmailService {
 public:
  RecordingGmailService() : MockGmailService(true, QStringLiteral("me@example.com"), {}) {}

  QCoro::Task<QList<EmailMessageContext>> fetchActionableMessages(std::optional<QDateTime> after,
                                                                  int limit) override {
    searches.append(after);
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

  QList<std::optional<QDateTime>> searches;
  Gate* gate = nullptr;
  std::function<void()> whileFetching;
};

// A provider that answers per message: its scripted suggestions, or its scripted error.
class ScriptedProvider : public EmailIntelligenceProvider {
 public:
  QCoro::Task<QList<EmailExtractedSuggestion>> extractActionableItems(
      EmailMessageContext from) override {
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

  QHash<QString, QList<EmailExtractedSuggestion>> answers;
  QHash<QString, std::exception_ptr> failures;
  QStringList examined;
  Gate* gate = nullptr;
  std::function<void(const EmailMessageContext&)> onExtract;
};

// A suggestion with fixed, recognisable fields.
inline EmailExtractedSuggestion suggestionOf(
    EmailExtractedCategory category, const QString& title,
    const QString& sourceMessageID = QStringLiteral("m1")) {
  EmailExtractedSuggestion s;
  s.id = QUuid::createUuid();
  s.sourceMessageID = sourceMessageID;
  s.subject = QStringLiteral("About ") + title;
  s.receivedDate = testsupport::utc(2026, 3, 10, 7);
  s.category = category;
  s.title = title;
  s.notes = QStringLiteral("Notes on ") + title;
  s.confidence = 0.8;
  s.createdAt = testsupport::utc(2026, 3, 10, 8);
  return s;
}

// A coordinator over a real store in a temporary folder, with a fixed clock shared by both.
class EmailSyncTest : public ::testing::Test {
 protected:
  EmailSyncTest() {
    // An existing empty database: no sample records to step around.
    QDir().mkpath(folder_);
    const QByteArray empty = QJsonDocument(DashboardStorageContainer{}.toJson()).toJson();
    EXPECT_FALSE(StorageFile::writeAtomically(folder_ + QStringLiteral("/dashboard.json"), empty));
    store = std::make_unique<DataStore>(
        folder_, &reminders, nullptr, [this] { return now; }, Calendar(QTimeZone::utc()));
    changeSettings([](AppSettings& settings) { settings.isEmailAssistantEnabled = true; });
    coordinator = std::make_unique<EmailSyncCoordinator>(store.get(), gmail, provider, alerts,
                                                         workspace, [this] { return now; });
    DiagnosticLogger::shared().clear();
  }

  DashboardStorageContainer savedDatabase() const {
    QFile file(folder_ + QStringLiteral("/dashboard.json"));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    return DashboardStorageContainer::fromJson(jsoncoding::parseObject(file.readAll()));
  }
  void changeSettings(const std::function<void(AppSettings&)>& change) {
    AppSettings settings = store->settings();
    change(settings);
    store->setSettings(settings);
    store->saveSettings();
  }
  // Runs one pass to its end.
  void sync() { testsupport::runTask(coordinator->triggerSync()); }
  // Gmail holds these messages, a minute old and a second apart, in this order.
  void stubMessages(const QStringList& ids) {
    gmail.stubbedMessages.clear();
    for (qsizetype i = 0; i < ids.size(); ++i) {
      gmail.stubbedMessages.append(mailMessage(ids.at(i), now.addSecs(-60 + i)));
    }
  }
  static EmailMessageContext mailMessage(const QString& id, const QDateTime& date) {
    return EmailMessageContext(id, QStringLiteral("thread-") + id, QStringLiteral("Acme"),
                               QStringLiteral("Subject of ") + id, date, QString(), QString());
  }
  // A fresh pass over the one message `id`, answered with `answer`; earlier alerts are cleared.
  void syncOne(const QString& id, const QList<EmailExtractedSuggestion>& answer) {
    stubMessages({id});
    store->setLastEmailSyncAt(std::nullopt);
    provider->answers[id] = answer;
    alerts.emailAlerts.clear();
    sync();
  }
  // "LEVEL message" of each line the coordinator logged since the fixture was built.
  static QStringList logLines() {
    QStringList lines;
    for (const DiagnosticLogger::Entry& entry : DiagnosticLogger::shared().entries()) {
      if (entry.subsystem == QStringLiteral("EmailSync")) {
        lines.append(entry.level + u' ' + entry.message);
      }
    }
    return lines;
  }
  QList<EmailExtractedSuggestion> storedFrom(const QString& sourceMessageID) const {
    QList<EmailExtractedSuggestion> found;
    for (const EmailExtractedSuggestion& s : store->emailSuggestions()) {
      if (s.sourceMessageID == sourceMessageID) {
        found.append(s);
      }
    }
    return found;
  }

  QTemporaryDir dir_;
  const QString folder_ = dir_.path() + QStringLiteral("/Pelmora");
  QDateTime now = testsupport::utc(2026, 3, 10, 9);
  Workspace workspace;
  RecordingGmailService gmail;
  std::shared_ptr<ScriptedProvider> provider = std::make_shared<ScriptedProvider>();
  MockNotificationService alerts;
  MockNotificationService reminders;
  std::unique_ptr<DataStore> store;
  std::unique_ptr<EmailSyncCoordinator> coordinator;
};

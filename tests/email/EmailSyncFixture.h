#pragma once

#include "core/email/EmailSyncCoordinator.h"
#include "core/email/MockGmailService.h"
#include "core/model/DiagnosticLogger.h"
#include "core/services/MockNotificationService.h"
#include "core/store/DataStore.h"
#include "core/store/StorageSchema.h"

#include "common/TestSupport.h"

#include <QHash>
#include <QObject>
#include <QTemporaryDir>

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
  QCoro::Task<> passed();

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
                                                                  int limit) override;

  QList<std::optional<QDateTime>> searches;
  QList<int> limits;
  Gate* gate = nullptr;
  std::function<void()> whileFetching;
};

// A provider that answers per message: its scripted suggestions, or its scripted error.
class ScriptedProvider : public EmailIntelligenceProvider {
 public:
  QCoro::Task<QList<EmailExtractedSuggestion>> extractActionableItems(
      EmailMessageContext from) override;

  QHash<QString, QList<EmailExtractedSuggestion>> answers;
  QHash<QString, std::exception_ptr> failures;
  QStringList examined;
  Gate* gate = nullptr;
  std::function<void(const EmailMessageContext&)> onExtract;
};

EmailMessageContext mailMessage(const QString& id, const QDateTime& date);

// A suggestion with fixed, recognisable fields.
EmailExtractedSuggestion suggestionOf(EmailExtractedCategory category, const QString& title,
                                      const QString& sourceMessageID = QStringLiteral("m1"));

// A coordinator over a real store in a temporary folder, with a fixed clock shared by both.
class EmailSyncTest : public ::testing::Test {
 protected:
  EmailSyncTest();
  ~EmailSyncTest() override;

  DashboardStorageContainer savedDatabase() const;
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
  // A fresh pass over the one message `id`, answered with `answer`; earlier alerts are cleared.
  void syncOne(const QString& id, const QList<EmailExtractedSuggestion>& answer) {
    stubMessages({id});
    store->setLastEmailSyncAt(std::nullopt);
    provider->answers[id] = answer;
    alerts.emailAlerts.clear();
    sync();
  }
  // "LEVEL message" of each line the coordinator logged since the fixture was built.
  QStringList logLines() const;
  QList<EmailExtractedSuggestion> storedFrom(const QString& sourceMessageID) const;

  QDateTime now;
  Workspace workspace;
  RecordingGmailService gmail;
  std::shared_ptr<ScriptedProvider> provider;
  MockNotificationService alerts;
  MockNotificationService reminders;
  std::unique_ptr<DataStore> store;
  std::unique_ptr<EmailSyncCoordinator> coordinator;

 private:
  QTemporaryDir dir_;
};

#pragma once

#include "core/model/DecodingError.h"
#include "core/model/EnumText.h"
#include "core/model/TaskPriority.h"

#include <QDateTime>
#include <QJsonObject>
#include <QString>
#include <QUuid>

#include <optional>

enum class EmailExtractedCategory { bill, task, appointment, waitingFor, importantNotice };

template <>
struct EnumCases<EmailExtractedCategory> {
  static constexpr std::array values{EmailExtractedCategory::bill, EmailExtractedCategory::task,
                                     EmailExtractedCategory::appointment,
                                     EmailExtractedCategory::waitingFor,
                                     EmailExtractedCategory::importantNotice};
};

QString displayText(EmailExtractedCategory category);

enum class SuggestionStatus { pending, approved, dismissed, autoApplied };

template <>
struct EnumCases<SuggestionStatus> {
  static constexpr std::array values{SuggestionStatus::pending, SuggestionStatus::approved,
                                     SuggestionStatus::dismissed, SuggestionStatus::autoApplied};
};

QString displayText(SuggestionStatus status);

// One fetched message as the suggestion providers see it. Never stored; treat as read-only.
struct EmailMessageContext {
  EmailMessageContext(QString id, QString threadId, QString sender, QString subject, QDateTime date,
                      QString snippet, QString bodyExcerpt);

  QString id;  // Gmail message identifier
  QString threadId;
  QString sender;  // raw "From" header: "Name <address>" or a bare address
  QString subject;
  QDateTime date;
  QString snippet;  // short plain-text preview
  QString bodyExcerpt;

  bool operator==(const EmailMessageContext&) const = default;
};

// One reviewable suggestion drawn from a message.
struct EmailExtractedSuggestion {
  QUuid id;
  QString sourceMessageID;
  QString sender;
  QString subject;
  QDateTime receivedDate;
  EmailExtractedCategory category = EmailExtractedCategory::task;
  QString title;
  QString notes;
  double confidence = 0;
  QString evidenceSnippet;
  std::optional<double> amount;
  std::optional<QString> currency;
  std::optional<QDateTime> dueDate;
  std::optional<QString> referenceNumber;
  std::optional<QString> personOrOrg;
  TaskPriority priority = TaskPriority::medium;
  std::optional<QString> location;
  SuggestionStatus status = SuggestionStatus::pending;
  QDateTime createdAt;
  std::optional<QDateTime> reviewedAt;

  QJsonObject toJson() const;
  static EmailExtractedSuggestion fromJson(const QJsonObject& object);

  bool operator==(const EmailExtractedSuggestion&) const = default;
};

struct EmailSyncState {
  std::optional<QDateTime> lastSyncAt;
  QString lastSyncStatus;
  std::optional<QString> accountEmail;
  bool isSyncing = false;
  int pendingCount = 0;

  QJsonObject toJson() const;
  static EmailSyncState fromJson(const QJsonObject& object);

  bool operator==(const EmailSyncState&) const = default;
};

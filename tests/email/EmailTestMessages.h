#pragma once

#include "core/model/EmailIntelligenceModels.h"

#include "common/TestSupport.h"

#include <QString>

// Messages for the suggestion tests: only what a case cares about is given.
inline EmailMessageContext emailMessage(
    const QString& subject, const QString& snippet = QString(),
    const QString& bodyExcerpt = QString(),
    const QString& sender = QStringLiteral("Acme Power <billing@acme.example>"),
    const QDateTime& date = testsupport::utc(2025, 3, 1, 15)) {
  return EmailMessageContext(QStringLiteral("msg-1"), QStringLiteral("thread-1"), sender, subject,
                             date, snippet, bodyExcerpt);
}

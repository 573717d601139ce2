#pragma once

#include "core/model/EmailIntelligenceModels.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>

// Turns a Gemini generateContent reply into suggestions for `sourceEmail`. The generated text
// (first candidate, first part) must be a JSON array of items; doubtful items are dropped and
// the rest clamped. The model's output is untrusted: nothing in it makes this fail, anything
// malformed only yields fewer or no suggestions. `now` is the present moment (tests fix it).
QList<EmailExtractedSuggestion> parseAndValidateGeminiResponse(
    const QByteArray& data, const EmailMessageContext& sourceEmail,
    const QDateTime& now = QDateTime::currentDateTimeUtc());

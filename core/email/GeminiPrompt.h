#pragma once

#include "core/model/EmailIntelligenceModels.h"

#include <QByteArray>
#include <QString>

// The fixed instruction that opens every prompt; it ends inside the opening content tag with
// "Sender: ", so the message's sender follows it directly.
const QString& geminiInstruction();

// The instruction followed by the message framed as untrusted data: sender, date, subject and
// snippet, each without the content tags and cut to 800 user-perceived characters, so a
// message can neither close the frame early nor flood the request. The body excerpt is never
// sent.
QString geminiPrompt(const EmailMessageContext& message);

// The generateContent request body for a prompt, compact JSON.
QByteArray geminiRequestBody(const QString& prompt);

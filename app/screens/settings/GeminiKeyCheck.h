#pragma once

#include <QCoroTask>
#include <QString>
#include <QUrl>

#include <chrono>

// What Gemini said about a key when asked for one model's description.
enum class GeminiKeyCheck {
  valid,         // the model was described
  invalid,       // the key was refused (400, 401, 403)
  unknownModel,  // the key works, the model name does not (404)
  offline,       // no answer came
  serviceError,  // any other status
};

// GET <base>/v1beta/models/<model>?key=<key>. Never throws.
QCoro::Task<GeminiKeyCheck> checkGeminiKey(
    QUrl baseUrl, QString model, QString key,
    std::chrono::milliseconds timeout = std::chrono::seconds(15));

// The line shown under the key field.
QString geminiKeyCheckText(GeminiKeyCheck result, const QString& model);

// A stored key as the page shows it: bullets and its last four characters at most.
QString maskedApiKey(const QString& key);

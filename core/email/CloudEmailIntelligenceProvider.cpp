#include "core/email/CloudEmailIntelligenceProvider.h"

#include "core/email/GeminiPrompt.h"
#include "core/email/GeminiResponse.h"
#include "core/model/AppConfig.h"
#include "core/model/KeychainHelper.h"
#include "core/platform/HttpSession.h"

namespace {

// The stored key, trimmed; the built-in one when none is stored or it is blank.
QString chosenApiKey() {
  if (const auto stored = KeychainHelper::read(
          QString::fromLatin1(CloudEmailIntelligenceProvider::apiKeyKeychainKey))) {
    const QString trimmed = stored->trimmed();
    if (!trimmed.isEmpty()) {
      return trimmed;
    }
  }
  return AppConfig::defaultAIApiKey();
}

}  // namespace

QUrl CloudEmailIntelligenceProvider::defaultGeminiBaseUrl() {
  return QUrl(QStringLiteral("https://generativelanguage.googleapis.com"));
}

bool CloudEmailIntelligenceProvider::hasApiKey() { return !chosenApiKey().isEmpty(); }

bool CloudEmailIntelligenceProvider::fallsBackForMissingKey(const AppSettings& settings) {
  return settings.isCloudAIEnabled && settings.hasConsentedToCloudAI && !hasApiKey();
}

CloudEmailIntelligenceProvider::CloudEmailIntelligenceProvider(
    QString modelName, std::shared_ptr<EmailIntelligenceProvider> fallbackProvider,
    QUrl geminiBaseUrl, std::chrono::milliseconds requestTimeout,
    std::chrono::milliseconds resourceTimeout)
    : modelName(std::move(modelName)),
      session_(std::make_shared<HttpSession>(requestTimeout, resourceTimeout)),
      fallbackProvider_(std::move(fallbackProvider)),
      geminiBaseUrl_(std::move(geminiBaseUrl)) {}

CloudEmailIntelligenceProvider::~CloudEmailIntelligenceProvider() = default;

QUrl CloudEmailIntelligenceProvider::requestUrl(const QString& key) const {
  // Model and key go in as they are, unencoded; text that makes no valid address gives none.
  QString base = geminiBaseUrl_.toString(QUrl::FullyEncoded);
  while (base.endsWith(u'/')) {
    base.chop(1);
  }
  return QUrl(base + QStringLiteral("/v1beta/models/") + modelName +
                  QStringLiteral(":generateContent?key=") + key,
              QUrl::StrictMode);
}

QCoro::Task<QList<EmailExtractedSuggestion>> CloudEmailIntelligenceProvider::extractActionableItems(
    EmailMessageContext from) {
  // Whatever the call needs after it suspends is held here: the provider itself may be
  // replaced and destroyed while a request is out.
  const std::shared_ptr<EmailIntelligenceProvider> fallback = fallbackProvider_;
  const std::shared_ptr<HttpSession> session = session_;

  const QString key = chosenApiKey();
  if (key.isEmpty()) {
    co_return co_await fallback->extractActionableItems(from);
  }
  const QUrl url = requestUrl(key);
  if (!url.isValid()) {
    co_return co_await fallback->extractActionableItems(from);
  }

  try {
    HttpRequest request;
    request.method = "POST";
    request.url = url;
    request.headers = {{"Content-Type", "application/json"}};
    request.body = geminiRequestBody(geminiPrompt(from));
    request.timeout = std::chrono::seconds(60);
    const HttpResponse response = co_await session->send(std::move(request));
    if (response.isSuccess()) {
      co_return parseAndValidateGeminiResponse(response.body, from);
    }
    co_return co_await fallback->extractActionableItems(from);
  } catch (...) {
    // Transport failure, time-out, or the fallback failing just above: the fallback answers
    // (once more), and only its error reaches the caller.
  }
  co_return co_await fallback->extractActionableItems(from);
}

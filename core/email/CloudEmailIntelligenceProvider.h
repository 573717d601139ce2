#pragma once

#include "core/email/EmailIntelligenceProvider.h"
#include "core/model/AppSettings.h"

#include <QString>
#include <QUrl>

#include <chrono>
#include <memory>

class HttpSession;

// Asks Google's Gemini service for a message's actionable items. Every failure before an HTTP
// success reply (no key, a bad address, transport error, time-out, any other status) hands the
// message to the fallback provider; a success reply is validated and returned as it is, even
// when empty. Throws only what the fallback throws.
class CloudEmailIntelligenceProvider : public EmailIntelligenceProvider {
 public:
  static constexpr auto apiKeyKeychainKey = "ai_provider_api_key";
  static QUrl defaultGeminiBaseUrl();  // https://generativelanguage.googleapis.com
  // Whether a request would carry a key: one saved in the keyring, else the build's own.
  static bool hasApiKey();
  // The cloud is chosen (switch and consent) but there is no key, so every message goes to
  // the fallback: the user is told so where the provider is chosen and where suggestions show.
  static bool fallsBackForMissingKey(const AppSettings& settings);

  // The provider builds its own HTTP session: 20 s of silence or 30 s in all end a request.
  // Tests aim it at a local server and may shorten the limits.
  CloudEmailIntelligenceProvider(
      QString modelName, std::shared_ptr<EmailIntelligenceProvider> fallbackProvider,
      QUrl geminiBaseUrl = defaultGeminiBaseUrl(),
      std::chrono::milliseconds requestTimeout = std::chrono::seconds(20),
      std::chrono::milliseconds resourceTimeout = std::chrono::seconds(30));
  ~CloudEmailIntelligenceProvider() override;

  QCoro::Task<QList<EmailExtractedSuggestion>> extractActionableItems(
      EmailMessageContext from) override;

  // Read once per call, when the request address is built.
  QString modelName;

 private:
  QUrl requestUrl(const QString& key) const;

  std::shared_ptr<HttpSession> session_;
  std::shared_ptr<EmailIntelligenceProvider> fallbackProvider_;
  QUrl geminiBaseUrl_;
};

#include "app/screens/settings/GeminiKeyCheck.h"

#include "core/platform/HttpSession.h"

#include <QUrlQuery>

QCoro::Task<GeminiKeyCheck> checkGeminiKey(QUrl baseUrl, QString model, QString key,
                                           std::chrono::milliseconds timeout) {
  QString base = baseUrl.toString(QUrl::FullyEncoded);
  while (base.endsWith(u'/')) {
    base.chop(1);
  }
  // Unlike the generate request, both parts are encoded here: a typed model or key with a
  // space or "&" must not turn into another request.
  QUrl url(base + QStringLiteral("/v1beta/models/") +
           QString::fromLatin1(QUrl::toPercentEncoding(model.trimmed())));
  QUrlQuery query;
  query.addQueryItem(QStringLiteral("key"),
                     QString::fromLatin1(QUrl::toPercentEncoding(key.trimmed())));
  url.setQuery(query);
  if (!url.isValid() || model.trimmed().isEmpty()) {
    co_return GeminiKeyCheck::unknownModel;
  }

  HttpSession session(timeout, timeout);
  HttpRequest request;
  request.url = url;
  request.timeout = timeout;
  try {
    const HttpResponse response = co_await session.send(std::move(request));
    if (response.isSuccess()) {
      co_return GeminiKeyCheck::valid;
    }
    switch (response.status) {
      case 400:
      case 401:
      case 403:
        co_return GeminiKeyCheck::invalid;
      case 404:
        co_return GeminiKeyCheck::unknownModel;
      default:
        co_return GeminiKeyCheck::serviceError;
    }
  } catch (...) {
    co_return GeminiKeyCheck::offline;
  }
}

QString geminiKeyCheckText(GeminiKeyCheck result, const QString& model) {
  switch (result) {
    case GeminiKeyCheck::valid:
      return QStringLiteral("Valid: the key works with %1.").arg(model);
    case GeminiKeyCheck::invalid:
      return QStringLiteral("Invalid: Gemini refused this key.");
    case GeminiKeyCheck::unknownModel:
      return QStringLiteral("Gemini does not know the model \u201c%1\u201d.").arg(model);
    case GeminiKeyCheck::offline:
      return QStringLiteral("Offline: Gemini could not be reached. Check your connection.");
    case GeminiKeyCheck::serviceError:
      return QStringLiteral("Gemini is not answering properly right now. Try again later.");
  }
  return {};
}

QString maskedApiKey(const QString& key) {
  const QString trimmed = key.trimmed();
  if (trimmed.isEmpty()) {
    return {};
  }
  // Short keys show no characters at all: four of eight would give half of it away.
  const QString tail = trimmed.size() >= 12 ? trimmed.right(4) : QString();
  return QString(8, QChar(0x2022)) + tail;
}

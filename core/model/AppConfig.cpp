#include "core/model/AppConfig.h"

#include <QStringList>

#include <algorithm>

#ifndef PELMORA_GOOGLE_CLIENT_ID
#define PELMORA_GOOGLE_CLIENT_ID ""
#endif
#ifndef PELMORA_GOOGLE_CLIENT_SECRET
#define PELMORA_GOOGLE_CLIENT_SECRET ""
#endif

QString AppConfig::googleClientID() { return QStringLiteral(PELMORA_GOOGLE_CLIENT_ID).trimmed(); }

QString AppConfig::googleClientSecret() {
  return QStringLiteral(PELMORA_GOOGLE_CLIENT_SECRET).trimmed();
}

bool AppConfig::isGoogleClientConfigured() { return !googleClientID().isEmpty(); }

QString AppConfig::googleRedirectScheme() { return redirectSchemeFor(googleClientID()); }

QString AppConfig::redirectSchemeFor(const QString& clientID) {
  QStringList labels = clientID.split(QLatin1Char('.'));
  std::reverse(labels.begin(), labels.end());
  return labels.join(QLatin1Char('.'));
}

QString AppConfig::googleRedirectURI() {
  return googleRedirectScheme() + QStringLiteral(":/oauth2redirect");
}

QString AppConfig::defaultAIApiKey() { return {}; }

QString AppConfig::defaultAIModel() { return QStringLiteral("gemini-3.8-flash"); }

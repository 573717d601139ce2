#pragma once

#include <QString>

// Built-in constants. The Google client registration comes from the build
// (PELMORA_GOOGLE_CLIENT_ID / PELMORA_GOOGLE_CLIENT_SECRET) and is empty by default.
class AppConfig {
 public:
  static QString googleClientID();
  static QString googleClientSecret();
  static bool isGoogleClientConfigured();
  // The client identifier with its dot-separated labels reversed.
  static QString googleRedirectScheme();
  static QString googleRedirectURI();
  // "123-abc.apps.googleusercontent.com" -> "com.googleusercontent.apps.123-abc".
  static QString redirectSchemeFor(const QString& clientID);

  // No key ships with the application; the user's key lives in the keychain.
  static QString defaultAIApiKey();
  static QString defaultAIModel();
};

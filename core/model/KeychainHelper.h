#pragma once

#include <QString>

#include <optional>

// Generic-password items in the desktop's Secret Service (GNOME Keyring, KWallet),
// stored under the service "com.pelmora.credentials" with the key as account.
// Never throws; without a Secret Service, reads give nothing and writes fail.
class KeychainHelper {
 public:
  static constexpr auto service = "com.pelmora.credentials";

  static std::optional<QString> read(const QString& key);
  static bool save(const QString& key, const QString& secret);
  // Named remove because delete is a keyword; true when the item is gone afterwards.
  static bool remove(const QString& key);
};

#include "core/model/KeychainHelper.h"

#include "core/model/DiagnosticLogger.h"

#include <QStringDecoder>

#include <libsecret/secret.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace {

const SecretSchema* schema() {
  static const SecretSchema s = {KeychainHelper::service,
                                 SECRET_SCHEMA_DONT_MATCH_NAME,
                                 {{"service", SECRET_SCHEMA_ATTRIBUTE_STRING},
                                  {"account", SECRET_SCHEMA_ATTRIBUTE_STRING},
                                  {nullptr, SECRET_SCHEMA_ATTRIBUTE_STRING}},
                                 0,
                                 nullptr,
                                 nullptr,
                                 nullptr,
                                 nullptr,
                                 nullptr,
                                 nullptr,
                                 nullptr};
  return &s;
}

// A Secret Service that is registered but never answers must not freeze the
// caller: each call is cancelled after a few seconds.
class Deadline {
 public:
  explicit Deadline(std::chrono::seconds limit) : cancellable_(g_cancellable_new()) {
    watcher_ = std::thread([this, limit] {
      std::unique_lock lock(mutex_);
      if (!cv_.wait_for(lock, limit, [this] { return done_; })) {
        g_cancellable_cancel(cancellable_);
      }
    });
  }
  ~Deadline() {
    {
      std::lock_guard lock(mutex_);
      done_ = true;
    }
    cv_.notify_all();
    watcher_.join();
    g_object_unref(cancellable_);
  }
  GCancellable* cancellable() const { return cancellable_; }

 private:
  GCancellable* cancellable_;
  std::mutex mutex_;
  std::condition_variable cv_;
  bool done_ = false;
  std::thread watcher_;
};

constexpr std::chrono::seconds callLimit{5};

void logFailure(const char* what, GError* error) {
  if (error == nullptr) {
    return;
  }
  // Only the error text: never the key's value.
  DiagnosticLogger::shared().log(QStringLiteral("Keychain %1 failed: %2")
                                     .arg(QLatin1String(what), QString::fromUtf8(error->message)),
                                 QStringLiteral("WARN"), QStringLiteral("System"));
  g_error_free(error);
}

}  // namespace

std::optional<QString> KeychainHelper::read(const QString& key) {
  const QByteArray account = key.toUtf8();
  GError* error = nullptr;
  Deadline deadline(callLimit);
  gchar* secret = secret_password_lookup_sync(schema(), deadline.cancellable(), &error, "service",
                                              service, "account", account.constData(), nullptr);
  if (secret == nullptr) {
    logFailure("read", error);
    return std::nullopt;
  }
  const QByteArray bytes(secret);
  secret_password_free(secret);
  // Items written by others may hold bytes that are not text.
  auto decoder = QStringDecoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
  QString text = decoder.decode(bytes);
  if (decoder.hasError()) {
    return std::nullopt;
  }
  return text;
}

bool KeychainHelper::save(const QString& key, const QString& secret) {
  // A failed delete is logged; the store below replaces a matching item anyway, so its
  // outcome is what counts.
  remove(key);
  const QByteArray account = key.toUtf8();
  const QByteArray value = secret.toUtf8();
  const QByteArray label = QStringLiteral("Pelmora: %1").arg(key).toUtf8();
  GError* error = nullptr;
  Deadline deadline(callLimit);
  const gboolean stored = secret_password_store_sync(
      schema(), SECRET_COLLECTION_DEFAULT, label.constData(), value.constData(),
      deadline.cancellable(), &error, "service", service, "account", account.constData(), nullptr);
  if (!stored) {
    logFailure("save", error);
    return false;
  }
  return true;
}

bool KeychainHelper::remove(const QString& key) {
  const QByteArray account = key.toUtf8();
  GError* error = nullptr;
  Deadline deadline(callLimit);
  // FALSE without an error means there was nothing to delete.
  secret_password_clear_sync(schema(), deadline.cancellable(), &error, "service", service,
                             "account", account.constData(), nullptr);
  if (error != nullptr) {
    logFailure("delete", error);
    return false;
  }
  return true;
}

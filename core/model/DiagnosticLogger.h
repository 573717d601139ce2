#pragma once

#include <QDateTime>
#include <QList>
#include <QMutex>
#include <QString>

// The shared in-memory log the user can export from the diagnostics page.
// Bounded, thread-safe, and scrubbed of anything that looks like a credential.
class DiagnosticLogger {
 public:
  struct Entry {
    QDateTime timestamp;
    QString level;
    QString subsystem;
    QString message;
    bool operator==(const Entry&) const = default;
  };

  static constexpr int maxEntries = 200;

  static DiagnosticLogger& shared();

  void log(const QString& message, const QString& level = QStringLiteral("INFO"),
           const QString& subsystem = QStringLiteral("App"));

  QList<Entry> entries() const;
  // One line per entry: "[timestamp] [LEVEL] [Subsystem] message".
  QString exportText() const;
  void clear();

  static QString formatLine(const Entry& entry);
  // Masks bearer tokens, OAuth codes and keys in free text.
  static QString redacted(const QString& message);

 private:
  DiagnosticLogger() = default;

  mutable QMutex mutex_;
  QList<Entry> entries_;
};

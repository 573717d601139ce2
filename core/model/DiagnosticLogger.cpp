#include "core/model/DiagnosticLogger.h"

#include <QMutexLocker>
#include <QRegularExpression>

#include <cstdio>

DiagnosticLogger& DiagnosticLogger::shared() {
  static DiagnosticLogger instance;
  return instance;
}

QString DiagnosticLogger::redacted(const QString& message) {
  // Callers never mean to log secrets; this catches the ones that slip through
  // inside URLs, form bodies or error texts echoed back by a server.
  static const QString names = QStringLiteral(
      "access_token|refresh_token|id_token|code|code_verifier|client_secret|key|api_key|token|"
      "password|secret");
  static const QRegularExpression formField(QStringLiteral(R"(\b(%1)=([^\s&]+))").arg(names),
                                            QRegularExpression::CaseInsensitiveOption);
  static const QRegularExpression jsonField(
      QStringLiteral(R"re("(%1)"\s*:\s*"[^"]*")re").arg(names),
      QRegularExpression::CaseInsensitiveOption);
  static const QRegularExpression bearer(QStringLiteral(R"(\bBearer\s+\S+)"),
                                         QRegularExpression::CaseInsensitiveOption);
  static const QRegularExpression googleTokens(QStringLiteral(R"(\b(ya29\.|1//|AIza)[\w.\-]+)"));
  QString text = message;
  text.replace(formField, QStringLiteral("\\1=[redacted]"));
  text.replace(jsonField, QStringLiteral("\"\\1\": \"[redacted]\""));
  text.replace(bearer, QStringLiteral("Bearer [redacted]"));
  text.replace(googleTokens, QStringLiteral("[redacted]"));
  return text;
}

void DiagnosticLogger::log(const QString& message, const QString& level, const QString& subsystem) {
  Entry entry{QDateTime::currentDateTimeUtc(), level, subsystem, redacted(message)};
  if (qEnvironmentVariableIsSet("PELMORA_LOG_STDERR")) {
    std::fprintf(stderr, "%s\n", qUtf8Printable(formatLine(entry)));
  }
  QMutexLocker lock(&mutex_);
  entries_.append(std::move(entry));
  if (entries_.size() > maxEntries) {
    entries_.remove(0, entries_.size() - maxEntries);
  }
}

QList<DiagnosticLogger::Entry> DiagnosticLogger::entries() const {
  QMutexLocker lock(&mutex_);
  return entries_;
}

QString DiagnosticLogger::formatLine(const Entry& entry) {
  // Server replies and error texts may span several lines; the export keeps one per entry.
  static const QRegularExpression lineBreaks(QStringLiteral("\\s*[\\r\\n\\x{2028}\\x{2029}]+\\s*"));
  QString line = QStringLiteral("[%1] [%2] [%3] %4")
                     .arg(entry.timestamp.toUTC().toString(Qt::ISODateWithMs), entry.level,
                          entry.subsystem, entry.message);
  return line.replace(lineBreaks, QStringLiteral(" "));
}

QString DiagnosticLogger::exportText() const {
  QStringList lines;
  for (const Entry& entry : entries()) {
    lines.append(formatLine(entry));
  }
  return lines.join(QLatin1Char('\n'));
}

void DiagnosticLogger::clear() {
  QMutexLocker lock(&mutex_);
  entries_.clear();
}

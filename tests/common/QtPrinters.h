#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QUuid>

#include <ostream>

// Readable failure messages for Qt values instead of byte dumps.
inline void PrintTo(const QString& text, std::ostream* out) {
  *out << '"' << text.toStdString() << '"';
}

inline void PrintTo(const QByteArray& bytes, std::ostream* out) {
  *out << '"' << bytes.toStdString() << '"';
}

inline void PrintTo(const QDateTime& date, std::ostream* out) {
  *out << (date.isValid() ? date.toUTC().toString(Qt::ISODateWithMs).toStdString() : "invalid");
}

inline void PrintTo(const QUuid& id, std::ostream* out) {
  *out << id.toString(QUuid::WithoutBraces).toStdString();
}

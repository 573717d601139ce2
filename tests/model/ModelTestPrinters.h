#pragma once

#include <QDateTime>
#include <QString>

#include <ostream>

// Readable failure messages for Qt values instead of byte dumps.
inline void PrintTo(const QString& text, std::ostream* out) {
  *out << '"' << text.toStdString() << '"';
}

inline void PrintTo(const QDateTime& date, std::ostream* out) {
  *out << (date.isValid() ? date.toUTC().toString(Qt::ISODateWithMs).toStdString() : "invalid");
}

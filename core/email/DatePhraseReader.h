#pragma once

#include "core/model/Calendar.h"

#include <QDateTime>
#include <QLocale>
#include <QString>

#include <optional>

// Reads the date phrases that follow "due", "by" or "date" in an e-mail:
//   "March 15, 2025" / "Mar 15" (English month name or abbreviation, day, optional year),
//   "3/15/2025" / "15/03/25" (numeric, in the order the locale writes dates),
//   "2025-03-15" (ISO).
// A phrase without a year means the next such day on or after the message's day. The result
// is noon of that day in the reader's calendar, so the day survives small zone shifts; an
// impossible day (February 30) gives none.
class DatePhraseReader {
 public:
  explicit DatePhraseReader(const QLocale& locale = QLocale::system(),
                            const Calendar& calendar = Calendar::current());

  std::optional<QDateTime> read(const QString& phrase, const QDateTime& messageDate) const;

 private:
  std::optional<QDate> readDay(const QString& phrase, const QDate& messageDay) const;

  bool monthFirst_;
  Calendar calendar_;
};

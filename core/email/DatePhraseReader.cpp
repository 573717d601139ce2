#include "core/email/DatePhraseReader.h"

#include "core/email/CompiledPattern.h"

#include <array>

namespace {

const QRegularExpression& monthDayPattern() {
  static const QRegularExpression re =
      compiledPattern(QStringLiteral("^([a-z]{3,9})\\s+([0-9]{1,2})(?:,\\s+([0-9]{4}))?$"),
                      QRegularExpression::CaseInsensitiveOption);
  return re;
}

const QRegularExpression& numericPattern() {
  static const QRegularExpression re =
      compiledPattern(QStringLiteral("^([0-9]{1,2})/([0-9]{1,2})/([0-9]{2,4})$"));
  return re;
}

const QRegularExpression& isoPattern() {
  static const QRegularExpression re =
      compiledPattern(QStringLiteral("^([0-9]{4})-([0-9]{2})-([0-9]{2})$"));
  return re;
}

// 1-12 for an English month name, its three-letter abbreviation or "sept"; 0 otherwise.
int monthNumber(const QString& word) {
  static constexpr std::array<const char*, 12> names = {
      "january", "february", "march",     "april",   "may",      "june",
      "july",    "august",   "september", "october", "november", "december"};
  const QString lower = word.toLower();
  for (std::size_t i = 0; i < names.size(); ++i) {
    const QLatin1StringView name(names[i]);
    if (lower == name || lower == name.left(3)) {
      return static_cast<int>(i) + 1;
    }
  }
  return lower == QLatin1StringView("sept") ? 9 : 0;
}

// The first valid day of that month and day on or after `from` (February 29 waits for a leap
// year); none when the month never has that day.
std::optional<QDate> nextOccurrence(int month, int day, const QDate& from) {
  for (int year = from.year(); year <= from.year() + 8; ++year) {
    const QDate candidate(year, month, day);
    if (candidate.isValid() && candidate >= from) {
      return candidate;
    }
  }
  return std::nullopt;
}

std::optional<QDate> validDay(int year, int month, int day) {
  const QDate date(year, month, day);
  if (!date.isValid()) {
    return std::nullopt;
  }
  return date;
}

// A two-digit year is taken in the century that puts it nearest the message's year.
int expandTwoDigitYear(int twoDigits, int referenceYear) {
  int year = referenceYear / 100 * 100 + twoDigits;
  if (year > referenceYear + 50) {
    year -= 100;
  } else if (year <= referenceYear - 50) {
    year += 100;
  }
  return year;
}

bool localeWritesMonthFirst(const QLocale& locale) {
  const QString format = locale.dateFormat(QLocale::ShortFormat);
  const qsizetype month = format.indexOf(u'M');
  const qsizetype day = format.indexOf(u'd');
  if (month < 0 || day < 0) {
    return true;
  }
  return month < day;
}

}  // namespace

DatePhraseReader::DatePhraseReader(const QLocale& locale, const Calendar& calendar)
    : monthFirst_(localeWritesMonthFirst(locale)), calendar_(calendar) {}

std::optional<QDateTime> DatePhraseReader::read(const QString& phrase,
                                                const QDateTime& messageDate) const {
  const auto day = readDay(phrase.trimmed(), calendar_.date(messageDate));
  if (!day) {
    return std::nullopt;
  }
  return calendar_.dateTime(*day, QTime(12, 0));
}

std::optional<QDate> DatePhraseReader::readDay(const QString& phrase,
                                               const QDate& messageDay) const {
  if (const auto m = isoPattern().match(phrase); m.hasMatch()) {
    return validDay(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
  }
  if (const auto m = numericPattern().match(phrase); m.hasMatch()) {
    const int first = m.captured(1).toInt();
    const int second = m.captured(2).toInt();
    const QString yearText = m.captured(3);
    int year = yearText.toInt();
    if (yearText.size() == 2) {
      year = expandTwoDigitYear(year, messageDay.year());
    } else if (yearText.size() != 4) {
      return std::nullopt;
    }
    const int month = monthFirst_ ? first : second;
    const int day = monthFirst_ ? second : first;
    if (const auto date = validDay(year, month, day)) {
      return date;
    }
    // Written in the other order (an American date read in Britain): take it only when that
    // reading is the one possible day.
    return validDay(year, day, month);
  }
  if (const auto m = monthDayPattern().match(phrase); m.hasMatch()) {
    const int month = monthNumber(m.captured(1));
    if (month == 0) {
      return std::nullopt;
    }
    const int day = m.captured(2).toInt();
    if (m.hasCaptured(3)) {
      return validDay(m.captured(3).toInt(), month, day);
    }
    return nextOccurrence(month, day, messageDay);
  }
  return std::nullopt;
}

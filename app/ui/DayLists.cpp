#include "app/ui/DayLists.h"

#include <QRegularExpression>

#include <cmath>

namespace day_lists {

QList<TaskItem> tasksDueToday(const QList<TaskItem>& tasks, const QDateTime& now,
                              const Calendar& calendar, Completed completed) {
  QList<TaskItem> result;
  for (const TaskItem& task : tasks) {
    if (completed == Completed::excluded && task.isCompleted) {
      continue;
    }
    if (task.isDueToday(calendar, now)) {
      result.append(task);
    }
  }
  return result;
}

QList<WaitingForItem> followUpsOverdue(const QList<WaitingForItem>& items, const QDateTime& now) {
  QList<WaitingForItem> result;
  for (const WaitingForItem& item : items) {
    if (item.isFollowUpOverdue(now)) {
      result.append(item);
    }
  }
  return result;
}

QString shortTimeFormat(const QLocale& locale) {
  // Some locales (C and POSIX among them) keep seconds even in their short form.
  QString format = locale.timeFormat(QLocale::ShortFormat);
  static const QRegularExpression seconds(QStringLiteral("[:.]ss?"));
  format.remove(seconds);
  return format;
}

QString shortTime(const QTime& time, const QLocale& locale) {
  return locale.toString(time, shortTimeFormat(locale));
}

QString shortTime(const QDateTime& instant, const Calendar& calendar, const QLocale& locale) {
  return shortTime(instant.toTimeZone(calendar.timeZone()).time(), locale);
}

QString abbreviatedDate(const QDateTime& instant, const Calendar& calendar, const QLocale& locale) {
  // The long form keeps the locale's own order of day, month and year.
  static const QRegularExpression weekday(QStringLiteral("d{4}[,.]?\\s*"));
  QString format = locale.dateFormat(QLocale::LongFormat);
  format.remove(weekday);
  format.replace(QStringLiteral("MMMM"), QStringLiteral("MMM"));
  return locale.toString(calendar.date(instant), format.trimmed());
}

QString formatSeconds(double seconds) {
  if (!std::isfinite(seconds) || seconds < 0) {
    seconds = 0;
  }
  const auto whole = static_cast<long long>(seconds);
  return QString::asprintf("%02lld:%02lld", whole / 60, whole % 60);
}

}  // namespace day_lists

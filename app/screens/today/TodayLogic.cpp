#include "app/screens/today/TodayLogic.h"

#include "app/ui/DayLists.h"

#include <QStringList>

#include <algorithm>

namespace {

QString counted(qsizetype count, const char* one, const char* many) {
  return QString::number(count) + QLatin1Char(' ') + QLatin1String(count == 1 ? one : many);
}

}  // namespace

namespace today {

QString greetingText(const QString& customGreeting, const QDateTime& now,
                     const Calendar& calendar) {
  if (!customGreeting.isEmpty()) {
    return customGreeting;
  }
  const int hour = now.toTimeZone(calendar.timeZone()).time().hour();
  if (hour >= 5 && hour <= 11) {
    return QStringLiteral("Good morning");
  }
  if (hour >= 12 && hour <= 16) {
    return QStringLiteral("Good afternoon");
  }
  if (hour >= 17 && hour <= 21) {
    return QStringLiteral("Good evening");
  }
  return QStringLiteral("Good night");
}

QList<TaskItem> todayTasks(const QList<TaskItem>& tasks, const QDateTime& now,
                           const Calendar& calendar) {
  return day_lists::tasksDueToday(tasks, now, calendar, day_lists::Completed::included);
}

QList<WaitingForItem> waitingNeedingAttention(const QList<WaitingForItem>& items,
                                              const QDateTime& now) {
  return day_lists::followUpsOverdue(items, now);
}

QString dateText(const QDateTime& now, const Calendar& calendar, const QLocale& locale) {
  return locale.toString(calendar.date(now), QLocale::LongFormat);
}

QString shortLocationName(const QString& locationName) {
  return locationName.section(QLatin1Char(','), 0, 0);
}

QString emailPromptText(qsizetype pendingCount) {
  return QStringLiteral("%1 actionable suggestion%2 from recent emails waiting for review.")
      .arg(pendingCount)
      .arg(pendingCount == 1 ? QString() : QStringLiteral("s"));
}

QString viewAllText(const QList<TaskItem>& tasks) {
  const auto open = std::count_if(tasks.begin(), tasks.end(),
                                  [](const TaskItem& task) { return !task.isCompleted; });
  return QStringLiteral("View All (%1)").arg(open);
}

QString tasksFinishedText(const DashboardSummary& summary) {
  return QStringLiteral("%1 of %2 tasks finished")
      .arg(summary.finishedTasksDueToday)
      .arg(summary.totalTasksDueToday);
}

QString followUpDetail(const WaitingForItem& item, const QDateTime& now, const Calendar& calendar) {
  return QStringLiteral("%1 \u2022 %2 days waiting")
      .arg(item.personOrOrg, QString::number(item.daysWaiting(now, calendar)));
}

QString eventTimeText(const CalendarEventItem& event, const Calendar& calendar,
                      const QLocale& locale) {
  if (event.isAllDay) {
    return QStringLiteral("All Day");
  }
  return day_lists::shortTime(event.startDate, calendar, locale) + QStringLiteral(" - ") +
         day_lists::shortTime(event.endDate, calendar, locale);
}

SampleRecords sampleRecords(const QList<TaskItem>& tasks, const QList<BillItem>& bills,
                            const QList<WaitingForItem>& waitingItems,
                            const QList<CalendarEventItem>& manualEvents) {
  auto sample = [](const auto& record) { return record.isSampleData; };
  SampleRecords records;
  records.tasks = std::count_if(tasks.begin(), tasks.end(), sample);
  records.bills = std::count_if(bills.begin(), bills.end(), sample);
  records.waitingItems = std::count_if(waitingItems.begin(), waitingItems.end(), sample);
  records.events = std::count_if(manualEvents.begin(), manualEvents.end(), [](const auto& e) {
    return e.sourceType == CalendarSourceType::sample;
  });
  return records;
}

QString removeSampleDataQuestion(const SampleRecords& records) {
  return counted(records.total(), "sample record", "sample records") +
         QStringLiteral(" will be removed.");
}

QString removeSampleDataDetails(const SampleRecords& records) {
  QStringList parts;
  const struct {
    qsizetype count;
    const char* one;
    const char* many;
  } kinds[] = {{records.tasks, "task", "tasks"},
               {records.bills, "bill", "bills"},
               {records.waitingItems, "waiting-for item", "waiting-for items"},
               {records.events, "event", "events"}};
  for (const auto& kind : kinds) {
    if (kind.count > 0) {
      parts.append(counted(kind.count, kind.one, kind.many));
    }
  }
  if (parts.isEmpty()) {
    return {};
  }
  const QString last = parts.takeLast();
  const QString list =
      parts.isEmpty() ? last : parts.join(QStringLiteral(", ")) + QStringLiteral(" and ") + last;
  return list + QStringLiteral(", including any you changed.");
}

}  // namespace today

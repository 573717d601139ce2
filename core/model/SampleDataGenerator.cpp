#include "core/model/SampleDataGenerator.h"

namespace {

// Records are spread over the days around `now` at fixed wall-clock times.
struct Clock {
  const QDateTime& now;
  const Calendar& calendar;

  QDateTime at(int dayOffset, int hour, int minute = 0) const {
    return calendar.dateTime(calendar.date(now).addDays(dayOffset), QTime(hour, minute));
  }
};

TaskItem task(const QString& title, const QString& notes, std::optional<QDateTime> due,
              TaskPriority priority, const QString& category, RecurrenceRule recurrence,
              const QDateTime& created) {
  return TaskItem(QUuid::createUuid(), title, notes, std::move(due), priority, category, false,
                  std::nullopt, recurrence, created, created, true, std::nullopt);
}

BillItem bill(const QString& name, double amount, const QDateTime& due, const QString& category,
              const QDateTime& created) {
  BillItem item;
  item.id = QUuid::createUuid();
  item.name = name;
  item.amount = amount;
  item.currency = QStringLiteral("USD");
  item.dueDate = due;
  item.category = category;
  item.recurrence = RecurrenceRule::monthly();
  item.createdAt = created;
  item.isSampleData = true;
  return item;
}

WaitingForItem waiting(const QString& title, const QString& person, const QDateTime& created) {
  WaitingForItem item;
  item.id = QUuid::createUuid();
  item.title = title;
  item.personOrOrg = person;
  item.createdAt = created;
  item.isSampleData = true;
  return item;
}

CalendarEventItem event(const QString& title, const QDateTime& start, int minutes,
                        const QString& colorHex) {
  CalendarEventItem item;
  item.id = QStringLiteral("sample-") + QUuid::createUuid().toString(QUuid::WithoutBraces);
  item.title = title;
  item.startDate = start;
  item.endDate = start.addSecs(minutes * 60);
  item.calendarName = QStringLiteral("Sample");
  item.calendarColorHex = colorHex;
  item.sourceType = CalendarSourceType::sample;
  return item;
}

}  // namespace

SampleData SampleDataGenerator::generate(const QDateTime& now, const Calendar& calendar) {
  const Clock clock{now, calendar};
  const QDateTime weekAgo = clock.at(-7, 9);
  SampleData data;

  data.tasks = {
      task(QStringLiteral("Review quarterly budget"), QStringLiteral("Compare with last quarter"),
           clock.at(0, 17), TaskPriority::high, QStringLiteral("Work"), RecurrenceRule::none(),
           weekAgo),
      task(QStringLiteral("Reply to Sarah about the offsite"), QString(), clock.at(-1, 12),
           TaskPriority::urgent, QStringLiteral("Work"), RecurrenceRule::none(), weekAgo),
      task(QStringLiteral("Water the plants"), QString(), clock.at(0, 9), TaskPriority::low,
           QStringLiteral("Home"), RecurrenceRule::daily(), weekAgo),
      task(QStringLiteral("Book dentist appointment"), QString(), clock.at(1, 10),
           TaskPriority::medium, QStringLiteral("Health"), RecurrenceRule::none(), weekAgo),
      task(QStringLiteral("Plan weekend trip"), QStringLiteral("Check train times"), std::nullopt,
           TaskPriority::low, QStringLiteral("Personal"), RecurrenceRule::none(), weekAgo),
  };
  TaskItem done =
      task(QStringLiteral("Submit expense report"), QString(), clock.at(0, 11),
           TaskPriority::medium, QStringLiteral("Work"), RecurrenceRule::none(), weekAgo);
  done.isCompleted = true;
  done.completedAt = std::min(now, clock.at(0, 11));
  data.tasks.append(done);

  data.bills = {
      bill(QStringLiteral("Electricity"), 84.20, clock.at(5, 9), QStringLiteral("Utilities"),
           weekAgo),
      bill(QStringLiteral("Internet"), 59.99, clock.at(12, 9), QStringLiteral("Utilities"),
           weekAgo),
      bill(QStringLiteral("Streaming subscription"), 15.49, clock.at(2, 9),
           QStringLiteral("Entertainment"), weekAgo),
  };
  BillItem insurance = bill(QStringLiteral("Car insurance"), 120.00, clock.at(-3, 9),
                            QStringLiteral("Insurance"), weekAgo);
  insurance.isPaid = true;
  insurance.paidAt = clock.at(-4, 18);
  data.bills.append(insurance);

  WaitingForItem contract =
      waiting(QStringLiteral("Signed contract"), QStringLiteral("Acme Legal"), clock.at(-6, 10));
  contract.expectedResponseDate = clock.at(-2, 17);
  contract.nextFollowUpDate = clock.at(-1, 9);
  WaitingForItem quote =
      waiting(QStringLiteral("Laptop repair quote"), QStringLiteral("TechFix"), clock.at(-2, 15));
  quote.expectedResponseDate = clock.at(3, 12);
  WaitingForItem reference =
      waiting(QStringLiteral("Reference letter"), QStringLiteral("Prof. Lee"), clock.at(-10, 11));
  reference.status = WaitingStatus::followedUp;
  reference.lastFollowUpDate = clock.at(-3, 9);
  reference.nextFollowUpDate = clock.at(4, 9);
  data.waitingItems = {contract, quote, reference};

  CalendarEventItem standup =
      event(QStringLiteral("Team standup"), now.addSecs(60 * 60), 15, QStringLiteral("#007AFF"));
  standup.meetingLink = QStringLiteral("https://meet.example.com/standup");
  CalendarEventItem lunch =
      event(QStringLiteral("Lunch with Alex"), clock.at(1, 12, 30), 60, QStringLiteral("#34C759"));
  lunch.location = QStringLiteral("Corner Bistro");
  CalendarEventItem review =
      event(QStringLiteral("Project review"), clock.at(3, 15), 45, QStringLiteral("#FF9500"));
  review.notes = QStringLiteral("Bring the latest figures");
  data.events = {standup, lunch, review};

  return data;
}

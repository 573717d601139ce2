#include "app/screens/calendar/CalendarFilters.h"

#include "core/model/JsonCoding.h"
#include "core/model/SecurityValidator.h"

#include <QLocale>
#include <QUrl>
#include <QUuid>

namespace {

constexpr int kWeekDays = 7;

std::optional<QString> optionalText(const QString& text) {
  const QString trimmed = text.trimmed();
  return trimmed.isEmpty() ? std::nullopt : std::optional<QString>(trimmed);
}

}  // namespace

QString displayText(CalendarFilter filter) {
  switch (filter) {
    case CalendarFilter::today:
      return QStringLiteral("Today");
    case CalendarFilter::thisWeek:
      return QStringLiteral("This Week");
    case CalendarFilter::allUpcoming:
      return QStringLiteral("All Upcoming");
  }
  return {};
}

namespace calendar_lists {

QList<CalendarEventItem> filtered(const QList<CalendarEventItem>& upcoming, CalendarFilter filter,
                                  const QDateTime& now, const Calendar& calendar) {
  if (filter == CalendarFilter::allUpcoming) {
    return upcoming;
  }
  const QDate today = calendar.date(now);
  const QDateTime end =
      calendar.startOfDay(today.addDays(filter == CalendarFilter::today ? 1 : kWeekDays));
  QList<CalendarEventItem> result;
  for (const CalendarEventItem& event : upcoming) {
    if (event.startDate < end) {
      result.append(event);
    }
  }
  return result;
}

QString dayText(const CalendarEventItem& event, const QDateTime& now, const Calendar& calendar) {
  const int days = calendar.daysBetween(now, event.startDate).value_or(0);
  if (days == 0) {
    return QStringLiteral("Today");
  }
  if (days == 1) {
    return QStringLiteral("Tomorrow");
  }
  return QLocale().toString(calendar.date(event.startDate), QStringLiteral("ddd, d MMM"));
}

QString timeText(const CalendarEventItem& event, const Calendar& calendar) {
  if (event.isAllDay) {
    return QStringLiteral("All day");
  }
  const auto clock = [&](const QDateTime& instant) {
    return instant.toTimeZone(calendar.timeZone()).time().toString(QStringLiteral("HH:mm"));
  };
  return clock(event.startDate) + QStringLiteral(" – ") + clock(event.endDate);
}

bool isEditable(const CalendarEventItem& event) {
  return event.sourceType != CalendarSourceType::apple;
}

std::variant<CalendarEventItem, QString> fromForm(const EventForm& form, const Calendar& calendar) {
  CalendarEventItem event;
  if (form.isAllDay) {
    // A whole day runs from its midnight to the next, whatever the clock does in between.
    const QDate first = calendar.date(form.start);
    const QDate last = std::max(first, calendar.date(form.end));
    event.startDate = calendar.startOfDay(first);
    event.endDate = calendar.startOfDay(last.addDays(1));
  } else {
    event.startDate = form.start;
    event.endDate = form.end;
    if (!(form.end > form.start)) {
      return QStringLiteral("The end must be after the start.");
    }
  }
  event.meetingLink = optionalText(form.meetingLink);
  if (event.meetingLink &&
      !SecurityValidator::isSafeURL(QUrl(*event.meetingLink, QUrl::StrictMode))) {
    return QStringLiteral("Only web (https://, http://) and mail (mailto:) links can be opened.");
  }
  event.id = jsoncoding::uuidText(QUuid::createUuid());
  const QString title = form.title.trimmed();
  event.title = title.isEmpty() ? QStringLiteral("Untitled Event") : title;
  event.isAllDay = form.isAllDay;
  event.location = optionalText(form.location);
  event.notes = optionalText(form.notes);
  event.calendarName = QStringLiteral("Pelmora");
  event.calendarColorHex = QStringLiteral("#007AFF");
  event.sourceType = CalendarSourceType::manual;
  return event;
}

}  // namespace calendar_lists

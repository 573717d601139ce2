#pragma once

#include "core/model/Calendar.h"
#include "core/model/CalendarEventItem.h"
#include "core/model/EnumText.h"

#include <QList>
#include <QString>

#include <optional>
#include <variant>

// The calendar screen's filters, in the order of its filter bar.
enum class CalendarFilter { today, thisWeek, allUpcoming };

template <>
struct EnumCases<CalendarFilter> {
  static constexpr std::array values{CalendarFilter::today, CalendarFilter::thisWeek,
                                     CalendarFilter::allUpcoming};
};

QString displayText(CalendarFilter filter);

namespace calendar_lists {

// Of the upcoming events (in their order), those that begin before the end of today, or of
// the seven calendar days from today on (a week in days, so one with a clock change keeps
// its last evening); all of them for allUpcoming.
QList<CalendarEventItem> filtered(const QList<CalendarEventItem>& upcoming, CalendarFilter filter,
                                  const QDateTime& now, const Calendar& calendar);

// "Today", "Tomorrow" or the weekday and date.
QString dayText(const CalendarEventItem& event, const QDateTime& now, const Calendar& calendar);
// "All day" or "09:00 – 10:30" in the calendar's zone.
QString timeText(const CalendarEventItem& event, const Calendar& calendar);
// Only events typed in here (or sample ones) can be deleted; mirrored ones are read-only.
bool isEditable(const CalendarEventItem& event);

// What the event form holds when the user saves it.
struct EventForm {
  QString title;
  QDateTime start;
  QDateTime end;
  bool isAllDay = false;
  QString location;
  QString meetingLink;
  QString notes;
};

// The manual event the form describes (texts trimmed, an empty title "Untitled Event", empty
// optional texts left out), or the message that says why it cannot be saved: an end that is
// not after the start, or a link that would never be opened.
std::variant<CalendarEventItem, QString> fromForm(const EventForm& form, const Calendar& calendar);

}  // namespace calendar_lists

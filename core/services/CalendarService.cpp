#include "core/services/CalendarService.h"

#include <QHash>
#include <QRegularExpression>

namespace {

bool isWebLink(const QString& text) {
  return text.startsWith(QLatin1String("https://"), Qt::CaseInsensitive) ||
         text.startsWith(QLatin1String("http://"), Qt::CaseInsensitive);
}

// The event's URL when it is a web link; else the first web link in the location or the
// notes, which is where invitations put the video-call address.
std::optional<QString> meetingLinkOf(const EventStoreEvent& event) {
  if (event.url && isWebLink(*event.url)) {
    return event.url;
  }
  static const QRegularExpression link(QStringLiteral(R"(https?://[^\s<>"]+)"),
                                       QRegularExpression::CaseInsensitiveOption);
  for (const auto& text : {event.location, event.notes}) {
    if (!text) {
      continue;
    }
    if (const auto match = link.match(*text); match.hasMatch()) {
      return match.captured();
    }
  }
  return std::nullopt;
}

}  // namespace

CalendarService::CalendarService(std::unique_ptr<EventStore> eventStore, QObject* parent)
    : CalendarServiceProtocol(parent), eventStore_(std::move(eventStore)) {
  connect(eventStore_.get(), &EventStore::changed, this, &CalendarService::calendarChanged);
}

CalendarService::~CalendarService() = default;

CalendarPermissionStatus CalendarService::authorizationStatus() const {
  // Calendar files need no grant beyond the user's own file permissions.
  return eventStore_->isReadable() ? CalendarPermissionStatus::authorized
                                   : CalendarPermissionStatus::denied;
}

QCoro::Task<bool> CalendarService::requestAccess() { co_return eventStore_->isReadable(); }

QList<AppleCalendarInfo> CalendarService::availableCalendars() const {
  QList<AppleCalendarInfo> result;
  for (const EventStoreCalendar& calendar : eventStore_->calendars()) {
    result.append({calendar.identifier, calendar.title, calendar.colorHex});
  }
  return result;
}

QList<CalendarEventItem> CalendarService::fetchEvents(
    const QDateTime& from, const QDateTime& to,
    const std::optional<QSet<QString>>& calendarIDs) const {
  QHash<QString, EventStoreCalendar> calendars;
  for (const EventStoreCalendar& calendar : eventStore_->calendars()) {
    calendars.insert(calendar.identifier, calendar);
  }
  QList<CalendarEventItem> result;
  for (const EventStoreEvent& event : eventStore_->events(from, to, calendarIDs)) {
    const EventStoreCalendar calendar = calendars.value(event.calendarIdentifier);
    CalendarEventItem item;
    item.id = event.identifier;
    item.title = event.title.isEmpty() ? QStringLiteral("Untitled Event") : event.title;
    item.startDate = event.startDate;
    item.endDate = event.endDate;
    item.isAllDay = event.isAllDay;
    item.location = event.location;
    item.meetingLink = meetingLinkOf(event);
    item.calendarName = calendar.title;
    item.calendarColorHex = calendar.colorHex;
    item.sourceType = CalendarSourceType::apple;
    item.notes = event.notes;
    result.append(item);
  }
  return result;
}

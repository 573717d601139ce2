#include "core/services/CalendarService.h"

#include <QHash>
#include <QPromise>
#include <QRegularExpression>
#include <QThreadPool>

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
  connect(eventStore_.get(), &EventStore::changed, this, [this] {
    ++generation_;
    Q_EMIT calendarChanged();
  });
  connect(&watcher_, &QFutureWatcher<Answer>::finished, this, &CalendarService::readFinished);
}

CalendarService::~CalendarService() = default;

CalendarPermissionStatus CalendarService::authorizationStatus() const {
  // Calendar files need no grant beyond the user's own file permissions.
  return eventStore_->isReadable() ? CalendarPermissionStatus::authorized
                                   : CalendarPermissionStatus::denied;
}

QCoro::Task<bool> CalendarService::requestAccess() { co_return eventStore_->isReadable(); }

QList<AppleCalendarInfo> CalendarService::availableCalendars() const {
  return answer_ ? answer_->calendars : QList<AppleCalendarInfo>();
}

QList<CalendarEventItem> CalendarService::fetchEvents(
    const QDateTime& from, const QDateTime& to,
    const std::optional<QSet<QString>>& calendarIDs) const {
  const Request request{from, to, calendarIDs};
  if (!answer_ || answer_->request != request || answer_->generation != generation_) {
    ask(request);
  }
  if (!answer_) {
    return {};
  }
  if (answer_->request == request) {
    return answer_->events;
  }
  // Until the fresh read is in, what the last one found within the asked window and calendars.
  QList<CalendarEventItem> result;
  for (qsizetype i = 0; i < answer_->events.size(); ++i) {
    const CalendarEventItem& item = answer_->events.at(i);
    const bool inWindow = item.startDate == item.endDate
                              ? item.startDate >= from && item.startDate < to
                              : item.startDate < to && item.endDate > from;
    if (inWindow && (!calendarIDs || calendarIDs->contains(answer_->eventCalendars.at(i)))) {
      result.append(item);
    }
  }
  return result;
}

void CalendarService::ask(const Request& request) const {
  if (!running_) {
    start(request);
  } else if (running_->first != request || running_->second != generation_) {
    queued_ = request;
  }
}

void CalendarService::start(const Request& request) const {
  running_ = std::pair(request, generation_);
  const EventStore::Read read =
      eventStore_->prepareRead(request.from, request.to, request.calendarIDs);
  auto promise = std::make_shared<QPromise<Answer>>();
  watcher_.setFuture(promise->future());
  promise->start();
  QThreadPool::globalInstance()->start([promise, read, request, generation = generation_] {
    const EventStoreContent content = read();
    Answer answer{request, generation, {}, {}, {}};
    QHash<QString, EventStoreCalendar> calendars;
    for (const EventStoreCalendar& calendar : content.calendars) {
      calendars.insert(calendar.identifier, calendar);
      answer.calendars.append({calendar.identifier, calendar.title, calendar.colorHex});
    }
    for (const EventStoreEvent& event : content.events) {
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
      answer.events.append(item);
      answer.eventCalendars.append(event.calendarIdentifier);
    }
    promise->addResult(std::move(answer));
    promise->finish();
  });
}

void CalendarService::readFinished() {
  if (watcher_.future().resultCount() > 0) {
    answer_ = watcher_.result();
  }
  running_.reset();
  if (queued_) {
    const Request next = *queued_;
    queued_.reset();
    start(next);
  }
  Q_EMIT calendarChanged();
}

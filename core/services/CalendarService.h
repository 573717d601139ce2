#pragma once

#include "core/platform/EventStore.h"
#include "core/services/CalendarServiceProtocol.h"

#include <QFutureWatcher>

#include <memory>

// The system calendars through an `EventStore`; mirrored events come back as
// `CalendarEventItem`s of source type `apple` with their calendar's name and colour.
// Reading a calendar can take long (a large file, a hostile recurrence), so the store is read
// on a worker thread, one read at a time: `availableCalendars()` and `fetchEvents()` answer at
// once from the latest read (cut to the asked window and calendars), ask for a fresh read when
// that one is out of date, and `calendarChanged()` announces its result.
class CalendarService : public CalendarServiceProtocol {
  Q_OBJECT

 public:
  explicit CalendarService(std::unique_ptr<EventStore> eventStore, QObject* parent = nullptr);
  ~CalendarService() override;

  CalendarPermissionStatus authorizationStatus() const override;
  QCoro::Task<bool> requestAccess() override;
  QList<AppleCalendarInfo> availableCalendars() const override;
  QList<CalendarEventItem> fetchEvents(
      const QDateTime& from, const QDateTime& to,
      const std::optional<QSet<QString>>& calendarIDs) const override;

 private:
  struct Request {
    QDateTime from;
    QDateTime to;
    std::optional<QSet<QString>> calendarIDs;
    bool operator==(const Request&) const = default;
  };
  struct Answer {
    Request request;
    quint64 generation = 0;
    QList<AppleCalendarInfo> calendars;
    QList<CalendarEventItem> events;
    QStringList eventCalendars;  // the calendar identifier of each of `events`
  };

  void ask(const Request& request) const;
  void start(const Request& request) const;
  void readFinished();

  std::unique_ptr<EventStore> eventStore_;
  // Bumped by every change of the store: answers read before it are out of date.
  quint64 generation_ = 0;
  mutable std::optional<Answer> answer_;
  mutable std::optional<std::pair<Request, quint64>> running_;
  mutable std::optional<Request> queued_;
  mutable QFutureWatcher<Answer> watcher_;
};

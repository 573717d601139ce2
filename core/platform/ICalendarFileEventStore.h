#pragma once

#include "core/platform/EventStore.h"
#include "core/platform/ICalendarFile.h"

#include <QFileSystemWatcher>
#include <QTimeZone>
#include <QTimer>

#include <memory>

// Calendars kept as iCalendar files: the desktop calendar's local store
// (<data>/evolution/calendar/<source>/calendar.ics) and Pelmora's own folder
// (<data>/Pelmora/calendars/*.ics). Files are parsed once per change; edits are noticed
// through the file system and reported, debounced, as one `changed()`. Reading may happen on
// another thread (`prepareRead`); the parsed files are kept between reads.
class ICalendarFileEventStore : public EventStore {
  Q_OBJECT

 public:
  // The user's XDG folders and the system time zone.
  explicit ICalendarFileEventStore(QObject* parent = nullptr);
  ICalendarFileEventStore(const QString& dataHome, const QString& configHome,
                          const QTimeZone& localZone, QObject* parent = nullptr);
  ~ICalendarFileEventStore() override;

  // Larger files are refused unread; a real calendar file is far smaller.
  static constexpr qint64 maxFileSize = 8 * 1024 * 1024;

  bool isReadable() const override;
  QList<EventStoreCalendar> calendars() const override;
  QList<EventStoreEvent> events(
      const QDateTime& from, const QDateTime& to,
      const std::optional<QSet<QString>>& calendarIdentifiers) const override;
  Read prepareRead(const QDateTime& from, const QDateTime& to,
                   const std::optional<QSet<QString>>& calendarIdentifiers) const override;

 private:
  class Reader;

  void watchSources();
  void fileSystemChanged();

  std::shared_ptr<Reader> reader_;
  QFileSystemWatcher watcher_;
  QTimer debounce_;
};

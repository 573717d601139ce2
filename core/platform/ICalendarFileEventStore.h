#pragma once

#include "core/platform/EventStore.h"
#include "core/platform/ICalendarFile.h"

#include <QFileSystemWatcher>
#include <QHash>
#include <QTimeZone>
#include <QTimer>

// Calendars kept as iCalendar files: the desktop calendar's local store
// (<data>/evolution/calendar/<source>/calendar.ics) and Pelmora's own folder
// (<data>/Pelmora/calendars/*.ics). Files are parsed once per change; edits are noticed
// through the file system and reported, debounced, as one `changed()`.
class ICalendarFileEventStore : public EventStore {
  Q_OBJECT

 public:
  // The user's XDG folders and the system time zone.
  explicit ICalendarFileEventStore(QObject* parent = nullptr);
  ICalendarFileEventStore(const QString& dataHome, const QString& configHome,
                          const QTimeZone& localZone, QObject* parent = nullptr);

  bool isReadable() const override;
  QList<EventStoreCalendar> calendars() const override;
  QList<EventStoreEvent> events(
      const QDateTime& from, const QDateTime& to,
      const std::optional<QSet<QString>>& calendarIdentifiers) const override;

 private:
  struct Source {
    QString path;
    EventStoreCalendar calendar;  // title and colour before the file's own say
  };
  struct Parsed {
    QDateTime modified;
    qint64 size = -1;
    std::optional<ICalendarFile> file;
  };

  QList<Source> sources() const;
  const ICalendarFile* load(const Source& source) const;
  EventStoreCalendar calendarOf(const Source& source, const ICalendarFile& file) const;
  void watchSources();
  void fileSystemChanged();

  QString dataHome_;
  QString configHome_;
  QTimeZone localZone_;
  QFileSystemWatcher watcher_;
  QTimer debounce_;
  mutable QHash<QString, Parsed> parsed_;
};

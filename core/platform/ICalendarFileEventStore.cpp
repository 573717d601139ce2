#include "core/platform/ICalendarFileEventStore.h"

#include "core/model/DiagnosticLogger.h"
#include "core/platform/KeyFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QMutex>
#include <QSet>
#include <QStandardPaths>

#include <algorithm>
#include <atomic>

namespace {

constexpr auto kSubsystem = "Calendar";
constexpr int kDebounceMilliseconds = 250;
const QString kDefaultColor = QStringLiteral("#3B82F6");

QString evolutionCalendars(const QString& dataHome) {
  return dataHome + QStringLiteral("/evolution/calendar");
}

QString pelmoraCalendars(const QString& dataHome) {
  return dataHome + QStringLiteral("/Pelmora/calendars");
}

// A folder that does not exist yet cannot be watched; its closest existing ancestor inside
// the data folder can, so that creating it is still noticed.
QString closestExisting(const QString& folder, const QString& stop) {
  QString candidate = folder;
  while (!QFileInfo(candidate).isDir()) {
    if (candidate == stop || candidate.size() <= stop.size()) {
      return QFileInfo(stop).isDir() ? stop : QString();
    }
    candidate = QFileInfo(candidate).path();
  }
  return candidate;
}

void warn(const QString& message) {
  DiagnosticLogger::shared().log(message, QStringLiteral("WARN"), QString::fromLatin1(kSubsystem));
}

struct Source {
  QString path;
  EventStoreCalendar calendar;  // title and colour before the file's own say
};

QList<Source> sourcesIn(const QString& dataHome, const QString& configHome) {
  QList<Source> result;

  const QDir evolution(evolutionCalendars(dataHome));
  const QString sourceFolder = configHome + QStringLiteral("/evolution/sources/");
  for (const QString& uid : evolution.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name)) {
    const QString path = evolution.filePath(uid + QStringLiteral("/calendar.ics"));
    if (!QFileInfo(path).isFile()) {
      continue;
    }
    Source source{path, {uid, uid, QString(), QStringLiteral("On This Computer")}};
    if (const auto description = KeyFile::read(sourceFolder + uid + QStringLiteral(".source"))) {
      source.calendar.title =
          description->value(QStringLiteral("Data Source"), QStringLiteral("DisplayName"))
              .value_or(uid);
      source.calendar.colorHex =
          description->value(QStringLiteral("Calendar"), QStringLiteral("Color"))
              .value_or(QString());
    }
    result.append(source);
  }

  const QDir pelmora(pelmoraCalendars(dataHome));
  const QStringList files =
      pelmora.entryList({QStringLiteral("*.ics")}, QDir::Files | QDir::Readable, QDir::Name);
  for (const QString& name : files) {
    result.append(
        Source{pelmora.filePath(name),
               {QStringLiteral("pelmora-calendars/") + name, QFileInfo(name).completeBaseName(),
                QString(), QStringLiteral("Pelmora")}});
  }
  return result;
}

EventStoreCalendar calendarOf(const Source& source, const ICalendarFile& file) {
  EventStoreCalendar calendar = source.calendar;
  if (!file.calendarName().isEmpty()) {
    calendar.title = file.calendarName();
  }
  if (!file.colorHex().isEmpty()) {
    calendar.colorHex = file.colorHex();
  } else {
    const QString sourceColor = ICalendarFile::normalisedColor(calendar.colorHex);
    calendar.colorHex = sourceColor.isEmpty() ? kDefaultColor : sourceColor;
  }
  return calendar;
}

void sortByStart(QList<EventStoreEvent>& events) {
  std::stable_sort(
      events.begin(), events.end(),
      [](const EventStoreEvent& a, const EventStoreEvent& b) { return a.startDate < b.startDate; });
}

}  // namespace

// Everything a read needs, shared with reads still running on another thread. The parsed
// files are kept until the files change; reads take turns on them.
class ICalendarFileEventStore::Reader {
 public:
  Reader(const QString& dataHome, const QString& configHome, const QTimeZone& localZone)
      : dataHome(dataHome), configHome(configHome), localZone(localZone) {}

  EventStoreContent read(const std::optional<QDateTime>& from, const QDateTime& to,
                         const std::optional<QSet<QString>>& calendarIdentifiers) {
    QMutexLocker lock(&mutex_);
    if (const quint64 now = generation.load(); now != parsedGeneration_) {
      // A file replaced by rename keeps its size and second; parse everything again.
      parsed_.clear();
      parsedGeneration_ = now;
    }
    EventStoreContent content;
    QList<std::pair<Source, Parsed*>> selected;
    for (const Source& source : sourcesIn(dataHome, configHome)) {
      Parsed* entry = load(source);
      if (!entry->file) {
        continue;
      }
      content.calendars.append(calendarOf(source, *entry->file));
      if (!calendarIdentifiers || calendarIdentifiers->contains(source.calendar.identifier)) {
        selected.append({source, entry});
      }
    }
    if (!from) {
      return content;
    }
    // One budget for the whole read, shared fairly between the files.
    ICalendarFile::Budget budget;
    qsizetype remaining = selected.size();
    for (const auto& [source, entry] : selected) {
      ICalendarFile::Budget part = budget.split(remaining--);
      content.events.append(
          entry->file->events(*from, to, localZone, source.calendar.identifier, part));
      if (!part.cutShort.isEmpty() && !entry->cutReported) {
        entry->cutReported = true;
        const qsizetype others = part.cutShort.size() - 1;
        warn(QStringLiteral("Calendar file %1: left out the later occurrences of %2%3, more "
                            "than one read may produce")
                 .arg(source.path, part.cutShort.first(),
                      others > 0 ? QStringLiteral(" and %1 other event(s)").arg(others)
                                 : QString()));
      }
      part.cutShort.clear();
      budget.giveBack(part);
    }
    sortByStart(content.events);
    return content;
  }

  const QString dataHome;
  const QString configHome;
  const QTimeZone localZone;
  // Bumped on every change on disk; the next read starts afresh.
  std::atomic<quint64> generation{0};

 private:
  struct Parsed {
    QDateTime modified;
    qint64 size = -1;
    std::optional<ICalendarFile> file;
    bool cutReported = false;
  };

  Parsed* load(const Source& source) {
    const QFileInfo info(source.path);
    Parsed& entry = parsed_[source.path];
    if (entry.size == info.size() && entry.modified == info.lastModified()) {
      return &entry;
    }
    entry = Parsed{info.lastModified(), info.size(), std::nullopt};

    QFile file(source.path);
    QString error;
    if (info.size() > maxFileSize) {
      error = QStringLiteral("it is larger than %1 MiB").arg(maxFileSize / (1024 * 1024));
    } else if (!file.open(QIODevice::ReadOnly)) {
      error = file.errorString();
    } else {
      entry.file = ICalendarFile::parse(file.readAll(), &error);
    }
    if (!entry.file) {
      warn(QStringLiteral("Skipped calendar file %1: %2").arg(source.path, error));
      return &entry;
    }
    if (const int skipped = entry.file->skippedEventCount(); skipped > 0) {
      warn(QStringLiteral("Skipped %1 unreadable event(s) in %2")
               .arg(QString::number(skipped), source.path));
    }
    if (const QStringList zones = entry.file->refusedZones(); !zones.isEmpty()) {
      warn(QStringLiteral("Calendar file %1: the time zone definition(s) %2 change their offset "
                          "too often to be real; their times are read in the system zone of "
                          "that name, else in UTC")
               .arg(source.path, zones.join(QStringLiteral(", "))));
    }
    return &entry;
  }

  QMutex mutex_;
  QHash<QString, Parsed> parsed_;
  quint64 parsedGeneration_ = 0;
};

ICalendarFileEventStore::ICalendarFileEventStore(QObject* parent)
    : ICalendarFileEventStore(
          QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation),
          QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation),
          QTimeZone::systemTimeZone(), parent) {}

ICalendarFileEventStore::ICalendarFileEventStore(const QString& dataHome, const QString& configHome,
                                                 const QTimeZone& localZone, QObject* parent)
    : EventStore(parent),
      reader_(
          std::make_shared<Reader>(QDir::cleanPath(dataHome), QDir::cleanPath(configHome),
                                   localZone.isValid() ? localZone : QTimeZone::systemTimeZone())) {
  debounce_.setSingleShot(true);
  debounce_.setInterval(kDebounceMilliseconds);
  connect(&debounce_, &QTimer::timeout, this, &ICalendarFileEventStore::fileSystemChanged);
  connect(&watcher_, &QFileSystemWatcher::fileChanged, &debounce_, qOverload<>(&QTimer::start));
  connect(&watcher_, &QFileSystemWatcher::directoryChanged, &debounce_,
          qOverload<>(&QTimer::start));
  watchSources();
}

bool ICalendarFileEventStore::isReadable() const { return true; }

ICalendarFileEventStore::~ICalendarFileEventStore() = default;

QList<EventStoreCalendar> ICalendarFileEventStore::calendars() const {
  return reader_->read(std::nullopt, {}, std::nullopt).calendars;
}

QList<EventStoreEvent> ICalendarFileEventStore::events(
    const QDateTime& from, const QDateTime& to,
    const std::optional<QSet<QString>>& calendarIdentifiers) const {
  return reader_->read(from, to, calendarIdentifiers).events;
}

EventStore::Read ICalendarFileEventStore::prepareRead(
    const QDateTime& from, const QDateTime& to,
    const std::optional<QSet<QString>>& calendarIdentifiers) const {
  return [reader = reader_, from, to, calendarIdentifiers] {
    return reader->read(from, to, calendarIdentifiers);
  };
}

void ICalendarFileEventStore::watchSources() {
  const QString& dataHome = reader_->dataHome;
  const QString& configHome = reader_->configHome;
  QSet<QString> wanted;
  for (const QString& root : {evolutionCalendars(dataHome), pelmoraCalendars(dataHome)}) {
    if (const QString folder = closestExisting(root, dataHome); !folder.isEmpty()) {
      wanted.insert(folder);
    }
  }
  const QDir evolution(evolutionCalendars(dataHome));
  for (const QString& uid : evolution.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
    wanted.insert(evolution.filePath(uid));
  }
  if (const QString sourceFolder = configHome + QStringLiteral("/evolution/sources");
      QFileInfo(sourceFolder).isDir()) {
    wanted.insert(sourceFolder);
  }
  for (const Source& source : sourcesIn(dataHome, configHome)) {
    wanted.insert(source.path);
  }

  QStringList stale;
  for (const QString& path : watcher_.files() + watcher_.directories()) {
    if (!wanted.contains(path)) {
      stale.append(path);
    }
  }
  if (!stale.isEmpty()) {
    watcher_.removePaths(stale);
  }
  QStringList added;
  const QStringList watched = watcher_.files() + watcher_.directories();
  for (const QString& path : wanted) {
    if (!watched.contains(path)) {
      added.append(path);
    }
  }
  if (!added.isEmpty()) {
    watcher_.addPaths(added);
  }
}

void ICalendarFileEventStore::fileSystemChanged() {
  ++reader_->generation;
  watchSources();
  Q_EMIT changed();
}

#include "core/platform/ICalendarFileEventStore.h"

#include "core/model/DiagnosticLogger.h"
#include "core/platform/KeyFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QStandardPaths>

#include <algorithm>

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

}  // namespace

ICalendarFileEventStore::ICalendarFileEventStore(QObject* parent)
    : ICalendarFileEventStore(
          QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation),
          QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation),
          QTimeZone::systemTimeZone(), parent) {}

ICalendarFileEventStore::ICalendarFileEventStore(const QString& dataHome, const QString& configHome,
                                                 const QTimeZone& localZone, QObject* parent)
    : EventStore(parent),
      dataHome_(QDir::cleanPath(dataHome)),
      configHome_(QDir::cleanPath(configHome)),
      localZone_(localZone.isValid() ? localZone : QTimeZone::systemTimeZone()) {
  debounce_.setSingleShot(true);
  debounce_.setInterval(kDebounceMilliseconds);
  connect(&debounce_, &QTimer::timeout, this, &ICalendarFileEventStore::fileSystemChanged);
  connect(&watcher_, &QFileSystemWatcher::fileChanged, &debounce_, qOverload<>(&QTimer::start));
  connect(&watcher_, &QFileSystemWatcher::directoryChanged, &debounce_,
          qOverload<>(&QTimer::start));
  watchSources();
}

bool ICalendarFileEventStore::isReadable() const { return true; }

QList<ICalendarFileEventStore::Source> ICalendarFileEventStore::sources() const {
  QList<Source> result;

  const QDir evolution(evolutionCalendars(dataHome_));
  const QString sourceFolder = configHome_ + QStringLiteral("/evolution/sources/");
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

  const QDir pelmora(pelmoraCalendars(dataHome_));
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

const ICalendarFile* ICalendarFileEventStore::load(const Source& source) const {
  const QFileInfo info(source.path);
  Parsed& entry = parsed_[source.path];
  if (entry.size == info.size() && entry.modified == info.lastModified()) {
    return entry.file ? &*entry.file : nullptr;
  }
  entry = Parsed{info.lastModified(), info.size(), std::nullopt};

  QFile file(source.path);
  QString error;
  if (!file.open(QIODevice::ReadOnly)) {
    error = file.errorString();
  } else {
    entry.file = ICalendarFile::parse(file.readAll(), &error);
  }
  if (!entry.file) {
    DiagnosticLogger::shared().log(
        QStringLiteral("Skipped calendar file %1: %2").arg(source.path, error),
        QStringLiteral("WARN"), QString::fromLatin1(kSubsystem));
    return nullptr;
  }
  if (const int skipped = entry.file->skippedEventCount(); skipped > 0) {
    DiagnosticLogger::shared().log(
        QStringLiteral("Skipped %1 unreadable event(s) in %2").arg(skipped).arg(source.path),
        QStringLiteral("WARN"), QString::fromLatin1(kSubsystem));
  }
  return &*entry.file;
}

EventStoreCalendar ICalendarFileEventStore::calendarOf(const Source& source,
                                                       const ICalendarFile& file) const {
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

QList<EventStoreCalendar> ICalendarFileEventStore::calendars() const {
  QList<EventStoreCalendar> result;
  for (const Source& source : sources()) {
    if (const ICalendarFile* file = load(source)) {
      result.append(calendarOf(source, *file));
    }
  }
  return result;
}

QList<EventStoreEvent> ICalendarFileEventStore::events(
    const QDateTime& from, const QDateTime& to,
    const std::optional<QSet<QString>>& calendarIdentifiers) const {
  QList<EventStoreEvent> result;
  for (const Source& source : sources()) {
    if (calendarIdentifiers && !calendarIdentifiers->contains(source.calendar.identifier)) {
      continue;
    }
    if (const ICalendarFile* file = load(source)) {
      result.append(file->events(from, to, localZone_, source.calendar.identifier));
    }
  }
  std::stable_sort(
      result.begin(), result.end(),
      [](const EventStoreEvent& a, const EventStoreEvent& b) { return a.startDate < b.startDate; });
  return result;
}

void ICalendarFileEventStore::watchSources() {
  QSet<QString> wanted;
  for (const QString& root : {evolutionCalendars(dataHome_), pelmoraCalendars(dataHome_)}) {
    if (const QString folder = closestExisting(root, dataHome_); !folder.isEmpty()) {
      wanted.insert(folder);
    }
  }
  const QDir evolution(evolutionCalendars(dataHome_));
  for (const QString& uid : evolution.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
    wanted.insert(evolution.filePath(uid));
  }
  if (const QString sourceFolder = configHome_ + QStringLiteral("/evolution/sources");
      QFileInfo(sourceFolder).isDir()) {
    wanted.insert(sourceFolder);
  }
  for (const Source& source : sources()) {
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
  // A file replaced by rename keeps its size and second; parse everything again.
  parsed_.clear();
  watchSources();
  Q_EMIT changed();
}

#include "core/platform/DesktopEventStore.h"

#include "core/model/DiagnosticLogger.h"
#include "core/platform/EvolutionDataServerEventStore.h"
#include "core/platform/ICalendarFileEventStore.h"

namespace {

void log(const QString& message, const QString& level) {
  DiagnosticLogger::shared().log(message, level, QStringLiteral("Calendar"));
}

}  // namespace

DesktopEventStore::DesktopEventStore(QObject* parent)
    : DesktopEventStore(std::make_unique<ICalendarFileEventStore>(), QTimeZone::systemTimeZone(),
                        registryTimeout, parent) {}

DesktopEventStore::DesktopEventStore(std::unique_ptr<ICalendarFileEventStore> files,
                                     const QTimeZone& localZone, std::chrono::milliseconds timeout,
                                     QObject* parent)
    : EventStore(parent), files_(std::move(files)) {
  connect(files_.get(), &EventStore::changed, this, [this] {
    if (!evolutionActive_) {
      Q_EMIT changed();
    }
  });
  evolution_ = new EvolutionDataServerEventStore(localZone, this);
  connect(evolution_, &EvolutionDataServerEventStore::opened, this,
          &DesktopEventStore::evolutionOpened);
  connect(evolution_, &EvolutionDataServerEventStore::failed, this,
          &DesktopEventStore::evolutionFailed);
  connect(evolution_, &EvolutionDataServerEventStore::loaded, this,
          &DesktopEventStore::evolutionLoaded);
  connect(evolution_, &EventStore::changed, this, [this] {
    if (evolutionActive_) {
      Q_EMIT changed();
    }
  });
  evolution_->open(timeout);
}

DesktopEventStore::~DesktopEventStore() = default;

void DesktopEventStore::evolutionOpened() {
  backend_ = Backend::evolutionDataServer;
  log(QStringLiteral("Reading the desktop calendars from Evolution Data Server."),
      QStringLiteral("INFO"));
  Q_EMIT backendChosen(backend_);
}

void DesktopEventStore::evolutionFailed(const QString& reason) {
  backend_ = Backend::calendarFiles;
  // Not having it is ordinary on many desktops; having it fail is worth a warning.
  const bool absent = evolution_->state() == EvolutionDataServerEventStore::State::absent;
  log(QStringLiteral("Reading calendar files: Evolution Data Server is not available, %1.")
          .arg(reason),
      absent ? QStringLiteral("INFO") : QStringLiteral("WARN"));
  evolution_->deleteLater();
  evolution_ = nullptr;
  Q_EMIT backendChosen(backend_);
}

void DesktopEventStore::evolutionLoaded() {
  evolutionActive_ = true;
  // The same local calendars now come through the server; the files are no longer watched.
  files_.reset();
  Q_EMIT changed();
}

const EventStore& DesktopEventStore::active() const {
  if (evolutionActive_) {
    return *evolution_;
  }
  return *files_;
}

bool DesktopEventStore::isReadable() const { return active().isReadable(); }

QList<EventStoreCalendar> DesktopEventStore::calendars() const { return active().calendars(); }

QList<EventStoreEvent> DesktopEventStore::events(
    const QDateTime& from, const QDateTime& to,
    const std::optional<QSet<QString>>& calendarIdentifiers) const {
  return active().events(from, to, calendarIdentifiers);
}

EventStore::Read DesktopEventStore::prepareRead(
    const QDateTime& from, const QDateTime& to,
    const std::optional<QSet<QString>>& calendarIdentifiers) const {
  return active().prepareRead(from, to, calendarIdentifiers);
}

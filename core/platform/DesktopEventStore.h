#pragma once

#include "core/platform/EventStore.h"

#include <QTimeZone>

#include <chrono>
#include <memory>

class EvolutionDataServerEventStore;
class ICalendarFileEventStore;

// The desktop's calendars through whichever backend this machine offers: Evolution Data
// Server when its registry answers in time (GNOME, and wherever it is installed and running),
// the iCalendar files otherwise (KDE without it, a bare window manager, no session bus).
// Until Evolution Data Server has delivered its calendars the files answer, so reading never
// waits. The choice, and why, goes to the diagnostic log once.
class DesktopEventStore : public EventStore {
  Q_OBJECT

 public:
  enum class Backend { undecided, evolutionDataServer, calendarFiles };

  static constexpr std::chrono::milliseconds registryTimeout{2000};

  explicit DesktopEventStore(QObject* parent = nullptr);
  DesktopEventStore(std::unique_ptr<ICalendarFileEventStore> files, const QTimeZone& localZone,
                    std::chrono::milliseconds timeout, QObject* parent = nullptr);
  ~DesktopEventStore() override;

  Backend backend() const { return backend_; }

  bool isReadable() const override;
  QList<EventStoreCalendar> calendars() const override;
  QList<EventStoreEvent> events(
      const QDateTime& from, const QDateTime& to,
      const std::optional<QSet<QString>>& calendarIdentifiers) const override;
  Read prepareRead(const QDateTime& from, const QDateTime& to,
                   const std::optional<QSet<QString>>& calendarIdentifiers) const override;

 Q_SIGNALS:
  void backendChosen(DesktopEventStore::Backend backend);

 private:
  const EventStore& active() const;
  void evolutionOpened();
  void evolutionFailed(const QString& reason);
  void evolutionLoaded();

  std::unique_ptr<ICalendarFileEventStore> files_;
  EvolutionDataServerEventStore* evolution_ = nullptr;  // a child
  Backend backend_ = Backend::undecided;
  bool evolutionActive_ = false;
};

#pragma once

#include "core/platform/EventStore.h"

#include <QTimeZone>
#include <QTimer>

#include <chrono>
#include <memory>

// The calendars the desktop keeps in Evolution Data Server, online accounts included.
// Everything runs on GLib's asynchronous calls, which Qt's GLib event loop dispatches on the
// main thread: the window never waits for a calendar. Each calendar is followed through a
// live view of its components, so `events()` answers from memory and `changed()` follows
// every edit made elsewhere. Expanding the components into occurrences can happen on another
// thread (`prepareRead`).
class EvolutionDataServerEventStore : public EventStore {
  Q_OBJECT

 public:
  // absent: no session bus, or no registry installed on it; failed: a registry is there but
  // cannot start or does not answer in time.
  enum class State { idle, opening, open, absent, failed };

  explicit EvolutionDataServerEventStore(const QTimeZone& localZone = QTimeZone::systemTimeZone(),
                                         QObject* parent = nullptr);
  ~EvolutionDataServerEventStore() override;

  // Reaches the source registry: `opened()` when it answers within `timeout`, `failed()`
  // otherwise (no session bus, no registry on it, or no answer in time). Call once.
  void open(std::chrono::milliseconds timeout);
  State state() const { return state_; }
  // True once every calendar delivered its first set of events (or could not be read),
  // or the first load ran out of patience.
  bool isLoaded() const { return loaded_; }

  bool isReadable() const override;
  QList<EventStoreCalendar> calendars() const override;
  QList<EventStoreEvent> events(
      const QDateTime& from, const QDateTime& to,
      const std::optional<QSet<QString>>& calendarIdentifiers) const override;
  Read prepareRead(const QDateTime& from, const QDateTime& to,
                   const std::optional<QSet<QString>>& calendarIdentifiers) const override;

 Q_SIGNALS:
  void opened();
  void failed(const QString& reason);
  void loaded();

 private:
  struct Private;
  friend struct Private;

  void fail(const QString& reason, State state);
  void markLoaded();
  void scheduleChanged();

  std::unique_ptr<Private> d_;
  QTimeZone localZone_;
  State state_ = State::idle;
  bool loaded_ = false;
  QTimer openTimeout_;
  QTimer loadPatience_;
  QTimer changeCoalescer_;
  QTimer resyncCoalescer_;
};

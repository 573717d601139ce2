#include "core/platform/EvolutionDataServerEventStore.h"

#include "core/model/DiagnosticLogger.h"
#include "core/platform/ICalendarFile.h"
#include "core/platform/RestartBudget.h"

#include <QAbstractEventDispatcher>
#include <QElapsedTimer>
#include <QHash>
#include <QMap>
#include <QMutex>
#include <QPointer>
#include <QSet>

#include <libecal/libecal.h>
#include <libedataserver/libedataserver.h>

#include <algorithm>
#include <map>
#include <optional>

namespace {

constexpr auto kSubsystem = "Calendar";
constexpr auto kRegistryBusName = "org.gnome.evolution.dataserver.Sources5";
// Local calendars answer at once; online ones open from their offline copy and catch up
// through the view once their account connects.
constexpr guint32 kDoNotWaitForConnection = G_MAXUINT32;
// How long the first load may take, once the registry answered, before showing what is in.
constexpr auto kFirstLoadPatience = std::chrono::seconds(5);
// A calendar whose backend keeps dying is left alone after this many restarts within
// the window; occasional restarts over a long session are always reopened.
constexpr int kMaxRestarts = 3;
constexpr qint64 kRestartWindowMs = 10 * 60 * 1000;
// A calendar the server cannot open yet is tried again, each pause twice the one before: the
// server learns of a new calendar from its own copy of the registry, which can lag behind a
// burst of calendars an online account brings. One that still fails after two minutes is
// left alone.
constexpr std::chrono::milliseconds kFirstReopenPause(250);
constexpr std::chrono::milliseconds kLongestReopenPause(60 * 1000);
constexpr int kMaxOpenFailures = 10;
const QString kDefaultColor = QStringLiteral("#3B82F6");

struct GObjectUnref {
  void operator()(gpointer object) const {
    if (object) {
      g_object_unref(object);
    }
  }
};
template <typename T>
using GObjectPtr = std::unique_ptr<T, GObjectUnref>;

struct ErrorGuard {
  GError* error = nullptr;
  ~ErrorGuard() { g_clear_error(&error); }
  QString message() const {
    return error ? QString::fromUtf8(error->message) : QStringLiteral("unknown error");
  }
};

QString text(const char* value) { return value ? QString::fromUtf8(value) : QString(); }

QByteArray takeBytes(gchar* value) {
  QByteArray bytes(value ? value : "");
  g_free(value);
  return bytes;
}

void log(const QString& message, const char* level) {
  DiagnosticLogger::shared().log(message, QString::fromLatin1(level),
                                 QString::fromLatin1(kSubsystem));
}

// A component's place in its calendar: the event's UID and, for an occurrence that was
// changed on its own, its RECURRENCE-ID.
QString componentKey(const QString& uid, const QString& rid) { return uid + QChar(0x1f) + rid; }

// A calendar's components parsed as one iCalendar object, kept between reads until they
// change. Only reads touch it, one at a time, on whichever thread runs them.
struct ParsedCalendar {
  QMutex mutex;
  quint64 version = 0;  // of the content parsed; 0 before the first parse
  std::optional<ICalendarFile> file;
  int skipped = 0;
  QStringList refusedZones;
  bool cutReported = false;
};

// What a read needs of one calendar, copied on the main thread.
struct CalendarSnapshot {
  QString identifier;
  QString title;
  quint64 version = 0;
  QMap<QString, QByteArray> components;
  QMap<QByteArray, QByteArray> zones;
  std::shared_ptr<ParsedCalendar> parsed;
};

// The calendar's components as one iCalendar object, so that reading it follows the same rules
// as a calendar file. Call with `parsed` locked.
const ICalendarFile* fileOf(const CalendarSnapshot& calendar) {
  ParsedCalendar& parsed = *calendar.parsed;
  if (parsed.version == calendar.version) {
    return parsed.file ? &*parsed.file : nullptr;
  }
  QByteArray text("BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Pelmora//Desktop calendar//EN\r\n");
  for (const QByteArray& zone : calendar.zones) {
    text += zone;
  }
  for (const QByteArray& component : calendar.components) {
    text += component;
  }
  text += "END:VCALENDAR\r\n";
  QString error;
  parsed.file = ICalendarFile::parse(text, &error);
  parsed.version = calendar.version;
  parsed.cutReported = false;
  const int nowSkipped = parsed.file ? parsed.file->skippedEventCount() : 0;
  const QStringList nowRefused = parsed.file ? parsed.file->refusedZones() : QStringList();
  if (!parsed.file) {
    log(QStringLiteral("Calendar \u201C%1\u201D could not be read: %2").arg(calendar.title, error),
        "WARN");
  } else if (nowSkipped != parsed.skipped && nowSkipped > 0) {
    log(QStringLiteral("Skipped %1 unreadable event(s) in calendar \u201C%2\u201D")
            .arg(nowSkipped)
            .arg(calendar.title),
        "WARN");
  }
  if (nowRefused != parsed.refusedZones && !nowRefused.isEmpty()) {
    log(QStringLiteral("Calendar \u201C%1\u201D: the time zone definition(s) %2 change their "
                       "offset too often to be real; their times are read in the system zone "
                       "of that name, else in UTC")
            .arg(calendar.title, nowRefused.join(QStringLiteral(", "))),
        "WARN");
  }
  parsed.skipped = nowSkipped;
  parsed.refusedZones = nowRefused;
  return parsed.file ? &*parsed.file : nullptr;
}

}  // namespace

struct EvolutionDataServerEventStore::Private {
  // What an asynchronous call needs when it returns: the store may be gone by then, and the
  // calendar may have been closed or opened anew.
  struct Pending {
    QPointer<EvolutionDataServerEventStore> store;
    QString uid;
    quint64 token = 0;
    QByteArray tzid;
  };

  struct Calendar {
    Private* owner = nullptr;
    quint64 token = 0;
    EventStoreCalendar info;
    GObjectPtr<ESource> source;
    GObjectPtr<GCancellable> cancellable{g_cancellable_new()};
    GObjectPtr<ECalClient> client;
    GObjectPtr<ECalClientView> view;
    QMap<QString, QByteArray> components;
    QMap<QByteArray, QByteArray> zones;  // TZID -> VTIMEZONE text, empty while asked for
    quint64 version = 1;                 // of `components` and `zones`
    std::shared_ptr<ParsedCalendar> parsed = std::make_shared<ParsedCalendar>();
    bool viewComplete = false;
    bool failed = false;
    int zonesAskedFor = 0;
    bool reopen = false;  // at the next resync, as a new calendar

    // First set of events in, with the zones they need, or given up on.
    bool settled() const { return failed || (viewComplete && zonesAskedFor == 0); }

    Calendar() = default;
    Calendar(const Calendar&) = delete;
    Calendar& operator=(const Calendar&) = delete;
    ~Calendar() {
      g_cancellable_cancel(cancellable.get());
      // Releasing the view tells the server without waiting for it.
      if (view) {
        g_signal_handlers_disconnect_by_data(view.get(), this);
      }
      if (client) {
        g_signal_handlers_disconnect_by_data(client.get(), this);
      }
    }

    Pending* pending() const { return new Pending{owner->q, info.identifier, token, {}}; }

    void giveUp(const QString& reason) {
      log(QStringLiteral("Calendar \u201C%1\u201D cannot be read: %2").arg(info.title, reason),
          "WARN");
      failed = true;
      owner->checkLoaded();
    }

    // Tries the calendar again later unless it failed too often; until then it counts as
    // settled, so the first load does not wait for it.
    void openFailed(const QString& reason) {
      const int failures = ++owner->openFailures[info.identifier];
      if (failures >= kMaxOpenFailures) {
        giveUp(reason);
        return;
      }
      if (failures == 1) {
        log(QStringLiteral("Calendar \u201C%1\u201D cannot be opened yet (%2); trying again")
                .arg(info.title, reason),
            "INFO");
      }
      failed = true;
      owner->checkLoaded();
      const auto pause = std::min(kFirstReopenPause * (1 << (failures - 1)), kLongestReopenPause);
      QTimer::singleShot(pause, owner->q, [again = std::shared_ptr<Pending>(pending())] {
        if (Calendar* self = find(*again)) {
          self->reopen = true;
          self->owner->q->resyncCoalescer_.start();
        }
      });
    }

    void contentChanged() {
      ++version;
      owner->q->scheduleChanged();
    }

    CalendarSnapshot snapshot() const {
      return {info.identifier, info.title, version, components, zones, parsed};
    }

    void take(const GSList* objects) {
      for (const GSList* item = objects; item; item = item->next) {
        auto* component = static_cast<ICalComponent*>(item->data);
        const QString uid = text(i_cal_component_get_uid(component));
        const QString rid =
            QString::fromUtf8(takeBytes(e_cal_util_component_get_recurid_as_string(component)));
        components.insert(componentKey(uid, rid),
                          takeBytes(i_cal_component_as_ical_string(component)));
        i_cal_component_foreach_tzid(component, &Calendar::noteZone, this);
      }
      contentChanged();
    }

    void drop(const GSList* ids) {
      for (const GSList* item = ids; item; item = item->next) {
        const auto* id = static_cast<const ECalComponentId*>(item->data);
        const QString uid = text(e_cal_component_id_get_uid(id));
        const QString rid = text(e_cal_component_id_get_rid(id));
        if (!rid.isEmpty()) {
          components.remove(componentKey(uid, rid));
          continue;
        }
        // The whole event went, with every occurrence changed on its own.
        const QString prefix = componentKey(uid, QString());
        for (auto it = components.lowerBound(prefix);
             it != components.end() && it.key().startsWith(prefix);) {
          it = components.erase(it);
        }
      }
      contentChanged();
    }

    // Zones the calendar defines itself (an exchange server's "W. Europe Standard Time") are
    // fetched once, so each event keeps its own zone's rules.
    static void noteZone(ICalParameter* parameter, gpointer data) {
      auto* self = static_cast<Calendar*>(data);
      const QByteArray tzid(i_cal_parameter_get_tzid(parameter));
      if (tzid.isEmpty() || tzid == "UTC" || self->zones.contains(tzid) || !self->client) {
        return;
      }
      self->zones.insert(tzid, {});
      ++self->zonesAskedFor;
      Pending* pending = self->pending();
      pending->tzid = tzid;
      e_cal_client_get_timezone(self->client.get(), tzid.constData(), self->cancellable.get(),
                                &Calendar::zoneReady, pending);
    }

    static void zoneReady(GObject* source, GAsyncResult* result, gpointer data) {
      std::unique_ptr<Pending> pending(static_cast<Pending*>(data));
      ErrorGuard guard;
      ICalTimezone* zone = nullptr;  // owned by the client
      e_cal_client_get_timezone_finish(E_CAL_CLIENT(source), result, &zone, &guard.error);
      Calendar* self = find(*pending);
      if (!self) {
        return;
      }
      --self->zonesAskedFor;
      // An unknown zone is still read by its name.
      GObjectPtr<ICalComponent> definition(zone ? i_cal_timezone_get_component(zone) : nullptr);
      if (definition) {
        self->zones.insert(pending->tzid,
                           takeBytes(i_cal_component_as_ical_string(definition.get())));
        self->contentChanged();
      }
      self->owner->checkLoaded();
    }

    static void objectsAdded(ECalClientView*, const GSList* objects, gpointer data) {
      static_cast<Calendar*>(data)->take(objects);
    }

    static void objectsRemoved(ECalClientView*, const GSList* ids, gpointer data) {
      static_cast<Calendar*>(data)->drop(ids);
    }

    static void completed(ECalClientView*, const GError* error, gpointer data) {
      auto* self = static_cast<Calendar*>(data);
      if (error) {
        log(QStringLiteral("Calendar \u201C%1\u201D loaded partly: %2")
                .arg(self->info.title, text(error->message)),
            "WARN");
      }
      self->viewComplete = true;
      self->contentChanged();
      self->owner->checkLoaded();
    }

    static void backendDied(EClient*, gpointer data) {
      auto* self = static_cast<Calendar*>(data);
      auto budget =
          self->owner->restarts.try_emplace(self->info.identifier, kMaxRestarts, kRestartWindowMs);
      if (!budget.first->second.allow(self->owner->clock.elapsed())) {
        self->giveUp(QStringLiteral("its backend keeps stopping"));
        return;
      }
      log(QStringLiteral("The backend of calendar \u201C%1\u201D stopped; opening it again")
              .arg(self->info.title),
          "WARN");
      self->reopen = true;
      self->owner->q->resyncCoalescer_.start();
    }

    static void clientConnected(GObject*, GAsyncResult* result, gpointer data) {
      std::unique_ptr<Pending> pending(static_cast<Pending*>(data));
      ErrorGuard guard;
      EClient* connected = e_cal_client_connect_finish(result, &guard.error);
      GObjectPtr<ECalClient> client(connected ? E_CAL_CLIENT(connected) : nullptr);
      Calendar* self = find(*pending);
      if (!self) {
        return;
      }
      if (!client) {
        self->openFailed(guard.message());
        return;
      }
      self->client = std::move(client);
      g_signal_connect(self->client.get(), "backend-died", G_CALLBACK(&Calendar::backendDied),
                       self);
      e_cal_client_get_view(self->client.get(), "#t", self->cancellable.get(), &Calendar::viewReady,
                            pending.release());
    }

    static void viewReady(GObject* source, GAsyncResult* result, gpointer data) {
      std::unique_ptr<Pending> pending(static_cast<Pending*>(data));
      ErrorGuard guard;
      ECalClientView* created = nullptr;
      e_cal_client_get_view_finish(E_CAL_CLIENT(source), result, &created, &guard.error);
      GObjectPtr<ECalClientView> view(created);
      Calendar* self = find(*pending);
      if (!self) {
        return;
      }
      if (!view) {
        self->openFailed(guard.message());
        return;
      }
      self->view = std::move(view);
      ECalClientView* live = self->view.get();
      g_signal_connect(live, "objects-added", G_CALLBACK(&Calendar::objectsAdded), self);
      g_signal_connect(live, "objects-modified", G_CALLBACK(&Calendar::objectsAdded), self);
      g_signal_connect(live, "objects-removed", G_CALLBACK(&Calendar::objectsRemoved), self);
      g_signal_connect(live, "complete", G_CALLBACK(&Calendar::completed), self);
      // The one call libecal offers only in blocking form; it follows at once on the view's
      // creation by the same, answering, backend.
      e_cal_client_view_start(live, &guard.error);
      if (guard.error) {
        self->openFailed(guard.message());
        return;
      }
      self->owner->openFailures.erase(self->info.identifier);
    }
  };

  explicit Private(EvolutionDataServerEventStore* store) : q(store) { clock.start(); }
  Private(const Private&) = delete;
  Private& operator=(const Private&) = delete;
  ~Private() {
    g_cancellable_cancel(opening.get());
    calendars.clear();
    if (registry) {
      g_signal_handlers_disconnect_by_data(registry.get(), this);
    }
  }

  static Calendar* find(const Pending& pending) {
    if (!pending.store) {
      return nullptr;
    }
    auto& calendars = pending.store->d_->calendars;
    const auto found = calendars.find(pending.uid);
    if (found == calendars.end() || found->second->token != pending.token) {
      return nullptr;
    }
    return found->second.get();
  }

  static EvolutionDataServerEventStore* stillOpening(const Pending& pending) {
    EvolutionDataServerEventStore* store = pending.store.data();
    return store && store->state_ == State::opening ? store : nullptr;
  }

  static void busReady(GObject*, GAsyncResult* result, gpointer data) {
    std::unique_ptr<Pending> pending(static_cast<Pending*>(data));
    ErrorGuard guard;
    GObjectPtr<GDBusConnection> bus(g_bus_get_finish(result, &guard.error));
    EvolutionDataServerEventStore* store = stillOpening(*pending);
    if (!store) {
      return;
    }
    if (!bus) {
      store->fail(QStringLiteral("no session bus (%1)").arg(guard.message()), State::absent);
      return;
    }
    // Creating a registry object succeeds even where no registry exists; asking the bus to
    // start the service tells whether one is there.
    g_dbus_connection_call(bus.get(), "org.freedesktop.DBus", "/org/freedesktop/DBus",
                           "org.freedesktop.DBus", "StartServiceByName",
                           g_variant_new("(su)", kRegistryBusName, 0u), G_VARIANT_TYPE("(u)"),
                           G_DBUS_CALL_FLAGS_NONE, -1, store->d_->opening.get(),
                           &Private::registryStarted, pending.release());
  }

  static void registryStarted(GObject* source, GAsyncResult* result, gpointer data) {
    std::unique_ptr<Pending> pending(static_cast<Pending*>(data));
    ErrorGuard guard;
    if (GVariant* reply =
            g_dbus_connection_call_finish(G_DBUS_CONNECTION(source), result, &guard.error)) {
      g_variant_unref(reply);
    }
    EvolutionDataServerEventStore* store = stillOpening(*pending);
    if (!store) {
      return;
    }
    if (guard.error) {
      const bool absent = g_error_matches(guard.error, G_DBUS_ERROR, G_DBUS_ERROR_SERVICE_UNKNOWN);
      g_dbus_error_strip_remote_error(guard.error);
      store->fail(absent ? QStringLiteral("it is not installed")
                         : QStringLiteral("its registry cannot start (%1)").arg(guard.message()),
                  absent ? State::absent : State::failed);
      return;
    }
    e_source_registry_new(store->d_->opening.get(), &Private::registryReady, pending.release());
  }

  static void registryReady(GObject*, GAsyncResult* result, gpointer data) {
    std::unique_ptr<Pending> pending(static_cast<Pending*>(data));
    ErrorGuard guard;
    GObjectPtr<ESourceRegistry> registry(e_source_registry_new_finish(result, &guard.error));
    EvolutionDataServerEventStore* store = stillOpening(*pending);
    if (!store) {
      return;
    }
    if (!registry) {
      store->fail(QStringLiteral("its registry cannot be read (%1)").arg(guard.message()),
                  State::failed);
      return;
    }
    Private* self = store->d_.get();
    self->registry = std::move(registry);
    for (const char* signal : {"source-added", "source-removed", "source-changed", "source-enabled",
                               "source-disabled"}) {
      g_signal_connect(self->registry.get(), signal, G_CALLBACK(&Private::registryChanged), self);
    }
    store->openTimeout_.stop();
    store->state_ = State::open;
    Q_EMIT store->opened();
    if (!pending->store) {
      return;
    }
    store->loadPatience_.start(kFirstLoadPatience);
    self->resync();
  }

  static void registryChanged(ESourceRegistry*, ESource*, gpointer data) {
    static_cast<Private*>(data)->q->resyncCoalescer_.start();
  }

  EventStoreCalendar describe(ESource* source) const {
    EventStoreCalendar info;
    info.identifier = text(e_source_get_uid(source));
    info.title = text(e_source_get_display_name(source));
    auto* selectable = static_cast<ESourceSelectable*>(
        e_source_get_extension(source, E_SOURCE_EXTENSION_CALENDAR));
    info.colorHex = ICalendarFile::normalisedColor(
        QString::fromUtf8(takeBytes(e_source_selectable_dup_color(selectable))));
    if (info.colorHex.isEmpty()) {
      info.colorHex = kDefaultColor;
    }
    const char* parentUid = e_source_get_parent(source);
    if (parentUid && *parentUid) {
      GObjectPtr<ESource> parent(e_source_registry_ref_source(registry.get(), parentUid));
      if (parent) {
        info.sourceTitle = text(e_source_get_display_name(parent.get()));
      }
    }
    return info;
  }

  void start(ESource* source, const EventStoreCalendar& info) {
    auto calendar = std::make_unique<Calendar>();
    calendar->owner = this;
    calendar->token = nextToken++;
    calendar->info = info;
    calendar->source.reset(static_cast<ESource*>(g_object_ref(source)));
    e_cal_client_connect(source, E_CAL_CLIENT_SOURCE_TYPE_EVENTS, kDoNotWaitForConnection,
                         calendar->cancellable.get(), &Calendar::clientConnected,
                         calendar->pending());
    calendars[info.identifier] = std::move(calendar);
  }

  // Brings the open calendars in line with the registry's enabled calendar sources.
  void resync() {
    if (!registry) {
      return;
    }
    bool listChanged = false;
    QSet<QString> present;
    GList* enabled = e_source_registry_list_enabled(registry.get(), E_SOURCE_EXTENSION_CALENDAR);
    for (GList* item = enabled; item; item = item->next) {
      auto* source = static_cast<ESource*>(item->data);
      const EventStoreCalendar info = describe(source);
      present.insert(info.identifier);
      auto found = calendars.find(info.identifier);
      if (found != calendars.end() && found->second->reopen) {
        calendars.erase(found);
        found = calendars.end();
      }
      if (found == calendars.end()) {
        start(source, info);
        listChanged = true;
      } else if (found->second->info != info) {
        found->second->info = info;
        listChanged = true;
      }
    }
    g_list_free_full(enabled, g_object_unref);
    for (auto it = calendars.begin(); it != calendars.end();) {
      if (present.contains(it->first)) {
        ++it;
      } else {
        openFailures.erase(it->first);
        it = calendars.erase(it);
        listChanged = true;
      }
    }
    if (listChanged) {
      q->scheduleChanged();
    }
    checkLoaded();
  }

  void checkLoaded() {
    if (q->state_ != State::open || q->loaded_) {
      return;
    }
    const bool allSettled = std::all_of(calendars.begin(), calendars.end(),
                                        [](const auto& entry) { return entry.second->settled(); });
    if (allSettled) {
      q->markLoaded();
    }
  }

  EvolutionDataServerEventStore* q;
  GObjectPtr<GCancellable> opening{g_cancellable_new()};
  GObjectPtr<ESourceRegistry> registry;
  std::map<QString, std::unique_ptr<Calendar>> calendars;
  std::map<QString, RestartBudget> restarts;
  std::map<QString, int> openFailures;  // in a row, of calendars not open yet
  QElapsedTimer clock;
  quint64 nextToken = 1;
};

EvolutionDataServerEventStore::EvolutionDataServerEventStore(const QTimeZone& localZone,
                                                             QObject* parent)
    : EventStore(parent),
      d_(std::make_unique<Private>(this)),
      localZone_(localZone.isValid() ? localZone : QTimeZone::systemTimeZone()) {
  openTimeout_.setSingleShot(true);
  openTimeout_.setTimerType(Qt::PreciseTimer);
  connect(&openTimeout_, &QTimer::timeout, this, [this] {
    fail(QStringLiteral("its registry did not answer within %1 ms").arg(openTimeout_.interval()),
         State::failed);
  });
  loadPatience_.setSingleShot(true);
  connect(&loadPatience_, &QTimer::timeout, this, [this] {
    QStringList waiting;
    for (const auto& [uid, calendar] : d_->calendars) {
      if (!calendar->settled()) {
        waiting.append(calendar->info.title);
      }
    }
    log(QStringLiteral("Still loading calendars: %1").arg(waiting.join(QStringLiteral(", "))),
        "INFO");
    markLoaded();
  });
  changeCoalescer_.setSingleShot(true);
  changeCoalescer_.setInterval(0);
  connect(&changeCoalescer_, &QTimer::timeout, this, &EventStore::changed);
  resyncCoalescer_.setSingleShot(true);
  resyncCoalescer_.setInterval(0);
  connect(&resyncCoalescer_, &QTimer::timeout, this, [this] { d_->resync(); });
}

EvolutionDataServerEventStore::~EvolutionDataServerEventStore() = default;

void EvolutionDataServerEventStore::open(std::chrono::milliseconds timeout) {
  if (state_ != State::idle) {
    return;
  }
  state_ = State::opening;
  // GLib answers only where Qt's event loop runs GLib's main context.
  const QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance();
  if (!dispatcher || !dispatcher->inherits("QEventDispatcherGlib")) {
    QTimer::singleShot(0, this, [this] {
      fail(QStringLiteral("Qt's event loop does not run GLib's (QT_NO_GLIB is set)"),
           State::failed);
    });
    return;
  }
  openTimeout_.start(timeout);
  g_bus_get(G_BUS_TYPE_SESSION, d_->opening.get(), &Private::busReady,
            new Private::Pending{this, {}, 0, {}});
}

void EvolutionDataServerEventStore::fail(const QString& reason, State state) {
  if (state_ != State::opening) {
    return;
  }
  openTimeout_.stop();
  g_cancellable_cancel(d_->opening.get());
  state_ = state;
  Q_EMIT failed(reason);
}

void EvolutionDataServerEventStore::markLoaded() {
  if (loaded_) {
    return;
  }
  loaded_ = true;
  loadPatience_.stop();
  Q_EMIT loaded();
}

void EvolutionDataServerEventStore::scheduleChanged() { changeCoalescer_.start(); }

bool EvolutionDataServerEventStore::isReadable() const { return state_ == State::open; }

QList<EventStoreCalendar> EvolutionDataServerEventStore::calendars() const {
  QList<EventStoreCalendar> result;
  for (const auto& [uid, calendar] : d_->calendars) {
    result.append(calendar->info);
  }
  std::sort(result.begin(), result.end(),
            [](const EventStoreCalendar& a, const EventStoreCalendar& b) {
              const int bySource = a.sourceTitle.compare(b.sourceTitle, Qt::CaseInsensitive);
              if (bySource != 0) {
                return bySource < 0;
              }
              const int byTitle = a.title.compare(b.title, Qt::CaseInsensitive);
              return byTitle != 0 ? byTitle < 0 : a.identifier < b.identifier;
            });
  return result;
}

QList<EventStoreEvent> EvolutionDataServerEventStore::events(
    const QDateTime& from, const QDateTime& to,
    const std::optional<QSet<QString>>& calendarIdentifiers) const {
  return prepareRead(from, to, calendarIdentifiers)().events;
}

EventStore::Read EvolutionDataServerEventStore::prepareRead(
    const QDateTime& from, const QDateTime& to,
    const std::optional<QSet<QString>>& calendarIdentifiers) const {
  std::vector<CalendarSnapshot> selected;
  for (const auto& [uid, calendar] : d_->calendars) {
    if (!calendarIdentifiers || calendarIdentifiers->contains(uid)) {
      selected.push_back(calendar->snapshot());
    }
  }
  return [calendars = this->calendars(), selected = std::move(selected), from, to,
          localZone = localZone_] {
    EventStoreContent content{calendars, {}};
    // One budget for the whole read, shared fairly between the calendars.
    ICalendarFile::Budget budget;
    qsizetype remaining = static_cast<qsizetype>(selected.size());
    for (const CalendarSnapshot& calendar : selected) {
      ICalendarFile::Budget part = budget.split(remaining--);
      QMutexLocker lock(&calendar.parsed->mutex);
      if (const ICalendarFile* file = fileOf(calendar)) {
        content.events.append(file->events(from, to, localZone, calendar.identifier, part));
      }
      if (!part.cutShort.isEmpty() && !calendar.parsed->cutReported) {
        calendar.parsed->cutReported = true;
        const qsizetype others = part.cutShort.size() - 1;
        log(QStringLiteral("Calendar \u201C%1\u201D: left out the later occurrences of %2%3, "
                           "more than one read may produce")
                .arg(calendar.title, part.cutShort.first(),
                     others > 0 ? QStringLiteral(" and %1 other event(s)").arg(others) : QString()),
            "WARN");
      }
      part.cutShort.clear();
      budget.giveBack(part);
    }
    std::stable_sort(content.events.begin(), content.events.end(),
                     [](const EventStoreEvent& a, const EventStoreEvent& b) {
                       return a.startDate < b.startDate;
                     });
    return content;
  };
}

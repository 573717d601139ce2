#include "testing/EvolutionCalendars.h"

#include <QAbstractEventDispatcher>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QTimer>

#include <libecal/libecal.h>
#include <libedataserver/libedataserver.h>

#include <map>

namespace {

// Where the local backend keeps a calendar's file.
QString calendarFolder(const QString& uid) {
  return QString::fromUtf8(e_get_user_data_dir()) + QStringLiteral("/calendar/") + uid;
}

QString takeError(GError*& error) {
  const QString message = error ? QString::fromUtf8(error->message) : QString();
  g_clear_error(&error);
  return message;
}

}  // namespace

struct EvolutionCalendars::Private {
  ESourceRegistry* registry = nullptr;
  std::map<QString, std::pair<ESource*, ECalClient*>> calendars;
  QString error;

  ECalClient* client(const QString& uid) {
    const auto found = calendars.find(uid);
    return found == calendars.end() ? nullptr : found->second.second;
  }

  bool fail(GError*& gerror) {
    error = takeError(gerror);
    return false;
  }

  // Parses `text` and hands the calendar's client and the component to `change`, which
  // reports a failure through the GError; the component is released afterwards.
  template <typename Change>
  bool withComponent(const QString& calendar, const QByteArray& text, const char* kind,
                     Change change) {
    ECalClient* found = client(calendar);
    ICalComponent* component = i_cal_component_new_from_string(text.constData());
    if (!found || !component) {
      error = QStringLiteral("no such calendar, or not a %1").arg(QLatin1String(kind));
      g_clear_object(&component);
      return false;
    }
    GError* gerror = nullptr;
    const bool done = change(found, component, gerror);
    g_object_unref(component);
    return done || fail(gerror);
  }
};

EvolutionCalendars::EvolutionCalendars() : d_(std::make_unique<Private>()) {
  // The registry service can crash while the calendars of the test before are removed (it
  // trips over a calendar that the calendar server closes at that moment); the call that
  // meets its end is answered with an error, and the bus starts it again on the next.
  GError* error = nullptr;
  eventually([&] {
    g_clear_error(&error);
    d_->registry = e_source_registry_new_sync(nullptr, &error);
    return d_->registry || !g_error_matches(error, G_DBUS_ERROR, G_DBUS_ERROR_NO_REPLY);
  });
  if (!d_->registry) {
    d_->fail(error);
  }
}

EvolutionCalendars::~EvolutionCalendars() {
  for (auto& [uid, calendar] : d_->calendars) {
    g_clear_object(&calendar.second);
    g_object_unref(calendar.first);
    if (ESource* source = e_source_registry_ref_source(d_->registry, uid.toUtf8().constData())) {
      GError* error = nullptr;
      e_source_remove_sync(source, nullptr, &error);
      g_clear_error(&error);
      g_object_unref(source);
    }
  }
  if (d_->registry) {
    g_object_unref(d_->registry);
  }
}

bool EvolutionCalendars::isReady() const { return d_->registry != nullptr; }

QString EvolutionCalendars::error() const { return d_->error; }

QString EvolutionCalendars::createCalendar(const QString& displayName, const QString& color) {
  const QString uid = createSource(displayName, color);
  return !uid.isEmpty() && open(uid) ? uid : QString();
}

QString EvolutionCalendars::createSource(const QString& displayName, const QString& color) {
  return createSource(displayName, color, {});
}

QString EvolutionCalendars::createUnreadableSource(const QString& displayName,
                                                   const QString& color) {
  return createSource(displayName, color, [](const QString& uid) {
    // The server reads the local calendar's file when it opens the calendar.
    const QString folder = calendarFolder(uid);
    QFile file(folder + QStringLiteral("/calendar.ics"));
    return QDir().mkpath(folder) && file.open(QIODevice::WriteOnly) &&
           file.write("not a calendar\n") > 0;
  });
}

bool EvolutionCalendars::mend(const QString& calendar) {
  if (!QFile::remove(calendarFolder(calendar) + QStringLiteral("/calendar.ics"))) {
    d_->error = QStringLiteral("the calendar's file could not be removed");
    return false;
  }
  return true;
}

QString EvolutionCalendars::createSource(const QString& displayName, const QString& color,
                                         const std::function<bool(const QString&)>& prepare) {
  GError* error = nullptr;
  ESource* source = e_source_new(nullptr, nullptr, &error);
  if (!source) {
    d_->fail(error);
    return {};
  }
  if (prepare && !prepare(QString::fromUtf8(e_source_get_uid(source)))) {
    g_object_unref(source);
    d_->error = QStringLiteral("the calendar could not be prepared");
    return {};
  }
  e_source_set_parent(source, "local-stub");
  e_source_set_display_name(source, displayName.toUtf8().constData());
  auto* calendar =
      static_cast<ESourceCalendar*>(e_source_get_extension(source, E_SOURCE_EXTENSION_CALENDAR));
  e_source_backend_set_backend_name(E_SOURCE_BACKEND(calendar), "local");
  e_source_selectable_set_color(E_SOURCE_SELECTABLE(calendar), color.toUtf8().constData());
  GList* sources = g_list_append(nullptr, source);
  const bool created =
      e_source_registry_create_sources_sync(d_->registry, sources, nullptr, &error);
  g_list_free(sources);
  if (!created) {
    g_object_unref(source);
    d_->fail(error);
    return {};
  }
  const QString uid = QString::fromUtf8(e_source_get_uid(source));
  d_->calendars[uid] = {source, nullptr};
  return uid;
}

bool EvolutionCalendars::open(const QString& calendar) {
  const auto found = d_->calendars.find(calendar);
  if (found == d_->calendars.end()) {
    d_->error = QStringLiteral("no such calendar");
    return false;
  }
  if (found->second.second) {
    return true;
  }
  // The calendar server learns of a new source from its own copy of the registry, which may
  // lag behind this one: until then it answers that there is no such source.
  GError* error = nullptr;
  EClient* client = nullptr;
  eventually([&] {
    g_clear_error(&error);
    client = e_cal_client_connect_sync(found->second.first, E_CAL_CLIENT_SOURCE_TYPE_EVENTS,
                                       G_MAXUINT32, nullptr, &error);
    return client || !g_error_matches(error, G_IO_ERROR, G_IO_ERROR_NOT_FOUND);
  });
  if (!client) {
    return d_->fail(error);
  }
  found->second.second = E_CAL_CLIENT(client);
  return true;
}

bool EvolutionCalendars::reconnect() {
  for (auto& [uid, calendar] : d_->calendars) {
    GError* error = nullptr;
    EClient* client = e_cal_client_connect_sync(calendar.first, E_CAL_CLIENT_SOURCE_TYPE_EVENTS,
                                                G_MAXUINT32, nullptr, &error);
    if (!client) {
      return d_->fail(error);
    }
    g_clear_object(&calendar.second);
    calendar.second = E_CAL_CLIENT(client);
  }
  return true;
}

bool EvolutionCalendars::setSource(const QString& calendar, const QString& color, bool enabled) {
  // Only the registry's own instance of a source can be written.
  ESource* source = e_source_registry_ref_source(d_->registry, calendar.toUtf8().constData());
  if (!source) {
    d_->error = QStringLiteral("the registry does not know the calendar");
    return false;
  }
  e_source_set_enabled(source, enabled);
  e_source_selectable_set_color(
      E_SOURCE_SELECTABLE(e_source_get_extension(source, E_SOURCE_EXTENSION_CALENDAR)),
      color.toUtf8().constData());
  GError* error = nullptr;
  const bool written = e_source_write_sync(source, nullptr, &error);
  g_object_unref(source);
  return written || d_->fail(error);
}

bool EvolutionCalendars::addZone(const QString& calendar, const QByteArray& vtimezone) {
  return d_->withComponent(calendar, vtimezone, "VTIMEZONE",
                           [](ECalClient* client, ICalComponent* component, GError*& error) {
                             ICalTimezone* zone = i_cal_timezone_new();
                             const bool added =
                                 i_cal_timezone_set_component(zone, component) &&
                                 e_cal_client_add_timezone_sync(client, zone, nullptr, &error);
                             g_object_unref(zone);
                             return added;
                           });
}

bool EvolutionCalendars::addEvent(const QString& calendar, const QByteArray& vevent) {
  return d_->withComponent(
      calendar, vevent, "VEVENT", [](ECalClient* client, ICalComponent* component, GError*& error) {
        gchar* uid = nullptr;
        const bool created = e_cal_client_create_object_sync(
            client, component, E_CAL_OPERATION_FLAG_NONE, &uid, nullptr, &error);
        g_free(uid);
        return created;
      });
}

bool EvolutionCalendars::modifyEvent(const QString& calendar, const QByteArray& vevent,
                                     bool onlyThisOccurrence) {
  return d_->withComponent(
      calendar, vevent, "VEVENT",
      [onlyThisOccurrence](ECalClient* client, ICalComponent* component, GError*& error) {
        return e_cal_client_modify_object_sync(
            client, component, onlyThisOccurrence ? E_CAL_OBJ_MOD_THIS : E_CAL_OBJ_MOD_ALL,
            E_CAL_OPERATION_FLAG_NONE, nullptr, &error);
      });
}

bool EvolutionCalendars::removeEvent(const QString& calendar, const QString& uid,
                                     const QString& recurrenceID) {
  ECalClient* client = d_->client(calendar);
  if (!client) {
    d_->error = QStringLiteral("no such calendar");
    return false;
  }
  GError* error = nullptr;
  const QByteArray rid = recurrenceID.toUtf8();
  return e_cal_client_remove_object_sync(client, uid.toUtf8().constData(),
                                         rid.isEmpty() ? nullptr : rid.constData(),
                                         rid.isEmpty() ? E_CAL_OBJ_MOD_ALL : E_CAL_OBJ_MOD_THIS,
                                         E_CAL_OPERATION_FLAG_NONE, nullptr, &error) ||
         d_->fail(error);
}

bool inPrivateTestSession() { return !qEnvironmentVariableIsEmpty("PELMORA_IN_TEST_SESSION"); }

bool eventually(const std::function<bool()>& condition, std::chrono::milliseconds patience) {
  const QDeadlineTimer deadline(patience);
  // processEvents() with a time limit never waits, so the loop would spin; the tick wakes the
  // wait below often enough to look at the deadline.
  QTimer tick;
  tick.start(50);
  while (!condition()) {
    if (deadline.hasExpired()) {
      return false;
    }
    QAbstractEventDispatcher::instance()->processEvents(QEventLoop::WaitForMoreEvents);
  }
  return true;
}

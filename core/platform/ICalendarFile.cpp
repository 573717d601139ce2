#include "core/platform/ICalendarFile.h"

#include "core/model/Calendar.h"

#include <QCryptographicHash>
#include <QHash>
#include <QSet>
#include <QStringList>

#include <libical/ical.h>

#include <algorithm>
#include <vector>

namespace {

// Guards against rules that never end or never reach the window (FREQ=SECONDLY and the like).
constexpr int kMaxRecurrenceSteps = 200000;

struct ComponentDeleter {
  void operator()(icalcomponent* component) const { icalcomponent_free(component); }
};
using ComponentPtr = std::unique_ptr<icalcomponent, ComponentDeleter>;

QString textOf(const char* value) { return value ? QString::fromUtf8(value) : QString(); }

std::optional<QString> optionalText(const char* value) {
  const QString text = textOf(value).trimmed();
  if (text.isEmpty()) {
    return std::nullopt;
  }
  return text;
}

// The text of a property whatever its value type, without iCalendar escaping.
QString propertyText(icalproperty* property) {
  const icalvalue* value = icalproperty_get_value(property);
  if (!value) {
    return {};
  }
  switch (icalvalue_isa(value)) {
    case ICAL_TEXT_VALUE:
      return textOf(icalvalue_get_text(value));
    case ICAL_X_VALUE:
      return textOf(icalvalue_get_x(value));
    default:
      return textOf(icalproperty_get_value_as_string(property));
  }
}

// Time zone identifiers as calendar programs write them: IANA names, IANA names behind a
// vendor prefix ("/freeassociation.sourceforge.net/Europe/Berlin"), or Windows names.
QTimeZone systemZoneNamed(const QString& tzid) {
  const QByteArray id = tzid.trimmed().toUtf8();
  if (QTimeZone::isTimeZoneIdAvailable(id)) {
    return QTimeZone(id);
  }
  const QStringList parts = tzid.split(QLatin1Char('/'), Qt::SkipEmptyParts);
  for (qsizetype i = 1; i < parts.size(); ++i) {
    const QByteArray candidate = parts.mid(i).join(QLatin1Char('/')).toUtf8();
    if (candidate.contains('/') && QTimeZone::isTimeZoneIdAvailable(candidate)) {
      return QTimeZone(candidate);
    }
  }
  const QByteArray iana = QTimeZone::windowsIdToDefaultIanaId(id);
  if (!iana.isEmpty() && QTimeZone::isTimeZoneIdAvailable(iana)) {
    return QTimeZone(iana);
  }
  return {};
}

struct Zone {
  enum class Kind { floating, utc, calendar, system };
  Kind kind = Kind::floating;
  icaltimezone* calendarZone = nullptr;  // a VTIMEZONE of the file
  QTimeZone systemZone;
};

// A DATE or DATE-TIME as written, with the zone it is written in.
struct Moment {
  icaltimetype fields = icaltime_null_time();
  Zone zone;

  bool isDate() const { return fields.is_date != 0; }
  QDate date() const { return QDate(fields.year, fields.month, fields.day); }
};

Zone zoneOf(icalproperty* property, const icaltimetype& fields, icalcomponent* vcalendar) {
  Zone zone;
  if (icaltime_is_utc(fields)) {
    zone.kind = Zone::Kind::utc;
    return zone;
  }
  icalparameter* tzidParameter = icalproperty_get_first_parameter(property, ICAL_TZID_PARAMETER);
  const char* tzid = tzidParameter ? icalparameter_get_tzid(tzidParameter) : nullptr;
  if (!tzid || !*tzid) {
    return zone;
  }
  if (icaltimezone* own = icalcomponent_get_timezone(vcalendar, tzid)) {
    zone.kind = Zone::Kind::calendar;
    zone.calendarZone = own;
    return zone;
  }
  if (QTimeZone system = systemZoneNamed(QString::fromUtf8(tzid)); system.isValid()) {
    zone.kind = Zone::Kind::system;
    zone.systemZone = system;
  }
  return zone;
}

std::optional<Moment> momentOf(icalproperty* property, const icaltimetype& fields,
                               icalcomponent* vcalendar) {
  if (icaltime_is_null_time(fields) || !icaltime_is_valid_time(fields) ||
      !QDate(fields.year, fields.month, fields.day).isValid()) {
    return std::nullopt;
  }
  return Moment{fields, zoneOf(property, fields, vcalendar)};
}

// Where a zone skips midnight or the written time (a daylight-saving gap), the day starts at
// its first existing moment and the time moves forward by the gap, instead of giving no instant.
QDateTime localMidnight(const QDate& date, const QTimeZone& localZone) {
  return Calendar(localZone).startOfDay(date);
}

QDateTime wallClock(const QDate& date, const QTime& time, const QTimeZone& zone) {
  return Calendar(zone).dateTime(date, time);
}

QDateTime instantOf(const icaltimetype& fields, const Zone& zone, const QTimeZone& localZone) {
  const QDate date(fields.year, fields.month, fields.day);
  if (fields.is_date) {
    return localMidnight(date, localZone);
  }
  const QTime time(fields.hour, fields.minute, std::min(fields.second, 59));
  switch (zone.kind) {
    case Zone::Kind::utc:
      return QDateTime(date, time, QTimeZone::utc());
    case Zone::Kind::calendar: {
      icaltimetype local = fields;
      local.zone = nullptr;
      return QDateTime::fromSecsSinceEpoch(icaltime_as_timet_with_zone(local, zone.calendarZone),
                                           QTimeZone::utc());
    }
    case Zone::Kind::system:
      return wallClock(date, time, zone.systemZone);
    case Zone::Kind::floating:
      break;
  }
  return wallClock(date, time, localZone);
}

QDateTime instantOf(const Moment& moment, const QTimeZone& localZone) {
  return instantOf(moment.fields, moment.zone, localZone);
}

struct ParsedEvent {
  QString uid;
  QString title;
  std::optional<QString> location;
  std::optional<QString> url;
  std::optional<QString> notes;
  bool cancelled = false;

  Moment start;
  std::optional<Moment> end;
  std::optional<icaldurationtype> duration;

  std::vector<icalrecurrencetype> rules;
  std::vector<Moment> extraDates;
  std::vector<Moment> excludedDates;
  std::optional<Moment> recurrenceID;

  bool isAllDay() const { return start.isDate(); }
  bool isRecurring() const { return !rules.empty() || !extraDates.empty(); }
};

// Length of each occurrence: whole days for all-day events, seconds otherwise.
struct Span {
  int days = 0;
  qint64 seconds = 0;
};

Span spanOf(const ParsedEvent& event, const QTimeZone& localZone) {
  Span span;
  if (event.isAllDay()) {
    if (event.end) {
      span.days = static_cast<int>(event.start.date().daysTo(event.end->date()));
    } else if (event.duration) {
      span.days = event.duration->days + 7 * event.duration->weeks;
    }
    span.days = std::max(span.days, 1);
    return span;
  }
  if (event.end) {
    span.seconds = instantOf(event.start, localZone).secsTo(instantOf(*event.end, localZone));
  } else if (event.duration) {
    span.seconds = icaldurationtype_as_int(*event.duration);
  }
  span.seconds = std::max<qint64>(span.seconds, 0);
  return span;
}

// Identifies one occurrence within its event, in the same form whether it comes from the
// rule, an extra date or an override's RECURRENCE-ID.
QString occurrenceKey(bool allDay, const QDate& date, const QDateTime& instant) {
  if (allDay) {
    return date.toString(QStringLiteral("yyyyMMdd"));
  }
  return instant.toUTC().toString(QStringLiteral("yyyyMMdd'T'HHmmss'Z'"));
}

QString momentKey(const Moment& moment, const QTimeZone& localZone) {
  return occurrenceKey(moment.isDate(), moment.date(), instantOf(moment, localZone));
}

std::optional<ParsedEvent> parseEvent(icalcomponent* vevent, icalcomponent* vcalendar) {
  ParsedEvent event;
  icalproperty* startProperty = icalcomponent_get_first_property(vevent, ICAL_DTSTART_PROPERTY);
  if (!startProperty) {
    return std::nullopt;
  }
  const auto start = momentOf(startProperty, icalproperty_get_dtstart(startProperty), vcalendar);
  if (!start) {
    return std::nullopt;
  }
  event.start = *start;

  event.uid = textOf(icalcomponent_get_uid(vevent)).trimmed();
  event.title = textOf(icalcomponent_get_summary(vevent)).trimmed();
  event.location = optionalText(icalcomponent_get_location(vevent));
  event.notes = optionalText(icalcomponent_get_description(vevent));
  if (icalproperty* url = icalcomponent_get_first_property(vevent, ICAL_URL_PROPERTY)) {
    event.url = optionalText(icalproperty_get_url(url));
  }
  if (icalcomponent_get_first_property(vevent, ICAL_STATUS_PROPERTY)) {
    event.cancelled = icalcomponent_get_status(vevent) == ICAL_STATUS_CANCELLED;
  }

  if (icalproperty* end = icalcomponent_get_first_property(vevent, ICAL_DTEND_PROPERTY)) {
    event.end = momentOf(end, icalproperty_get_dtend(end), vcalendar);
  } else if (icalproperty* duration =
                 icalcomponent_get_first_property(vevent, ICAL_DURATION_PROPERTY)) {
    const icaldurationtype value = icalproperty_get_duration(duration);
    if (!icaldurationtype_is_bad_duration(value) && !value.is_neg) {
      event.duration = value;
    }
  }

  for (icalproperty* rule = icalcomponent_get_first_property(vevent, ICAL_RRULE_PROPERTY); rule;
       rule = icalcomponent_get_next_property(vevent, ICAL_RRULE_PROPERTY)) {
    const icalrecurrencetype recurrence = icalproperty_get_rrule(rule);
    if (recurrence.freq != ICAL_NO_RECURRENCE) {
      event.rules.push_back(recurrence);
    }
  }
  for (icalproperty* rdate = icalcomponent_get_first_property(vevent, ICAL_RDATE_PROPERTY); rdate;
       rdate = icalcomponent_get_next_property(vevent, ICAL_RDATE_PROPERTY)) {
    const icaldatetimeperiodtype value = icalproperty_get_rdate(rdate);
    const icaltimetype fields =
        icaltime_is_null_time(value.period.start) ? value.time : value.period.start;
    if (auto moment = momentOf(rdate, fields, vcalendar)) {
      event.extraDates.push_back(*moment);
    }
  }
  for (icalproperty* exdate = icalcomponent_get_first_property(vevent, ICAL_EXDATE_PROPERTY);
       exdate; exdate = icalcomponent_get_next_property(vevent, ICAL_EXDATE_PROPERTY)) {
    if (auto moment = momentOf(exdate, icalproperty_get_exdate(exdate), vcalendar)) {
      event.excludedDates.push_back(*moment);
    }
  }
  if (icalproperty* recurrenceID =
          icalcomponent_get_first_property(vevent, ICAL_RECURRENCEID_PROPERTY)) {
    event.recurrenceID =
        momentOf(recurrenceID, icalproperty_get_recurrenceid(recurrenceID), vcalendar);
  }
  return event;
}

// Events without a UID still need an identifier that survives a reload.
QString fallbackUID(const ParsedEvent& event, int index) {
  QCryptographicHash hash(QCryptographicHash::Sha1);
  hash.addData(event.title.toUtf8());
  hash.addData(QByteArray::number(index));
  hash.addData(QByteArray::number(event.start.fields.year * 10000 + event.start.fields.month * 100 +
                                  event.start.fields.day));
  return QStringLiteral("pelmora-") + QString::fromLatin1(hash.result().toHex().left(16));
}

}  // namespace

struct ICalendarFile::Data {
  ComponentPtr root;
  QString calendarName;
  QString colorHex;
  int skippedEvents = 0;
  std::vector<ParsedEvent> events;
};

QString ICalendarFile::normalisedColor(const QString& value) {
  QString hex = value.trimmed();
  if (hex.startsWith(QLatin1Char('#'))) {
    hex.remove(0, 1);
  }
  if (hex.size() != 6 && hex.size() != 8) {
    return {};
  }
  for (const QChar c : hex) {
    if (!isxdigit(c.toLatin1())) {
      return {};
    }
  }
  return QLatin1Char('#') + hex.left(6).toUpper();
}

namespace {

void readCalendarProperties(icalcomponent* vcalendar, QString& name, QString& color) {
  QString appleColor;
  QString standardColor;
  for (icalproperty* property = icalcomponent_get_first_property(vcalendar, ICAL_ANY_PROPERTY);
       property; property = icalcomponent_get_next_property(vcalendar, ICAL_ANY_PROPERTY)) {
    const QString propertyName = textOf(icalproperty_get_property_name(property)).toUpper();
    if (propertyName == QLatin1String("X-WR-CALNAME") && name.isEmpty()) {
      name = propertyText(property).trimmed();
    } else if (propertyName == QLatin1String("X-APPLE-CALENDAR-COLOR") && appleColor.isEmpty()) {
      appleColor = ICalendarFile::normalisedColor(propertyText(property));
    } else if (propertyName == QLatin1String("COLOR") && standardColor.isEmpty()) {
      standardColor = ICalendarFile::normalisedColor(propertyText(property));
    }
  }
  if (color.isEmpty()) {
    color = !appleColor.isEmpty() ? appleColor : standardColor;
  }
}

}  // namespace

ICalendarFile::ICalendarFile(std::shared_ptr<const Data> data) : data_(std::move(data)) {}

std::optional<ICalendarFile> ICalendarFile::parse(const QByteArray& text, QString* error) {
  static const bool nonFatal = [] {
    icalerror_set_errors_are_fatal(0);
    return true;
  }();
  Q_UNUSED(nonFatal);

  QByteArray content = text;
  if (content.startsWith("\xEF\xBB\xBF")) {
    content.remove(0, 3);
  }
  auto data = std::make_shared<Data>();
  if (content.trimmed().isEmpty()) {
    return ICalendarFile(std::move(data));
  }

  data->root.reset(icalparser_parse_string(content.constData()));
  std::vector<icalcomponent*> calendars;
  if (data->root) {
    const icalcomponent_kind kind = icalcomponent_isa(data->root.get());
    if (kind == ICAL_VCALENDAR_COMPONENT) {
      calendars.push_back(data->root.get());
    } else if (kind == ICAL_XROOT_COMPONENT) {
      for (icalcomponent* child =
               icalcomponent_get_first_component(data->root.get(), ICAL_VCALENDAR_COMPONENT);
           child;
           child = icalcomponent_get_next_component(data->root.get(), ICAL_VCALENDAR_COMPONENT)) {
        calendars.push_back(child);
      }
    }
  }
  if (calendars.empty()) {
    if (error) {
      *error = QStringLiteral("no VCALENDAR object could be read");
    }
    return std::nullopt;
  }

  int index = 0;
  for (icalcomponent* vcalendar : calendars) {
    readCalendarProperties(vcalendar, data->calendarName, data->colorHex);
    for (icalcomponent* vevent =
             icalcomponent_get_first_component(vcalendar, ICAL_VEVENT_COMPONENT);
         vevent; vevent = icalcomponent_get_next_component(vcalendar, ICAL_VEVENT_COMPONENT)) {
      auto event = parseEvent(vevent, vcalendar);
      if (!event) {
        ++data->skippedEvents;
        continue;
      }
      if (event->uid.isEmpty()) {
        event->uid = fallbackUID(*event, index);
      }
      ++index;
      data->events.push_back(std::move(*event));
    }
  }
  return ICalendarFile(std::move(data));
}

QString ICalendarFile::calendarName() const { return data_->calendarName; }

QString ICalendarFile::colorHex() const { return data_->colorHex; }

int ICalendarFile::skippedEventCount() const { return data_->skippedEvents; }

QList<EventStoreEvent> ICalendarFile::events(const QDateTime& from, const QDateTime& to,
                                             const QTimeZone& localZone,
                                             const QString& calendarIdentifier) const {
  QList<EventStoreEvent> result;
  if (!from.isValid() || !to.isValid() || to <= from) {
    return result;
  }

  // Occurrences moved or cancelled by an override, per UID.
  QHash<QString, QSet<QString>> overridden;
  for (const ParsedEvent& event : data_->events) {
    if (event.recurrenceID) {
      overridden[event.uid].insert(momentKey(*event.recurrenceID, localZone));
    }
  }

  const auto append = [&](const ParsedEvent& event, const QString& identifier,
                          const QDateTime& start, const QDateTime& end) {
    const bool overlaps = start == end ? (start >= from && start < to) : (start < to && end > from);
    if (!overlaps) {
      return;
    }
    result.append(EventStoreEvent{identifier, event.title, start, end, event.isAllDay(),
                                  event.location, event.url, event.notes, calendarIdentifier});
  };

  for (const ParsedEvent& event : data_->events) {
    if (event.cancelled) {
      continue;
    }
    const Span span = spanOf(event, localZone);
    const auto emitAt = [&](const QDate& date, const QDateTime& instant,
                            const QString& identifier) {
      if (event.isAllDay()) {
        append(event, identifier, localMidnight(date, localZone),
               localMidnight(date.addDays(span.days), localZone));
      } else {
        append(event, identifier, instant, instant.addSecs(span.seconds));
      }
    };

    if (event.recurrenceID) {
      const QString key = momentKey(*event.recurrenceID, localZone);
      emitAt(event.start.date(), instantOf(event.start, localZone), event.uid + u'/' + key);
      continue;
    }
    if (!event.isRecurring()) {
      emitAt(event.start.date(), instantOf(event.start, localZone), event.uid);
      continue;
    }

    // Dates outside this band cannot overlap the window whatever the zone, so they are
    // skipped before the comparatively costly conversion to an instant.
    const QDate lowest = from.toUTC().date().addDays(-(span.days + span.seconds / 86400 + 2));
    const QDate highest = to.toUTC().date().addDays(2);

    QSet<QString> excluded = overridden.value(event.uid);
    QSet<QDate> excludedDays;
    for (const Moment& moment : event.excludedDates) {
      if (moment.isDate() && !event.isAllDay()) {
        excludedDays.insert(moment.date());
      } else {
        excluded.insert(momentKey(moment, localZone));
      }
    }
    QSet<QString> seen;
    const auto consider = [&](const QDate& date, const QDateTime& instant) {
      const QString key = occurrenceKey(event.isAllDay(), date, instant);
      if (excluded.contains(key) || excludedDays.contains(date) || seen.contains(key)) {
        return;
      }
      seen.insert(key);
      emitAt(date, instant, event.uid + u'/' + key);
    };

    if (event.start.date() >= lowest && event.start.date() <= highest) {
      consider(event.start.date(), instantOf(event.start, localZone));
    }
    for (const icalrecurrencetype& rule : event.rules) {
      icalrecur_iterator* iterator = icalrecur_iterator_new(rule, event.start.fields);
      if (!iterator) {
        continue;
      }
      for (int step = 0; step < kMaxRecurrenceSteps; ++step) {
        const icaltimetype next = icalrecur_iterator_next(iterator);
        if (icaltime_is_null_time(next)) {
          break;
        }
        const QDate date(next.year, next.month, next.day);
        if (date > highest) {
          break;
        }
        if (date < lowest) {
          continue;
        }
        consider(date, instantOf(next, event.start.zone, localZone));
      }
      icalrecur_iterator_free(iterator);
    }
    for (const Moment& extra : event.extraDates) {
      // An extra date written as a DATE on a timed event keeps the event's time of day.
      Moment moment = extra;
      if (moment.isDate() && !event.isAllDay()) {
        moment.fields.is_date = 0;
        moment.fields.hour = event.start.fields.hour;
        moment.fields.minute = event.start.fields.minute;
        moment.fields.second = event.start.fields.second;
        moment.zone = event.start.zone;
      }
      consider(moment.date(), instantOf(moment, localZone));
    }
  }

  std::stable_sort(
      result.begin(), result.end(),
      [](const EventStoreEvent& a, const EventStoreEvent& b) { return a.startDate < b.startDate; });
  return result;
}

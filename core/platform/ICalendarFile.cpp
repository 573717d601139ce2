#include "core/platform/ICalendarFile.h"

#include "core/model/Calendar.h"

#include <QCryptographicHash>
#include <QHash>
#include <QSet>
#include <QStringList>

#include <libical/ical.h>

#include <algorithm>
#include <cctype>
#include <vector>

namespace {

// How far an instant can lie from its wall-clock fields read as UTC: any zone's offset (14 h at
// most) plus a daylight-saving gap. Occurrences further than this from the window are passed
// over unconverted.
constexpr qint64 kZoneMargin = 16 * 3600;
constexpr qint64 kSecondsPerDay = 24 * 3600;

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

Zone zoneOf(icalproperty* property, const icaltimetype& fields, icalcomponent* vcalendar,
            const QSet<QString>& refusedZones) {
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
  if (refusedZones.contains(QString::fromUtf8(tzid))) {
    zone.systemZone = systemZoneNamed(QString::fromUtf8(tzid));
    zone.kind = zone.systemZone.isValid() ? Zone::Kind::system : Zone::Kind::utc;
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
                               icalcomponent* vcalendar, const QSet<QString>& refusedZones) {
  if (icaltime_is_null_time(fields) || !icaltime_is_valid_time(fields) ||
      !QDate(fields.year, fields.month, fields.day).isValid()) {
    return std::nullopt;
  }
  return Moment{fields, zoneOf(property, fields, vcalendar, refusedZones)};
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

std::optional<ParsedEvent> parseEvent(icalcomponent* vevent, icalcomponent* vcalendar,
                                      const QSet<QString>& refused) {
  ParsedEvent event;
  icalproperty* startProperty = icalcomponent_get_first_property(vevent, ICAL_DTSTART_PROPERTY);
  if (!startProperty) {
    return std::nullopt;
  }
  const auto start =
      momentOf(startProperty, icalproperty_get_dtstart(startProperty), vcalendar, refused);
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
    event.end = momentOf(end, icalproperty_get_dtend(end), vcalendar, refused);
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
    if (auto moment = momentOf(rdate, fields, vcalendar, refused)) {
      event.extraDates.push_back(*moment);
    }
  }
  for (icalproperty* exdate = icalcomponent_get_first_property(vevent, ICAL_EXDATE_PROPERTY);
       exdate; exdate = icalcomponent_get_next_property(vevent, ICAL_EXDATE_PROPERTY)) {
    if (auto moment = momentOf(exdate, icalproperty_get_exdate(exdate), vcalendar, refused)) {
      event.excludedDates.push_back(*moment);
    }
  }
  if (icalproperty* recurrenceID =
          icalcomponent_get_first_property(vevent, ICAL_RECURRENCEID_PROPERTY)) {
    event.recurrenceID =
        momentOf(recurrenceID, icalproperty_get_recurrenceid(recurrenceID), vcalendar, refused);
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

bool isSet(const short* list) { return list[0] != ICAL_RECURRENCE_ARRAY_MAX; }

bool hasByParts(const icalrecurrencetype& rule) {
  return isSet(rule.by_second) || isSet(rule.by_minute) || isSet(rule.by_hour) ||
         isSet(rule.by_day) || isSet(rule.by_month_day) || isSet(rule.by_year_day) ||
         isSet(rule.by_week_no) || isSet(rule.by_month) || isSet(rule.by_set_pos);
}

// A month and a day of the month that no year has (30 February): libical searches for such a
// date for half a second before giving up.
bool namesNoDate(const icalrecurrencetype& rule) {
  if (!isSet(rule.by_month) || !isSet(rule.by_month_day)) {
    return false;
  }
  for (int m = 0; m < ICAL_BY_MONTH_SIZE && rule.by_month[m] != ICAL_RECURRENCE_ARRAY_MAX; ++m) {
    const int month = std::clamp(icalrecurrencetype_month_month(rule.by_month[m]), 1, 12);
    const int longest = month == 2 ? 29 : QDate(2001, month, 1).daysInMonth();
    for (int d = 0; d < ICAL_BY_MONTHDAY_SIZE && rule.by_month_day[d] != ICAL_RECURRENCE_ARRAY_MAX;
         ++d) {
      if (std::abs(rule.by_month_day[d]) <= longest) {
        return false;
      }
    }
  }
  return true;
}

// A rule faster than daily that also picks days (BYMONTH, BYMONTHDAY, ...) makes libical walk
// every second, minute or hour between the days it picks, for years on end.
bool picksDaysFasterThanDaily(const icalrecurrencetype& rule) {
  return rule.freq < ICAL_DAILY_RECURRENCE && (isSet(rule.by_month) || isSet(rule.by_month_day) ||
                                               isSet(rule.by_year_day) || isSet(rule.by_week_no));
}

// Wall-clock fields read as if they were UTC, in seconds: a scale on which every zone's
// reading of the same fields lies within `kZoneMargin`.
qint64 naiveSeconds(const QDate& date, int hour, int minute, int second) {
  return date.toJulianDay() * kSecondsPerDay + hour * 3600 + minute * 60 + second;
}

// libical's iterators can hand back a day the month does not have (a monthly rule on the
// last day in some early years): such a day is no occurrence, and has no place on the scale.
bool isRealDate(const icaltimetype& fields) {
  return QDate::isValid(fields.year, fields.month, fields.day);
}

qint64 naiveSeconds(const icaltimetype& fields) {
  return naiveSeconds(QDate(fields.year, fields.month, fields.day), fields.hour, fields.minute,
                      fields.second);
}

qint64 naiveSeconds(const QDateTime& instant) {
  const QDateTime utc = instant.toUTC();
  return naiveSeconds(utc.date(), utc.time().hour(), utc.time().minute(), utc.time().second());
}

icaltimetype fieldsAt(qint64 naive, bool isDate) {
  const qint64 day = naive / kSecondsPerDay;  // Julian days of real dates are positive
  const QDate date = QDate::fromJulianDay(day);
  const qint64 second = isDate ? 0 : naive - day * kSecondsPerDay;
  icaltimetype fields = icaltime_null_time();
  fields.year = date.year();
  fields.month = date.month();
  fields.day = date.day();
  fields.hour = static_cast<int>(second / 3600);
  fields.minute = static_cast<int>(second / 60 % 60);
  fields.second = static_cast<int>(second % 60);
  fields.is_date = isDate ? 1 : 0;
  return fields;
}

qint64 periodSeconds(icalrecurrencetype_frequency frequency) {
  switch (frequency) {
    case ICAL_SECONDLY_RECURRENCE:
      return 1;
    case ICAL_MINUTELY_RECURRENCE:
      return 60;
    case ICAL_HOURLY_RECURRENCE:
      return 3600;
    case ICAL_DAILY_RECURRENCE:
      return kSecondsPerDay;
    case ICAL_WEEKLY_RECURRENCE:
      return 7 * kSecondsPerDay;
    default:
      return 0;
  }
}

// A rule's iterator positioned shortly before `target` (naive seconds) instead of at DTSTART,
// so that the years before the window cost nothing. Null when the rule ends before it.
icalrecur_iterator* iteratorNear(icalrecurrencetype rule, icaltimetype dtstart, qint64 target) {
  const qint64 behind = target - naiveSeconds(dtstart);
  if (behind <= 0) {
    return icalrecur_iterator_new(rule, dtstart);
  }
  // libical skips ahead itself from daily rules up, but loses the phase of faster ones and
  // cannot skip where COUNT has to be counted.
  if (rule.count == 0 && rule.freq >= ICAL_DAILY_RECURRENCE) {
    icalrecur_iterator* iterator = icalrecur_iterator_new(rule, dtstart);
    if (iterator) {
      icalrecur_iterator_set_start(iterator, fieldsAt(target, dtstart.is_date));
    }
    return iterator;
  }
  // Whole periods moved forward keep every occurrence after the new start; with COUNT that
  // holds only where each period has exactly one occurrence.
  const qint64 unit = periodSeconds(rule.freq);
  if (unit > 0 && (rule.count == 0 || !hasByParts(rule))) {
    const qint64 period = unit * std::max<qint64>(1, rule.interval);
    const qint64 periods = behind / period;
    if (rule.count > 0) {
      if (periods >= rule.count) {
        return nullptr;
      }
      rule.count -= static_cast<int>(periods);
    }
    const qint64 shift = periods * period;
    icaltime_adjust(&dtstart, static_cast<int>(shift / kSecondsPerDay), 0, 0,
                    static_cast<int>(shift % kSecondsPerDay));
  }
  return icalrecur_iterator_new(rule, dtstart);
}

// Real zones change their offset a few times a year at most. A definition whose rules change
// it more often than monthly sends libical's zone expansion through every change since the
// rule began (a daily rule from 1601 costs seconds, an hourly one gigabytes).
bool changesTooOften(icalcomponent* vtimezone) {
  constexpr int kMostChangesPerYear = 12;
  for (icalcomponent* observance = icalcomponent_get_first_component(vtimezone, ICAL_ANY_COMPONENT);
       observance; observance = icalcomponent_get_next_component(vtimezone, ICAL_ANY_COMPONENT)) {
    const icalcomponent_kind kind = icalcomponent_isa(observance);
    if (kind != ICAL_XSTANDARD_COMPONENT && kind != ICAL_XDAYLIGHT_COMPONENT) {
      continue;
    }
    icaltimetype start = icalcomponent_get_dtstart(observance);
    start.zone = nullptr;
    for (icalproperty* property = icalcomponent_get_first_property(observance, ICAL_RRULE_PROPERTY);
         property; property = icalcomponent_get_next_property(observance, ICAL_RRULE_PROPERTY)) {
      const icalrecurrencetype rule = icalproperty_get_rrule(property);
      if (rule.freq == ICAL_NO_RECURRENCE) {
        continue;
      }
      if (rule.freq < ICAL_MONTHLY_RECURRENCE || namesNoDate(rule) ||
          icaltime_is_null_time(start)) {
        return true;
      }
      if (!isRealDate(start)) {
        return true;
      }
      icalrecur_iterator* iterator = icalrecur_iterator_new(rule, start);
      if (!iterator) {
        continue;
      }
      const qint64 yearLater = naiveSeconds(start) + 366 * kSecondsPerDay;
      int changes = 0;
      int steps = 0;
      for (icaltimetype next = icalrecur_iterator_next(iterator);
           !icaltime_is_null_time(next) && changes <= kMostChangesPerYear &&
           ++steps <= 4 * kMostChangesPerYear;
           next = icalrecur_iterator_next(iterator)) {
        if (!isRealDate(next)) {
          continue;
        }
        if (naiveSeconds(next) >= yearLater) {
          break;
        }
        ++changes;
      }
      icalrecur_iterator_free(iterator);
      if (changes > kMostChangesPerYear) {
        return true;
      }
    }
  }
  return false;
}

// Removes the zone definitions that change too often; returns their TZIDs.
QStringList refuseRestlessZones(icalcomponent* vcalendar) {
  std::vector<icalcomponent*> refused;
  for (icalcomponent* vtimezone =
           icalcomponent_get_first_component(vcalendar, ICAL_VTIMEZONE_COMPONENT);
       vtimezone;
       vtimezone = icalcomponent_get_next_component(vcalendar, ICAL_VTIMEZONE_COMPONENT)) {
    if (changesTooOften(vtimezone)) {
      refused.push_back(vtimezone);
    }
  }
  QStringList tzids;
  for (icalcomponent* vtimezone : refused) {
    icalproperty* tzid = icalcomponent_get_first_property(vtimezone, ICAL_TZID_PROPERTY);
    tzids.append(tzid ? textOf(icalproperty_get_tzid(tzid)) : QString());
    icalcomponent_remove_component(vcalendar, vtimezone);
    icalcomponent_free(vtimezone);
  }
  tzids.sort();
  return tzids;
}

// Fails when a line, ended by CR, LF or both, is longer than `limit`: libical's parser takes
// quadratic time over one. Lines ended by a bare CR become LF, which libical reads fast.
bool normaliseLines(QByteArray& content, qsizetype limit, QString* error) {
  bool bareCarriageReturn = false;
  qsizetype lineStart = 0;
  int lineNumber = 1;
  const char* text = content.constData();
  const qsizetype size = content.size();
  for (qsizetype i = 0; i <= size; ++i) {
    const bool atEnd = i == size;
    if (!atEnd && text[i] != '\n' && text[i] != '\r') {
      continue;
    }
    if (i - lineStart > limit) {
      if (error) {
        *error = QStringLiteral("line %1 is longer than %2 KiB").arg(lineNumber).arg(limit / 1024);
      }
      return false;
    }
    if (!atEnd && text[i] == '\r' && (i + 1 == size || text[i + 1] != '\n')) {
      bareCarriageReturn = true;
    }
    if (!atEnd && text[i] == '\r' && i + 1 < size && text[i + 1] == '\n') {
      ++i;
    }
    lineStart = i + 1;
    ++lineNumber;
  }
  if (bareCarriageReturn) {
    content.replace("\r\n", "\n");
    content.replace('\r', '\n');
  }
  return true;
}

}  // namespace

struct ICalendarFile::Data {
  ComponentPtr root;
  QString calendarName;
  QString colorHex;
  int skippedEvents = 0;
  QStringList refusedZones;
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
    if (c.unicode() > 0x7f || !std::isxdigit(static_cast<unsigned char>(c.toLatin1()))) {
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
  if (std::all_of(content.cbegin(), content.cend(),
                  [](char c) { return QChar::isSpace(uchar(c)); })) {
    return ICalendarFile(std::move(data));
  }
  if (!normaliseLines(content, maxLineLength, error)) {
    return std::nullopt;
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
    const QStringList refusedHere = refuseRestlessZones(vcalendar);
    data->refusedZones += refusedHere;
    const QSet<QString> refused(refusedHere.begin(), refusedHere.end());
    for (icalcomponent* vevent =
             icalcomponent_get_first_component(vcalendar, ICAL_VEVENT_COMPONENT);
         vevent; vevent = icalcomponent_get_next_component(vcalendar, ICAL_VEVENT_COMPONENT)) {
      auto event = parseEvent(vevent, vcalendar, refused);
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

QStringList ICalendarFile::refusedZones() const { return data_->refusedZones; }

ICalendarFile::Budget ICalendarFile::Budget::split(qint64 parts) {
  parts = std::max<qint64>(parts, 1);
  Budget part;
  part.occurrences = occurrences / parts;
  part.steps = steps / parts;
  occurrences -= part.occurrences;
  steps -= part.steps;
  return part;
}

void ICalendarFile::Budget::giveBack(const Budget& part) {
  occurrences += part.occurrences;
  steps += part.steps;
  cutShort += part.cutShort;
}

QList<EventStoreEvent> ICalendarFile::events(const QDateTime& from, const QDateTime& to,
                                             const QTimeZone& localZone,
                                             const QString& calendarIdentifier) const {
  Budget budget;
  return events(from, to, localZone, calendarIdentifier, budget);
}

QList<EventStoreEvent> ICalendarFile::events(const QDateTime& from, const QDateTime& to,
                                             const QTimeZone& localZone,
                                             const QString& calendarIdentifier,
                                             Budget& budget) const {
  QList<EventStoreEvent> result;
  if (!from.isValid() || !to.isValid() || to <= from) {
    return result;
  }
  // Compared in UTC: comparing across zones converts both sides through the zone database.
  const QDateTime fromUtc = from.toUTC();
  const QDateTime toUtc = to.toUTC();
  const qint64 fromNaive = naiveSeconds(fromUtc);
  const qint64 toNaive = naiveSeconds(toUtc);

  // Occurrences moved or cancelled by an override, per UID.
  QHash<QString, QSet<QString>> overridden;
  // Single occurrences first: they cost one each, and leave the rest to the recurring events.
  std::vector<const ParsedEvent*> order;
  for (const ParsedEvent& event : data_->events) {
    if (event.recurrenceID) {
      overridden[event.uid].insert(momentKey(*event.recurrenceID, localZone));
    }
    if (!event.cancelled && (event.recurrenceID || !event.isRecurring())) {
      order.push_back(&event);
    }
  }
  for (const ParsedEvent& event : data_->events) {
    if (!event.cancelled && !event.recurrenceID && event.isRecurring()) {
      order.push_back(&event);
    }
  }

  qint64 remaining = static_cast<qint64>(order.size());
  for (const ParsedEvent* next : order) {
    const ParsedEvent& event = *next;
    // Each event may spend its fair share of what is left; what it leaves goes to the next.
    Budget part = budget.split(remaining--);
    bool cut = false;
    const auto spend = [&](qint64& counter) {
      if (counter <= 0) {
        cut = true;
        return false;
      }
      --counter;
      return true;
    };

    const Span span = spanOf(event, localZone);
    // The occurrence at `date` / `instant` when it overlaps the window.
    const auto occurrenceAt = [&](const QDate& date,
                                  const QDateTime& instant) -> std::optional<EventStoreEvent> {
      QDateTime start = instant;
      QDateTime end = instant.addSecs(span.seconds);
      if (event.isAllDay()) {
        start = localMidnight(date, localZone);
        end = localMidnight(date.addDays(span.days), localZone);
      }
      const bool overlaps =
          start == end ? (start >= fromUtc && start < toUtc) : (start < toUtc && end > fromUtc);
      if (!overlaps) {
        return std::nullopt;
      }
      return EventStoreEvent{QString(), event.title,      start,
                             end,       event.isAllDay(), event.location,
                             event.url, event.notes,      calendarIdentifier};
    };
    const auto keep = [&](EventStoreEvent occurrence, QString identifier) {
      if (spend(part.occurrences)) {
        occurrence.identifier = std::move(identifier);
        result.append(std::move(occurrence));
      }
    };

    if (event.recurrenceID || !event.isRecurring()) {
      if (auto occurrence = occurrenceAt(event.start.date(), instantOf(event.start, localZone))) {
        keep(std::move(*occurrence),
             event.recurrenceID ? event.uid + u'/' + momentKey(*event.recurrenceID, localZone)
                                : event.uid);
      }
    } else {
      // Occurrences starting outside this band cannot overlap the window whatever their zone,
      // so they are passed over before the comparatively costly conversion to an instant.
      const qint64 length = span.days * kSecondsPerDay + span.seconds;
      const bool exact = event.start.zone.kind == Zone::Kind::utc && !event.isAllDay();
      const qint64 margin = exact ? 0 : kZoneMargin;
      const qint64 earliest = fromNaive - length - margin - 1;
      const qint64 latest = toNaive + margin + 1;
      const auto inBand = [&](qint64 naive) { return naive > earliest && naive < latest; };

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
        auto occurrence = occurrenceAt(date, instant);
        if (!occurrence) {
          return;
        }
        const QString key = occurrenceKey(event.isAllDay(), date, instant);
        if (excluded.contains(key) || excludedDays.contains(date) || seen.contains(key)) {
          return;
        }
        seen.insert(key);
        keep(std::move(*occurrence), event.uid + u'/' + key);
      };

      if (inBand(naiveSeconds(event.start.fields))) {
        consider(event.start.date(), instantOf(event.start, localZone));
      }
      for (const icalrecurrencetype& rule : event.rules) {
        if (cut) {
          break;
        }
        if (namesNoDate(rule)) {
          continue;
        }
        if (picksDaysFasterThanDaily(rule)) {
          cut = true;
          break;
        }
        icalrecur_iterator* iterator = iteratorNear(rule, event.start.fields, earliest);
        if (!iterator) {
          continue;
        }
        while (!cut && spend(part.steps)) {
          const icaltimetype next = icalrecur_iterator_next(iterator);
          if (icaltime_is_null_time(next)) {
            break;
          }
          if (!isRealDate(next)) {
            continue;
          }
          const qint64 naive = naiveSeconds(next);
          if (naive >= latest) {
            break;
          }
          if (naive > earliest) {
            consider(QDate(next.year, next.month, next.day),
                     instantOf(next, event.start.zone, localZone));
          }
        }
        icalrecur_iterator_free(iterator);
      }
      for (const Moment& extra : event.extraDates) {
        if (cut || !spend(part.steps)) {
          break;
        }
        // An extra date written as a DATE on a timed event keeps the event's time of day.
        Moment moment = extra;
        if (moment.isDate() && !event.isAllDay()) {
          moment.fields.is_date = 0;
          moment.fields.hour = event.start.fields.hour;
          moment.fields.minute = event.start.fields.minute;
          moment.fields.second = event.start.fields.second;
          moment.zone = event.start.zone;
        }
        if (inBand(naiveSeconds(moment.fields))) {
          consider(moment.date(), instantOf(moment, localZone));
        }
      }
    }
    if (cut) {
      part.cutShort.append(QStringLiteral("\u201C%1\u201D (%2)").arg(event.title, event.uid));
    }
    budget.giveBack(part);
  }

  std::stable_sort(
      result.begin(), result.end(),
      [](const EventStoreEvent& a, const EventStoreEvent& b) { return a.startDate < b.startDate; });
  return result;
}

#pragma once

#include <QByteArray>
#include <QCoreApplication>
#include <QList>
#include <QString>

#include <chrono>
#include <functional>
#include <memory>

// Test side of Evolution Data Server: makes local calendars and edits their events through
// libecal, the way a calendar application would. Only for the private test session, where
// the registry and its files live in throw-away folders.
class EvolutionCalendars {
 public:
  EvolutionCalendars();
  ~EvolutionCalendars();
  EvolutionCalendars(const EvolutionCalendars&) = delete;
  EvolutionCalendars& operator=(const EvolutionCalendars&) = delete;

  // False when the session's registry could not be reached; `error()` says why.
  bool isReady() const;
  QString error() const;

  // A new local calendar; returns its identifier, or empty on failure.
  QString createCalendar(const QString& displayName, const QString& color);
  // Only the registry's entry: the calendar server has not been asked to open it yet, which
  // `open()` does before events can be written.
  QString createSource(const QString& displayName, const QString& color);
  // A registry entry whose calendar the server cannot read until `mend()`: the window in which
  // a calendar is listed but the calendar server cannot open it yet.
  QString createUnreadableSource(const QString& displayName, const QString& color);
  bool mend(const QString& calendar);
  bool open(const QString& calendar);
  // Opens every calendar anew, as after the calendar server restarted.
  bool reconnect();
  // Colours the calendar and switches it on or off, as the desktop's settings do.
  bool setSource(const QString& calendar, const QString& color, bool enabled);

  bool addZone(const QString& calendar, const QByteArray& vtimezone);
  bool addEvent(const QString& calendar, const QByteArray& vevent);
  // Replaces an event (or, with RECURRENCE-ID set, one occurrence of it).
  bool modifyEvent(const QString& calendar, const QByteArray& vevent, bool onlyThisOccurrence);
  // The whole event, or with `recurrenceID` only that occurrence.
  bool removeEvent(const QString& calendar, const QString& uid,
                   const QString& recurrenceID = QString());

 private:
  // `prepare` runs with the new identifier before the registry learns of the calendar.
  QString createSource(const QString& displayName, const QString& color,
                       const std::function<bool(const QString&)>& prepare);

  struct Private;
  std::unique_ptr<Private> d_;
};

// True inside scripts/test-session.sh; elsewhere the tests would write into the user's own
// calendars, so they skip.
bool inPrivateTestSession();

// Runs the event loop until `condition` holds; false when it still does not after `patience`
// (changes reach a view in batches, a second or two after they were made).
bool eventually(const std::function<bool()>& condition,
                std::chrono::milliseconds patience = std::chrono::seconds(30));

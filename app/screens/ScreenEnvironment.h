#pragma once

#include "app/screens/RunningApp.h"
#include "core/model/Calendar.h"

#include <QDateTime>
#include <QPointer>

#include <functional>

class DataStore;
class FocusTimerManager;
class MinuteClock;

// What every screen reads from whoever hosts it: the store, the focus timer, what it may ask
// of the running app and, for a screen shown in a sheet or a window of its own, the action
// that closes it. The clock and the calendar are the system's unless a test fixes them.
struct ScreenEnvironment {
  QPointer<DataStore> store;
  QPointer<FocusTimerManager> focusTimer;
  // Ticks at every turn of the minute, for clocks and countdowns; none in most tests.
  QPointer<MinuteClock> minuteClock;
  RunningApp app;
  // Closes the sheet or window that shows the screen; empty when the screen is a tab.
  std::function<void()> dismiss;
  std::function<QDateTime()> clock;
  Calendar calendar = Calendar::current();

  QDateTime now() const { return clock ? clock() : QDateTime::currentDateTimeUtc(); }
  // Runs `dismiss` when there is one.
  void close() const {
    if (dismiss) {
      dismiss();
    }
  }
  // The same environment for a screen that a sheet or window closes with `action`.
  ScreenEnvironment withDismiss(std::function<void()> action) const {
    ScreenEnvironment copy = *this;
    copy.dismiss = std::move(action);
    return copy;
  }
};

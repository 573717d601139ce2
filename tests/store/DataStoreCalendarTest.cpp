#include "StoreTestSupport.h"

using namespace storetest;

namespace {

using CalendarAccess = StoreTest;

// Until the user grants access nothing is read; a refusal leaves the mirror empty, a grant reads
// the calendars at once.
TEST_F(CalendarAccess, NothingIsReadUntilAccessIsGranted) {
  calendarService.permissionStatus = CalendarPermissionStatus::notDetermined;
  calendarService.events = {makeEvent("m", utc(2026, 3, 10, 12), 30, CalendarSourceType::apple)};
  DataStore& s = open();
  EXPECT_TRUE(s.calendarEvents().isEmpty());
  EXPECT_TRUE(calendarService.fetchCalls.isEmpty());
  for (bool granted : {false, true}) {
    calendarService.accessGranted = granted;
    EXPECT_EQ(testsupport::runTask(s.requestCalendarAccess()), granted);
    EXPECT_EQ(s.calendarPermissionStatus(),
              granted ? CalendarPermissionStatus::authorized : CalendarPermissionStatus::denied);
    EXPECT_EQ(s.calendarEvents(), granted ? calendarService.events : QList<CalendarEventItem>{});
  }
}

}  // namespace

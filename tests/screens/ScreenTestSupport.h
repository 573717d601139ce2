#pragma once

#include "app/screens/ScreenEnvironment.h"
#include "common/TestSupport.h"
#include "core/services/FocusTimerManager.h"
#include "core/services/MockCalendarService.h"
#include "core/services/MockNotificationService.h"
#include "core/store/DataStore.h"

#include <QSize>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

class QWidget;
class Sheet;

namespace screentest {

// A store in a temporary folder, seeded with the sample data a first start gives, a focus
// timer, and an environment whose clock answers `now` (Tuesday 10 March 2026, 10:30 in
// Berlin) and whose calendar is Berlin's.
class ScreenTest : public ::testing::Test {
 protected:
  ScreenTest();

  DataStore& store() { return *store_; }
  FocusTimerManager& timer() { return *timer_; }
  // Leaves the store without any record.
  void emptyStore();

  QDateTime now;
  Calendar calendar;
  ScreenEnvironment env;
  MockNotificationService notifications;
  MockCalendarService calendarService;

 private:
  QTemporaryDir dir_;
  std::unique_ptr<DataStore> store_;
  std::unique_ptr<FocusTimerManager> timer_;
};

// Saves `<name>-light.png` and `<name>-dark.png` of the widget, shown at `size` (its size hint
// when empty), into the folder $PELMORA_SCREENSHOTS names; nothing when it is unset.
void saveScreenshots(QWidget* widget, const QString& name, QSize size = {});

// The visible sheet among the top-level windows, or null.
Sheet* visibleSheet();

}  // namespace screentest

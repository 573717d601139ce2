#pragma once

#include "app/screens/ScreenEnvironment.h"
#include "common/TestSupport.h"
#include "core/services/FocusTimerManager.h"
#include "core/services/MockCalendarService.h"
#include "core/services/MockNotificationService.h"
#include "core/store/DataStore.h"

#include <QLabel>
#include <QMessageBox>
#include <QSize>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

class Sheet;

namespace screentest {

// Berlin's calendar, and a wall-clock time there as an instant.
const Calendar& berlinCalendar();
QDateTime berlin(int y, int m, int d, int h = 0, int min = 0);

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
  // Edits the settings in the store, saved to disk when `save`.
  void changeSettings(const std::function<void(AppSettings&)>& edit, bool save = false);
  // The settings as a fresh store reads them from disk.
  AppSettings savedSettings();

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

// Lets queued work and closed sheets finish.
void settle();

// The one open sheet content of a type anywhere under `root`'s window, or null.
template <typename Content>
Content* openSheet(QWidget* root) {
  for (Content* sheet : root->window()->findChildren<Content*>()) {
    if (sheet->isVisible()) {
      return sheet;
    }
  }
  return nullptr;
}

// The first widget of a type under `root` showing `text`.
template <typename Widget>
Widget* withText(QWidget* root, const QString& text) {
  for (Widget* candidate : root->findChildren<Widget*>()) {
    if (candidate->text() == text) {
      return candidate;
    }
  }
  return nullptr;
}

// The field a form label names ("Check every:"), through the label's buddy.
template <typename Field>
Field* fieldFor(QWidget* root, const QString& label) {
  for (QLabel* candidate : root->findChildren<QLabel*>()) {
    if (candidate->text() == label && candidate->buddy() != nullptr) {
      return qobject_cast<Field*>(candidate->buddy());
    }
  }
  return nullptr;
}

// The confirmation open under `root`, if any.
QMessageBox* openAlert(QWidget* root);
// Clicks the button of a pending confirmation whose text (mnemonics aside) is `title`.
bool answer(QMessageBox* box, const QString& title);

}  // namespace screentest

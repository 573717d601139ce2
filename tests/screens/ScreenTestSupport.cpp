#include "ScreenTestSupport.h"

#include "app/platform/KeyboardActivation.h"
#include "app/platform/Theme.h"
#include "app/ui/Sheet.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QWidget>

namespace screentest {

const Calendar& berlinCalendar() {
  static const Calendar calendar(QTimeZone(QByteArrayLiteral("Europe/Berlin")));
  return calendar;
}

QDateTime berlin(int y, int m, int d, int h, int min) {
  return berlinCalendar().dateTime(QDate(y, m, d), QTime(h, min));
}

ScreenTest::ScreenTest() : now(testsupport::utc(2026, 3, 10, 9, 30)), calendar(berlinCalendar()) {
  store_ = std::make_unique<DataStore>(
      dir_.path() + QStringLiteral("/Pelmora"), &notifications, &calendarService,
      [this] { return now; }, calendar);
  const AppSettings& s = store_->settings();
  timer_ = std::make_unique<FocusTimerManager>(
      s.focusDurationMinutes, s.shortBreakDurationMinutes, s.longBreakDurationMinutes,
      s.sessionsBeforeLongBreak, [this] { return now; });
  env.store = store_.get();
  env.focusTimer = timer_.get();
  env.clock = [this] { return now; };
  env.calendar = calendar;
  // As the app does at start: Return presses a focused button.
  KeyboardActivation::install();
}

void ScreenTest::emptyStore() {
  store_->removeAllSampleData();
  for (const TaskItem& task : QList<TaskItem>(store_->tasks())) {
    store_->deleteTask(task.id);
  }
}

void ScreenTest::changeSettings(const std::function<void(AppSettings&)>& edit, bool save) {
  AppSettings settings = store_->settings();
  edit(settings);
  store_->setSettings(settings);
  if (save) {
    store_->saveSettings();
  }
}

AppSettings ScreenTest::savedSettings() {
  return DataStore(store_->storageFolder(), nullptr, nullptr).settings();
}

void saveScreenshots(QWidget* widget, const QString& name, QSize size) {
  const QString folder = qEnvironmentVariable("PELMORA_SCREENSHOTS");
  if (folder.isEmpty() || widget == nullptr) {
    return;
  }
  QDir().mkpath(folder);
  Theme& theme = Theme::shared();
  const AppThemeMode before = theme.mode();
  widget->resize(size.isValid() ? size : widget->sizeHint());
  widget->show();
  for (const bool dark : {false, true}) {
    theme.setMode(dark ? AppThemeMode::dark : AppThemeMode::light);
    QApplication::processEvents();
    const QString file =
        QDir(folder).filePath(name + (dark ? QStringLiteral("-dark.png") : QStringLiteral("-light.png")));
    EXPECT_TRUE(widget->grab().save(file)) << file.toStdString();
  }
  theme.setMode(before);
  QApplication::processEvents();
}

Sheet* visibleSheet() {
  for (QWidget* top : QApplication::topLevelWidgets()) {
    if (auto* sheet = qobject_cast<Sheet*>(top); sheet && sheet->isVisible()) {
      return sheet;
    }
  }
  return nullptr;
}

void settle() {
  QApplication::processEvents();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  QApplication::processEvents();
}

QMessageBox* openAlert(QWidget* root) {
  for (QMessageBox* box : root->findChildren<QMessageBox*>()) {
    if (box->isVisible()) {
      return box;
    }
  }
  return nullptr;
}

bool answer(QMessageBox* box, const QString& title) {
  if (box == nullptr) {
    return false;
  }
  for (QAbstractButton* button : box->buttons()) {
    if (button->text().remove(u'&') == title) {
      button->click();
      settle();
      return true;
    }
  }
  ADD_FAILURE() << "no button " << title.toStdString();
  return false;
}

}  // namespace screentest

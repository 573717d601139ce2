#pragma once

#include "app/shell/GlancePieces.h"
#include "screens/ScreenTestSupport.h"

#include <QCoreApplication>
#include <QEvent>
#include <QWidget>

namespace screentest {

// Records for the tray popup and the floating widget, added through the store.
class GlanceTest : public ScreenTest {
 protected:
  TaskItem addTask(const QString& title, std::optional<QDateTime> due,
                   TaskPriority priority = TaskPriority::medium) {
    TaskItem task(QUuid::createUuid(), title, QString(), due, priority, QStringLiteral("Work"),
                  false, std::nullopt, RecurrenceRule::none(), now, now, false, std::nullopt);
    store().addTask(task);
    return task;
  }
  // Due today, `hour` o'clock UTC.
  TaskItem addTaskToday(const QString& title, int hour = 12) {
    return addTask(title, now.addSecs((hour - now.time().hour()) * 3600));
  }
  WaitingForItem addOverdueFollowUp(const QString& title) {
    WaitingForItem item;
    item.id = QUuid::createUuid();
    item.title = title;
    item.personOrOrg = QStringLiteral("Someone");
    item.createdAt = now.addDays(-5);
    item.nextFollowUpDate = now.addDays(-1);
    store().addWaitingItem(item);
    return item;
  }
  CalendarEventItem addEvent(const QString& title, int minutesAhead,
                             std::optional<QString> link = std::nullopt) {
    CalendarEventItem event;
    event.id = QUuid::createUuid().toString();
    event.title = title;
    event.startDate = now.addSecs(minutesAhead * 60);
    event.endDate = event.startDate.addSecs(1800);
    event.meetingLink = link;
    event.calendarColorHex = QStringLiteral("#30D158");
    store().addManualEvent(event);
    return event;
  }
  void setWeather(double celsius, int conditionCode = 0) {
    WeatherData weather;
    weather.locationName = QStringLiteral("Berlin");
    weather.temperature = celsius;
    weather.conditionCode = conditionCode;
    weather.fetchedAt = now;
    store().setCachedWeather(weather);
  }
  // Lets nested layouts settle (each pass may post the next request) before the shots.
  static void shoot(QWidget* widget, const QString& name, QSize size = {}) {
    settle();
    saveScreenshots(widget, name, size);
  }
  // Rows replaced on a redraw go at the next turn of the event loop.
  static void flushDeletes() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }

  // The texts of the visible elided labels called `name` under `root`, top to bottom.
  static QStringList visibleTexts(QWidget* root, const QString& name) {
    flushDeletes();
    QStringList out;
    for (ElidedLabel* label : root->findChildren<ElidedLabel*>(name)) {
      if (label->isVisibleTo(root)) out << label->text();
    }
    return out;
  }
};

}  // namespace screentest

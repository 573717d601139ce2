#pragma once

#include "core/model/BillItem.h"
#include "core/model/Calendar.h"
#include "core/model/CalendarEventItem.h"
#include "core/model/TaskItem.h"
#include "core/model/WaitingForItem.h"

#include <QDateTime>
#include <QList>

struct SampleData {
  QList<TaskItem> tasks;
  QList<BillItem> bills;
  QList<WaitingForItem> waitingItems;
  QList<CalendarEventItem> events;
};

// A small, believable set of records to preview the dashboard with. Every record is flagged
// as sample data (events by their source type) so it can be removed in one step.
class SampleDataGenerator {
 public:
  static SampleData generate(const QDateTime& now, const Calendar& calendar);
};

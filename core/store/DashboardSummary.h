#pragma once

#include <algorithm>

// The counts of one calendar day that several screens show.
struct DashboardSummary {
  int totalTasksDueToday = 0;     // tasks due that day, finished or not
  int finishedTasksDueToday = 0;  // of those, the finished ones: what "N of M" shows
  int tasksCompletedToday = 0;    // tasks finished that day, whatever their due date
  int tasksOverdue = 0;
  int followUpsDue = 0;        // waiting-for items whose follow-up is overdue
  int billsDueThisWeek = 0;    // unpaid bills due from that day to six days later
  int focusSessionsToday = 0;  // finished focus intervals (breaks not counted)
  int focusMinutesToday = 0;

  // Finished over due, so at most 1; with nothing due, 1 when something was finished that day.
  double taskCompletionRatio() const {
    if (totalTasksDueToday == 0) {
      return tasksCompletedToday > 0 ? 1.0 : 0.0;
    }
    return double(finishedTasksDueToday) / double(totalTasksDueToday);
  }

  bool operator==(const DashboardSummary&) const = default;
};

#include "screens/ScreenTestSupport.h"

#include "app/screens/insights/InsightsFigures.h"
#include "app/screens/insights/InsightsView.h"

using screentest::ScreenTest;
using testsupport::utc;

namespace {

const Calendar berlin(QTimeZone(QByteArrayLiteral("Europe/Berlin")));

}  // namespace

// Weeks start at local midnight of the first day and last seven calendar days, also across
// the spring-forward night (29 March 2026 in Berlin).
TEST(InsightsFigures, WeekBoundsFollowTheCalendar) {
  struct Case {
    QDateTime now;
    Qt::DayOfWeek first;
    QDateTime start;
    QDateTime end;
  };
  const QList<Case> cases{
      {utc(2026, 3, 10, 9, 30), Qt::Monday, utc(2026, 3, 8, 23), utc(2026, 3, 15, 23)},
      {utc(2026, 3, 10, 9, 30), Qt::Sunday, utc(2026, 3, 7, 23), utc(2026, 3, 14, 23)},
      {utc(2026, 3, 8, 23), Qt::Monday, utc(2026, 3, 8, 23), utc(2026, 3, 15, 23)},  // Monday 00:00
      {utc(2026, 3, 29, 21, 59), Qt::Monday, utc(2026, 3, 22, 23), utc(2026, 3, 29, 22)},
  };
  for (const Case& c : cases) {
    const insights_figures::Period week = insights_figures::weekContaining(c.now, berlin, c.first);
    EXPECT_EQ(week.start, c.start) << c.now.toString(Qt::ISODate).toStdString();
    EXPECT_EQ(week.end, c.end) << c.now.toString(Qt::ISODate).toStdString();
  }
}

TEST(InsightsFigures, CountsWhatFallsInsideThePeriod) {
  const insights_figures::Period day = insights_figures::dayContaining(utc(2026, 3, 10, 9), berlin);
  const QDateTime start = utc(2026, 3, 9, 23);  // 00:00
  const QDateTime last = utc(2026, 3, 10, 22, 59);  // 23:59
  const QDateTime next = utc(2026, 3, 10, 23);  // 00:00 the next day

  auto task = [](std::optional<QDateTime> due, std::optional<QDateTime> completed) {
    TaskItem t;
    t.id = QUuid::createUuid();
    t.dueDate = due;
    t.isCompleted = completed.has_value();
    t.completedAt = completed;
    return t;
  };
  auto bill = [](QDateTime due, std::optional<QDateTime> paid) {
    BillItem b;
    b.id = QUuid::createUuid();
    b.dueDate = due;
    b.isPaid = paid.has_value();
    b.paidAt = paid;
    return b;
  };
  auto focus = [](FocusSessionType type, QDateTime ended, double seconds) {
    return FocusSession{QUuid::createUuid(), type, ended.addSecs(-qint64(seconds)), ended, seconds,
                        std::nullopt, std::nullopt};
  };
  const QList<TaskItem> tasks{task(start, start), task(last, std::nullopt), task(next, last),
                              task(std::nullopt, next), task(start.addSecs(-1), std::nullopt)};
  const QList<BillItem> bills{bill(start, std::nullopt), bill(next, last), bill(last, next)};
  const QList<FocusSession> sessions{focus(FocusSessionType::focus, start, 1500),
                                     focus(FocusSessionType::focus, last, 1530),
                                     focus(FocusSessionType::longBreak, last, 900),
                                     focus(FocusSessionType::focus, next, 1500)};
  const insights_figures::PeriodFigures expected{.tasksDone = 2, .tasksDue = 2, .billsDue = 2,
                                                 .billsPaid = 1, .focusSessions = 2, .focusMinutes = 50};
  EXPECT_EQ(insights_figures::figures(tasks, bills, sessions, day), expected);
}

// A focus session added to the store shows at once.
TEST_F(ScreenTest, InsightsRedrawWhenTheStoreChanges) {
  InsightsView view(env);
  const int before = view.shownFigures().value(QStringLiteral("Today/Focus minutes")).toInt();
  store().addFocusSession(FocusSession{QUuid::createUuid(), FocusSessionType::focus,
                                       now.addSecs(-1500), now, 1500, std::nullopt, std::nullopt});
  EXPECT_EQ(view.shownFigures().value(QStringLiteral("Today/Focus minutes")).toInt(), before + 25);
  screentest::saveScreenshots(&view, QStringLiteral("insights"), QSize(760, 620));
}

#include "app/shell/Glance.h"
#include "app/ui/Color.h"
#include "app/ui/DashboardTab.h"
#include "app/ui/DayLists.h"
#include "common/TestSupport.h"
#include "core/services/FocusTimerManager.h"

#include <gtest/gtest.h>

#include <limits>

using testsupport::utc;

namespace {

const Calendar berlin(QTimeZone(QByteArrayLiteral("Europe/Berlin")));
// 22:00 in Berlin: late enough that a task at 23:59 is still today.
const QDateTime evening = utc(2026, 3, 10, 21, 0);

TaskItem task(const QString& title, std::optional<QDateTime> due, bool done = false) {
  TaskItem t;
  t.id = QUuid::createUuid();
  t.title = title;
  t.dueDate = due;
  t.isCompleted = done;
  return t;
}

}  // namespace

TEST(Glance, TopTodayTasksKeepStoreOrderAndStopAtThree) {
  const QList<TaskItem> noise = {task(QStringLiteral("midnight tomorrow"), utc(2026, 3, 10, 23)),
                                 task(QStringLiteral("done"), utc(2026, 3, 10, 8), true),
                                 task(QStringLiteral("yesterday"), utc(2026, 3, 9, 12)),
                                 task(QStringLiteral("no date"), std::nullopt)};
  QList<TaskItem> today;
  for (int i = 1; i <= 5; ++i) today << task(QString::number(i), utc(2026, 3, 10, 6 + i));
  const QList<TaskItem> late = {task(QStringLiteral("23:59"), utc(2026, 3, 10, 22, 59))};
  const std::pair<QList<TaskItem>, QStringList> cases[] = {
      {noise + today, {"1", "2", "3"}},
      {today.mid(0, 3) + noise, {"1", "2", "3"}},
      {noise, {}},
      {noise + late, {"23:59"}}};
  for (const auto& [tasks, expected] : cases) {
    EXPECT_EQ(testsupport::texts(glance::topTodayTasks(tasks, evening, berlin), &TaskItem::title),
              expected);
  }
}

TEST(Glance, EventLinesClockTextsAndCounts) {
  CalendarEventItem event;
  event.startDate = utc(2026, 3, 10, 22, 15);  // 23:15 Berlin, 75 minutes ahead
  event.endDate = utc(2026, 3, 10, 22, 45);
  const QLocale c = QLocale::c();
  EXPECT_EQ(glance::eventTimeLine(event, evening, berlin, c), QStringLiteral("23:15 (in 1h 15m)"));
  EXPECT_EQ(glance::eventTimeLine(event, utc(2026, 3, 10, 22, 20), berlin, c),
            QStringLiteral("23:15 (Happening now)"));
  event.isAllDay = true;
  EXPECT_EQ(glance::eventTimeLine(event, evening, berlin, c), QStringLiteral("All Day"));
  event.calendarColorHex = QStringLiteral("#30D158");
  EXPECT_EQ(glance::eventDotColor(event, Qt::blue), QColor(0x30, 0xD1, 0x58));
  event.calendarColorHex.clear();
  EXPECT_EQ(glance::eventDotColor(event, Qt::blue), QColor(Qt::blue));

  const QDateTime lateUtc = utc(2026, 3, 10, 23, 30);  // already the 11th in Berlin
  EXPECT_EQ(day_lists::shortTime(lateUtc, berlin, c), QStringLiteral("00:30"));
  EXPECT_EQ(
      day_lists::abbreviatedDate(lateUtc, berlin, QLocale(QLocale::English, QLocale::UnitedStates)),
      QStringLiteral("Mar 11, 2026"));
  EXPECT_EQ(day_lists::abbreviatedDate(lateUtc, berlin, QLocale(QLocale::German, QLocale::Germany)),
            QStringLiteral("11. März 2026"));

  DashboardSummary summary;
  summary.finishedTasksDueToday = 2;
  summary.tasksCompletedToday = 7;  // others finished today are not among the five
  summary.totalTasksDueToday = 5;
  EXPECT_EQ(glance::progressText(summary), QStringLiteral("2/5"));
  EXPECT_EQ(glance::reminderToggleText(false, 9), QStringLiteral("Show Reminders (9)"));
  EXPECT_EQ(glance::reminderToggleText(true, 9), QStringLiteral("Hide Reminders"));
}

// The popup and the widget show the control of each state; after a break has ended, Start
// begins focus tied to no task.
TEST(Glance, StartAfterABreakBeginsFocusOnNoTask) {
  const QDateTime t0 = utc(2026, 3, 10, 9);
  FocusTimerManager timer(25, 5, 15, 4, [&] { return t0; });
  timer.start(FocusSessionType::shortBreak, QUuid::createUuid(), QStringLiteral("x"), t0);
  timer.checkCompletion(t0.addSecs(3600));
  const glance::FocusControl control = glance::focusControl(timer.status());
  EXPECT_EQ(control.title, QStringLiteral("Start"));
  EXPECT_TRUE(control.prominent);
  EXPECT_EQ(control.symbol, QStringLiteral("play.fill"));
  glance::advanceFocus(timer, t0.addSecs(7200));
  EXPECT_EQ(timer.status(), TimerStatus::running);
  EXPECT_EQ(timer.sessionType(), FocusSessionType::focus);
  EXPECT_FALSE(timer.taskId().has_value());
}

TEST(DayLists, FormatSecondsDropsTheFractionAndPrintsLongMinutesInFull) {
  const std::pair<double, const char*> cases[] = {
      {0, "00:00"},     {59.9, "00:59"},
      {125.9, "02:05"}, {1499.6, "24:59"},
      {3600, "60:00"},  {6000, "100:00"},
      {-3, "00:00"},    {std::numeric_limits<double>::quiet_NaN(), "00:00"}};
  for (const auto& [seconds, text] : cases) {
    EXPECT_EQ(day_lists::formatSeconds(seconds), QString::fromLatin1(text)) << seconds;
  }
}

TEST(DashboardTab, OrderAndLookupByTitle) {
  ASSERT_EQ(dashboard_tab::allCases.size(), 10u);
  // The e-mail tab sits second, between Today and Calendar.
  EXPECT_EQ(dashboard_tab::allCases[0], DashboardTab::today);
  EXPECT_EQ(dashboard_tab::allCases[1], DashboardTab::emailInbox);
  EXPECT_EQ(dashboard_tab::allCases[2], DashboardTab::calendar);
  for (DashboardTab tab : dashboard_tab::allCases) {
    EXPECT_EQ(dashboard_tab::fromRawValue(dashboard_tab::rawValue(tab)), tab);
  }
  EXPECT_EQ(dashboard_tab::fromRawValue(QStringLiteral("email assistant")), std::nullopt);
  EXPECT_EQ(dashboard_tab::fromRawValue(QStringLiteral("Waiting  For")), std::nullopt);
}

TEST(ColorFromHex, SixHexDigitsWithOptionalHashAndSurroundingWhiteSpace) {
  const std::pair<QString, QRgb> accepted[] = {
      {QStringLiteral("#FF9500"), 0xFF9500},
      {QStringLiteral("ff9500"), 0xFF9500},
      {QStringLiteral("#000000"), 0x000000},
      {QStringLiteral("#1a2B3c"), 0x1A2B3C},
      {QStringLiteral("\t#Ff00ff \r\n"), 0xFF00FF},
      // No-break space and the line separator count as white space too.
      {QChar(0x00A0) + QStringLiteral("#0000FF") + QChar(0x2028), 0x0000FF}};
  for (const auto& [text, rgb] : accepted) {
    const auto color = Color::fromHex(text);
    ASSERT_TRUE(color.has_value()) << text.toStdString();
    EXPECT_EQ(color->rgba(), 0xFF000000 | rgb) << text.toStdString();
    EXPECT_EQ(color->spec(), QColor::Rgb);
  }
}

TEST(ColorFromHex, RefusesOtherLengthsCharactersAndCountsUserPerceivedCharacters) {
  const QString refused[] = {
      QStringLiteral("#FFF"), QStringLiteral("#FF950"), QStringLiteral("#FF95001"),
      QStringLiteral("#FF950080"), QString(), QStringLiteral("#"), QStringLiteral("   "),
      // White space inside, a doubled hash, non-digits, a sign in front of five digits.
      QStringLiteral("#FF 950"), QStringLiteral("# FF9500"), QStringLiteral("##FF950"),
      QStringLiteral("GG9500"), QStringLiteral("0xFF95"), QStringLiteral("+F9500"),
      QStringLiteral("-00000"),
      // "e" with a combining acute accent is one character: six in all, then not a digit.
      QStringLiteral("FF95e") + QChar(0x0301) + QStringLiteral("0"),
      // Six code units, but only five characters: the accent joins the "F" before it.
      QStringLiteral("FF95F") + QChar(0x0301),
      // An emoji is one character made of two UTF-16 units.
      QStringLiteral("FF95") + QString::fromUtf8("\xF0\x9F\x98\x80") + QStringLiteral("0"),
      // Full-width and Arabic-Indic zeros are digits, but not among the sixteen.
      QStringLiteral("FF950") + QChar(0xFF10), QStringLiteral("FF950") + QChar(0x0660)};
  for (const QString& text : refused) {
    EXPECT_FALSE(Color::fromHex(text).has_value()) << text.toStdString();
  }
}

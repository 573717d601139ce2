#include "GlanceFixture.h"
#include "app/shell/DayLists.h"
#include "app/shell/Glance.h"
#include "app/shell/MenuBarPopoverView.h"
#include "app/shell/PlainButton.h"

#include <QLabel>
#include <QTest>
#include <QTimer>

using namespace screentest;

namespace {

class PopoverTest : public GlanceTest {
 protected:
  MenuBarPopoverView& view() {
    if (!view_) {
      const auto none = [] {};
      view_ = std::make_unique<MenuBarPopoverView>(env, MenuBarPopoverView::Actions{none, none, none, none});
      view_->setLinkOpener([this](const QUrl& url) { calls << url.toString(); });
      view_->resize(300, 420);
      view_->show();
    }
    return *view_;
  }
  QString text(const char* name) { return view().findChild<QLabel*>(name)->text(); }
  bool shown(const char* name) { return view().findChild<QWidget*>(name)->isVisibleTo(&view()); }
  QStringList rows() { return visibleTexts(&view(), QStringLiteral("taskTitle")); }
  // The one visible focus control.
  QAbstractButton* focusButton() {
    return shown("focusBordered") ? view().findChild<QAbstractButton*>("focusBordered")
                                  : view().findChild<QAbstractButton*>("focusProminent");
  }

  QStringList calls;  // links opened
  std::unique_ptr<MenuBarPopoverView> view_;
};

}  // namespace

// The sample day's figure comes from the summary (one of four done) while the list shows the
// open ones; nothing ticks while the timer is idle; cached weather shows in the chosen unit.
TEST_F(PopoverTest, ShowsTheSampleDay) {
  addTaskToday(QStringLiteral("Prepare the slides for Thursday's all-hands meeting with finance"));
  EXPECT_EQ(text("progress"), QStringLiteral("1/4"));
  EXPECT_EQ(rows().mid(0, 2), QStringList({"Review quarterly budget", "Water the plants"}));
  EXPECT_TRUE(text("eventLine").endsWith(QStringLiteral("(in 1h)")));
  EXPECT_FALSE(shown("weatherPill"));
  for (const QTimer* own : view().findChildren<QTimer*>())
    EXPECT_FALSE(own->isActive()) << "nothing runs, so nothing may wake up";

  changeSettings([](AppSettings& s) { s.weatherUnit = TemperatureUnit::fahrenheit; });
  setWeather(21.6);
  EXPECT_EQ(text("temperature"), QStringLiteral("71°F"));
  shoot(&view(), QStringLiteral("popover"), QSize(300, 420));
}

// Completing a row brings the next open task up; with none left the list says all is done.
TEST_F(PopoverTest, CompletingARowMovesTheNextUp) {
  emptyStore();
  EXPECT_TRUE(shown("allDone"));
  for (int i = 1; i <= 5; ++i) addTask(QString::number(i), now.addSecs(60 * i));
  EXPECT_FALSE(shown("allDone"));
  QTest::mouseClick(view().findChild<PlainButton*>("complete"), Qt::LeftButton);
  EXPECT_EQ(rows(), QStringList({"2", "3", "4"}));
  EXPECT_EQ(text("progress"), QStringLiteral("1/5"));
}

// One control per timer state; a tick redraws the countdown and the clock but keeps the rows.
TEST_F(PopoverTest, FocusControlFollowsTheTimer) {
  const struct {
    const char* title;
    bool bordered;
  } steps[] = {{"Start", false}, {"Pause", true}, {"Resume", false}};
  for (const auto& step : steps) {
    EXPECT_EQ(focusButton()->text(), QString::fromLatin1(step.title));
    EXPECT_EQ(shown("focusBordered"), step.bordered) << step.title;
    QTest::mouseClick(focusButton(), Qt::LeftButton);
  }
  ASSERT_EQ(timer().status(), TimerStatus::running);
  EXPECT_EQ(focusButton()->text(), QStringLiteral("Pause"));
  flushDeletes();
  const QPointer<QWidget> row = view().findChild<QWidget*>("taskRow");
  ASSERT_TRUE(row);
  now = now.addSecs(60);
  timer().checkCompletion(now);
  EXPECT_EQ(text("countdown"), QStringLiteral("24:00"));
  EXPECT_EQ(text("time"), day_lists::shortTime(now, calendar, QLocale()));
  flushDeletes();
  EXPECT_TRUE(row) << "a tick must not rebuild the task rows";
}

TEST_F(PopoverTest, MeetingLinksOpenOnlyWhenSafe) {
  emptyStore();
  const CalendarEventItem unsafe =
      addEvent(QStringLiteral("Call"), 30, QStringLiteral("javascript:alert(1)"));
  EXPECT_TRUE(shown("eventCard"));
  EXPECT_FALSE(shown("meetingLink"));
  store().deleteManualEvent(unsafe.id);
  EXPECT_FALSE(shown("eventCard"));
  addEvent(QStringLiteral("Call"), 30, QStringLiteral("https://meet.example.com/a"));
  ASSERT_TRUE(shown("meetingLink"));
  QTest::mouseClick(view().findChild<QWidget*>("meetingLink"), Qt::LeftButton);
  EXPECT_EQ(calls, QStringList({"https://meet.example.com/a"}));
}

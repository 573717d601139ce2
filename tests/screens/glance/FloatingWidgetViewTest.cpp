#include "GlanceFixture.h"
#include "app/shell/CircularProgressRing.h"
#include "app/shell/FloatingWidgetView.h"
#include "app/shell/PlainButton.h"
#include "app/shell/WindowManager.h"

#include <QLabel>
#include <QTest>

using namespace screentest;

namespace {

class WidgetTest : public GlanceTest {
 protected:
  FloatingWidgetView& view() {
    if (!view_) {
      view_ = std::make_unique<FloatingWidgetView>(env, [] {}, [] {});
      // As the floating panel hosts it: frameless, the desktop showing through.
      view_->setWindowFlag(Qt::FramelessWindowHint);
      view_->setAttribute(Qt::WA_TranslucentBackground);
      view_->show();
    }
    return *view_;
  }
  template <typename T = QWidget>
  T* child(const char* name) {
    return view().findChild<T*>(name);
  }
  bool shown(const char* name) { return child(name)->isVisibleTo(&view()); }
  PlainButton* toggle() { return child<PlainButton>("remindersToggle"); }
  QStringList reminderRows() { return visibleTexts(&view(), QStringLiteral("reminderTitle")); }

  std::unique_ptr<FloatingWidgetView> view_;
};

}  // namespace

// The sample day fits the card collapsed; the reminders open to two tasks and a follow-up.
TEST_F(WidgetTest, ShowsTheSampleDayWithinItsCard) {
  setWeather(8.4, 3);
  addEvent(QStringLiteral("Quarterly planning with the extended leadership team"), 30,
           QStringLiteral("https://meet.example.com/q"));
  EXPECT_EQ(child<QLabel>("progress")->text(), QStringLiteral("1/3"));
  EXPECT_EQ(child<QLabel>("temperature")->text(), QStringLiteral("8°C"));
  EXPECT_EQ(child<QLabel>("eventCountdown")->text(), QStringLiteral("in 30m"));
  EXPECT_FALSE(shown("remindersList"));
  shoot(&view(), QStringLiteral("widget"));

  QTest::mouseClick(toggle(), Qt::LeftButton);
  EXPECT_EQ(reminderRows(),
            QStringList({"Review quarterly budget", "Water the plants", "Signed contract"}));
  shoot(&view(), QStringLiteral("widget-expanded"));
}

TEST_F(WidgetTest, EachSwitchHidesItsSection) {
  setWeather(20);
  using Flag = bool AppSettings::*;
  const struct {
    Flag flag;
    const char* section;
  } cases[] = {{&AppSettings::widgetShowsTaskProgress, "taskProgress"},
               {&AppSettings::widgetShowsWeather, "weatherPill"},
               {&AppSettings::widgetShowsFocus, "focusPill"},
               {&AppSettings::widgetShowsNextEvent, "eventRow"},
               {&AppSettings::widgetShowsReminders, "remindersToggle"}};
  for (const auto& c : cases) {
    EXPECT_TRUE(shown(c.section)) << c.section;
    changeSettings([&](AppSettings& s) { s.*c.flag = false; });
    EXPECT_FALSE(shown(c.section)) << c.section;
  }
  // Everything off: the header and the status row's spacer are all that is left.
  EXPECT_TRUE(child<QLabel>("time")->isVisibleTo(&view()));
  EXPECT_LT(view().sizeHint().height(), 90);
}

TEST_F(WidgetTest, RemindersListFiveOfNineAndActOnTheStore) {
  emptyStore();
  EXPECT_FALSE(shown("remindersToggle")) << "nothing to remind of";
  for (int i = 1; i <= 5; ++i) addTaskToday(QStringLiteral("t%1").arg(i), 10 + i);
  QList<WaitingForItem> followUps;
  for (int i = 1; i <= 4; ++i) followUps << addOverdueFollowUp(QStringLiteral("f%1").arg(i));
  EXPECT_EQ(toggle()->text(), QStringLiteral("Show Reminders (9)"));
  QTest::mouseClick(toggle(), Qt::LeftButton);
  EXPECT_EQ(toggle()->text(), QStringLiteral("Hide Reminders"));
  EXPECT_EQ(reminderRows(), QStringList({"t1", "t2", "t3", "f1", "f2"}));

  QTest::mouseClick(child<PlainButton>("snooze"), Qt::LeftButton);
  EXPECT_EQ(store().waitingItems().first().nextFollowUpDate, now.addDays(2));
  QTest::mouseClick(child<PlainButton>("complete"), Qt::LeftButton);
  EXPECT_EQ(reminderRows(), QStringList({"t2", "t3", "t4", "f2", "f3"}));
  QTest::mouseClick(toggle(), Qt::LeftButton);
  EXPECT_EQ(toggle()->text(), QStringLiteral("Show Reminders (7)"));
}

// The pin flips, saves and redraws whether or not a window manager is there to move the panel.
TEST_F(WidgetTest, PinFlipsAndSavesTheSetting) {
  for (const bool withManager : {false, true}) {
    std::unique_ptr<WindowManager> manager;
    if (withManager) manager = std::make_unique<WindowManager>(&store(), &timer());
    ASSERT_EQ(WindowManager::shared() != nullptr, withManager);
    const bool before = store().settings().isWidgetFloating;
    QTest::mouseClick(child<PlainButton>("pin"), Qt::LeftButton);
    EXPECT_NE(store().settings().isWidgetFloating, before);
    EXPECT_EQ(savedSettings().isWidgetFloating, !before) << "saved";
    EXPECT_EQ(child<PlainButton>("pin")->symbol(),
              before ? QStringLiteral("pin.slash") : QStringLiteral("pin.fill"));
  }
}

TEST_F(WidgetTest, FocusPillAndRingFollowTheirSources) {
  // What a screen reader calls the button when idle, then running.
  for (const char* name : {"Start", "Pause"}) {
    EXPECT_EQ(child<PlainButton>("playPause")->accessibleName(), QString::fromLatin1(name));
    QTest::mouseClick(child<PlainButton>("playPause"), Qt::LeftButton);
  }
  EXPECT_EQ(timer().status(), TimerStatus::paused);

  emptyStore();
  EXPECT_EQ(child<QLabel>("progress")->text(), QStringLiteral("0/0"));
  EXPECT_EQ(child<CircularProgressRing>("ring")->progress(), 0.0);
  for (const TaskItem& done :
       {addTask(QStringLiteral("a"), std::nullopt), addTask(QStringLiteral("b"), std::nullopt)})
    store().toggleTaskCompletion(done.id, now);
  EXPECT_EQ(child<QLabel>("progress")->text(), QStringLiteral("2/0"));
  EXPECT_EQ(child<CircularProgressRing>("ring")->progress(), 1.0);
}

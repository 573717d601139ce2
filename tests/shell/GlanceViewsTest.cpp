#include "app/shell/FloatingWidgetPanel.h"
#include "app/shell/FloatingWidgetView.h"
#include "app/shell/GlancePieces.h"
#include "app/shell/MenuBarPopoverView.h"
#include "app/shell/WindowManager.h"
#include "app/ui/DayLists.h"
#include "app/ui/PlainButton.h"
#include "core/services/MinuteClock.h"
#include "screens/ScreenTestSupport.h"

#include <QCoreApplication>
#include <QEvent>
#include <QLabel>
#include <QLayout>
#include <QPropertyAnimation>
#include <QTest>
#include <QTimer>
#include <QWidget>

using namespace screentest;

namespace {

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
  WaitingForItem addOverdueFollowUp(const QString& title) {
    WaitingForItem item;
    item.id = QUuid::createUuid();
    item.title = title;
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

class WidgetTest : public GlanceTest {
 protected:
  FloatingWidgetView& view() {
    if (!view_) {
      view_ = std::make_unique<FloatingWidgetView>(env, [] {}, [] {});
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
  // Clicks the reminders button and lets the list finish opening or closing.
  void clickToggle() {
    QTest::mouseClick(toggle(), Qt::LeftButton);
    auto* animation = view().findChild<QPropertyAnimation*>();
    animation->setCurrentTime(animation->duration());
  }
  QStringList reminderRows() { return visibleTexts(&view(), QStringLiteral("reminderTitle")); }

  std::unique_ptr<FloatingWidgetView> view_;
};

}  // namespace

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
  for (const QTimer* own : view().findChildren<QTimer*>())
    EXPECT_FALSE(own->isActive()) << "nothing runs, so nothing may wake up";
  shoot(&view(), QStringLiteral("popover"), QSize(300, 420));
  for (const char* title : {"Start", "Pause", "Resume"}) {
    EXPECT_EQ(focusButton()->text(), QString::fromLatin1(title));
    QTest::mouseClick(focusButton(), Qt::LeftButton);
  }
  ASSERT_EQ(timer().status(), TimerStatus::running);
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

TEST_F(WidgetTest, RemindersListFiveOfNineAndActOnTheStore) {
  emptyStore();
  EXPECT_FALSE(shown("remindersToggle")) << "nothing to remind of";
  for (int i = 1; i <= 5; ++i) addTask(QStringLiteral("t%1").arg(i), now.addSecs(3600 * i));
  QList<WaitingForItem> followUps;
  for (int i = 1; i <= 4; ++i) followUps << addOverdueFollowUp(QStringLiteral("f%1").arg(i));
  EXPECT_EQ(toggle()->text(), QStringLiteral("Show Reminders (9)"));
  clickToggle();
  EXPECT_EQ(toggle()->text(), QStringLiteral("Hide Reminders"));
  EXPECT_EQ(reminderRows(), QStringList({"t1", "t2", "t3", "f1", "f2"}));

  QTest::mouseClick(child<PlainButton>("snooze"), Qt::LeftButton);
  EXPECT_EQ(store().waitingItems().first().nextFollowUpDate, now.addDays(2));
  QTest::mouseClick(child<PlainButton>("complete"), Qt::LeftButton);
  EXPECT_EQ(reminderRows(), QStringList({"t2", "t3", "t4", "f2", "f3"}));
  shoot(&view(), QStringLiteral("widget-expanded"));
  clickToggle();
  EXPECT_EQ(toggle()->text(), QStringLiteral("Show Reminders (7)"));
}

// The list opens and closes in a 0.2 s ease-in-out; a closing list keeps its rows until shut.
TEST_F(WidgetTest, RemindersListOpensAndClosesInAnEaseInOut) {
  emptyStore();
  for (int i = 1; i <= 3; ++i) addTask(QStringLiteral("t%1").arg(i), now.addSecs(3600 * i));
  auto* animation = view().findChild<QPropertyAnimation*>();
  ASSERT_NE(animation, nullptr);
  QWidget* list = child("remindersList");
  for (const bool opening : {true, false}) {
    QTest::mouseClick(toggle(), Qt::LeftButton);
    EXPECT_EQ(animation->state(), QAbstractAnimation::Running) << opening;
    EXPECT_EQ(animation->duration(), 200);
    const QEasingCurve curve = animation->easingCurve();
    EXPECT_LT(curve.valueForProgress(0.25), 0.25) << "eases in";
    EXPECT_NEAR(curve.valueForProgress(0.5), 0.5, 0.01);
    EXPECT_GT(curve.valueForProgress(0.75), 0.75) << "eases out";
    EXPECT_TRUE(list->isVisibleTo(&view())) << opening;
    EXPECT_EQ(reminderRows().size(), 3) << opening;
    animation->setCurrentTime(100);
    EXPECT_GT(list->maximumHeight(), 0);
    EXPECT_LT(list->maximumHeight(), list->sizeHint().height());
    animation->setCurrentTime(200);
    EXPECT_EQ(animation->state(), QAbstractAnimation::Stopped);
    EXPECT_EQ(list->isVisibleTo(&view()), opening);
    EXPECT_EQ(list->maximumHeight(), QWIDGETSIZE_MAX) << "no height is left fixed";
  }
}

// With nothing published, the clock and the next event's countdown move on at the minute's turn,
// on the app's one minute clock and no timer of the widget's own.
TEST_F(WidgetTest, ClockAndCountdownFollowTheMinuteClock) {
  emptyStore();
  addEvent(QStringLiteral("Standup"), 30);
  MinuteClock minutes([this] { return now; });
  env.minuteClock = &minutes;
  const auto texts = [this] {
    return QStringList{child<QLabel>("time")->text(), child<QLabel>("eventCountdown")->text()};
  };
  const QStringList before = texts();
  now = now.addSecs(2 * 60);
  EXPECT_EQ(texts(), before) << "nothing moves between turns";
  Q_EMIT minutes.minuteChanged();
  EXPECT_EQ(child<QLabel>("time")->text(), day_lists::shortTime(now, calendar, QLocale()));
  EXPECT_NE(texts()[1], before[1]);
  for (const QTimer* own : view().findChildren<QTimer*>()) {
    EXPECT_FALSE(own->isActive()) << "the widget keeps no timer of its own";
  }
}

// Over a compositor the card is rounded and casts its shadow into the panel's margin; without
// one every pixel is opaque, with no margin, so nothing shows black. The card stays in place.
TEST_F(WidgetTest, PanelDrawsShadowAndCornersOnlyOverACompositor) {
  FloatingWidgetPanel panel(new FloatingWidgetView(env, {}, {}), {});
  auto* content = panel.findChild<FloatingWidgetView*>();
  QObject::connect(&panel, &FloatingWidgetPanel::compositedChanged, content,
                   &FloatingWidgetView::setComposited);
  panel.move(200, 200);
  panel.show();
  for (const bool composited : {true, false}) {
    panel.setComposited(composited);
    panel.layout()->activate();
    const QRect card = panel.cardGeometry();
    EXPECT_EQ(panel.pos() + card.topLeft(), QPoint(200, 200)) << composited;
    EXPECT_EQ(panel.size(), card.size().grownBy(composited ? FloatingWidgetPanel::shadowMargins
                                                           : QMargins()));
    const QImage image = panel.grab().toImage();
    const auto alpha = [&](QPoint at) { return image.pixelColor(at).alpha(); };
    EXPECT_EQ(alpha(card.topLeft()) < 255, composited) << "a rounded corner";
    EXPECT_EQ(alpha(card.center()) == 255, !composited) << "a translucent fill";
    if (composited) {
      EXPECT_GT(alpha(QPoint(card.center().x(), card.bottom() + 6)), 0) << "shadow below";
      EXPECT_EQ(alpha(QPoint(0, 0)), 0) << "nothing at the margin's far corner";
    }
  }
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

#include "screens/ScreenTestSupport.h"

#include "app/platform/Theme.h"
#include "app/screens/settings/SettingsView.h"
#include "app/shell/MainDashboardView.h"
#include "app/ui/Sheet.h"

#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

using screentest::ScreenTest;
using testsupport::utc;

namespace {

class MainDashboardViewTest : public ScreenTest {
 protected:
  std::unique_ptr<MainDashboardView> makeFrame(bool onboarded = true) {
    changeSettings([&](AppSettings& s) { s.hasCompletedOnboarding = onboarded; });
    auto frame = std::make_unique<MainDashboardView>(env, [this] { ++toggles; });
    frame->resize(880, 580);
    return frame;
  }
  static void closeSheets() {
    while (Sheet* sheet = screentest::visibleSheet()) {
      sheet->reject();
      QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
  }
  int toggles = 0;
};

TaskItem dueTask(const QString& title, std::optional<QDateTime> due, bool done) {
  return TaskItem(QUuid::createUuid(), title, QString(), due, TaskPriority::medium, QString(), done,
                  std::nullopt, RecurrenceRule::none(), utc(2026, 3, 1), utc(2026, 3, 1), false, std::nullopt);
}

}  // namespace

// Only undone tasks due on today's date count, only pending suggestions, only overdue
// follow-ups; a count of 0 shows no badge, and the badges follow the store.
TEST_F(MainDashboardViewTest, BadgesCountTheirTabsEdgesAndFollowTheStore) {
  emptyStore();
  auto frame = makeFrame();
  EXPECT_EQ(frame->badgeCounts(), SidebarBadgeCounts{});
  auto* list = frame->findChild<QListWidget*>();

  // 09:30 UTC is 10:30 in Berlin: 00:30 today counts, 23:59 yesterday does not.
  store().addTask(dueTask(QStringLiteral("early today"), utc(2026, 3, 9, 23, 30), false));
  store().addTask(dueTask(QStringLiteral("yesterday"), utc(2026, 3, 9, 22, 59), false));
  store().addTask(dueTask(QStringLiteral("undated"), std::nullopt, false));
  store().addTask(dueTask(QStringLiteral("done today"), utc(2026, 3, 10, 8), true));
  WaitingForItem late;
  late.id = QUuid::createUuid();
  late.createdAt = utc(2026, 3, 1);
  late.nextFollowUpDate = utc(2026, 3, 10, 9);
  store().addWaitingItem(late);
  EmailExtractedSuggestion pending;
  pending.id = QUuid::createUuid();
  pending.receivedDate = pending.createdAt = utc(2026, 3, 9);
  store().addEmailSuggestion(pending);
  pending.id = QUuid::createUuid();
  pending.status = SuggestionStatus::dismissed;
  store().addEmailSuggestion(pending);

  EXPECT_EQ(frame->badgeCounts(), (SidebarBadgeCounts{1, 1, 1}));
  EXPECT_EQ(list->item(3)->data(Qt::UserRole + 1).toInt(), 1) << "Tasks";
  store().resolveWaitingItem(late.id);
  EXPECT_EQ(frame->badgeCounts().waitingFor, 0);
}

// Ctrl+1 is Today and Ctrl+2 Calendar (the e-mail tab has no number); the list follows,
// and every change of tab builds the screen anew.
TEST_F(MainDashboardViewTest, ShortcutsSelectTabsAndEveryTabGetsANewScreen) {
  auto frame = makeFrame();
  frame->show();
  QApplication::setActiveWindow(frame.get());
  auto* list = frame->findChild<QListWidget*>();
  const struct {
    Qt::Key key;
    DashboardTab tab;
  } cases[] = {{Qt::Key_2, DashboardTab::calendar}, {Qt::Key_8, DashboardTab::insights}};
  for (const auto& c : cases) {
    QPointer<QWidget> before = frame->currentScreen();
    QTest::keyClick(frame.get(), c.key, Qt::ControlModifier);
    EXPECT_EQ(frame->state().activeTab, c.tab) << dashboard_tab::rawValue(c.tab).toStdString();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(before) << "the previous screen is gone";
    EXPECT_NE(frame->currentScreen(), nullptr);
  }
  list->setCurrentRow(1);
  EXPECT_EQ(frame->state().activeTab, DashboardTab::emailInbox);
}

// Each sheet opens once on its flag and closing it clears the flag; the widget row runs the
// host's action; onboarding opens on appearance while it is not complete.
TEST_F(MainDashboardViewTest, SheetsFollowTheirFlagsAndOnboardingShowsUntilComplete) {
  auto frame = makeFrame(/*onboarded=*/false);
  frame->show();
  ASSERT_TRUE(QTest::qWaitFor([] { return screentest::visibleSheet() != nullptr; },
                              testsupport::kPatienceMs))
      << "onboarding on first appearance";
  closeSheets();
  EXPECT_FALSE(frame->state().isShowingOnboarding);

  for (const QString& row : {QStringLiteral("Quick Capture"), QStringLiteral("Settings")}) {
    auto* button = frame->findChild<QPushButton*>(row);
    ASSERT_NE(button, nullptr) << row.toStdString();
    button->click();
    button->click();  // a second click brings the same sheet forward
    int open = 0;
    for (QWidget* top : QApplication::topLevelWidgets()) {
      open += qobject_cast<Sheet*>(top) && top->isVisible() ? 1 : 0;
    }
    EXPECT_EQ(open, 1) << row.toStdString();
    const MainDashboardView::State& s = frame->state();
    EXPECT_TRUE(row == QStringLiteral("Settings") ? s.isShowingSettings : s.isShowingQuickCapture);
    closeSheets();
    EXPECT_FALSE(s.isShowingSettings || s.isShowingQuickCapture);
  }
  frame->findChild<QPushButton*>(QStringLiteral("Toggle Widget"))->click();
  EXPECT_EQ(toggles, 1);
}

// Every tab's screen names its icon-only controls and starts afresh after a round trip: a
// search typed on Tasks is gone on return.
TEST_F(MainDashboardViewTest, EveryTabNamesItsIconButtonsAndReturnsToItsInitialState) {
  auto frame = makeFrame();
  frame->show();
  for (const DashboardTab tab : dashboard_tab::allCases) {
    // Shortcuts asks GIO for the installed apps, which fixes GIO's search path for the rest of
    // this binary; the launcher's own test sets that path first.
    if (tab == DashboardTab::shortcuts) {
      continue;
    }
    frame->setActiveTab(tab);
    QApplication::processEvents();
    const QString name = dashboard_tab::rawValue(tab);
    for (const QAbstractButton* button : frame->currentScreen()->findChildren<QAbstractButton*>()) {
      if (button->isVisibleTo(frame.get()) && button->text().isEmpty()) {
        EXPECT_FALSE(button->accessibleName().isEmpty())
            << name.toStdString() << ": " << button->metaObject()->className();
        // The pointer's hint names the same action, not the row the button sits in.
        EXPECT_EQ(button->toolTip(), button->accessibleName()) << name.toStdString();
      }
    }
    // The window's smallest width holds every screen.
    EXPECT_LE(frame->minimumSizeHint().width(), 720) << name.toStdString();
    screentest::saveScreenshots(frame.get(), QStringLiteral("tab-") + name.toLower().replace(' ', '-'),
                                QSize(720, 480));
  }
  frame->setActiveTab(DashboardTab::tasks);
  auto* search = frame->currentScreen()->findChild<QLineEdit*>();
  ASSERT_NE(search, nullptr);
  QTest::keyClicks(search, QStringLiteral("budget"));
  frame->setActiveTab(DashboardTab::today);
  frame->setActiveTab(DashboardTab::tasks);
  EXPECT_TRUE(frame->currentScreen()->findChild<QLineEdit*>()->text().isEmpty());
}

// Tab goes from the tab list through the three action rows, and Return presses a row as
// Space does.
TEST_F(MainDashboardViewTest, TabReachesTheSidebarRowsAndReturnPressesThem) {
  auto frame = makeFrame();
  frame->show();
  QApplication::setActiveWindow(frame.get());
  frame->findChild<QListWidget*>()->setFocus(Qt::TabFocusReason);
  for (const char* row : {"Quick Capture", "Toggle Widget", "Settings"}) {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    ASSERT_NE(QApplication::focusWidget(), nullptr);
    EXPECT_EQ(QApplication::focusWidget()->objectName(), QString::fromLatin1(row));
  }
  auto* toggle = frame->findChild<QPushButton*>(QStringLiteral("Toggle Widget"));
  toggle->setFocus(Qt::TabFocusReason);
  screentest::saveScreenshots(frame.get(), QStringLiteral("sidebar-focus-row"), QSize(720, 480));
  QTest::keyClick(toggle, Qt::Key_Return);
  EXPECT_EQ(toggles, 1);
  QTest::keyClick(toggle, Qt::Key_Space);
  EXPECT_EQ(toggles, 2);
  auto* settings = frame->findChild<QPushButton*>(QStringLiteral("Settings"));
  settings->setFocus(Qt::TabFocusReason);
  QTest::keyClick(settings, Qt::Key_Enter, Qt::KeypadModifier);
  EXPECT_TRUE(frame->state().isShowingSettings);
  ASSERT_NE(screentest::visibleSheet(), nullptr);
  EXPECT_EQ(screentest::visibleSheet()->windowTitle(), QStringLiteral("Settings \u2014 Pelmora"));
  closeSheets();
}

// Wherever Tab goes in the main window, on every tab and in both themes, the control it lands
// on looks different from the same control without the keyboard.
TEST_F(MainDashboardViewTest, EveryControlTabReachesShowsItHasTheKeyboard) {
  auto frame = makeFrame();
  frame->resize(720, 480);
  frame->show();
  QApplication::setActiveWindow(frame.get());
  Theme& theme = Theme::shared();
  const AppThemeMode before = theme.mode();
  for (const DashboardTab tab : dashboard_tab::allCases) {
    if (tab == DashboardTab::shortcuts) {
      continue;  // see EveryTabNamesItsIconButtonsAndReturnsToItsInitialState
    }
    frame->setActiveTab(tab);
    for (const AppThemeMode mode : {AppThemeMode::light, AppThemeMode::dark}) {
      theme.setMode(mode);
      QApplication::processEvents();
      QWidget* first = frame->findChild<QListWidget*>();
      first->setFocus(Qt::TabFocusReason);
      QSet<QWidget*> seen;
      for (int step = 0; step < 60; ++step) {
        QWidget* focused = QApplication::focusWidget();
        if (focused == nullptr || seen.contains(focused)) {
          break;
        }
        seen.insert(focused);
        const QImage withFocus = focused->grab().toImage();
        QTest::keyClick(focused, Qt::Key_Tab);
        if (QApplication::focusWidget() == focused) {
          break;  // a text box that keeps Tab
        }
        EXPECT_NE(focused->grab().toImage(), withFocus)
            << dashboard_tab::rawValue(tab).toStdString() << " " << displayText(mode).toStdString()
            << ": " << focused->metaObject()->className() << " \""
            << focused->accessibleName().toStdString() << "\" " << focused->objectName().toStdString();
      }
      EXPECT_GT(seen.size(), 4) << dashboard_tab::rawValue(tab).toStdString();
    }
  }
  theme.setMode(before);
}

// With no Gmail account the e-mail tab's button opens the settings at the e-mail page.
TEST_F(MainDashboardViewTest, TheEmailTabLeadsToTheEmailSettingsPage) {
  env.app.gmailConnected = [] { return false; };
  auto frame = makeFrame();
  frame->show();
  frame->setActiveTab(DashboardTab::emailInbox);
  auto* open = screentest::withText<QPushButton>(frame->currentScreen(),
                                                 QStringLiteral("Open E-mail Settings"));
  ASSERT_NE(open, nullptr);
  open->click();
  Sheet* sheet = screentest::visibleSheet();
  ASSERT_NE(sheet, nullptr);
  auto* settings = qobject_cast<SettingsView*>(sheet->content());
  ASSERT_NE(settings, nullptr);
  EXPECT_EQ(settings->state().selectedTab, SettingsTab::email);
  closeSheets();
}

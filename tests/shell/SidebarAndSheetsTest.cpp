#include "screens/ScreenTestSupport.h"

#include "app/screens/capture/QuickCaptureView.h"
#include "app/shell/MainDashboardView.h"
#include "app/ui/Sheet.h"

#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

using screentest::ScreenTest;

namespace {

class SidebarAndSheets : public ScreenTest {
 protected:
  SidebarAndSheets() {
    changeSettings([](AppSettings& s) { s.hasCompletedOnboarding = true; });
    frame = std::make_unique<MainDashboardView>(env, [] {});
    frame->resize(880, 580);
    frame->show();
    QApplication::setActiveWindow(frame.get());
  }
  ~SidebarAndSheets() override {
    while (Sheet* sheet = screentest::visibleSheet()) {
      sheet->reject();
      QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
  }
  std::unique_ptr<MainDashboardView> frame;
};

// Every tab shortcut moves the sidebar's selected row to its tab, from wherever it was.
TEST_F(SidebarAndSheets, TheSelectedRowFollowsATabChosenByItsShortcut) {
  auto* list = frame->findChild<QListWidget*>();
  ASSERT_NE(list, nullptr);
  const struct {
    Qt::Key key;
    DashboardTab tab;
  } cases[] = {{Qt::Key_9, DashboardTab::shortcuts}, {Qt::Key_1, DashboardTab::today},
               {Qt::Key_3, DashboardTab::tasks},     {Qt::Key_2, DashboardTab::calendar},
               {Qt::Key_6, DashboardTab::focus},     {Qt::Key_4, DashboardTab::waitingFor}};
  for (const auto& c : cases) {
    const QString name = dashboard_tab::rawValue(c.tab);
    QTest::keyClick(frame.get(), c.key, Qt::ControlModifier);
    ASSERT_EQ(frame->state().activeTab, c.tab) << name.toStdString();
    const int row =
        int(std::find(dashboard_tab::allCases.begin(), dashboard_tab::allCases.end(), c.tab) -
            dashboard_tab::allCases.begin());
    EXPECT_EQ(list->currentRow(), row) << name.toStdString();
    ASSERT_EQ(list->selectedItems().size(), 1) << name.toStdString();
    EXPECT_EQ(list->selectedItems().first()->text(), name);
  }
}

// Asking for a sheet that is already open brings that same sheet forward, with what was typed
// in it, rather than a second one or a fresh one.
TEST_F(SidebarAndSheets, ASecondRequestBringsTheOpenSheetForward) {
  auto* capture = frame->findChild<QPushButton*>(QStringLiteral("Quick Capture"));
  ASSERT_NE(capture, nullptr);
  capture->click();
  QPointer<Sheet> first = screentest::visibleSheet();
  ASSERT_TRUE(first);
  auto* form = first->findChild<QuickCaptureView*>();
  ASSERT_NE(form, nullptr);
  QTest::keyClicks(form->titleField(), QStringLiteral("Half-typed"));

  // Meanwhile the user went to another window.
  QWidget elsewhere;
  elsewhere.show();
  QApplication::setActiveWindow(&elsewhere);
  ASSERT_EQ(QApplication::activeWindow(), &elsewhere);
  capture->click();
  QApplication::processEvents();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  ASSERT_TRUE(first) << "the open sheet stays";
  EXPECT_EQ(screentest::visibleSheet(), first.data());
  EXPECT_TRUE(first->isVisible());
  EXPECT_EQ(form->titleField()->text(), QStringLiteral("Half-typed"));
  EXPECT_EQ(QApplication::activeWindow(), first.data()) << "brought forward";
  int sheets = 0;
  for (QWidget* top : QApplication::topLevelWidgets()) {
    sheets += qobject_cast<Sheet*>(top) && top->isVisible() ? 1 : 0;
  }
  EXPECT_EQ(sheets, 1);
}

}  // namespace

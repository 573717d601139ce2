#include "ScreenTestSupport.h"

#include "app/shell/Sheet.h"

#include <QApplication>
#include <QLabel>
#include <QTest>

using screentest::ScreenTest;

// The sheet hands its screen a dismiss action that closes it, reports the close once, and a
// sheet closed by Escape reports it the same way.
TEST_F(ScreenTest, SheetClosesThroughDismissOrEscapeAndReportsItOnce) {
  QWidget window;
  window.show();
  for (const bool byEscape : {false, true}) {
    int closed = 0;
    ScreenEnvironment seen;
    QPointer<Sheet> sheet = Sheet::present(&window, env, [&](const ScreenEnvironment& e) {
      seen = e;
      return new QLabel(QStringLiteral("content"));
    }, [&] { ++closed; });
    ASSERT_TRUE(sheet);
    EXPECT_EQ(sheet->windowModality(), Qt::WindowModal);
    EXPECT_EQ(seen.store, env.store);
    if (byEscape) {
      QTest::keyClick(sheet, Qt::Key_Escape);
    } else {
      seen.close();
    }
    QApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(closed, 1) << byEscape;
    EXPECT_FALSE(sheet) << "a closed sheet deletes itself";
    seen.close();  // dismiss after the sheet is gone does nothing
    EXPECT_EQ(closed, 1);
  }
}

#include "app/ui/Sheet.h"

#include <QApplication>
#include <QLabel>
#include <QPointer>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace {

// A sheet sits window-modal over its parent's window and hands its content the action that
// dismisses it. Closed by that action (accepted) or by Escape (cancelled), it reports the close
// once and deletes itself; the action does nothing once the sheet is gone.
TEST(Sheet, WindowModalClosedByDismissOrEscapeReportsItOnce) {
  QWidget window;
  window.show();
  auto* inner = new QWidget(&window);
  for (const bool byEscape : {false, true}) {
    SCOPED_TRACE(byEscape ? "Escape" : "dismiss");
    int closed = 0;
    std::function<void()> dismiss;
    QPointer<Sheet> sheet = Sheet::present(
        inner,
        [&](std::function<void()> action) {
          dismiss = std::move(action);
          auto* content = new QLabel(QStringLiteral("content"));
          content->setWindowTitle(QStringLiteral("Edit Task"));
          return content;
        },
        [&] { ++closed; });
    ASSERT_TRUE(sheet);
    EXPECT_TRUE(sheet->isVisible());
    EXPECT_EQ(sheet->windowModality(), Qt::WindowModal);
    EXPECT_EQ(sheet->parentWidget(), &window) << "over the window, not the inner widget";
    EXPECT_EQ(sheet->windowTitle(), QStringLiteral("Edit Task"));
    ASSERT_NE(qobject_cast<QLabel*>(sheet->content()), nullptr);
    EXPECT_EQ(closed, 0);
    QSignalSpy results(sheet.data(), &QDialog::finished);
    if (byEscape) {
      QTest::keyClick(sheet, Qt::Key_Escape);
    } else {
      dismiss();
    }
    QApplication::processEvents();
    ASSERT_EQ(results.size(), 1);
    EXPECT_EQ(results.first().at(0).toInt(), byEscape ? QDialog::Rejected : QDialog::Accepted);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(closed, 1);
    EXPECT_FALSE(sheet) << "a closed sheet deletes itself";
    dismiss();
    EXPECT_EQ(closed, 1);
  }
}

}  // namespace

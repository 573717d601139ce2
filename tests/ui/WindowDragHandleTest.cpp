#include "app/platform/WindowDragHandle.h"

#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>
#include <QWindow>

#include <gtest/gtest.h>

namespace {

// A shown top-level window whose whole area is the handle.
struct Harness {
  QWidget window;
  WindowDragHandle* handle = new WindowDragHandle;
  QSignalSpy drags{handle, &WindowDragHandle::windowDragStarted};
  int doubleClicks = 0;

  Harness() {
    auto* layout = new QVBoxLayout(&window);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(handle);
    window.setGeometry(100, 100, 200, 100);
    window.show();
  }
  void click(bool twice, Qt::MouseButton button = Qt::LeftButton) {
    if (twice) {
      QTest::mouseDClick(handle, button);
    } else {
      QTest::mousePress(handle, button);
    }
    QTest::mouseRelease(handle, button);
  }
};

}  // namespace

TEST(WindowDragHandle, PressesDragDoubleClicksOnlyCallBack) {
  Harness h;
  h.click(true);  // no callback yet: nothing happens, nothing moves
  EXPECT_EQ(h.drags.count(), 0);
  EXPECT_TRUE(h.window.isVisible());
  h.handle->setOnDoubleClick([] { FAIL() << "a replaced callback was called"; });
  h.handle->setOnDoubleClick([&h] { ++h.doubleClicks; });
  const struct {
    bool twice;
    Qt::MouseButton button;
    int drags, calls;
  } steps[] = {{false, Qt::LeftButton, 1, 0},
               {true, Qt::LeftButton, 1, 1},
               {false, Qt::LeftButton, 2, 1},
               {false, Qt::RightButton, 2, 1},  // other buttons start nothing
               {true, Qt::RightButton, 2, 1}};
  for (const auto& step : steps) {
    h.click(step.twice, step.button);
    EXPECT_EQ(h.drags.count(), step.drags) << step.twice << step.button;
    EXPECT_EQ(h.doubleClicks, step.calls) << step.twice << step.button;
  }
  // A callback may hand over its own successor while it runs.
  int successor = 0;
  h.handle->setOnDoubleClick(
      [&h, &successor] { h.handle->setOnDoubleClick([&successor] { ++successor; }); });
  h.click(true);
  EXPECT_EQ(successor, 0);
  h.click(true);
  EXPECT_EQ(successor, 1);
}

TEST(WindowDragHandle, DraggingMovesTheWindowWhereTheSystemOffersNoMove) {
  // The offscreen platform has no interactive move, so the handle follows the pointer.
  Harness h;
  EXPECT_EQ(h.handle->cursor().shape(), Qt::OpenHandCursor);
  const QPoint before = h.window.pos();
  QTest::mousePress(h.handle, Qt::LeftButton, {}, QPoint(10, 10));
  QTest::mouseMove(h.handle, QPoint(40, 30));
  QTest::mouseRelease(h.handle, Qt::LeftButton, {}, QPoint(40, 30));
  EXPECT_EQ(h.window.pos(), before + QPoint(30, 20));
  QTest::mouseMove(h.handle, QPoint(5, 5));  // after the release nothing moves
  EXPECT_EQ(h.window.pos(), before + QPoint(30, 20));

  WindowDragHandle loose;  // never shown: no window to move
  QSignalSpy looseDrags(&loose, &WindowDragHandle::windowDragStarted);
  QTest::mousePress(&loose, Qt::LeftButton);
  EXPECT_EQ(looseDrags.count(), 0);
}

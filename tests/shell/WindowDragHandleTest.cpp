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
  WindowDragHandle* handle;

  explicit Harness(std::function<void()> onDoubleClick = {}) {
    auto* layout = new QVBoxLayout(&window);
    layout->setContentsMargins(0, 0, 0, 0);
    handle = new WindowDragHandle(std::move(onDoubleClick));
    layout->addWidget(handle);
    window.resize(200, 100);
    window.move(100, 100);
    window.show();
  }
};

}  // namespace

TEST(WindowDragHandle, FirstAndThirdPressDragTheSecondOnlyCallsBack) {
  int doubleClicks = 0;
  Harness h([&doubleClicks] { ++doubleClicks; });
  QSignalSpy drags(h.handle, &WindowDragHandle::windowDragStarted);
  const auto expectCounts = [&](int dragCount, int callCount) {
    EXPECT_EQ(drags.count(), dragCount);
    EXPECT_EQ(doubleClicks, callCount);
  };
  QTest::mousePress(h.handle, Qt::LeftButton);
  QTest::mouseRelease(h.handle, Qt::LeftButton);
  expectCounts(1, 0);
  QTest::mouseDClick(h.handle, Qt::LeftButton);
  QTest::mouseRelease(h.handle, Qt::LeftButton);
  expectCounts(1, 1);
  QTest::mousePress(h.handle, Qt::LeftButton);
  QTest::mouseRelease(h.handle, Qt::LeftButton);
  expectCounts(2, 1);

  // Through the window the second press arrives as a press marked as the double click's
  // origin and then as the double click itself: only the latter may count.
  QTest::mouseDClick(h.window.windowHandle(), Qt::LeftButton, {}, QPoint(20, 20));
  expectCounts(3, 2);
  QTest::mouseClick(h.window.windowHandle(), Qt::LeftButton, {}, QPoint(20, 20));
  expectCounts(4, 2);

  // Other buttons start nothing.
  QTest::mousePress(h.handle, Qt::RightButton);
  QTest::mouseRelease(h.handle, Qt::RightButton);
  expectCounts(4, 2);
}

TEST(WindowDragHandle, ADoubleClickWithoutCallbackDoesNothingAndAReplacedOneIsCalled) {
  Harness h;
  EXPECT_FALSE(h.handle->hasOnDoubleClick());
  QSignalSpy drags(h.handle, &WindowDragHandle::windowDragStarted);
  const QPoint before = h.window.pos();
  QTest::mouseDClick(h.handle, Qt::LeftButton);
  QTest::mouseRelease(h.handle, Qt::LeftButton);
  EXPECT_EQ(drags.count(), 0);
  EXPECT_EQ(h.window.pos(), before);
  EXPECT_TRUE(h.window.isVisible());

  int first = 0;
  int second = 0;
  h.handle->setOnDoubleClick([&first] { ++first; });
  h.handle->setOnDoubleClick([&second] { ++second; });
  QTest::mouseDClick(h.handle, Qt::LeftButton);
  EXPECT_EQ(first, 0);
  EXPECT_EQ(second, 1);

  // A callback may hand over its own successor while it runs.
  int third = 0;
  h.handle->setOnDoubleClick([&h, &third] { h.handle->setOnDoubleClick([&third] { ++third; }); });
  QTest::mouseDClick(h.handle, Qt::LeftButton);
  EXPECT_EQ(third, 0);
  QTest::mouseDClick(h.handle, Qt::LeftButton);
  EXPECT_EQ(third, 1);
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
  // After the release, moving the pointer moves nothing.
  QTest::mouseMove(h.handle, QPoint(5, 5));
  EXPECT_EQ(h.window.pos(), before + QPoint(30, 20));

  WindowDragHandle loose;  // never shown: no window to move
  QSignalSpy looseDrags(&loose, &WindowDragHandle::windowDragStarted);
  QTest::mousePress(&loose, Qt::LeftButton);
  EXPECT_EQ(looseDrags.count(), 0);
}

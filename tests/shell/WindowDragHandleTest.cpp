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

TEST(WindowDragHandle, ClickCountsOneTwoThree) {
  int doubleClicks = 0;
  Harness h([&doubleClicks] { ++doubleClicks; });
  QSignalSpy drags(h.handle, &WindowDragHandle::windowDragStarted);

  QTest::mousePress(h.handle, Qt::LeftButton);  // first press: a drag
  QTest::mouseRelease(h.handle, Qt::LeftButton);
  EXPECT_EQ(drags.count(), 1);
  EXPECT_EQ(doubleClicks, 0);

  QTest::mouseDClick(h.handle, Qt::LeftButton);  // second press: the callback only
  QTest::mouseRelease(h.handle, Qt::LeftButton);
  EXPECT_EQ(drags.count(), 1);
  EXPECT_EQ(doubleClicks, 1);

  QTest::mousePress(h.handle, Qt::LeftButton);  // third press: a drag again
  QTest::mouseRelease(h.handle, Qt::LeftButton);
  EXPECT_EQ(drags.count(), 2);
  EXPECT_EQ(doubleClicks, 1);
}

TEST(WindowDragHandle, ARealDoubleClickThroughTheWindowDragsOnceAndCallsOnce) {
  // Through the window the second press arrives as a press marked as the double click's
  // origin and then as the double click itself: only the latter may count.
  int doubleClicks = 0;
  Harness h([&doubleClicks] { ++doubleClicks; });
  QSignalSpy drags(h.handle, &WindowDragHandle::windowDragStarted);
  QWindow* window = h.window.windowHandle();
  ASSERT_NE(window, nullptr);

  QTest::mouseDClick(window, Qt::LeftButton, {}, QPoint(20, 20));
  EXPECT_EQ(drags.count(), 1);
  EXPECT_EQ(doubleClicks, 1);
  QTest::mouseClick(window, Qt::LeftButton, {}, QPoint(20, 20));
  EXPECT_EQ(drags.count(), 2);
  EXPECT_EQ(doubleClicks, 1);
}

TEST(WindowDragHandle, DoubleClickWithoutCallbackDoesNothing) {
  Harness h;
  EXPECT_FALSE(h.handle->hasOnDoubleClick());
  QSignalSpy drags(h.handle, &WindowDragHandle::windowDragStarted);
  const QPoint before = h.window.pos();
  QTest::mouseDClick(h.handle, Qt::LeftButton);
  QTest::mouseRelease(h.handle, Qt::LeftButton);
  EXPECT_EQ(drags.count(), 0);
  EXPECT_EQ(h.window.pos(), before);
  EXPECT_TRUE(h.window.isVisible());
}

TEST(WindowDragHandle, AReplacedCallbackIsTheOneCalled) {
  int first = 0;
  int second = 0;
  Harness h([&first] { ++first; });
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
  const QPoint before = h.window.pos();
  QTest::mousePress(h.handle, Qt::LeftButton, {}, QPoint(10, 10));
  QTest::mouseMove(h.handle, QPoint(40, 30));
  QTest::mouseRelease(h.handle, Qt::LeftButton, {}, QPoint(40, 30));
  EXPECT_EQ(h.window.pos(), before + QPoint(30, 20));

  // After the release, moving the pointer moves nothing.
  const QPoint settled = h.window.pos();
  QTest::mouseMove(h.handle, QPoint(5, 5));
  EXPECT_EQ(h.window.pos(), settled);
}

TEST(WindowDragHandle, OtherButtonsAndUnshownHandlesStartNoDrag) {
  Harness h;
  QSignalSpy drags(h.handle, &WindowDragHandle::windowDragStarted);
  QTest::mousePress(h.handle, Qt::RightButton);
  QTest::mouseRelease(h.handle, Qt::RightButton);
  EXPECT_EQ(drags.count(), 0);

  WindowDragHandle loose;  // never shown: no window to move
  QSignalSpy looseDrags(&loose, &WindowDragHandle::windowDragStarted);
  QTest::mousePress(&loose, Qt::LeftButton);
  EXPECT_EQ(looseDrags.count(), 0);
}

TEST(WindowDragHandle, ShowsTheOpenHandOverItsWholeArea) {
  Harness h;
  EXPECT_EQ(h.handle->cursor().shape(), Qt::OpenHandCursor);
  // The cursor belongs to the widget, so it covers whatever size the handle takes.
  h.window.resize(400, 300);
  EXPECT_EQ(h.handle->size(), QSize(400, 300));
  EXPECT_EQ(h.handle->cursor().shape(), Qt::OpenHandCursor);
}

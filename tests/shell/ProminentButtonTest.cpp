#include "app/shell/ProminentButton.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QImage>
#include <QLineEdit>
#include <QTest>

#include <gtest/gtest.h>

#include <cstdlib>

// Keyboard focus must show on the filled button: at its inner left edge the focused button
// looks clearly unlike the same button without focus.
TEST(ProminentButton, FocusIsVisibleOnTheFill) {
  QWidget window;
  auto* row = new QHBoxLayout(&window);
  auto* other = new QLineEdit(&window);
  auto* button = new ProminentButton(QStringLiteral("Add Task"), &window);
  row->addWidget(other);
  row->addWidget(button);
  window.show();
  window.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&window));

  other->setFocus();
  ASSERT_FALSE(button->hasFocus());
  const QImage plain = button->grab().toImage();
  button->setFocus();
  ASSERT_TRUE(button->hasFocus());
  const QImage focused = button->grab().toImage();

  const QPoint edge(2, button->height() / 2);
  const QColor before = plain.pixelColor(edge * plain.devicePixelRatio());
  const QColor after = focused.pixelColor(edge * focused.devicePixelRatio());
  EXPECT_GE(std::abs(after.lightness() - before.lightness()), 40)
      << before.name().toStdString() << " vs " << after.name().toStdString();
}

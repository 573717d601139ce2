#include "app/platform/KeyboardActivation.h"
#include "app/ui/FlowLayout.h"

#include <QApplication>
#include <QCheckBox>
#include <QKeyEvent>
#include <QPushButton>
#include <QTest>
#include <QToolButton>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include <functional>

// Return and Enter press the focused push or tool button once, as Space does; check boxes,
// disabled buttons, modified and held-down keys are left alone.
TEST(KeyboardActivation, ReturnPressesTheFocusedButtonOnly) {
  KeyboardActivation::install();
  KeyboardActivation::install();  // a second install adds no second press
  struct Case {
    const char* name;
    std::function<QAbstractButton*(QWidget*)> make;
    QKeyEvent key;
    int presses;
  };
  const auto press = [](int key, Qt::KeyboardModifiers modifiers = {}, bool repeat = false) {
    return QKeyEvent(QEvent::KeyPress, key, modifiers, QString(), repeat);
  };
  const auto pushButton = [](QWidget* parent) -> QAbstractButton* { return new QPushButton("Go", parent); };
  const Case cases[]{
      {"push button", pushButton, press(Qt::Key_Return), 1},
      {"keypad Enter", pushButton, press(Qt::Key_Enter, Qt::KeypadModifier), 1},
      {"tool button", [](QWidget* p) -> QAbstractButton* { return new QToolButton(p); },
       press(Qt::Key_Return), 1},
      {"check box", [](QWidget* p) -> QAbstractButton* { return new QCheckBox("On", p); },
       press(Qt::Key_Return), 0},
      {"disabled", [](QWidget* p) -> QAbstractButton* {
         auto* button = new QPushButton("Off", p);
         button->setEnabled(false);
         return button;
       },
       press(Qt::Key_Return), 0},
      {"Ctrl+Return", pushButton, press(Qt::Key_Return, Qt::ControlModifier), 0},
      {"held down", pushButton, press(Qt::Key_Return, {}, true), 0},
  };
  for (const Case& c : cases) {
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    QAbstractButton* button = c.make(&window);
    layout->addWidget(button);
    window.show();
    QApplication::setActiveWindow(&window);
    button->setFocus();
    int presses = 0;
    QObject::connect(button, &QAbstractButton::clicked, [&presses] { ++presses; });
    QKeyEvent key(c.key.type(), c.key.key(), c.key.modifiers(), QString(), c.key.isAutoRepeat());
    QApplication::sendEvent(button, &key);
    EXPECT_EQ(presses, c.presses) << c.name;
    if (auto* box = qobject_cast<QCheckBox*>(button)) {
      EXPECT_FALSE(box->isChecked()) << c.name;
    }
  }
}

// A row of chips narrower than their line takes a second one, and the height it asks for
// follows; nothing is placed outside the width it has.
TEST(FlowLayout, WrapsWhatDoesNotFitAndAsksForTheHeight) {
  QWidget row;
  auto* flow = new FlowLayout(&row, 6, 4);
  QList<QPushButton*> chips;
  for (int i = 0; i < 5; ++i) {
    auto* chip = new QPushButton(&row);
    chip->setFixedSize(100, 20);
    flow->addWidget(chip);
    chips.append(chip);
  }
  EXPECT_EQ(flow->sizeHint(), QSize(5 * 100 + 4 * 6, 20));
  EXPECT_EQ(flow->heightForWidth(524), 20);
  EXPECT_EQ(flow->heightForWidth(523), 44);
  EXPECT_EQ(flow->heightForWidth(100), 5 * 20 + 4 * 4);
  flow->setGeometry(QRect(0, 0, 330, 44));
  for (const QPushButton* chip : chips) {
    EXPECT_LE(chip->geometry().right(), 329);
  }
  EXPECT_EQ(chips[3]->geometry().topLeft(), QPoint(0, 24));
}

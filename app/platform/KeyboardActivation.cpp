#include "app/platform/KeyboardActivation.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPushButton>
#include <QToolButton>

void KeyboardActivation::install() {
  auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
  if (app == nullptr || app->findChild<KeyboardActivation*>(QString(), Qt::FindDirectChildrenOnly)) {
    return;
  }
  app->installEventFilter(new KeyboardActivation(app));
}

bool KeyboardActivation::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::KeyPress) {
    return false;
  }
  const auto* key = static_cast<QKeyEvent*>(event);
  if ((key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter) ||
      (key->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier) {
    return false;
  }
  auto* button = qobject_cast<QAbstractButton*>(watched);
  const bool pressable = qobject_cast<QPushButton*>(button) || qobject_cast<QToolButton*>(button);
  if (!pressable || !button->hasFocus() || !button->isEnabled()) {
    return false;
  }
  // Held down, Return presses once.
  if (!key->isAutoRepeat()) {
    button->click();
  }
  return true;
}

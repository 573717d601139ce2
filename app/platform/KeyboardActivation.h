#pragma once

#include <QObject>

// Return and Enter press the focused push or tool button, as Space does. Qt leaves Return to a
// dialog's default button, so outside dialogs (the main window, the floating widget) a button
// reached by Tab would answer Space only. Check boxes and radio buttons keep Return for the
// form they sit in.
class KeyboardActivation : public QObject {
  Q_OBJECT

 public:
  // Installs the one filter on the application; later calls do nothing.
  static void install();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  using QObject::QObject;
};

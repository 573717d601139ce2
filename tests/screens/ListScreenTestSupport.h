#pragma once

#include "core/model/Calendar.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QWidget>

namespace screentest {

// A wall-clock time in Berlin, as an instant.
inline QDateTime berlin(int y, int m, int d, int h = 0, int min = 0) {
  return Calendar(QTimeZone(QByteArrayLiteral("Europe/Berlin")))
      .dateTime(QDate(y, m, d), QTime(h, min));
}

// Lets queued work and closed sheets finish.
inline void settle() {
  QApplication::processEvents();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  QApplication::processEvents();
}

// The one open sheet content of a type anywhere under `root`'s window, or null.
template <typename Sheet>
Sheet* openSheet(QWidget* root) {
  const QList<Sheet*> found = root->window()->findChildren<Sheet*>();
  for (Sheet* sheet : found) {
    if (sheet->isVisible()) {
      return sheet;
    }
  }
  return nullptr;
}

// Clicks the button of a pending confirmation whose text is `title`.
inline bool answer(QMessageBox* box, const QString& title) {
  if (box == nullptr) {
    return false;
  }
  for (QAbstractButton* button : box->buttons()) {
    if (button->text() == title) {
      button->click();
      settle();
      return true;
    }
  }
  return false;
}

}  // namespace screentest

#pragma once

#include <QList>
#include <QWidget>

namespace screentest {

// The next `count` widgets Tab reaches after `from` inside `root`, as a person pressing Tab
// meets them: each takes focus by Tab, is shown and enabled, and is no part of another (a date
// field's inner line edit passes the focus to the field).
inline QList<QWidget*> tabStops(QWidget* root, QWidget* from, qsizetype count) {
  QList<QWidget*> stops;
  QWidget* at = from;
  while (stops.size() < count) {
    QWidget* next = at->nextInFocusChain();
    while (next != at && !((next->focusPolicy() & Qt::TabFocus) && next->isEnabled() &&
                           next->focusProxy() == nullptr && next->isVisibleTo(root) &&
                           root->isAncestorOf(next))) {
      next = next->nextInFocusChain();
    }
    if (next == at || next == from) {
      break;
    }
    stops.append(next);
    at = next;
  }
  return stops;
}

}  // namespace screentest

#include "app/ui/SearchableComboBox.h"

#include <QAbstractItemView>
#include <QCompleter>
#include <QLineEdit>
#include <QScreen>

#include <algorithm>

namespace {
// Wide enough for a long title, far from the whole screen.
constexpr int kMaxPopupWidth = 420;
}  // namespace

SearchableComboBox::SearchableComboBox(QWidget* parent) : QComboBox(parent) {
  setEditable(true);
  setInsertPolicy(QComboBox::NoInsert);
  connect(lineEdit(), &QLineEdit::editingFinished, this, &SearchableComboBox::restoreChosenText);
}

void SearchableComboBox::setSearchModel(QAbstractItemModel* model) {
  setModel(model);
  auto* completer = new QCompleter(model, this);
  completer->setCaseSensitivity(Qt::CaseInsensitive);
  completer->setFilterMode(Qt::MatchContains);
  completer->setCompletionMode(QCompleter::PopupCompletion);
  completer->setMaxVisibleItems(maxVisibleItems());
  setCompleter(completer);
}

void SearchableComboBox::restoreChosenText() {
  const QCompleter* search = completer();
  if (search && search->popup() && search->popup()->isVisible()) {
    return;  // the search's own list is choosing
  }
  const QString chosen = itemText(currentIndex());
  if (lineEdit()->text() != chosen) {
    setEditText(chosen);
  }
}

void SearchableComboBox::showPopup() {
  QComboBox::showPopup();
  // Some styles size the list to its longest entry and its whole length, up to the screen;
  // here it keeps near the box's width (longer entries are elided) and to the visible rows,
  // below the box, or above it where the screen ends.
  QWidget* popup = view()->window();
  QRect frame = popup->geometry();
  frame.setWidth(std::clamp(frame.width(), width(), std::max(width(), kMaxPopupWidth)));
  const int rows = std::min(count(), maxVisibleItems());
  if (rows > 0) {
    const int chrome = frame.height() - view()->viewport()->height();
    frame.setHeight(std::min(frame.height(), rows * view()->sizeHintForRow(0) + chrome));
  }
  frame.moveTopLeft(mapToGlobal(QPoint(0, height())));
  if (const QScreen* shown = screen()) {
    const QRect room = shown->availableGeometry();
    if (frame.bottom() > room.bottom()) {
      frame.moveBottom(mapToGlobal(QPoint(0, 0)).y() - 1);
    }
    if (frame.right() > room.right()) {
      frame.moveRight(room.right());
    }
    frame.moveTopLeft(QPoint(std::max(frame.left(), room.left()), std::max(frame.top(), room.top())));
  }
  popup->setGeometry(frame);
  view()->scrollTo(view()->currentIndex(), QAbstractItemView::PositionAtCenter);
}

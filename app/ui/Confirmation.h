#pragma once

#include <QMessageBox>
#include <QString>

#include <functional>

class QWidget;

// What a confirmation asks: the window title, the question, an optional longer explanation,
// the title of the button that goes ahead, and whether Return presses that button.
struct ConfirmationText {
  QString title;
  QString question;
  QString details;
  QString action;
  bool returnConfirms = false;
};

// Opens a window-modal question over `parent` without blocking: the action's button and
// Cancel. Escape cancels; Return cancels too unless the text says it confirms. A destructive
// action shows a warning, any other a question.
// `onFinished(confirmed)` runs once when the box closes, however it closes, while `parent`
// lives. The box deletes itself when closed.
QMessageBox* askToConfirm(QWidget* parent, const ConfirmationText& text,
                          std::function<void(bool confirmed)> onFinished,
                          QMessageBox::ButtonRole actionRole = QMessageBox::DestructiveRole);

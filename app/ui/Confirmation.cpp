#include "app/ui/Confirmation.h"

#include <QPushButton>

QMessageBox* askToConfirm(QWidget* parent, const ConfirmationText& text,
                          std::function<void(bool confirmed)> onFinished,
                          QMessageBox::ButtonRole actionRole) {
  const auto icon =
      actionRole == QMessageBox::DestructiveRole ? QMessageBox::Warning : QMessageBox::Question;
  auto* box = new QMessageBox(icon, text.title, text.question, QMessageBox::NoButton, parent);
  if (!text.details.isEmpty()) {
    box->setInformativeText(text.details);
  }
  QPushButton* action = box->addButton(text.action, actionRole);
  QPushButton* cancel = box->addButton(QMessageBox::Cancel);
  box->setDefaultButton(text.returnConfirms ? action : cancel);
  box->setEscapeButton(cancel);
  box->setAttribute(Qt::WA_DeleteOnClose);
  box->setWindowModality(Qt::WindowModal);
  QObject::connect(box, &QMessageBox::finished, parent,
                   [box, action, onFinished = std::move(onFinished)] {
                     if (onFinished) {
                       onFinished(box->clickedButton() == action);
                     }
                   });
  box->open();
  return box;
}

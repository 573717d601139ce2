#include "app/ui/Sheet.h"

#include <QEvent>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

Sheet::Sheet(QWidget* parent) : QDialog(parent) {
  setWindowModality(Qt::WindowModal);
  setAttribute(Qt::WA_DeleteOnClose);
}

bool Sheet::event(QEvent* event) {
  const bool handled = QDialog::event(event);
  // A window's minimum height leaves out text that wraps, so the layout would squeeze a
  // wrapped message over the fields next to it.
  if (event->type() == QEvent::LayoutRequest && layout() != nullptr &&
      layout()->hasHeightForWidth()) {
    const int needed = heightForWidth(width());
    if (needed > height()) {
      resize(width(), needed);
    }
  }
  return handled;
}

Sheet* Sheet::present(QWidget* parent, const Builder& build, std::function<void()> onClosed) {
  auto* sheet = new Sheet(parent ? parent->window() : nullptr);
  QPointer<Sheet> guard(sheet);
  sheet->content_ = build([guard] {
    if (guard) {
      guard->accept();
    }
  });
  auto* layout = new QVBoxLayout(sheet);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(sheet->content_);
  // A button made the default before it sat in this dialog is unknown to it as such, and Tab
  // passing over it would leave Return with no default to press: tell the dialog now.
  for (QPushButton* button : sheet->findChildren<QPushButton*>()) {
    if (button->isDefault()) {
      button->setDefault(false);
      button->setDefault(true);
      break;
    }
  }
  if (sheet->content_ && !sheet->content_->windowTitle().isEmpty()) {
    sheet->setWindowTitle(sheet->content_->windowTitle());
  }
  if (onClosed) {
    connect(sheet, &QDialog::finished, sheet, [onClosed = std::move(onClosed)] { onClosed(); });
  }
  sheet->open();
  return sheet;
}

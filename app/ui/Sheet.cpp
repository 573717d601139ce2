#include "app/ui/Sheet.h"

#include <QPointer>
#include <QVBoxLayout>

Sheet::Sheet(QWidget* parent) : QDialog(parent) {
  setWindowModality(Qt::WindowModal);
  setAttribute(Qt::WA_DeleteOnClose);
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
  if (sheet->content_ && !sheet->content_->windowTitle().isEmpty()) {
    sheet->setWindowTitle(sheet->content_->windowTitle());
  }
  if (onClosed) {
    connect(sheet, &QDialog::finished, sheet, [onClosed = std::move(onClosed)] { onClosed(); });
  }
  sheet->open();
  return sheet;
}

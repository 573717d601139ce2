#include "app/screens/SheetForm.h"

#include "app/ui/ThemedLabel.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

constexpr int kPadding = 20;
constexpr int kMinWidth = 400;
constexpr int kNotesHeight = 72;

}  // namespace

SheetForm::SheetForm(QWidget* sheet, const QString& title) : sheet_(sheet) {
  sheet_->setMinimumWidth(kMinWidth);
  column_ = new QVBoxLayout(sheet_);
  column_->setContentsMargins(kPadding, kPadding, kPadding, kPadding);
  column_->setSpacing(14);
  auto* heading = new ThemedLabel(title, ThemeColor::primary, sheet_);
  heading->setTextStyle(17, QFont::DemiBold);
  column_->addWidget(heading);
  fields_ = new QFormLayout();
  fields_->setLabelAlignment(Qt::AlignRight | Qt::AlignVCenter);
  fields_->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
  fields_->setHorizontalSpacing(12);
  fields_->setVerticalSpacing(8);
  column_->addLayout(fields_);
}

QLineEdit* SheetForm::lineEdit(const QString& label, const QString& text,
                               const QString& placeholder) {
  auto* edit = new QLineEdit(text, sheet_);
  edit->setPlaceholderText(placeholder);
  addRow(label, edit);
  return edit;
}

QPlainTextEdit* SheetForm::notes(const QString& text, const QString& label) {
  auto* edit = new QPlainTextEdit(text, sheet_);
  edit->setFixedHeight(kNotesHeight);
  edit->setTabChangesFocus(true);
  addRow(label, edit);
  return edit;
}

void SheetForm::addRow(const QString& label, QWidget* field) {
  field->setAccessibleName(label);
  fields_->addRow(label, field);
}

ThemedLabel* SheetForm::errorLabel() {
  auto* error = ThemedLabel::messageLine(ThemeColor::red, sheet_);
  error->setTextStyle(11);
  fields_->addRow(QString(), error);
  return error;
}

QPushButton* SheetForm::buttons(const QString& saveTitle, std::function<void()> onSave,
                                std::function<void()> onCancel) {
  column_->addStretch(1);
  auto* row = new QHBoxLayout();
  row->addStretch(1);
  auto* cancel = new QPushButton(QStringLiteral("Cancel"), sheet_);
  cancel->setAutoDefault(false);
  auto* save = new QPushButton(saveTitle, sheet_);
  save->setDefault(true);
  row->addWidget(cancel);
  row->addWidget(save);
  column_->addLayout(row);
  QObject::connect(cancel, &QPushButton::clicked, sheet_, [onCancel = std::move(onCancel)] {
    if (onCancel) {
      onCancel();
    }
  });
  QObject::connect(save, &QPushButton::clicked, sheet_, [onSave = std::move(onSave)] {
    if (onSave) {
      onSave();
    }
  });
  return save;
}

OptionalDateField::OptionalDateField(const QString& checkTitle, std::optional<QDate> date,
                                     QDate fallback, QWidget* parent)
    : QWidget(parent), check_(new QCheckBox(checkTitle, this)), edit_(new QDateEdit(this)) {
  auto* row = new QHBoxLayout(this);
  row->setContentsMargins(0, 0, 0, 0);
  edit_->setCalendarPopup(true);
  edit_->setDisplayFormat(QStringLiteral("ddd, d MMM yyyy"));
  edit_->setDate(fallback);
  row->addWidget(check_);
  row->addWidget(edit_, 1);
  setFocusProxy(check_);
  connect(check_, &QCheckBox::toggled, edit_, &QWidget::setEnabled);
  setDate(date);
}

std::optional<QDate> OptionalDateField::date() const {
  return check_->isChecked() ? std::optional<QDate>(edit_->date()) : std::nullopt;
}

void OptionalDateField::setDate(std::optional<QDate> date) {
  check_->setChecked(date.has_value());
  edit_->setEnabled(date.has_value());
  if (date) {
    edit_->setDate(*date);
  }
}

#include "app/screens/bills/BillEditorSheet.h"

#include "app/screens/SheetForm.h"
#include "app/screens/bills/BillFilters.h"
#include "app/screens/tasks/RecurrenceOption.h"
#include "app/ui/ThemedLabel.h"
#include "core/store/DataStore.h"

#include <QDateEdit>
#include <QFormLayout>
#include <QLineEdit>
#include <QLocale>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>

namespace {

constexpr int kMaxReminderDays = 60;

}  // namespace

BillEditorSheet::BillEditorSheet(const ScreenEnvironment& environment,
                                 std::optional<BillItem> existingBill,
                                 std::function<void(const BillItem&)> onSave, QWidget* parent)
    : QWidget(parent),
      environment_(environment),
      existing_(std::move(existingBill)),
      onSave_(std::move(onSave)) {
  const bool editing = existing_.has_value();
  setWindowTitle(editing ? QStringLiteral("Edit Bill") : QStringLiteral("New Bill"));
  SheetForm form(this, windowTitle());

  const AppSettings settings = environment_.store ? environment_.store->settings() : AppSettings();
  name_ = form.lineEdit(QStringLiteral("Name"), existing_ ? existing_->name : QString(),
                        QStringLiteral("Electricity"));
  amount_ = form.lineEdit(QStringLiteral("Amount"),
                          existing_ ? QLocale::c().toString(existing_->amount, 'f', 2) : QString(),
                          QStringLiteral("0.00"));
  amountError_ = form.errorLabel();
  currency_ = form.lineEdit(QStringLiteral("Currency"),
                            existing_ ? existing_->currency : settings.defaultCurrency,
                            QStringLiteral("USD"));
  currency_->setMaxLength(8);
  category_ = form.lineEdit(QStringLiteral("Category"),
                            existing_ ? existing_->category : QStringLiteral("Utilities"),
                            QStringLiteral("Utilities"));

  dueDate_ = new QDateEdit(this);
  dueDate_->setCalendarPopup(true);
  dueDate_->setDisplayFormat(QStringLiteral("ddd, d MMM yyyy"));
  dueDate_->setDate(
      environment_.calendar.date(existing_ ? existing_->dueDate : environment_.now()));
  form.addRow(QStringLiteral("Due Date"), dueDate_);

  reminder_ = new QSpinBox(this);
  reminder_->setRange(0, kMaxReminderDays);
  reminder_->setSuffix(QStringLiteral(" days before"));
  reminder_->setSpecialValueText(QStringLiteral("On the day"));
  reminder_->setValue(existing_ ? existing_->reminderDaysBefore : settings.billReminderDaysBefore);
  form.addRow(QStringLiteral("Reminder"), reminder_);

  recurrence_ = new RecurrencePicker(this);
  recurrence_->setRule(existing_ ? existing_->recurrence : RecurrenceRule::none());
  form.addRow(QStringLiteral("Repeats"), recurrence_);

  notes_ = form.notes(existing_ ? existing_->notes : QString());

  saveButton_ = form.buttons(
      editing ? QStringLiteral("Save") : QStringLiteral("Add Bill"), [this] { save(); },
      [this] { environment_.close(); });

  // The message goes as soon as the user corrects the amount.
  connect(amount_, &QLineEdit::textEdited, amountError_, [this] { amountError_->hide(); });
}

bool BillEditorSheet::save() {
  bill_lists::BillForm form{name_->text(),       amount_->text(),      currency_->text(),
                            category_->text(),   dueDate_->date(),     reminder_->value(),
                            recurrence_->rule(), notes_->toPlainText()};
  const std::optional<BillItem> bill =
      bill_lists::fromForm(form, existing_, environment_.now(), environment_.calendar);
  if (!bill) {
    amountError_->setText(amount_->text().trimmed().isEmpty()
                              ? QStringLiteral("Enter the amount, such as 12.50.")
                              : QStringLiteral("\"%1\" is not an amount. Enter a number such as "
                                               "12.50 or 1,234.56.")
                                    .arg(amount_->text().trimmed()));
    amountError_->show();
    amount_->setFocus();
    amount_->selectAll();
    return false;
  }
  if (onSave_) {
    onSave_(*bill);
  }
  environment_.close();
  return true;
}

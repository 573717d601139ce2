#pragma once

#include "app/screens/ScreenEnvironment.h"
#include "core/model/BillItem.h"

#include <QWidget>

#include <functional>
#include <optional>

class QDateEdit;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;
class RecurrencePicker;
class ThemedLabel;

// The form that adds a bill or edits one. Saving hands the normalised bill to `onSave` and
// closes the sheet; an amount that is not one is refused next to its field, the sheet stays
// open and nothing typed is lost.
class BillEditorSheet : public QWidget {
  Q_OBJECT

 public:
  BillEditorSheet(const ScreenEnvironment& environment, std::optional<BillItem> existingBill,
                  std::function<void(const BillItem&)> onSave, QWidget* parent = nullptr);

  // False, with the message shown, when the amount was refused.
  bool save();

  QLineEdit* nameField() const { return name_; }
  QLineEdit* amountField() const { return amount_; }
  QLineEdit* currencyField() const { return currency_; }
  QLineEdit* categoryField() const { return category_; }
  QDateEdit* dueDateField() const { return dueDate_; }
  QSpinBox* reminderField() const { return reminder_; }
  RecurrencePicker* recurrenceField() const { return recurrence_; }
  QPlainTextEdit* notesField() const { return notes_; }
  ThemedLabel* amountError() const { return amountError_; }
  QPushButton* saveButton() const { return saveButton_; }

 private:
  ScreenEnvironment environment_;
  std::optional<BillItem> existing_;
  std::function<void(const BillItem&)> onSave_;
  QLineEdit* name_;
  QLineEdit* amount_;
  ThemedLabel* amountError_;
  QLineEdit* currency_;
  QLineEdit* category_;
  QDateEdit* dueDate_;
  QSpinBox* reminder_;
  RecurrencePicker* recurrence_;
  QPlainTextEdit* notes_;
  QPushButton* saveButton_;
};

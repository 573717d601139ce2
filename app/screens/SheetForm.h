#pragma once

#include <QDate>
#include <QString>
#include <QWidget>

#include <functional>
#include <optional>

class QFormLayout;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QVBoxLayout;
class ThemedLabel;

// Lays out an add or edit sheet the one way the list screens share: a title, labelled fields
// in a column, an error line where a field needs one, then Cancel and the default button.
class SheetForm {
 public:
  SheetForm(QWidget* sheet, const QString& title);

  QLineEdit* lineEdit(const QString& label, const QString& text, const QString& placeholder);
  QPlainTextEdit* notes(const QString& text, const QString& label = QStringLiteral("Notes"));
  void addRow(const QString& label, QWidget* field);
  // A hidden message line under the field added last, in the warning colour.
  ThemedLabel* errorLabel();
  // Adds Cancel and the default button (Return runs it); returns the default button.
  QPushButton* buttons(const QString& saveTitle, std::function<void()> onSave,
                       std::function<void()> onCancel);

 private:
  QWidget* sheet_;
  QVBoxLayout* column_;
  QFormLayout* fields_;
};

class QCheckBox;
class QDateEdit;

// A day the user may leave out: a check box that switches a date field on.
class OptionalDateField : public QWidget {
  Q_OBJECT

 public:
  OptionalDateField(const QString& checkTitle, std::optional<QDate> date, QDate fallback,
                    QWidget* parent = nullptr);

  std::optional<QDate> date() const;
  void setDate(std::optional<QDate> date);
  QCheckBox* checkBox() const { return check_; }
  QDateEdit* dateEdit() const { return edit_; }

 private:
  QCheckBox* check_;
  QDateEdit* edit_;
};

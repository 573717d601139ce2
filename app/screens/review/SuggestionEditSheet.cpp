#include "app/screens/review/SuggestionEditSheet.h"

#include "app/platform/Theme.h"
#include "app/ui/ThemedLabel.h"
#include "core/model/SecurityValidator.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

std::optional<QString> optionalText(const QLineEdit* edit) {
  const QString text = edit->text().trimmed();
  return text.isEmpty() ? std::nullopt : std::optional<QString>(text);
}

}  // namespace

SuggestionEditSheet::SuggestionEditSheet(
    const ScreenEnvironment& environment, EmailExtractedSuggestion suggestion,
    std::function<void(const EmailExtractedSuggestion&)> onApprove, QWidget* parent)
    : QWidget(parent),
      environment_(environment),
      original_(std::move(suggestion)),
      onApprove_(std::move(onApprove)) {
  setWindowTitle(QStringLiteral("Edit Suggestion"));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(20, 20, 20, 20);
  layout->setSpacing(12);

  auto* heading = new ThemedLabel(QStringLiteral("Edit Suggestion"), ThemeColor::primary, this);
  heading->setTextStyle(17, QFont::Bold);
  layout->addWidget(heading);

  auto* form = new QFormLayout;
  form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
  title_ = new QLineEdit(original_.title, this);
  title_->setCursorPosition(0);  // a long title shows its start
  form->addRow(QStringLiteral("Title"), title_);

  category_ = new QComboBox(this);
  for (EmailExtractedCategory c : allCases<EmailExtractedCategory>) {
    category_->addItem(displayText(c));
  }
  category_->setCurrentText(displayText(original_.category));
  form->addRow(QStringLiteral("Category"), category_);

  priority_ = new QComboBox(this);
  for (TaskPriority p : allCases<TaskPriority>) {
    priority_->addItem(displayText(p));
  }
  priority_->setCurrentText(displayText(original_.priority));
  form->addRow(QStringLiteral("Priority"), priority_);

  amount_ = new QLineEdit(original_.amount ? QString::number(*original_.amount, 'f', 2) : QString(),
                          this);
  amount_->setPlaceholderText(QStringLiteral("None"));
  currency_ = new QLineEdit(original_.currency.value_or(QString()), this);
  currency_->setPlaceholderText(QStringLiteral("USD"));
  currency_->setMaximumWidth(80);
  auto* money = new QHBoxLayout;
  money->addWidget(amount_, 1);
  money->addWidget(currency_);
  form->addRow(QStringLiteral("Amount"), money);

  hasDue_ = new QCheckBox(QStringLiteral("Due date"), this);
  hasDue_->setChecked(original_.dueDate.has_value());
  due_ = new QDateTimeEdit(this);
  due_->setCalendarPopup(true);
  due_->setDisplayFormat(QStringLiteral("d MMM yyyy HH:mm"));
  const QDateTime due = original_.dueDate.value_or(environment_.now().addSecs(24 * 3600));
  const QDateTime local = due.toTimeZone(environment_.calendar.timeZone());
  due_->setDateTime(QDateTime(local.date(), local.time()));
  due_->setEnabled(hasDue_->isChecked());
  connect(hasDue_, &QCheckBox::toggled, due_, &QWidget::setEnabled);
  auto* dueRow = new QHBoxLayout;
  dueRow->addWidget(hasDue_);
  dueRow->addWidget(due_, 1);
  form->addRow(QStringLiteral("When"), dueRow);

  person_ = new QLineEdit(original_.personOrOrg.value_or(QString()), this);
  form->addRow(QStringLiteral("Person or organisation"), person_);
  location_ = new QLineEdit(original_.location.value_or(QString()), this);
  form->addRow(QStringLiteral("Location"), location_);

  notes_ = new QPlainTextEdit(original_.notes, this);
  notes_->setTabChangesFocus(true);
  notes_->setMinimumHeight(70);
  form->addRow(QStringLiteral("Notes"), notes_);
  layout->addLayout(form);

  error_ = ThemedLabel::messageLine(ThemeColor::red, this);
  layout->addWidget(error_);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
  approveButton_ = new QPushButton(QStringLiteral("Approve"), this);
  approveButton_->setDefault(true);
  approveButton_->setAutoDefault(true);
  buttons->addWidget(cancel);
  buttons->addWidget(approveButton_);
  layout->addLayout(buttons);
  connect(cancel, &QPushButton::clicked, this, [this] { environment_.close(); });
  connect(approveButton_, &QPushButton::clicked, this, &SuggestionEditSheet::approve);
  connect(title_, &QLineEdit::returnPressed, this, &SuggestionEditSheet::approve);
  connect(amount_, &QLineEdit::returnPressed, this, &SuggestionEditSheet::approve);
  setMinimumWidth(440);
}

SuggestionEditSheet::Outcome SuggestionEditSheet::edited() const {
  EmailExtractedSuggestion s = original_;
  s.title = title_->text().trimmed();
  if (s.title.isEmpty()) {
    return {std::nullopt, QStringLiteral("Enter a title.")};
  }
  s.category =
      fromDisplayText<EmailExtractedCategory>(category_->currentText()).value_or(s.category);
  s.priority = fromDisplayText<TaskPriority>(priority_->currentText()).value_or(s.priority);
  const QString amountText = amount_->text().trimmed();
  if (amountText.isEmpty()) {
    s.amount.reset();
  } else if (const auto amount = SecurityValidator::parseMonetaryAmount(amountText)) {
    s.amount = *amount;
  } else {
    return {
        std::nullopt,
        QStringLiteral("\"%1\" is not an amount. Enter a number such as 12.50.").arg(amountText)};
  }
  s.currency = optionalText(currency_);
  if (hasDue_->isChecked()) {
    const QDateTime local = due_->dateTime();
    s.dueDate = environment_.calendar.dateTime(local.date(), local.time());
  } else {
    s.dueDate.reset();
  }
  s.personOrOrg = optionalText(person_);
  s.location = optionalText(location_);
  s.notes = notes_->toPlainText();
  return {s, QString()};
}

void SuggestionEditSheet::approve() {
  const Outcome outcome = edited();
  if (!outcome.suggestion) {
    error_->setText(outcome.error);
    error_->show();
    return;
  }
  error_->hide();
  if (onApprove_) {
    onApprove_(*outcome.suggestion);
  }
  environment_.close();
}

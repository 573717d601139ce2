#include "app/screens/tasks/RecurrenceOption.h"

QString displayText(RecurrenceOption option) {
  switch (option) {
    case RecurrenceOption::none: return QStringLiteral("Never");
    case RecurrenceOption::daily: return QStringLiteral("Daily");
    case RecurrenceOption::weekdays: return QStringLiteral("Weekdays");
    case RecurrenceOption::weekly: return QStringLiteral("Weekly");
    case RecurrenceOption::biweekly: return QStringLiteral("Every 2 Weeks");
    case RecurrenceOption::monthly: return QStringLiteral("Monthly");
    case RecurrenceOption::yearly: return QStringLiteral("Yearly");
  }
  return {};
}

RecurrenceRule toRecurrenceRule(RecurrenceOption option) {
  switch (option) {
    case RecurrenceOption::none: return RecurrenceRule::none();
    case RecurrenceOption::daily: return RecurrenceRule::daily();
    case RecurrenceOption::weekdays: return RecurrenceRule::weekdays();
    case RecurrenceOption::weekly: return RecurrenceRule::weekly();
    case RecurrenceOption::biweekly: return RecurrenceRule::biweekly();
    case RecurrenceOption::monthly: return RecurrenceRule::monthly();
    case RecurrenceOption::yearly: return RecurrenceRule::yearly();
  }
  return RecurrenceRule::none();
}

std::optional<RecurrenceOption> recurrenceOption(const RecurrenceRule& rule) {
  for (RecurrenceOption option : allCases<RecurrenceOption>) {
    if (toRecurrenceRule(option) == rule) {
      return option;
    }
  }
  return std::nullopt;
}

RecurrencePicker::RecurrencePicker(QWidget* parent) : QComboBox(parent) {
  for (RecurrenceOption option : allCases<RecurrenceOption>) {
    addItem(displayText(option));
  }
  setAccessibleName(QStringLiteral("Recurrence"));
}

void RecurrencePicker::setRule(const RecurrenceRule& rule) {
  const int options = static_cast<int>(allCases<RecurrenceOption>.size());
  if (extra_) {
    removeItem(options);
    extra_.reset();
  }
  if (const auto option = recurrenceOption(rule)) {
    setCurrentIndex(static_cast<int>(*option));
    return;
  }
  extra_ = rule;
  addItem(rule.title());
  setCurrentIndex(options);
}

RecurrenceRule RecurrencePicker::rule() const {
  const int index = currentIndex();
  if (index >= 0 && index < static_cast<int>(allCases<RecurrenceOption>.size())) {
    return toRecurrenceRule(allCases<RecurrenceOption>[static_cast<size_t>(index)]);
  }
  return extra_.value_or(RecurrenceRule::none());
}

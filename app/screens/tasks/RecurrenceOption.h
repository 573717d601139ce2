#pragma once

#include "core/model/EnumText.h"
#include "core/model/RecurrenceRule.h"

#include <QComboBox>

// The repeat choices the task and bill forms offer, in picker order; the label is the text.
enum class RecurrenceOption { none, daily, weekdays, weekly, biweekly, monthly, yearly };

template <>
struct EnumCases<RecurrenceOption> {
  static constexpr std::array values = {
      RecurrenceOption::none,     RecurrenceOption::daily,   RecurrenceOption::weekdays,
      RecurrenceOption::weekly,   RecurrenceOption::biweekly, RecurrenceOption::monthly,
      RecurrenceOption::yearly};
};

QString displayText(RecurrenceOption option);
RecurrenceRule toRecurrenceRule(RecurrenceOption option);
// The option of a rule; none for a rule no option names (every N days).
std::optional<RecurrenceOption> recurrenceOption(const RecurrenceRule& rule);

// A picker over the options. A rule no option names (every N days) is offered as one more
// entry with its own title, selected, so a form that only changes the title keeps it.
class RecurrencePicker : public QComboBox {
  Q_OBJECT

 public:
  explicit RecurrencePicker(QWidget* parent = nullptr);

  void setRule(const RecurrenceRule& rule);
  RecurrenceRule rule() const;

 private:
  std::optional<RecurrenceRule> extra_;
};

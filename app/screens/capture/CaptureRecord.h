#pragma once

#include "core/model/BillItem.h"
#include "core/model/QuickCaptureDraft.h"
#include "core/model/TaskItem.h"
#include "core/model/WaitingForItem.h"

#include <QDateTime>
#include <QString>

#include <variant>

// What a quick-capture draft becomes when saved, with its text normalised: trimmed, an empty
// title or category replaced by the default, a typed amount read as money.
namespace capture_record {

struct DailyIntention {
  QString text;
};

// Why nothing can be saved, in words for the user.
struct Refusal {
  QString message;
};

using Record = std::variant<TaskItem, WaitingForItem, BillItem, DailyIntention, Refusal>;

// `now` stamps the new record. A bill without a due date, an amount that is not money, or an
// empty intention (which would wipe the day's intention) is refused.
Record fromDraft(const QuickCaptureDraft& draft, const QDateTime& now);

}  // namespace capture_record

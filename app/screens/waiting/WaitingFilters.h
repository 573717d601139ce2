#pragma once

#include "core/model/Calendar.h"
#include "core/model/EnumText.h"
#include "core/model/WaitingForItem.h"

#include <QList>
#include <QString>

#include <optional>

// The waiting-for screen's filters, in the order of its filter bar.
enum class WaitingFilter { active, resolved, all };

template <>
struct EnumCases<WaitingFilter> {
  static constexpr std::array values{WaitingFilter::active, WaitingFilter::resolved,
                                     WaitingFilter::all};
};

QString displayText(WaitingFilter filter);

namespace waiting_lists {

// Still awaited: waiting or followed up; resolved and cancelled items are closed.
bool isActive(const WaitingForItem& item);
// Active items by their next follow-up (or expected answer), undated ones last; the closed
// ones in store order.
QList<WaitingForItem> filtered(const QList<WaitingForItem>& items, WaitingFilter filter);
// The date the user means to act on: the next follow-up, else the expected answer.
std::optional<QDateTime> followUpDate(const WaitingForItem& item);
// "Follow up today", "Follow up tomorrow", "Follow up in 3 days", "Follow-up overdue by 2
// days"; nothing for a closed or undated item. Overdue is the item's own test (an instant),
// so a follow-up due at 09:00 is overdue at 10:00 the same day.
std::optional<QString> followUpText(const WaitingForItem& item, const QDateTime& now,
                                    const Calendar& calendar);
// "Waiting 1 day", "Waiting 6 days", "Since today".
QString waitingText(const WaitingForItem& item, const QDateTime& now, const Calendar& calendar);

// What the add and edit form holds when the user saves it.
struct WaitingForm {
  QString title;
  QString personOrOrg;
  std::optional<QDate> expectedResponseDate;
  std::optional<QDate> nextFollowUpDate;
  WaitingStatus status = WaitingStatus::waiting;
  QString notes;
};

// The item the form describes: texts trimmed, an empty title "Untitled Item"; an edited item
// keeps its identity, dates it had and their time of day.
WaitingForItem fromForm(const WaitingForm& form, const std::optional<WaitingForItem>& existing,
                        const QDateTime& now, const Calendar& calendar);

// The item after the user followed up at `now`: followed up, last follow-up now, the next one
// on `next`, and the notes (when any) added to its notes under the day's date.
WaitingForItem recordFollowUp(const WaitingForItem& item, const QString& notes,
                              std::optional<QDate> next, const QDateTime& now,
                              const Calendar& calendar);

}  // namespace waiting_lists

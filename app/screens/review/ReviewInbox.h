#pragma once

#include "core/model/Calendar.h"
#include "core/model/EmailIntelligenceModels.h"
#include "core/model/EnumText.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QUrl>

#include <optional>

// The review inbox's choice of suggestions.
enum class SuggestionFilter { pending, bills, tasks, appointments, waitingFor, all, dismissed };

template <>
struct EnumCases<SuggestionFilter> {
  static constexpr std::array values{SuggestionFilter::pending,    SuggestionFilter::bills,
                                     SuggestionFilter::tasks,      SuggestionFilter::appointments,
                                     SuggestionFilter::waitingFor, SuggestionFilter::all,
                                     SuggestionFilter::dismissed};
};

QString displayText(SuggestionFilter filter);

namespace reviewinbox {

// Category filters leave out what the user dismissed; that lives under `dismissed` only.
bool matches(SuggestionFilter filter, const EmailExtractedSuggestion& suggestion);
QList<EmailExtractedSuggestion> filtered(const QList<EmailExtractedSuggestion>& suggestions,
                                         SuggestionFilter filter);

// The badge colour of a category, as "#RRGGBB".
QString categoryColorHex(EmailExtractedCategory category);

struct EmptyText {
  QString icon;
  QString title;
  QString message;
};
EmptyText emptyText(SuggestionFilter filter);
// What every filter shows while no Gmail account is connected and it has nothing.
EmptyText noAccountText();
// Said after the sync status while the cloud is chosen but no key is saved.
QString localRulesText();

// "USD 120.00"; "$" when the currency is missing; empty without an amount.
QString amountText(const std::optional<double>& amount, const std::optional<QString>& currency);
// "92% confident".
QString confidenceText(double confidence);
// "Due Thu 12 Mar", with the year when it is not the year of `now`.
QString dueText(const std::optional<QDateTime>& due, const QDateTime& now,
                const Calendar& calendar);
// The status line under the header: the running sync, else the last status and when it ran.
QString syncStatusText(const EmailSyncState& state, bool syncing, const Calendar& calendar);

// The first link in the suggestion's notes or evidence, safe or not: the caller decides.
std::optional<QUrl> firstLink(const EmailExtractedSuggestion& suggestion);

}  // namespace reviewinbox

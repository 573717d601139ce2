#include "app/screens/review/ReviewInbox.h"

#include <QLocale>
#include <QRegularExpression>

QString displayText(SuggestionFilter filter) {
  switch (filter) {
    case SuggestionFilter::pending:
      return QStringLiteral("Pending");
    case SuggestionFilter::bills:
      return QStringLiteral("Bills");
    case SuggestionFilter::tasks:
      return QStringLiteral("Tasks");
    case SuggestionFilter::appointments:
      return QStringLiteral("Appointments");
    case SuggestionFilter::waitingFor:
      return QStringLiteral("Waiting For");
    case SuggestionFilter::all:
      return QStringLiteral("All");
    case SuggestionFilter::dismissed:
      return QStringLiteral("Dismissed");
  }
  return {};
}

namespace reviewinbox {

bool matches(SuggestionFilter filter, const EmailExtractedSuggestion& s) {
  const bool dismissed = s.status == SuggestionStatus::dismissed;
  switch (filter) {
    case SuggestionFilter::pending:
      return s.status == SuggestionStatus::pending;
    case SuggestionFilter::bills:
      return !dismissed && s.category == EmailExtractedCategory::bill;
    case SuggestionFilter::tasks:
      return !dismissed && s.category == EmailExtractedCategory::task;
    case SuggestionFilter::appointments:
      return !dismissed && s.category == EmailExtractedCategory::appointment;
    case SuggestionFilter::waitingFor:
      return !dismissed && s.category == EmailExtractedCategory::waitingFor;
    case SuggestionFilter::all:
      return true;
    case SuggestionFilter::dismissed:
      return dismissed;
  }
  return false;
}

QList<EmailExtractedSuggestion> filtered(const QList<EmailExtractedSuggestion>& suggestions,
                                         SuggestionFilter filter) {
  QList<EmailExtractedSuggestion> out;
  for (const EmailExtractedSuggestion& s : suggestions) {
    if (matches(filter, s)) {
      out.append(s);
    }
  }
  return out;
}

QString categoryColorHex(EmailExtractedCategory category) {
  switch (category) {
    case EmailExtractedCategory::bill:
      return QStringLiteral("#E66100");
    case EmailExtractedCategory::task:
      return QStringLiteral("#3584E4");
    case EmailExtractedCategory::appointment:
      return QStringLiteral("#9141AC");
    case EmailExtractedCategory::waitingFor:
      return QStringLiteral("#2EC27E");
    case EmailExtractedCategory::importantNotice:
      return QStringLiteral("#E01B24");
  }
  return QStringLiteral("#77767B");
}

EmptyText emptyText(SuggestionFilter filter) {
  switch (filter) {
    case SuggestionFilter::pending:
      return {QStringLiteral("checkmark.circle.fill"), QStringLiteral("All Caught Up"),
              QStringLiteral("No suggestions are waiting for your review.")};
    case SuggestionFilter::bills:
      return {QStringLiteral("creditcard"), QStringLiteral("No Bill Suggestions"),
              QStringLiteral("Bills and invoices found in your e-mail appear here.")};
    case SuggestionFilter::tasks:
      return {QStringLiteral("checklist"), QStringLiteral("No Task Suggestions"),
              QStringLiteral("Action items found in your e-mail appear here.")};
    case SuggestionFilter::appointments:
      return {QStringLiteral("calendar"), QStringLiteral("No Appointment Suggestions"),
              QStringLiteral("Appointments and bookings found in your e-mail appear here.")};
    case SuggestionFilter::waitingFor:
      return {QStringLiteral("clock.arrow.circlepath"),
              QStringLiteral("No Waiting-For Suggestions"),
              QStringLiteral("Replies you are waiting for appear here.")};
    case SuggestionFilter::all:
      return {QStringLiteral("envelope.badge"), QStringLiteral("No Suggestions Yet"),
              QStringLiteral("Turn on the e-mail assistant and connect Gmail in Settings, then "
                             "sync to find bills, tasks and appointments.")};
    case SuggestionFilter::dismissed:
      return {QStringLiteral("trash"), QStringLiteral("Nothing Dismissed"),
              QStringLiteral("Suggestions you dismiss appear here.")};
  }
  return {};
}

EmptyText noAccountText() {
  return {QStringLiteral("envelope"), QStringLiteral("Connect Gmail to Get Suggestions"),
          QStringLiteral("No Gmail account is connected. Connect one in Settings \u2192 E-mail, "
                         "then Pelmora finds bills, tasks and appointments in your e-mail.")};
}

QString localRulesText() {
  return QStringLiteral("Local rules in use: no Gemini API key is saved");
}

QString amountText(const std::optional<double>& amount, const std::optional<QString>& currency) {
  if (!amount) {
    return {};
  }
  const QString unit =
      currency && !currency->trimmed().isEmpty() ? currency->trimmed() : QStringLiteral("$");
  return unit + QLatin1Char(' ') + QString::number(*amount, 'f', 2);
}

QString confidenceText(double confidence) {
  const int percent = int(std::lround(std::clamp(confidence, 0.0, 1.0) * 100));
  return QStringLiteral("%1% confident").arg(percent);
}

QString dueText(const std::optional<QDateTime>& due, const QDateTime& now,
                const Calendar& calendar) {
  if (!due || !due->isValid()) {
    return {};
  }
  const QDate day = calendar.date(*due);
  const QString format = day.year() == calendar.date(now).year() ? QStringLiteral("ddd d MMM")
                                                                 : QStringLiteral("ddd d MMM yyyy");
  return QStringLiteral("Due ") + QLocale::c().toString(day, format);
}

QString syncStatusText(const EmailSyncState& state, bool syncing, const Calendar& calendar) {
  if (syncing || state.isSyncing) {
    return QStringLiteral("Syncing…");
  }
  QString text =
      state.lastSyncStatus.isEmpty() ? QStringLiteral("Not synced yet") : state.lastSyncStatus;
  if (state.lastSyncAt && state.lastSyncAt->isValid()) {
    const QDateTime local = state.lastSyncAt->toTimeZone(calendar.timeZone());
    text += QStringLiteral(" · Last sync ") +
            QLocale::c().toString(local, QStringLiteral("d MMM HH:mm"));
  }
  if (state.accountEmail && !state.accountEmail->isEmpty()) {
    text += QStringLiteral(" · ") + *state.accountEmail;
  }
  return text;
}

std::optional<QUrl> firstLink(const EmailExtractedSuggestion& s) {
  static const QRegularExpression link(
      QStringLiteral(R"((?:\b[A-Za-z][A-Za-z0-9+.\-]*://|\bmailto:)[^\s<>"']+)"));
  for (const QString* text : {&s.notes, &s.evidenceSnippet}) {
    const QRegularExpressionMatch match = link.match(*text);
    if (match.hasMatch()) {
      QString found = match.captured(0);
      // A sentence's full stop, or a bracket closing around the link, is not part of it.
      while (!found.isEmpty()) {
        const QChar last = found.back();
        const bool unbalanced = (last == QLatin1Char(')') &&
                                 found.count(QLatin1Char(')')) > found.count(QLatin1Char('('))) ||
                                (last == QLatin1Char(']') &&
                                 found.count(QLatin1Char(']')) > found.count(QLatin1Char('[')));
        if (!unbalanced && !QStringLiteral(".,;:!?").contains(last)) {
          break;
        }
        found.chop(1);
      }
      const QUrl url(found, QUrl::StrictMode);
      if (url.isValid()) {
        return url;
      }
    }
  }
  return std::nullopt;
}

}  // namespace reviewinbox

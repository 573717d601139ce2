#include "core/email/AmountReader.h"
#include "core/email/DatePhraseReader.h"
#include "core/email/RuleBasedEmailIntelligenceProvider.h"

#include "EmailTestMessages.h"
#include "common/TestSupport.h"

#include <QTimeZone>

#include <gtest/gtest.h>

using testsupport::utc;

namespace {

const QTimeZone newYork("America/New_York");
const QTimeZone london("Europe/London");

RuleBasedEmailIntelligenceProvider usEngine() {
  return RuleBasedEmailIntelligenceProvider(QLocale(QLocale::English, QLocale::UnitedStates),
                                            Calendar(newYork));
}

QList<EmailExtractedCategory> categories(const QList<EmailExtractedSuggestion>& suggestions) {
  QList<EmailExtractedCategory> result;
  for (const auto& s : suggestions) {
    result.append(s.category);
  }
  return result;
}

// Noon of a day in `zone`, as the engine stores a day read from the text.
QDateTime noonIn(int y, int m, int d, const QTimeZone& zone = newYork) {
  return QDateTime(QDate(y, m, d), QTime(12, 0), zone).toUTC();
}

}  // namespace

TEST(RuleEngineClassification, KindsComeInFixedOrderAndTaskOnlyWhenNothingElse) {
  using C = EmailExtractedCategory;
  const QList<std::pair<EmailMessageContext, QList<C>>> cases = {
      {emailMessage("Invoice attached", "Action required"), {C::bill}},
      {emailMessage("Waiting on you", "calendar invitation", "your INVOICE is here"),
       {C::bill, C::appointment, C::waitingFor}},
      {emailMessage("Please review the draft"), {C::task}},
      {emailMessage("Google Meet at 3", "Can you please join"), {C::appointment}},
      // "deadline" needs its colon; "bill" alone is not a bill.
      {emailMessage("Deadline soon", "Your bill"), {}},
      // Keywords do not span the line feed between subject and snippet.
      {emailMessage("The amount", "due soon"), {}},
  };
  const auto engine = usEngine();
  for (const auto& [message, expected] : cases) {
    SCOPED_TRACE((message.subject + " / " + message.snippet).toStdString());
    EXPECT_EQ(categories(engine.extract(message)), expected);
  }
}

TEST(RuleEngineAmounts, FigureAndCurrencyAreRead) {
  const QList<std::pair<QString, ExtractedAmount>> cases = {
      {"Total £45.00 now", {45.0, "GBP"}},
      {"Pay $7.5", {7.0, "USD"}},
      {"Total 45,50 EUR", {45.5, "EUR"}},
      // Codes count in capitals only.
      {"Total 45 usd", {}},
      // The first figure in the text wins, whichever form it takes.
      {"Was 20 EUR, now $15", {20.0, "EUR"}},
      // Grouped figures are read whole.
      {"Due: $1,234.56", {1234.56, "USD"}},
      {"Summe 1.234,56 EUR", {1234.56, "EUR"}},
      {"Montant 12\u00a0500,75 EUR", {12500.75, "EUR"}},
      {"€2.500", {2500.0, "EUR"}},
      // A broken group is no thousands separator: "1,2345" reads like any two-place decimal.
      {"Pay $1,2345", {1.23, "USD"}},
      // A figure starts where a number starts: the tail of a longer number is no group.
      {"Invoice 2024 500 EUR", {500.0, "EUR"}},
  };
  for (const auto& [text, expected] : cases) {
    SCOPED_TRACE(text.toStdString());
    EXPECT_EQ(extractAmountAndCurrency(text), expected);
  }
}

TEST(RuleEngineAmounts, BillConfidenceRisesOnlyWithBothAmountAndDate) {
  const QDateTime fallback = Calendar(newYork).addDays(utc(2025, 3, 1, 15), 14);
  const QList<std::tuple<const char*, ExtractedAmount, double, QDateTime>> cases = {
      {"Amount: 45 usd", {std::nullopt, "USD"}, 0.75, fallback},
      {"Total £1,234.56", {1234.56, "GBP"}, 0.75, fallback},
      {"Total £45.00, due: 2025-03-20", {45.0, "GBP"}, 0.9, noonIn(2025, 3, 20)},
      {"due: 2025-03-20", {std::nullopt, "USD"}, 0.75, noonIn(2025, 3, 20)},
  };
  const auto engine = usEngine();
  for (const auto& [snippet, amount, confidence, due] : cases) {
    SCOPED_TRACE(snippet);
    const auto bill = engine.extract(emailMessage("Your invoice", snippet)).at(0);
    EXPECT_EQ((ExtractedAmount{bill.amount, bill.currency}), amount);
    EXPECT_DOUBLE_EQ(bill.confidence, confidence);
    EXPECT_EQ(bill.dueDate, due);
  }
}

TEST(RuleEngineDates, EachPhraseShapeGivesADayAndUnreadableOnesTheDefault) {
  const QDateTime fallback = Calendar(newYork).addDays(utc(2025, 3, 1, 15), 14);
  const QList<std::pair<const char*, QDateTime>> cases = {
      {"Due: 2025-03-15", noonIn(2025, 3, 15)},
      {"please pay by 3/15/2025", noonIn(2025, 3, 15)},
      {"DUE Sep 9, 2026", noonIn(2026, 9, 9)},
      {"due sept 9", noonIn(2025, 9, 9)},
      // A later phrase that reads is taken when an earlier one does not.
      {"due: Funday 12, or by 2025-04-02", noonIn(2025, 4, 2)},
      {"due tomorrow", fallback},
      {"due: 2025-02-30", fallback},
      {"due April 31", fallback},
  };
  const auto engine = usEngine();
  for (const auto& [phrase, expected] : cases) {
    SCOPED_TRACE(phrase);
    const auto suggestions = engine.extract(emailMessage("Invoice", phrase));
    ASSERT_EQ(suggestions.size(), 1);
    EXPECT_EQ(suggestions[0].dueDate, expected);
  }
}

TEST(RuleEngineDates, DaysWithoutYearComeNextAndNumericDatesFollowTheLocale) {
  const DatePhraseReader us(QLocale(QLocale::English, QLocale::UnitedStates), Calendar(newYork));
  // 1 March 2025, 10:00 in New York.
  const QDateTime sent = utc(2025, 3, 1, 15);
  EXPECT_EQ(us.read("March 1", sent), noonIn(2025, 3, 1));
  EXPECT_EQ(us.read("Feb 28", sent), noonIn(2026, 2, 28));
  // The message's day is its day in the user's calendar: 03:00 UTC is still 28 February there.
  EXPECT_EQ(us.read("Feb 28", utc(2025, 3, 1, 3)), noonIn(2025, 2, 28));
  // 29 February waits for the next leap year; 30 February never comes.
  EXPECT_EQ(us.read("February 29", sent), noonIn(2028, 2, 29));
  EXPECT_EQ(us.read("February 30", sent), std::nullopt);

  const Calendar calendar(london);
  const DatePhraseReader british(QLocale(QLocale::English, QLocale::UnitedKingdom), calendar);
  const DatePhraseReader american(QLocale(QLocale::English, QLocale::UnitedStates), calendar);
  EXPECT_EQ(british.read("4/3/2025", sent), noonIn(2025, 3, 4, london));
  EXPECT_EQ(american.read("4/3/2025", sent), noonIn(2025, 4, 3, london));
  // Only one reading is a real day: that one is taken whatever the locale.
  EXPECT_EQ(british.read("3/15/2025", sent), noonIn(2025, 3, 15, london));
  EXPECT_EQ(american.read("15/3/2025", sent), noonIn(2025, 3, 15, london));
  EXPECT_EQ(british.read("2025-07-01", sent), utc(2025, 7, 1, 11));  // summer time
  // Two-digit years land in the century nearest the message.
  EXPECT_EQ(british.read("1/1/75", sent), noonIn(2075, 1, 1, london));
  EXPECT_EQ(british.read("1/1/76", sent), noonIn(1976, 1, 1, london));
}

TEST(RuleEngineDates, EachKindHasItsOwnDefault) {
  const auto engine = usEngine();
  const auto sent = utc(2025, 3, 9, 5);  // the night US summer time starts
  const auto dueOf = [&](const char* subject, const char* snippet) {
    return engine.extract(emailMessage(subject, snippet, QString(), "x@y.z", sent)).at(0).dueDate;
  };
  // One calendar day later at the same wall-clock time: 23 hours across the change.
  EXPECT_EQ(dueOf("Zoom meeting", "see you"), utc(2025, 3, 10, 4));
  EXPECT_EQ(dueOf("Zoom meeting", "date: 2025-03-20"), noonIn(2025, 3, 20));
  EXPECT_EQ(dueOf("Please review", "soon"), std::nullopt);
  EXPECT_EQ(dueOf("Please review", "by 2025-03-20"), noonIn(2025, 3, 20));
  // Waiting-for never reads the text for a date.
  EXPECT_EQ(dueOf("Tracking number", "due: 2025-03-20"), Calendar(newYork).addDays(sent, 5));
}

// The cut counts user-perceived characters: a family emoji is eight code units and one character.
TEST(RuleEngineEvidence, CutAt200UserPerceivedCharacters) {
  const auto evidence = [](const QString& snippet) {
    return usEngine().extract(emailMessage("Invoice", snippet)).at(0).evidenceSnippet;
  };
  EXPECT_EQ(evidence(QString(250, u'a')), QString(200, u'a'));
  EXPECT_EQ(evidence(QString(200, u'b')), QString(200, u'b'));
  const QString family = "\U0001F468\u200D\U0001F469\u200D\U0001F467";
  EXPECT_EQ(evidence("x" + family.repeated(201)), "x" + family.repeated(199));
}

// The fields each kind fills from one message that yields three kinds, and from a task.
TEST(RuleEngineFields, EachKindFillsItsFields) {
  const auto engine = usEngine();
  const QString sender = "Acme Power <billing@acme.example>";
  const QString subject = "Invoice INV-77 and zoom meeting";
  const QDateTime sent = utc(2025, 3, 1, 15);
  const auto suggestions = engine.extract(EmailMessageContext(
      "m-42", "t-9", sender, subject, sent, "Waiting on $99.50 due: 2025-03-20", "URGENT body"));
  ASSERT_EQ(suggestions.size(), 3);
  for (const auto& s : suggestions) {
    EXPECT_EQ(s.sourceMessageID, "m-42");
    EXPECT_EQ(s.sender, sender);
    EXPECT_EQ(s.subject, subject);
    EXPECT_EQ(s.receivedDate, sent);
    EXPECT_EQ(s.evidenceSnippet, "Waiting on $99.50 due: 2025-03-20");
  }
  EXPECT_NE(suggestions[0].id, suggestions[1].id);
  EXPECT_EQ(suggestions[0].referenceNumber, "INV-77");
  EXPECT_EQ(suggestions[1].dueDate, noonIn(2025, 3, 20));
  EXPECT_EQ(suggestions[2].personOrOrg, "Acme Power");

  const auto task = engine
                        .extract(emailMessage("Please review", "the draft", "body text",
                                              "Boss <boss@corp.example>"))
                        .at(0);
  const QList<std::tuple<EmailExtractedSuggestion, QString, QString, double>> cases = {
      {suggestions[0], "Bill from Acme Power", "Extracted from email subject: " + subject, 0.9},
      {suggestions[1], subject, "Appointment booking via " + sender, 0.85},
      {suggestions[2], "Waiting on " + subject, "Sender: " + sender, 0.8},
      {task, "Please review", "From: Boss <boss@corp.example>\nSnippet: the draft", 0.75},
  };
  for (const auto& [s, title, notes, confidence] : cases) {
    SCOPED_TRACE(displayText(s.category).toStdString());
    EXPECT_EQ(s.title, title);
    EXPECT_EQ(s.notes, notes);
    EXPECT_DOUBLE_EQ(s.confidence, confidence);
  }
  EXPECT_EQ(task.priority, TaskPriority::high);
  // Without a display name the bill's vendor is generic; a bare address is all name.
  EXPECT_EQ(engine.extract(emailMessage("Invoice", "", "", "<b@acme.example>")).at(0).title,
            "Bill from Vendor");
  EXPECT_EQ(engine.extract(emailMessage("Invoice", "", "", "b@acme.example")).at(0).title,
            "Bill from b@acme.example");
  EXPECT_EQ(engine.extract(emailMessage("Please review", "", "Urgent!")).at(0).priority,
            TaskPriority::urgent);
}

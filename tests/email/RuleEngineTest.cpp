#include "core/email/AmountReader.h"
#include "core/email/DatePhraseReader.h"
#include "core/email/MockEmailIntelligenceProvider.h"
#include "core/email/RuleBasedEmailIntelligenceProvider.h"
#include "core/model/AppError.h"

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

// Noon of a New York day, as the engine stores a day read from the text.
QDateTime nyNoon(int y, int m, int d) {
  return QDateTime(QDate(y, m, d), QTime(12, 0), newYork).toUTC();
}

}  // namespace

// --- Which kinds a message yields, and in which order ---

TEST(RuleEngineClassification, KindsComeInFixedOrderAndTaskOnlyWhenNothingElse) {
  const auto engine = usEngine();

  EXPECT_EQ(categories(engine.extract(emailMessage("Invoice attached", "Action required"))),
            QList{EmailExtractedCategory::bill});
  EXPECT_EQ(categories(engine.extract(
                emailMessage("Waiting on you", "calendar invitation", "your INVOICE is here"))),
            (QList{EmailExtractedCategory::bill, EmailExtractedCategory::appointment,
                   EmailExtractedCategory::waitingFor}));
  EXPECT_EQ(categories(engine.extract(emailMessage("Please review the draft"))),
            QList{EmailExtractedCategory::task});
  EXPECT_EQ(categories(engine.extract(emailMessage("Google Meet at 3", "Can you please join"))),
            QList{EmailExtractedCategory::appointment});
  EXPECT_TRUE(engine.extract(emailMessage("Weekly newsletter", "Nothing to do")).isEmpty());
}

TEST(RuleEngineClassification, EveryKeywordOfEveryKindIsRecognised) {
  const auto engine = usEngine();
  const QList<std::pair<const char*, EmailExtractedCategory>> cases = {
      {"invoice", EmailExtractedCategory::bill},
      {"Amount Due", EmailExtractedCategory::bill},
      {"payment due", EmailExtractedCategory::bill},
      {"Your bill is ready", EmailExtractedCategory::bill},
      {"statement is ready", EmailExtractedCategory::bill},
      {"your bill of March", EmailExtractedCategory::bill},
      {"Reservation confirmed", EmailExtractedCategory::appointment},
      {"appointment confirmed", EmailExtractedCategory::appointment},
      {"Booking confirmation", EmailExtractedCategory::appointment},
      {"calendar invitation", EmailExtractedCategory::appointment},
      {"Zoom meeting", EmailExtractedCategory::appointment},
      {"google meet", EmailExtractedCategory::appointment},
      {"Tracking number", EmailExtractedCategory::waitingFor},
      {"Your order has shipped", EmailExtractedCategory::waitingFor},
      {"package is on the way", EmailExtractedCategory::waitingFor},
      {"I will follow up", EmailExtractedCategory::waitingFor},
      {"will send it by", EmailExtractedCategory::waitingFor},
      {"Waiting on legal", EmailExtractedCategory::waitingFor},
      {"ACTION REQUIRED", EmailExtractedCategory::task},
      {"please review", EmailExtractedCategory::task},
      {"by tomorrow", EmailExtractedCategory::task},
      {"Deadline: soon", EmailExtractedCategory::task},
      {"needs your approval", EmailExtractedCategory::task},
      {"can you please", EmailExtractedCategory::task},
  };
  for (const auto& [text, kind] : cases) {
    // The keyword may sit in any of the three parts of the text.
    EXPECT_EQ(categories(engine.extract(emailMessage("Hello", QString(), QString::fromUtf8(text)))),
              QList{kind})
        << text;
  }
  // "deadline" needs its colon; "bill" alone is not a bill.
  EXPECT_TRUE(engine.extract(emailMessage("Deadline soon", "Your bill")).isEmpty());
}

TEST(RuleEngineClassification, KeywordsDoNotSpanTheLineBetweenParts) {
  const auto engine = usEngine();
  // "amount" ends the subject and "due" starts the snippet: a line feed lies between them.
  EXPECT_TRUE(engine.extract(emailMessage("The amount", "due soon")).isEmpty());
}

// --- Amounts and currencies ---

TEST(RuleEngineAmounts, SymbolsAndCodes) {
  EXPECT_EQ(extractAmountAndCurrency("Total £45.00 now"), (ExtractedAmount{45.0, "GBP"}));
  EXPECT_EQ(extractAmountAndCurrency("Pay € 12"), (ExtractedAmount{12.0, "EUR"}));
  EXPECT_EQ(extractAmountAndCurrency("Pay $7.5"), (ExtractedAmount{7.0, "USD"}));
  EXPECT_EQ(extractAmountAndCurrency("Total 45,50 EUR"), (ExtractedAmount{45.5, "EUR"}));
  EXPECT_EQ(extractAmountAndCurrency("Total 19.99USD"), (ExtractedAmount{19.99, "USD"}));
  EXPECT_EQ(extractAmountAndCurrency("Balance 30 GBP"), (ExtractedAmount{30.0, "GBP"}));
  // Codes count in capitals only.
  EXPECT_EQ(extractAmountAndCurrency("Total 45 usd"), ExtractedAmount{});
  EXPECT_EQ(extractAmountAndCurrency("No money here, 45 apples"), ExtractedAmount{});
  // The first figure in the text wins, whichever form it takes.
  EXPECT_EQ(extractAmountAndCurrency("Was 20 EUR, now $15"), (ExtractedAmount{20.0, "EUR"}));
  EXPECT_EQ(extractAmountAndCurrency("Now $15, was 20 EUR"), (ExtractedAmount{15.0, "USD"}));
}

TEST(RuleEngineAmounts, GroupedAndLongFiguresAreReadWhole) {
  EXPECT_EQ(extractAmountAndCurrency("Due: $1,234.56"), (ExtractedAmount{1234.56, "USD"}));
  EXPECT_EQ(extractAmountAndCurrency("Due: $12500"), (ExtractedAmount{12500.0, "USD"}));
  EXPECT_EQ(extractAmountAndCurrency("Summe 1.234,56 EUR"), (ExtractedAmount{1234.56, "EUR"}));
  EXPECT_EQ(extractAmountAndCurrency("Montant 12 500 EUR"), (ExtractedAmount{12500.0, "EUR"}));
  EXPECT_EQ(extractAmountAndCurrency(QString::fromUtf8("Montant 12\u00a0500,75 EUR")),
            (ExtractedAmount{12500.75, "EUR"}));
  EXPECT_EQ(extractAmountAndCurrency("Price $1,000,000.00"), (ExtractedAmount{1000000.0, "USD"}));
  EXPECT_EQ(extractAmountAndCurrency(QString::fromUtf8("€2.500")),
            (ExtractedAmount{2500.0, "EUR"}));
  EXPECT_EQ(extractAmountAndCurrency(QString::fromUtf8("£1,250")),
            (ExtractedAmount{1250.0, "GBP"}));
  // A broken group is not a thousands separator: "1,2345" reads as 1.23 like any other
  // figure with a two-digit decimal part.
  EXPECT_EQ(extractAmountAndCurrency("Pay $1,2345"), (ExtractedAmount{1.23, "USD"}));
  // A figure starts where a number starts: the tail of a longer number is no group of its own.
  EXPECT_EQ(extractAmountAndCurrency("Invoice 2024 500 EUR"), (ExtractedAmount{500.0, "EUR"}));
  EXPECT_EQ(extractAmountAndCurrency("Order 77 1,250.00 GBP"), (ExtractedAmount{1250.0, "GBP"}));
}

TEST(RuleEngineAmounts, BillCarriesAmountCurrencyAndConfidence) {
  const auto engine = usEngine();
  const auto message = emailMessage("Your invoice", "Amount: 45 usd");
  const auto bill = engine.extract(message).at(0);
  EXPECT_FALSE(bill.amount.has_value());
  EXPECT_EQ(bill.currency, "USD");
  EXPECT_DOUBLE_EQ(bill.confidence, 0.75);
  EXPECT_EQ(bill.dueDate, Calendar(newYork).addDays(message.date, 14));

  const auto priced = engine.extract(emailMessage("Your invoice", "Total £1,234.56")).at(0);
  EXPECT_EQ(priced.amount, 1234.56);
  EXPECT_EQ(priced.currency, "GBP");
  EXPECT_DOUBLE_EQ(priced.confidence, 0.75);

  const auto dated =
      engine.extract(emailMessage("Your invoice", "Total £45.00, due: 2025-03-20")).at(0);
  EXPECT_DOUBLE_EQ(dated.confidence, 0.9);
  EXPECT_EQ(dated.dueDate, nyNoon(2025, 3, 20));

  // A date alone, without an amount, is not enough for the higher confidence.
  const auto dateOnly = engine.extract(emailMessage("Your invoice", "due: 2025-03-20")).at(0);
  EXPECT_DOUBLE_EQ(dateOnly.confidence, 0.75);
  EXPECT_EQ(dateOnly.dueDate, nyNoon(2025, 3, 20));
}

// --- Due dates ---

TEST(RuleEngineDates, EachPhraseShapeGivesADay) {
  const auto engine = usEngine();
  const QList<std::pair<const char*, QDateTime>> cases = {
      {"Due: 2025-03-15", nyNoon(2025, 3, 15)},
      {"please pay by 3/15/2025", nyNoon(2025, 3, 15)},
      {"date: March 15, 2025", nyNoon(2025, 3, 15)},
      {"DUE Sep 9, 2026", nyNoon(2026, 9, 9)},
      {"due sept 9", nyNoon(2025, 9, 9)},
      {"by 12/31/25", nyNoon(2025, 12, 31)},
      {"due date: 4/1/99", nyNoon(1999, 4, 1)},
  };
  for (const auto& [phrase, expected] : cases) {
    const auto suggestions = engine.extract(emailMessage("Invoice", QString::fromUtf8(phrase)));
    ASSERT_EQ(suggestions.size(), 1) << phrase;
    EXPECT_EQ(suggestions[0].dueDate, expected) << phrase;
  }
}

TEST(RuleEngineDates, PhrasesThatGiveNoDateFallBackToTheKindsDefault) {
  const auto engine = usEngine();
  const auto message = [](const char* snippet) { return emailMessage("Invoice", snippet); };
  const QDateTime fallback = Calendar(newYork).addDays(utc(2025, 3, 1, 15), 14);
  for (const char* phrase :
       {"due tomorrow", "due: 2025-02-30", "by 2/30/2025", "by 13/13/2025", "due: Funday 12",
        "date: February 30, 2025", "due 1/2/123", "due: 2025-13-01", "due April 31"}) {
    EXPECT_EQ(engine.extract(message(phrase)).at(0).dueDate, fallback) << phrase;
  }
  // A later phrase that reads is taken when an earlier one does not.
  EXPECT_EQ(engine.extract(message("due: Funday 12, or by 2025-04-02")).at(0).dueDate,
            nyNoon(2025, 4, 2));
}

TEST(RuleEngineDates, PhraseWithoutYearTakesTheNextSuchDayFromTheMessage) {
  const Calendar calendar(newYork);
  const DatePhraseReader reader(QLocale(QLocale::English, QLocale::UnitedStates), calendar);
  // 1 March 2025, 10:00 in New York.
  const QDateTime sent = utc(2025, 3, 1, 15);
  EXPECT_EQ(reader.read("March 1", sent), nyNoon(2025, 3, 1));
  EXPECT_EQ(reader.read("Feb 28", sent), nyNoon(2026, 2, 28));
  EXPECT_EQ(reader.read("Dec 24", sent), nyNoon(2025, 12, 24));
  // The message's day is its day in the user's calendar: 1 March 03:00 UTC is still
  // 28 February in New York.
  EXPECT_EQ(reader.read("Feb 28", utc(2025, 3, 1, 3)), nyNoon(2025, 2, 28));
  // 29 February waits for the next leap year; 30 February never comes.
  EXPECT_EQ(reader.read("February 29", sent), nyNoon(2028, 2, 29));
  EXPECT_EQ(reader.read("February 30", sent), std::nullopt);
  EXPECT_EQ(reader.read("Jan 0", sent), std::nullopt);
}

TEST(RuleEngineDates, NumericDatesFollowTheLocalesOrder) {
  const Calendar calendar(london);
  const DatePhraseReader british(QLocale(QLocale::English, QLocale::UnitedKingdom), calendar);
  const DatePhraseReader american(QLocale(QLocale::English, QLocale::UnitedStates), calendar);
  const QDateTime sent = utc(2025, 3, 1, 9);
  const auto londonNoon = [](int y, int m, int d) {
    return QDateTime(QDate(y, m, d), QTime(12, 0), london).toUTC();
  };
  EXPECT_EQ(british.read("4/3/2025", sent), londonNoon(2025, 3, 4));
  EXPECT_EQ(american.read("4/3/2025", sent), londonNoon(2025, 4, 3));
  // Only one reading is a real day: that one is taken whatever the locale.
  EXPECT_EQ(british.read("3/15/2025", sent), londonNoon(2025, 3, 15));
  EXPECT_EQ(american.read("15/3/2025", sent), londonNoon(2025, 3, 15));
  EXPECT_EQ(british.read("31/2/2025", sent), std::nullopt);
  // Noon in summer time is 11:00 UTC.
  EXPECT_EQ(british.read("2025-07-01", sent), utc(2025, 7, 1, 11));
  // Two-digit years land in the century nearest the message.
  EXPECT_EQ(british.read("1/1/74", sent), londonNoon(2074, 1, 1));
  EXPECT_EQ(british.read("1/1/76", sent), londonNoon(1976, 1, 1));
}

TEST(RuleEngineDates, AppointmentAndTaskUseTheirOwnDefaults) {
  const auto engine = usEngine();
  const auto sent = utc(2025, 3, 9, 5);  // the night US summer time starts
  const auto appointment =
      engine.extract(emailMessage("Zoom meeting", "see you", QString(), "x@y.z", sent)).at(0);
  // One calendar day later at the same wall-clock time: 23 hours across the change.
  EXPECT_EQ(appointment.dueDate, utc(2025, 3, 10, 4));

  const auto dated = engine.extract(emailMessage("Zoom meeting", "date: 2025-03-20")).at(0);
  EXPECT_EQ(dated.dueDate, nyNoon(2025, 3, 20));

  const auto task = engine.extract(emailMessage("Please review", "soon")).at(0);
  EXPECT_EQ(task.dueDate, std::nullopt);
  const auto datedTask = engine.extract(emailMessage("Please review", "by 2025-03-20")).at(0);
  EXPECT_EQ(datedTask.dueDate, nyNoon(2025, 3, 20));

  // Waiting-for never reads the text for a date.
  const auto waiting =
      engine.extract(emailMessage("Tracking number", "due: 2025-03-20", QString(), "x@y.z", sent))
          .at(0);
  EXPECT_EQ(waiting.dueDate, Calendar(newYork).addDays(sent, 5));
}

// --- References, names and evidence ---

TEST(RuleEngineReferences, FirstMatchWithTheTextsLetterCase) {
  const auto engine = usEngine();
  const auto reference = [&](const char* subject, const char* snippet) {
    return engine.extract(emailMessage(subject, snippet)).at(0).referenceNumber;
  };
  EXPECT_EQ(reference("Payment due", "Invoice # INV-2024-001 is attached"), "INV-2024-001");
  EXPECT_EQ(reference("Amount due", "Account No. ab12cd"), "ab12cd");
  EXPECT_EQ(reference("Payment due", "order num.77X9"), "77X9");
  EXPECT_EQ(reference("Payment due", "Reference 123"), std::nullopt);
  EXPECT_EQ(reference("Payment due", "nothing to see"), std::nullopt);
  // Any run of 4 to 20 letters, digits or dashes after a keyword counts, even a word, and
  // the search runs across the line feed between subject and snippet.
  EXPECT_EQ(reference("Invoice attached", ""), "attached");
  EXPECT_EQ(reference("Your invoice", "Dear customer"), "Dear");
  // The subject comes first.
  EXPECT_EQ(reference("Order ZX-1", "Invoice 4455"), "ZX-1");
}

TEST(RuleEngineNames, VendorAndPersonComeFromTheDisplayName) {
  const auto engine = usEngine();
  const auto both = [&](const char* sender) {
    return engine.extract(
        emailMessage("Invoice", "waiting on you", QString(), QString::fromUtf8(sender)));
  };
  auto suggestions = both("  Acme Power \n <billing@acme.example>");
  EXPECT_EQ(suggestions.at(0).title, "Bill from Acme Power");
  EXPECT_EQ(suggestions.at(1).personOrOrg, "Acme Power");

  suggestions = both("<billing@acme.example>");
  EXPECT_EQ(suggestions.at(0).title, "Bill from Vendor");
  EXPECT_EQ(suggestions.at(1).personOrOrg, QString(""));

  // A bare address has no angle bracket: the whole text is the name part.
  suggestions = both("billing@acme.example");
  EXPECT_EQ(suggestions.at(0).title, "Bill from billing@acme.example");
}

TEST(RuleEngineEvidence, CutAt200UserPerceivedCharacters) {
  const auto engine = usEngine();
  const auto evidence = [&](const QString& snippet) {
    return engine.extract(emailMessage("Invoice", snippet)).at(0).evidenceSnippet;
  };
  EXPECT_EQ(evidence(QString(250, u'a')), QString(200, u'a'));
  EXPECT_EQ(evidence(QString(200, u'b')), QString(200, u'b'));

  // A family emoji is eight code units and one character; a thumbs-up with a skin tone four.
  const QString family = QString::fromUtf8("\U0001F468\u200D\U0001F469\u200D\U0001F467");
  const QString thumb = QString::fromUtf8("\U0001F44D\U0001F3FD");
  EXPECT_EQ(evidence(family.repeated(201)), family.repeated(200));
  EXPECT_EQ(evidence(thumb.repeated(150) + family.repeated(60)),
            thumb.repeated(150) + family.repeated(50));
  // "e" with two combining marks stays whole.
  const QString accented = QString::fromUtf8("e\u0301\u0323");
  EXPECT_EQ(evidence(accented.repeated(300)), accented.repeated(200));
}

// --- The fields of each kind ---

TEST(RuleEngineFields, EachKindFillsItsFields) {
  const auto engine = usEngine();
  const QString sender = QStringLiteral("Acme Power <billing@acme.example>");
  const QDateTime sent = utc(2025, 3, 1, 15);
  const QDateTime before = QDateTime::currentDateTimeUtc();
  const auto suggestions =
      engine.extract(EmailMessageContext("m-42", "t-9", sender, "Invoice INV-77 and zoom meeting",
                                         sent, "Waiting on $99.50 due: 2025-03-20", "URGENT body"));
  const QDateTime after = QDateTime::currentDateTimeUtc();
  ASSERT_EQ(suggestions.size(), 3);

  for (const auto& s : suggestions) {
    EXPECT_FALSE(s.id.isNull());
    EXPECT_EQ(s.sourceMessageID, "m-42");
    EXPECT_EQ(s.sender, sender);
    EXPECT_EQ(s.subject, "Invoice INV-77 and zoom meeting");
    EXPECT_EQ(s.receivedDate, sent);
    EXPECT_EQ(s.evidenceSnippet, "Waiting on $99.50 due: 2025-03-20");
    EXPECT_EQ(s.location, std::nullopt);
    EXPECT_EQ(s.status, SuggestionStatus::pending);
    EXPECT_EQ(s.reviewedAt, std::nullopt);
    EXPECT_EQ(s.priority, TaskPriority::medium);
    EXPECT_TRUE(s.createdAt >= before && s.createdAt <= after);
  }
  EXPECT_NE(suggestions[0].id, suggestions[1].id);

  const auto& bill = suggestions[0];
  EXPECT_EQ(bill.title, "Bill from Acme Power");
  EXPECT_EQ(bill.notes, "Extracted from email subject: Invoice INV-77 and zoom meeting");
  EXPECT_DOUBLE_EQ(bill.confidence, 0.9);
  EXPECT_EQ(bill.amount, 99.5);
  EXPECT_EQ(bill.currency, "USD");
  EXPECT_EQ(bill.dueDate, nyNoon(2025, 3, 20));
  EXPECT_EQ(bill.referenceNumber, "INV-77");
  EXPECT_EQ(bill.personOrOrg, std::nullopt);

  const auto& appointment = suggestions[1];
  EXPECT_EQ(appointment.title, "Invoice INV-77 and zoom meeting");
  EXPECT_EQ(appointment.notes, "Appointment booking via " + sender);
  EXPECT_DOUBLE_EQ(appointment.confidence, 0.85);
  EXPECT_EQ(appointment.dueDate, nyNoon(2025, 3, 20));
  EXPECT_EQ(appointment.amount, std::nullopt);
  EXPECT_EQ(appointment.currency, std::nullopt);
  EXPECT_EQ(appointment.referenceNumber, std::nullopt);
  EXPECT_EQ(appointment.personOrOrg, std::nullopt);

  const auto& waiting = suggestions[2];
  EXPECT_EQ(waiting.title, "Waiting on Invoice INV-77 and zoom meeting");
  EXPECT_EQ(waiting.notes, "Sender: " + sender);
  EXPECT_DOUBLE_EQ(waiting.confidence, 0.8);
  EXPECT_EQ(waiting.dueDate, Calendar(newYork).addDays(sent, 5));
  EXPECT_EQ(waiting.personOrOrg, "Acme Power");
  EXPECT_EQ(waiting.amount, std::nullopt);
  EXPECT_EQ(waiting.currency, std::nullopt);
  EXPECT_EQ(waiting.referenceNumber, std::nullopt);
}

TEST(RuleEngineFields, TaskFieldsAndPriority) {
  const auto engine = usEngine();
  const auto task = engine
                        .extract(emailMessage("Please review", "the draft", "body text",
                                              "Boss <boss@corp.example>"))
                        .at(0);
  EXPECT_EQ(task.category, EmailExtractedCategory::task);
  EXPECT_EQ(task.title, "Please review");
  EXPECT_EQ(task.notes, "From: Boss <boss@corp.example>\nSnippet: the draft");
  EXPECT_DOUBLE_EQ(task.confidence, 0.75);
  EXPECT_EQ(task.priority, TaskPriority::high);
  EXPECT_EQ(task.amount, std::nullopt);
  EXPECT_EQ(task.currency, std::nullopt);
  EXPECT_EQ(task.personOrOrg, std::nullopt);
  EXPECT_EQ(task.referenceNumber, std::nullopt);

  EXPECT_EQ(engine.extract(emailMessage("Please review", "", "Urgent!")).at(0).priority,
            TaskPriority::urgent);
  EXPECT_EQ(engine.extract(emailMessage("Action required IMMEDIATELY")).at(0).priority,
            TaskPriority::urgent);
}

// --- The stand-in provider ---

namespace {
class StubError : public AppError {
 public:
  QString errorDescription() const override { return QStringLiteral("stub failure"); }
};
}  // namespace

TEST(MockProvider, ThrowsTheSetErrorElseReturnsTheStubs) {
  EmailExtractedSuggestion stub;
  stub.id = QUuid::createUuid();
  stub.title = QStringLiteral("Stubbed");
  MockEmailIntelligenceProvider mock({stub});

  EXPECT_EQ(testsupport::runTask(mock.extractActionableItems(emailMessage("anything"))),
            QList{stub});
  EXPECT_EQ(testsupport::runTask(mock.extractActionableItems(emailMessage("Invoice $5"))),
            QList{stub});

  mock.errorToThrow = std::make_exception_ptr(StubError());
  std::exception_ptr thrown;
  try {
    testsupport::runTask(mock.extractActionableItems(emailMessage("anything")));
  } catch (...) {
    thrown = std::current_exception();
  }
  EXPECT_EQ(thrown, mock.errorToThrow);  // the very error, not a copy

  mock.errorToThrow = nullptr;
  mock.stubbedSuggestions.clear();
  EXPECT_TRUE(testsupport::runTask(mock.extractActionableItems(emailMessage("x"))).isEmpty());
}

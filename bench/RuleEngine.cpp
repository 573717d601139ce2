// Speed of the suggestion engine over a varied mail corpus, and of Gemini reply validation.
#include "core/email/GeminiResponse.h"
#include "core/email/RuleBasedEmailIntelligenceProvider.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRandomGenerator>
#include <QTimeZone>

#include <benchmark/benchmark.h>

namespace {

const QDateTime sentBase(QDate(2025, 3, 1), QTime(9, 0), QTimeZone::utc());

// Filler prose so texts have realistic lengths and most keyword searches scan far.
QString filler(QRandomGenerator& random, int words) {
  static const QStringList vocabulary = {"the",
                                         "account",
                                         "team",
                                         "update",
                                         "please",
                                         "note",
                                         "our",
                                         "new",
                                         "policy",
                                         "regarding",
                                         "your",
                                         "recent",
                                         "activity",
                                         "thanks",
                                         "for",
                                         "being",
                                         "a",
                                         "valued",
                                         "customer",
                                         "we",
                                         "have",
                                         "changed",
                                         "terms",
                                         "see",
                                         "details",
                                         "below",
                                         "caf\u00e9",
                                         "\U0001F44D",
                                         "r\u00e9sum\u00e9",
                                         "schedule",
                                         "weekly",
                                         "digest",
                                         "news",
                                         "offer",
                                         "limited"};
  QStringList out;
  out.reserve(words);
  for (int i = 0; i < words; ++i) {
    out.append(vocabulary.at(random.bounded(vocabulary.size())));
  }
  return out.join(u' ');
}

// One thousand messages: bills with grouped amounts and date phrases, appointments,
// shipments, requests, mixed messages and (most often) mail that yields nothing.
QList<EmailMessageContext> corpus() {
  QRandomGenerator random(1000);
  static const QStringList senders = {"Acme Power <billing@acme.example>", "noreply@shop.example",
                                      "Dr. Rivera's Office <desk@clinic.example>",
                                      "<alerts@bank.example>", "Jane Doe <jane@corp.example>"};
  static const QStringList amounts = {"$1,234.56", "\u00a345.00", "45,50 EUR",     "12 500 EUR",
                                      "$12500",    "99.99 USD",   "\u20ac1.234,56"};
  static const QStringList dates = {"Due: 2025-03-15", "by 3/15/2025", "date: March 15, 2025",
                                    "due Apr 2",       "due tomorrow", "by 12/31/25"};
  QList<EmailMessageContext> messages;
  for (int i = 0; i < 1000; ++i) {
    QString subject;
    QString snippet;
    const QString body = filler(random, int(random.bounded(250)));
    switch (random.bounded(8)) {
      case 0:
        subject = QStringLiteral("Your invoice #INV-%1").arg(i);
        snippet = QStringLiteral("Amount due %1, %2. %3")
                      .arg(amounts.at(random.bounded(amounts.size())),
                           dates.at(random.bounded(dates.size())), filler(random, 20));
        break;
      case 1:
        subject = QStringLiteral("Reservation confirmed for %1").arg(i);
        snippet = dates.at(random.bounded(dates.size())) + u' ' + filler(random, 30);
        break;
      case 2:
        subject = QStringLiteral("Your order has shipped");
        snippet = QStringLiteral("Tracking number 1Z%1 ").arg(i) + filler(random, 25);
        break;
      case 3:
        subject = QStringLiteral("Action required: review");
        snippet =
            QStringLiteral("Can you please approve by tomorrow? Urgent. ") + filler(random, 40);
        break;
      case 4:
        subject = QStringLiteral("Statement is ready; zoom meeting; waiting on you");
        snippet = amounts.at(random.bounded(amounts.size())) + u' ' + filler(random, 60);
        break;
      default:
        subject = QStringLiteral("Weekly digest %1").arg(i);
        snippet = filler(random, 40 + int(random.bounded(40)));
        break;
    }
    messages.append(EmailMessageContext(QString::number(i), QString::number(i),
                                        senders.at(random.bounded(senders.size())), subject,
                                        sentBase.addSecs(qint64(i) * 3600), snippet, body));
  }
  return messages;
}

void ruleEngineOverCorpus(benchmark::State& state) {
  const QList<EmailMessageContext> messages = corpus();
  const RuleBasedEmailIntelligenceProvider engine(QLocale(QLocale::English, QLocale::UnitedStates),
                                                  Calendar(QTimeZone("America/New_York")));
  qsizetype suggestions = 0;
  for (auto _ : state) {
    for (const EmailMessageContext& message : messages) {
      const auto result = engine.extract(message);
      suggestions += result.size();
      benchmark::DoNotOptimize(result.constData());
    }
  }
  state.SetItemsProcessed(state.iterations() * messages.size());
  state.counters["suggestions_per_pass"] =
      double(suggestions) / double(std::max<benchmark::IterationCount>(state.iterations(), 1));
}
BENCHMARK(ruleEngineOverCorpus)->Unit(benchmark::kMillisecond);

QByteArray fiftyItemReply() {
  QJsonArray items;
  for (int i = 0; i < 50; ++i) {
    items.append(QJsonObject{
        {"category", i % 3 == 0 ? "Bill / Invoice" : "Task / Action Item"},
        {"title", QStringLiteral("Item %1").arg(i)},
        {"notes", QStringLiteral("Short summary of item %1 with a few words").arg(i)},
        {"confidence", 0.55 + (i % 10) * 0.05},
        {"evidenceSnippet", QStringLiteral("Direct quote from the email, number %1").arg(i)},
        {"amount", i % 4 == 0 ? QJsonValue(QJsonValue::Null) : QJsonValue(i * 17.5)},
        {"currency", "USD"},
        {"dueDate", i % 5 == 0 ? QJsonValue("2025-03-15") : QJsonValue("2025-03-15T09:00:00Z")},
        {"referenceNumber", QStringLiteral("REF-%1").arg(i)},
        {"personOrOrg", "Acme"},
        {"priority", i % 2 == 0 ? "HIGH" : "low"}});
  }
  const QJsonObject part{{"text", QString::fromUtf8(QJsonDocument(items).toJson())}};
  const QJsonObject candidate{{"content", QJsonObject{{"parts", QJsonArray{part}}}}};
  return QJsonDocument(QJsonObject{{"candidates", QJsonArray{candidate}}}).toJson();
}

void validateFiftyItemReply(benchmark::State& state) {
  const QByteArray reply = fiftyItemReply();
  const EmailMessageContext message("m", "t", "Acme <a@acme.example>", "Subject", sentBase,
                                    "snippet", QString());
  const QDateTime now = sentBase;
  for (auto _ : state) {
    const auto suggestions = parseAndValidateGeminiResponse(reply, message, now);
    benchmark::DoNotOptimize(suggestions.constData());
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(validateFiftyItemReply)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();

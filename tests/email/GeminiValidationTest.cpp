#include "core/email/GeminiResponse.h"
#include "testing/FakeGoogle.h"

#include "EmailTestMessages.h"
#include "common/TestSupport.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRandomGenerator>

#include <gtest/gtest.h>

using testsupport::utc;

namespace {

const QDateTime now = utc(2025, 3, 1, 12);

QString itemsText(const QJsonArray& items) {
  return QString::fromUtf8(QJsonDocument(items).toJson(QJsonDocument::Compact));
}

QList<EmailExtractedSuggestion> validate(const QByteArray& body) {
  return parseAndValidateGeminiResponse(body, emailMessage("Subject"), now);
}

// A well-formed reply whose generated text is `text`.
QList<EmailExtractedSuggestion> validateText(const QString& text) {
  return validate(FakeGoogle::generateContentJson(text));
}

QList<EmailExtractedSuggestion> validateItems(const QJsonArray& items) {
  return validateText(itemsText(items));
}

QJsonObject item(const QString& title, QJsonObject extra = {}) {
  extra.insert("category", extra.contains("category") ? extra.value("category")
                                                      : QJsonValue("Task / Action Item"));
  extra.insert("title", title);
  return extra;
}

QStringList titles(const QList<EmailExtractedSuggestion>& suggestions) {
  return testsupport::texts(suggestions, &EmailExtractedSuggestion::title);
}

}  // namespace

// Every field read; nulls read as absent fields, which take the defaults; a category that is not
// exactly a display text is a task; every suggestion is tied to the message.
TEST(GeminiValidation, ItemsBecomeSuggestionsTiedToTheMessage) {
  const auto message = EmailMessageContext("m-7", "t-7", "Acme <a@acme.example>", "Your bill",
                                           utc(2025, 2, 27, 8), "snippet", "body");
  const QString reply =
      R"([{"category":"Bill / Invoice","title":"Electricity","notes":"March bill",)"
      R"("confidence":0.93,"evidenceSnippet":"Total due $120.40","amount":120.4,"currency":"usd",)"
      R"("dueDate":"2025-03-15T09:00:00Z","referenceNumber":"INV-9","personOrOrg":"Acme",)"
      R"("priority":"High","unknownKey":[1,2]},)"
      R"({"category":"Task / Action Item","title":"","notes":null,"amount":null,"currency":null,)"
      R"("dueDate":null,"confidence":null,"priority":null,"referenceNumber":null,)"
      R"("personOrOrg":null,"evidenceSnippet":null},)"
      R"({"category":"bill / invoice","title":""}])";
  const auto suggestions =
      parseAndValidateGeminiResponse(FakeGoogle::generateContentJson(reply), message, now);
  ASSERT_EQ(suggestions.size(), 3);
  EmailExtractedSuggestion bare;
  bare.id = suggestions[2].id;
  bare.sourceMessageID = "m-7";
  bare.sender = "Acme <a@acme.example>";
  bare.subject = "Your bill";
  bare.receivedDate = utc(2025, 2, 27, 8);
  bare.confidence = 0.8;
  bare.createdAt = now;
  EXPECT_EQ(suggestions[2], bare);
  bare.id = suggestions[1].id;
  EXPECT_EQ(suggestions[1], bare);
  EmailExtractedSuggestion full = bare;
  full.id = suggestions[0].id;
  full.category = EmailExtractedCategory::bill;
  full.title = "Electricity";
  full.notes = "March bill";
  full.confidence = 0.93;
  full.evidenceSnippet = "Total due $120.40";
  full.amount = 120.4;
  full.currency = "usd";  // passed on as written
  full.dueDate = utc(2025, 3, 15, 9);
  full.referenceNumber = "INV-9";
  full.personOrOrg = "Acme";
  full.priority = TaskPriority::high;
  EXPECT_EQ(suggestions[0], full);
}

// A confidence below 0.6 drops the item and one above 1 is cut to 1; an amount outside zero to a
// million, both ends excluded, is removed while its currency stays.
TEST(GeminiValidation, ConfidenceAndAmountAreHeldToTheirBounds) {
  const auto suggestions = validateItems(
      {item("zero", {{"amount", 0}, {"currency", "EUR"}}), item("low", {{"confidence", 0.59}}),
       item("edge", {{"confidence", 0.6}, {"amount", 1000000}}),
       item("high", {{"confidence", 1.7}, {"amount", 999999.99}})});
  EXPECT_EQ(titles(suggestions), (QStringList{"zero", "edge", "high"}));
  EXPECT_EQ(suggestions[0].amount, std::nullopt);
  EXPECT_EQ(suggestions[0].currency, "EUR");
  EXPECT_DOUBLE_EQ(suggestions[1].confidence, 0.6);
  EXPECT_EQ(suggestions[1].amount, std::nullopt);
  EXPECT_DOUBLE_EQ(suggestions[2].confidence, 1.0);
  EXPECT_EQ(suggestions[2].amount, 999999.99);
}

TEST(GeminiValidation, DueDateMustBeAnInternetDateTimeWithinFiveYears) {
  const qint64 fiveYears = 157'680'000;
  const auto due = [](const QString& text) {
    const auto suggestions = validateItems({item("x", {{"dueDate", text}})});
    EXPECT_EQ(suggestions.size(), 1);
    return suggestions.value(0).dueDate;
  };
  const auto iso = [](const QDateTime& t) { return t.toString(Qt::ISODate); };
  EXPECT_EQ(due("2025-03-15T09:00:00Z"), utc(2025, 3, 15, 9));
  EXPECT_EQ(due("2025-03-15T09:00:00+02:00"), utc(2025, 3, 15, 7));
  EXPECT_EQ(due("2025-03-15T09:00:00-05:30"), utc(2025, 3, 15, 14, 30));
  for (const char* rejected :
       {"2025-03-15", "2025-03-15T09:00:00", "2025-03-15T09:00:00.000Z", "2025-03-15 09:00:00Z",
        "2025-03-15t09:00:00z", "2025-02-30T09:00:00Z", "2025-03-15T24:00:00Z",
        "2025-03-15T09:00:00+0200", "15/03/2025", "tomorrow", ""}) {
    EXPECT_EQ(due(rejected), std::nullopt) << rejected;
  }
  // The reach is measured from the present moment, both ways, exclusive.
  EXPECT_EQ(due(iso(now.addSecs(fiveYears - 1))), now.addSecs(fiveYears - 1));
  EXPECT_EQ(due(iso(now.addSecs(fiveYears))), std::nullopt);
  EXPECT_EQ(due(iso(now.addSecs(-fiveYears + 1))), now.addSecs(-fiveYears + 1));
  EXPECT_EQ(due(iso(now.addSecs(-fiveYears))), std::nullopt);
}

// Only the first part of the first candidate is read: a later one never stands in for an
// unusable first, and every candidate must have the reply's shape.
TEST(GeminiValidation, UnreadableRepliesGiveNoSuggestions) {
  const QString good = itemsText({item("good")});
  const QJsonObject goodPart{{"text", good}};
  const auto body = [](const QJsonArray& candidates) {
    return QJsonDocument(QJsonObject{{"candidates", candidates}}).toJson();
  };
  const auto candidate = [](const QJsonValue& parts) {
    return QJsonObject{{"content", QJsonObject{{"parts", parts}}}};
  };
  const QList<std::pair<const char*, QByteArray>> bodies = {
      {"not JSON", "<html>oops</html>"},
      {"candidates missing", "{}"},
      {"candidates empty", R"({"candidates":[]})"},
      {"no content", R"({"candidates":[{}]})"},
      {"parts empty", body({candidate(QJsonArray{})})},
      {"text not a string", body({candidate(QJsonArray{QJsonObject{{"text", 5}}})})},
      {"first candidate unusable", body({QJsonObject{}, candidate(QJsonArray{goodPart})})},
      {"first part not JSON", body({candidate(QJsonArray{QJsonObject{{"text", "no"}}, goodPart})})},
      {"a candidate not an object", body({candidate(QJsonArray{goodPart}), 42})},
  };
  for (const auto& [what, reply] : bodies) {
    EXPECT_TRUE(validate(reply).isEmpty()) << what;
  }
  // Extra candidates and parts are ignored when the first is good.
  const QJsonObject second{{"text", itemsText({item("second")})}};
  EXPECT_EQ(titles(validate(
                body({candidate(QJsonArray{goodPart, second}), candidate(QJsonArray{second})}))),
            QStringList{"good"});
  // Generated texts that are not one strict JSON array. Qt's parser lets raw control characters
  // and loose numbers through; strict JSON does not.
  const QString task = R"([{"category":"Task / Action Item","title":"a)";
  for (const QString& text :
       {QString(R"({"category":"Bill / Invoice","title":"x"})"), "Here you go: " + good,
        "```json\n" + good + "\n```", good.left(good.size() - 2), task + "\nb\"}]",
        task + "\tb\"}]", task + R"(","confidence":.9}])", task + R"(","confidence":1.}])",
        task + R"(","amount":1.e5}])", task + R"(","amount":012}])"}) {
    EXPECT_TRUE(validateText(text).isEmpty()) << text.toStdString();
  }
  // The same good text, properly delivered, does give a suggestion.
  EXPECT_EQ(validateText(good).size(), 1);
  EXPECT_TRUE(validateText("[]").isEmpty());
  EXPECT_EQ(validateText("  \n" + good + "\n ").size(), 1);
  // A byte-order mark in front of the text is not part of it; one anywhere else is no JSON.
  const QString mark(QChar(0xFEFF));
  EXPECT_EQ(validateText(mark + good).size(), 1);
  EXPECT_TRUE(validateText(mark + mark + good).isEmpty());
  EXPECT_TRUE(validateText(" " + mark + good).isEmpty());
  // Escapes, exponents, unicode and nesting that strict JSON allows still pass.
  EXPECT_EQ(validateText(task + R"(\n\"b\u00e9 \/","confidence":9e-1,"amount":-0.5E+2,)"
                                R"("extra":{"k":[true,false,null,[]]}}])")
                .size(),
            1);
}

TEST(GeminiValidation, OneMalformedItemRejectsTheWholeArray) {
  const QJsonObject good = item("good");
  const QList<std::pair<const char*, QJsonValue>> bad = {
      {"category missing", QJsonObject{{"title", "t"}}},
      {"title null", QJsonObject{{"category", "Bill / Invoice"}, {"title", QJsonValue::Null}}},
      {"confidence as text", item("t", {{"confidence", "0.9"}})},
      {"amount as text", item("t", {{"amount", "12.50"}})},
      {"notes a number", item("t", {{"notes", 7}})},
      {"dueDate an object", item("t", {{"dueDate", QJsonObject{}}})},
      {"not an object", QJsonValue("just text")},
      {"null element", QJsonValue::Null},
  };
  for (const auto& [what, value] : bad) {
    EXPECT_TRUE(validateItems({good, value}).isEmpty()) << what;
    EXPECT_TRUE(validateItems({value, good}).isEmpty()) << what;
  }
}

// Thousands of damaged and random replies: none may crash the validator or slip a doubtful
// item through.
TEST(GeminiValidation, RandomlyDamagedRepliesNeverCrashOrPassBadItems) {
  QRandomGenerator random(20261206);
  const QStringList categories = {
      "Bill / Invoice",          "Task / Action Item",         "Appointment / Booking",
      "Waiting For / Follow-up", "Important Notice / Renewal", "bill"};
  // In range, negative, near and over the amount ceiling, null, or text.
  const auto randomNumber = [&]() -> QJsonValue {
    const QJsonValue picks[] = {
        random.bounded(2.0),         -random.bounded(100.0), 1'000'000 - random.bounded(3.0),
        random.bounded(5'000'000.0), QJsonValue::Null,       "0.9"};
    return picks[random.bounded(6)];
  };
  const auto randomItem = [&]() {
    QJsonObject object{{"category", categories.at(random.bounded(categories.size()))},
                       {"title", QString::number(random.generate())}};
    if (random.bounded(4) != 0) object.insert("confidence", randomNumber());
    if (random.bounded(2) != 0) object.insert("amount", randomNumber());
    if (random.bounded(2) != 0) {
      const QDateTime when = now.addSecs(qint64(random.bounded(400'000'000)) - 200'000'000);
      object.insert("dueDate", when.toString(Qt::ISODate));
    }
    if (random.bounded(3) == 0) object.insert("priority", "URGENT");
    return object;
  };
  const auto damage = [&](QByteArray bytes) {
    const int edits = 1 + int(random.bounded(4));
    for (int e = 0; e < edits && !bytes.isEmpty(); ++e) {
      const qsizetype at = random.bounded(bytes.size());
      // A wild byte, a cut, a run of structural characters, a copied stretch, or the end.
      const int edit = int(random.bounded(5));
      if (edit == 0) {
        bytes[at] = char(random.bounded(256));
      } else if (edit == 1) {
        bytes.remove(at, 1 + random.bounded(8));
      } else if (edit == 2) {
        bytes.insert(at, QByteArray(1 + random.bounded(3), "{}[],:\"0-e"[random.bounded(10)]));
      } else if (edit == 3) {
        bytes.insert(at, bytes.mid(random.bounded(bytes.size()), 1 + random.bounded(20)));
      } else {
        bytes.truncate(at);
      }
    }
    return bytes;
  };

  int suggestionsSeen = 0;
  for (int round = 0; round < 4000; ++round) {
    QJsonArray items;
    const int count = int(random.bounded(6));
    for (int i = 0; i < count; ++i) {
      items.append(randomItem());
    }
    QByteArray inner = QJsonDocument(items).toJson(QJsonDocument::Compact);
    // Whole, damaged inside the generated text, or damaged around it.
    const QByteArray body =
        round % 3 == 0   ? FakeGoogle::generateContentJson(QString::fromUtf8(inner))
        : round % 3 == 1 ? FakeGoogle::generateContentJson(QString::fromUtf8(damage(inner)))
                         : damage(FakeGoogle::generateContentJson(QString::fromUtf8(inner)));
    const auto suggestions = validate(body);
    ASSERT_LE(suggestions.size(), count) << body.toStdString();
    for (const auto& s : suggestions) {
      ++suggestionsSeen;
      ASSERT_GE(s.confidence, 0.6) << body.toStdString();
      ASSERT_LE(s.confidence, 1.0) << body.toStdString();
      if (s.amount) {
        ASSERT_GT(*s.amount, 0.0) << body.toStdString();
        ASSERT_LT(*s.amount, 1'000'000.0) << body.toStdString();
      }
      if (s.dueDate) {
        ASSERT_LT(std::abs(now.secsTo(*s.dueDate)), 157'680'000) << body.toStdString();
      }
      ASSERT_EQ(s.status, SuggestionStatus::pending);
    }
  }
  // The undamaged third of the rounds must have let plenty through, or the bounds above
  // prove nothing.
  EXPECT_GT(suggestionsSeen, 1000);
}

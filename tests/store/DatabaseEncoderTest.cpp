#include "StoreTestSupport.h"

#include "core/store/DatabaseEncoder.h"

#include <functional>

using namespace storetest;

namespace {

// The cache must always agree with the container encoded from scratch.
void expectSameAsFreshEncoding(DatabaseEncoder& encoder, const DashboardStorageContainer& c) {
  const QJsonDocument parsed = QJsonDocument::fromJson(encoder.encode(c));
  EXPECT_EQ(parsed.object(), c.toJson());
  EXPECT_EQ(DashboardStorageContainer::fromJson(parsed.object()), c);
}

// Each change is applied to the state left by the one before. One encoder follows them all;
// another is warmed up on the state before the change, which may still be running then.
TEST(DatabaseEncoder, FollowsEveryKindOfChange) {
  using Change = std::function<void(DashboardStorageContainer&)>;
  const Change changes[] = {
      [](DashboardStorageContainer&) {},
      [](DashboardStorageContainer& c) {
        for (int i = 0; i < 3000; ++i) {
          c.tasks.append(makeTask(QStringLiteral("task %1").arg(i)));
          c.emailSuggestions.append(
              makeSuggestion(EmailExtractedCategory::bill, QStringLiteral("s %1").arg(i)));
        }
        c.bills.append(makeBill("bill", utc(2026, 3, 20, 9)));
        c.processedEmailMessageIDs = {"b", "a"};
        c.dailyIntention = "Quote \" and backslash \\ and ünïcode";
      },
      [](DashboardStorageContainer& c) {  // same id, new content
        c.tasks[2].title = "changed in place";
        c.tasks[4].isCompleted = true;
      },
      [](DashboardStorageContainer& c) {
        c.tasks.removeAt(1);
        c.tasks.move(0, 3);
        c.emailSuggestions.append(makeSuggestion(EmailExtractedCategory::task, "new"));
        c.processedEmailMessageIDs.insert("c");
        c.bills.clear();
      },
      [](DashboardStorageContainer& c) {  // the same id twice: both are written as they are
        TaskItem twin = c.tasks.at(0);
        twin.title = "twin";
        c.tasks.append(twin);
      },
      [](DashboardStorageContainer& c) {  // many records at once
        for (int i = 0; i < c.tasks.size(); i += 2) {
          c.tasks[i].notes = QStringLiteral("edited %1").arg(i);
        }
      },
      [](DashboardStorageContainer& c) {
        c.cachedWeather = WeatherData{};
        c.cachedWeather->fetchedAt = utc(2026, 3, 10, 7);
        c.lastEmailSyncAt = utc(2026, 3, 10, 8);
      }};
  DatabaseEncoder running;
  DashboardStorageContainer c;
  for (const Change& change : changes) {
    DatabaseEncoder warmed;
    warmed.warmUp(c);
    change(c);
    expectSameAsFreshEncoding(warmed, c);
    expectSameAsFreshEncoding(running, c);
  }
  DatabaseEncoder{}.warmUp(c);  // gone before its warm-up ends
}

TEST(LongListDecoding, NamesTheFirstBrokenRecordInListOrder) {
  DashboardStorageContainer c;
  for (int i = 0; i < 9000; ++i) {
    c.tasks.append(makeTask(QStringLiteral("task %1").arg(i)));
  }
  QJsonObject json = c.toJson();
  EXPECT_EQ(DashboardStorageContainer::fromJson(json).tasks, c.tasks);
  QJsonArray tasks = json.value("tasks").toArray();
  for (int broken : {8500, 4321}) {
    QJsonObject task = tasks.at(broken).toObject();
    task.remove("title");
    tasks.replace(broken, task);
  }
  json.insert("tasks", tasks);
  try {
    DashboardStorageContainer::fromJson(json);
    FAIL() << "a task without a title was accepted";
  } catch (const DecodingError& error) {
    EXPECT_EQ(error.field(), "tasks[4321].title");
  }
}

}  // namespace

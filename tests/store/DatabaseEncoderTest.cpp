#include "StoreTestSupport.h"

#include "core/model/JsonCoding.h"
#include "core/store/DatabaseEncoder.h"

#include <QFile>
#include <QJsonDocument>
#include <QTemporaryDir>

#include <functional>

using namespace storetest;
using testsupport::utc;

namespace {

// What the cache must always agree with: the container encoded from scratch. With `file`, the
// text is written there too, and the encoder copies what it keeps from that file afterwards.
void expectSameAsFreshEncoding(DatabaseEncoder& encoder, const DashboardStorageContainer& c,
                               const QString& file = {}) {
  const QByteArray cached = encoder.encode(c);
  QJsonParseError error;
  const QJsonDocument parsed = QJsonDocument::fromJson(cached, &error);
  ASSERT_EQ(error.error, QJsonParseError::NoError) << error.errorString().toStdString();
  EXPECT_EQ(parsed.object(), c.toJson());
  EXPECT_EQ(DashboardStorageContainer::fromJson(parsed.object()), c);
  if (!file.isEmpty()) {
    std::shared_ptr<KeptFile> kept;
    ASSERT_FALSE(StorageFile::writeAtomically(file, encoder.encodeContent(c), false, &kept));
    ASSERT_TRUE(kept);
    EXPECT_EQ(readFile(file), cached);
    encoder.textIsIn(std::move(kept));
  }
}

TEST(DatabaseEncoder, FollowsEveryKindOfChangeWithItsTextInTheFileLastWritten) {
  DatabaseEncoder encoder;
  DashboardStorageContainer c;
  const QTemporaryDir dir;
  const QString file = dir.filePath(QStringLiteral("dashboard.json"));
  expectSameAsFreshEncoding(encoder, c, file);  // empty lists

  for (int i = 0; i < 5; ++i) {
    c.tasks.append(makeTask(QStringLiteral("task %1").arg(i)));
  }
  c.bills.append(makeBill("bill", utc(2026, 3, 20, 9)));
  c.emailSuggestions.append(makeSuggestion(EmailExtractedCategory::task, "s"));
  c.processedEmailMessageIDs = {"b", "a"};
  c.dailyIntention = "Quote \" and backslash \\ and ünïcode";
  expectSameAsFreshEncoding(encoder, c, file);

  c.tasks[2].title = "changed in place";  // same id, new content
  c.tasks[4].isCompleted = true;
  expectSameAsFreshEncoding(encoder, c, file);

  c.tasks.removeAt(1);  // a record that is gone
  c.tasks.move(0, 3);   // a new order
  c.processedEmailMessageIDs.insert("c");
  c.bills.clear();
  expectSameAsFreshEncoding(encoder, c, file);

  // The same id twice with different content: both are written as they are.
  TaskItem twin = c.tasks.at(0);
  twin.title = "twin";
  c.tasks.append(twin);
  expectSameAsFreshEncoding(encoder, c, file);
  c.tasks.removeLast();
  expectSameAsFreshEncoding(encoder, c, file);

  c.cachedWeather = WeatherData{};
  c.cachedWeather->locationName = "Oslo";
  c.cachedWeather->fetchedAt = utc(2026, 3, 10, 7);
  c.lastEmailSyncAt = utc(2026, 3, 10, 8);
  expectSameAsFreshEncoding(encoder, c, file);

  // Rewritten in place behind the encoder's back: its text is no longer what the encoder
  // wrote, so nothing is copied from it.
  QFile inPlace(file);
  ASSERT_TRUE(inPlace.open(QIODevice::ReadWrite | QIODevice::Truncate));
  inPlace.write(QByteArray(64, 'x'));
  inPlace.close();
  c.tasks[0].notes = QStringLiteral("edited after the file changed");
  expectSameAsFreshEncoding(encoder, c);
}

TEST(DatabaseEncoder, WarmedUpOnAnEarlierStateStillFollowsTheChangesSinceThen) {
  DashboardStorageContainer c;
  for (int i = 0; i < 3000; ++i) {
    c.tasks.append(makeTask(QStringLiteral("task %1").arg(i)));
    c.emailSuggestions.append(
        makeSuggestion(EmailExtractedCategory::bill, QStringLiteral("s %1").arg(i)));
  }
  const std::function<void(DashboardStorageContainer&)> changes[] = {
      [](DashboardStorageContainer&) {},
      [](DashboardStorageContainer& c) { c.tasks[7].title = "edited"; },
      [](DashboardStorageContainer& c) {
        c.tasks.removeFirst();
        c.emailSuggestions.append(makeSuggestion(EmailExtractedCategory::task, "new"));
      },
      [](DashboardStorageContainer& c) {  // many records at once
        for (int i = 0; i < c.tasks.size(); i += 2) {
          c.tasks[i].notes = QStringLiteral("edited %1").arg(i);
        }
      },
  };
  for (const auto& change : changes) {
    DatabaseEncoder encoder;
    encoder.warmUp(c);
    DashboardStorageContainer edited = c;
    change(edited);  // while the warm-up may still run
    expectSameAsFreshEncoding(encoder, edited);
  }
  // Gone before its warm-up ends.
  DatabaseEncoder{}.warmUp(c);
}

TEST(LongListDecoding, NamesTheFirstBrokenRecordInListOrder) {
  DashboardStorageContainer c;
  for (int i = 0; i < 9000; ++i) {
    c.tasks.append(makeTask(QStringLiteral("task %1").arg(i)));
  }
  QJsonObject json = c.toJson();
  const DashboardStorageContainer decoded = DashboardStorageContainer::fromJson(json);
  EXPECT_EQ(decoded.tasks, c.tasks);

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

#include "StoreTestSupport.h"

#include "core/store/DataMigrations.h"
#include "core/store/DatabaseEncoder.h"
#include "core/store/StorageFile.h"

#include <QCoreApplication>
#include <QJsonDocument>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <cstdio>
#include <random>

using namespace storetest;

namespace {

// State k of the save loop holds exactly tasks 0 .. k-1, each fully determined by its index,
// so a file can be checked against every state ever saved without knowing which one it is.
TaskItem loopTask(int k) {
  static const QUuid space = QUuid::fromString("6f1d7a52-3c1e-4d55-9a8b-2f4e1c9d0b7a");
  const QDateTime base = utc(2026, 1, 1, 9);
  return TaskItem(QUuid::createUuidV5(space, QString::number(k)), QStringLiteral("task %1").arg(k),
                  QString(1200, QLatin1Char('a' + k % 26)), base.addSecs(60 * k),
                  TaskPriority::high, "Loop", false, std::nullopt, RecurrenceRule::none(), base,
                  base, false, std::nullopt);
}

// The number of tasks when the file holds one of the loop's states; fails otherwise.
int checkedState(const QString& path) {
  const DashboardStorageContainer container = loadContainer(path);
  for (int i = 0; i < container.tasks.size(); ++i) {
    EXPECT_EQ(container.tasks.at(i), loopTask(i)) << path.toStdString();
  }
  return int(container.tasks.size());
}

// Runs in a child process started by the test below: adds one task and saves, forever.
TEST(SaveLoopChild, DISABLED_AddsAndSavesUntilKilled) {
  DataStore store(qEnvironmentVariable("PELMORA_SAVE_LOOP_FOLDER"), nullptr, nullptr);
  std::printf("\nSAVE-LOOP-READY\n");
  std::fflush(stdout);
  for (int k = int(store.tasks().size());; ++k) {
    store.addTask(loopTask(k));
  }
}

TEST(SaveCrash, AKillAtAnyMomentLeavesALoadableSavedState) {
  QTemporaryDir dir;
  const QString folder = dir.filePath("Pelmora");
  ASSERT_FALSE(StorageFile::makePrivateFolder(folder).has_value());
  DashboardStorageContainer initial;
  for (int k = 0; k < 150; ++k) {
    initial.tasks.append(loopTask(k));
  }
  const QByteArray bytes = QJsonDocument(initial.toJson()).toJson(QJsonDocument::Compact);
  const QString database = folder + "/dashboard.json";
  const QString backup = folder + "/dashboard.backup.json";
  ASSERT_FALSE(StorageFile::writeAtomically(database, bytes).has_value());
  ASSERT_FALSE(StorageFile::writeAtomically(backup, bytes).has_value());

  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert("PELMORA_SAVE_LOOP_FOLDER", folder);
  std::mt19937 random(20260310);
  std::uniform_int_distribution<int> delayMicroseconds(0, 20000);
  int count = 150;
  for (int round = 0; round < 100; ++round) {
    QProcess child;
    child.setProcessEnvironment(environment);
    child.start(QCoreApplication::applicationFilePath(),
                {"--gtest_filter=SaveLoopChild.*", "--gtest_also_run_disabled_tests"});
    QByteArray output;
    while (!output.contains("SAVE-LOOP-READY") &&
           child.waitForReadyRead(testsupport::kPatienceMs)) {
      output += child.readAll();
    }
    ASSERT_TRUE(output.contains("SAVE-LOOP-READY")) << output.toStdString();
    QThread::usleep(delayMicroseconds(random));
    child.kill();
    ASSERT_TRUE(child.waitForFinished());

    // The backup is written second, so it may lag behind, never lead.
    const int saved = checkedState(database);
    const int backedUp = checkedState(backup);
    ASSERT_GE(saved, count) << "round " << round << ": a saved state was lost";
    ASSERT_GE(backedUp, 150) << "round " << round;
    ASSERT_LE(backedUp, saved) << "round " << round;
    count = saved;
  }
  EXPECT_TRUE(filesStartingWith(folder, "dashboard.unreadable").isEmpty());
}

// The cache must always agree with the container encoded from scratch. With `file`, the text
// is written there too, and the encoder copies what it keeps from that file afterwards.
void expectSameAsFreshEncoding(DatabaseEncoder& encoder, const DashboardStorageContainer& c,
                               const QString& file = {}) {
  const QByteArray cached = encoder.encode(c);
  const QJsonDocument parsed = QJsonDocument::fromJson(cached);
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

// Each change is applied to the state left by the one before. One encoder follows them all,
// its text in the file it last wrote; another adopted the state before the change as the
// reader found it in a file, with each record's span.
TEST(DatabaseEncoder, FollowsEveryKindOfChange) {
  using Change = std::function<void(DashboardStorageContainer&)>;
  const Change changes[] = {
      [](DashboardStorageContainer&) {},
      [](DashboardStorageContainer& c) {
        for (int i = 0; i < 600; ++i) {
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
      [](DashboardStorageContainer& c) { c.lastEmailSyncAt = utc(2026, 3, 10, 8); }};
  const QTemporaryDir dir;
  const QString file = dir.filePath("dashboard.json");
  DatabaseEncoder running;
  DashboardStorageContainer c;
  const QString loadedFile = dir.filePath("loaded.json");
  for (const Change& change : changes) {
    DatabaseEncoder adopted;
    ASSERT_FALSE(StorageFile::writeAtomically(loadedFile, DatabaseEncoder().encode(c)));
    StorageFile::ReadResult read = StorageFile::read(loadedFile, true);
    DataMigrations::Result loaded = DataMigrations::decode(read.bytes);
    ASSERT_EQ(loaded.container, c);
    ASSERT_EQ(loaded.spans.tasks.size(), size_t(c.tasks.size()));
    adopted.adopt(loaded.container, loaded.spans, read.kept);
    change(c);
    expectSameAsFreshEncoding(adopted, c);
    expectSameAsFreshEncoding(running, c, file);
  }
  // Rewritten in place behind the encoder's back, the file no longer holds what the encoder
  // wrote, so nothing is copied from it.
  writeFile(file, QByteArray(64, 'x'));
  c.tasks[0].notes = "edited after the file changed";
  expectSameAsFreshEncoding(running, c);
}

TEST(LongListDecoding, NamesTheFirstBrokenRecordInListOrder) {
  DashboardStorageContainer c;
  for (int i = 0; i < 9000; ++i) {
    c.tasks.append(makeTask(QStringLiteral("task %1").arg(i)));
  }
  QJsonObject json = c.toJson();
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

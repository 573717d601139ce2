#include "core/model/DiagnosticLogger.h"

#include <QRegularExpression>

#include <gtest/gtest.h>

#include <thread>
#include <vector>

TEST(DiagnosticLogger, KeepsTheNewest200UnderConcurrentWriters) {
  DiagnosticLogger& logger = DiagnosticLogger::shared();
  logger.clear();
  constexpr int writers = 8;
  constexpr int perWriter = 500;
  std::vector<std::thread> threads;
  for (int w = 0; w < writers; ++w) {
    threads.emplace_back([w, &logger] {
      for (int i = 0; i < perWriter; ++i) {
        logger.log(QStringLiteral("w%1 #%2").arg(w).arg(i), "INFO", "Test");
      }
    });
  }
  for (auto& t : threads) {
    t.join();
  }
  logger.log("after", "INFO", "Test");
  const auto entries = logger.entries();
  ASSERT_EQ(entries.size(), DiagnosticLogger::maxEntries);
  // The oldest go first, and no entry was torn by a concurrent writer.
  EXPECT_EQ(entries.last().message, "after");
  static const QRegularExpression written(QStringLiteral(R"(^w\d #\d+$)"));
  for (qsizetype i = 0; i + 1 < entries.size(); ++i) {
    EXPECT_TRUE(written.match(entries[i].message).hasMatch()) << entries[i].message.toStdString();
    EXPECT_EQ(entries[i].subsystem, "Test");
  }
  logger.clear();
}

// A reply echoed into a message must not split its entry over several lines.
TEST(DiagnosticLogger, ExportsOneBracketedLinePerEntry) {
  DiagnosticLogger& logger = DiagnosticLogger::shared();
  logger.clear();
  logger.log("Pelmora launched.", "INFO", "App");
  logger.log("Bad reply:\r\n{\n  \"error\": 500\n}", "ERROR", "Weather");
  const QStringList lines = logger.exportText().split(QLatin1Char('\n'));
  ASSERT_EQ(lines.size(), 2);
  static const QRegularExpression shape(QStringLiteral(
      R"(^\[\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}Z\] \[INFO\] \[App\] Pelmora launched\.$)"));
  EXPECT_TRUE(shape.match(lines[0]).hasMatch()) << lines[0].toStdString();
  EXPECT_TRUE(lines[1].endsWith("] [ERROR] [Weather] Bad reply: { \"error\": 500 }"))
      << lines[1].toStdString();
  logger.clear();
}

TEST(DiagnosticLogger, NeverRecordsCredentials) {
  const QString scrubbed = DiagnosticLogger::redacted(QStringLiteral(
      "POST /token code=4/0AbCdEf&refresh_token=1//0gXyZ&client_secret=GOCSPX-abc "
      "Authorization: Bearer ya29.a0AfH6 reply {\"access_token\": \"ya29.zzz\"} key=AIzaSyD123"));
  for (const char* secret :
       {"4/0AbCdEf", "1//0gXyZ", "GOCSPX-abc", "ya29.a0AfH6", "ya29.zzz", "AIzaSyD123"}) {
    EXPECT_FALSE(scrubbed.contains(QLatin1String(secret)))
        << secret << " in " << scrubbed.toStdString();
  }
  // Ordinary diagnostics stay readable.
  EXPECT_EQ(DiagnosticLogger::redacted("HTTP status code: 404"), "HTTP status code: 404");
}

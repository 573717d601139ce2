#include "core/model/DiagnosticLogger.h"

#include <QRegularExpression>

#include <gtest/gtest.h>

#include <thread>
#include <vector>

// The newest entries are kept, none torn by a concurrent writer; the export holds one line per
// entry even when a reply echoed into a message had several.
TEST(DiagnosticLogger, KeepsTheNewest200UnderConcurrentWritersAndExportsOneLineEach) {
  DiagnosticLogger& logger = DiagnosticLogger::shared();
  logger.clear();
  std::vector<std::thread> threads;
  for (int w = 0; w < 8; ++w) {
    threads.emplace_back([w, &logger] {
      for (int i = 0; i < 500; ++i) {
        logger.log(QStringLiteral("w%1 #%2").arg(w).arg(i), "INFO", "Test");
      }
    });
  }
  for (auto& t : threads) {
    t.join();
  }
  logger.log("Bad reply:\r\n{\n  \"error\": 500\n}", "ERROR", "Weather");
  const auto entries = logger.entries();
  ASSERT_EQ(entries.size(), DiagnosticLogger::maxEntries);
  static const QRegularExpression written(QStringLiteral(R"(^w\d #\d+$)"));
  for (qsizetype i = 0; i + 1 < entries.size(); ++i) {
    EXPECT_TRUE(written.match(entries[i].message).hasMatch()) << entries[i].message.toStdString();
  }
  const QStringList lines = logger.exportText().split(QLatin1Char('\n'));
  ASSERT_EQ(lines.size(), DiagnosticLogger::maxEntries);
  static const QRegularExpression shape(
      QStringLiteral(R"(^\[\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}Z\] \[INFO\] \[Test\] w\d #\d+$)"));
  EXPECT_TRUE(shape.match(lines[0]).hasMatch()) << lines[0].toStdString();
  EXPECT_TRUE(lines.last().endsWith("] [ERROR] [Weather] Bad reply: { \"error\": 500 }"))
      << lines.last().toStdString();
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

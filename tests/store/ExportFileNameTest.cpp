#include "StoreTestSupport.h"

#include "core/store/ExportImportManager.h"

using namespace storetest;

namespace {

using Kind = ExportImportManager::CsvKind;

// The stamp is the local minute: late evening in Berlin is already the next hour there, and a
// minute past midnight UTC is still the day before in New York.
TEST(ExportFileName, CarriesTheKindAndTheLocalMinute) {
  const Calendar berlin{QTimeZone("Europe/Berlin")};
  const QDateTime lateEvening = utc(2026, 3, 10, 22, 45);
  EXPECT_EQ(ExportImportManager::backupFileName(lateEvening, berlin),
            "Pelmora_Backup_2026-03-10_2345.json");
  const std::pair<Kind, const char*> kinds[] = {
      {Kind::tasks, "Tasks_2026-03-10_2345.csv"},
      {Kind::waitingFor, "WaitingFor_2026-03-10_2345.csv"},
      {Kind::bills, "Bills_2026-03-10_2345.csv"}};
  for (const auto& [kind, name] : kinds) {
    EXPECT_EQ(ExportImportManager::csvFileName(kind, lateEvening, berlin), name);
  }
  EXPECT_EQ(ExportImportManager::backupFileName(utc(2026, 3, 11, 0, 1),
                                                Calendar(QTimeZone("America/New_York"))),
            "Pelmora_Backup_2026-03-10_2001.json");
}

}  // namespace

#include "StoreTestSupport.h"

#include "core/store/ExportImportManager.h"

using namespace storetest;

namespace {

using ImportedSyncState = StoreTest;

// A backup taken while a mail sync ran says it is running, with a count of its own: restored,
// no sync runs, and the count is that of the restored pending suggestions.
TEST_F(ImportedSyncState, NoSyncIsRunningAndThePendingCountIsTheRestoredOnes) {
  DataStore& s = open();
  DashboardStorageContainer backup;
  EmailExtractedSuggestion dismissed = makeSuggestion(EmailExtractedCategory::task, "old");
  dismissed.status = SuggestionStatus::dismissed;
  backup.emailSuggestions = {makeSuggestion(EmailExtractedCategory::bill, "new"), dismissed};
  backup.emailSyncState = {utc(2026, 3, 9, 8), "Syncing", "me@example.com", true, 7};
  writeFile(path("backup.json"), QJsonDocument(backup.toJson()).toJson());

  ExportImportManager(s).importBackup(path("backup.json"));
  const EmailSyncState expected{utc(2026, 3, 9, 8), "Syncing", "me@example.com", false, 1};
  EXPECT_EQ(s.emailSyncState(), expected);
  EXPECT_EQ(open().emailSyncState(), expected) << "as saved";
}

}  // namespace

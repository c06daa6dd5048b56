// The backup-file side in one run through real files: created by the first
// sync, kept whole when its write fails, refused when it belongs to another
// device.

#include <gtest/gtest.h>

#include "sides/backup_file_endpoint.h"
#include "store/backup_file.h"
#include "support/disk_full_writer.h"
#include "support/memory_endpoint.h"
#include "support/records.h"
#include "support/temp_dir.h"
#include "sync/sync_driver.h"
#include "view/sync_report_text.h"

namespace kivo {
namespace {

namespace fs = std::filesystem;

TEST(BackupFileSide, CreatedKeptWholeOnFailureAndNeverTakenFromAnotherDevice) {
  TempDir temp;
  const CodeTables tables = CodeTables::Identity();
  const fs::path file = temp / "pc.bkf";
  MemoryEndpoint organizer("organizer 2 0", "organizer", MemoryEndpoint::Kind::kWholeAppli);
  organizer.records().Set(kMemo, {test::Memo("Shopping list 1: milk")});
  organizer.records().Set(kCategoryList, {EncodeCategoryNames(DefaultCategoryNames())});
  BackupFileEndpoint pc(file, tables, {2, 0});
  SyncState state(temp / "state", organizer.Identity(), pc.Identity(), tables);
  ASSERT_EQ(RunSync(organizer, pc, state, {}).outcome, SyncOutcome::kSynced);

  // Both change the memo; the file cannot be written: it stays whole, the
  // organizer untouched; the next sync finishes and keeps both versions.
  organizer.records().Set(kMemo, {test::Memo("Shopping list 1: milk, eggs")});
  RecordSet edited;
  ASSERT_TRUE(pc.Read(kAllSyncAppli, {edited, {}}, &edited).ok());
  edited.Set(kMemo, {test::Memo("Shopping list 1: bread")});
  ASSERT_TRUE(
      pc.Apply({{kMemo, {}, edited.of(kMemo)}}, {edited, {}}, false, [](AppliId) {}).status.ok());
  const std::string before = ReadText(file);
  DiskFullWriter full(0);
  BackupFileEndpoint failing(file, tables, {2, 0}, true, "PC", full);
  const SyncReport broken = RunSync(organizer, failing, state, {});
  EXPECT_EQ(broken.failed_step, SyncStep::kWrite);
  EXPECT_EQ(ReadText(file), before);
  EXPECT_EQ(organizer.records_written(), 0);
  const std::string text = RenderSyncReport(broken, {});
  EXPECT_NE(text.find("Memo              organizer: 1 added, 0 changed, 0 removed   PC: 1 added, "
                      "0 changed, 0 removed   1 conflict\n"),
            std::string::npos)
      << text;
  EXPECT_NE(text.find("Memo: changed on both sides; both kept\n  Side       Memo\n"),
            std::string::npos)
      << text;
  EXPECT_NE(text.find("The sync failed while writing the records (PC): "), std::string::npos);
  const SyncReport done = RunSync(organizer, pc, state, {});
  ASSERT_EQ(done.outcome, SyncOutcome::kSynced);
  EXPECT_TRUE(done.recovered);
  RecordSet now;
  ASSERT_TRUE(pc.Read(kAllSyncAppli, {now, {}}, &now).ok());
  EXPECT_TRUE(SameRecords(now.of(kMemo), organizer.records().of(kMemo)));
  EXPECT_EQ(now.of(kMemo).size(), 2u);

  // A backup file of the other device code is refused and left alone.
  BackupFileEndpoint other(file, tables, {1, 0});
  SyncState other_state(temp / "state", organizer.Identity(), other.Identity(), tables);
  const SyncReport refused = RunSync(organizer, other, other_state, {});
  EXPECT_EQ(refused.failure.fault, EndpointFault::kRefused);
  EXPECT_NE(refused.failure.message.find("another device code"), std::string::npos);
}

}  // namespace
}  // namespace kivo

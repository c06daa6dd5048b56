#include "history/history.h"

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "history/restore_journal.h"
#include "platform/link_defaults.h"
#include "store/backup_file.h"
#include "support/tables.h"
#include "support/temp_dir.h"

namespace kivo {
namespace {

namespace fs = std::filesystem;

class HistoryTest : public ::testing::Test {
 protected:
  // A store with `memos` memos.
  static void Fill(AppliStore& store, int memos) {
    ASSERT_EQ(store.GetAppliBuf(kStoreSlots), 0);
    const uint8_t memo[] = {'m', 0, 0xFF};
    for (int i = 0; i < memos; ++i) ASSERT_EQ(store.PutRecord(kMemo, i, memo), kStoreOk);
  }

  TempDir scratch_;
  fs::path dir_ = scratch_.path() / "history";
};

TEST(GenerationName, RoundTripsAndRefusesOtherNames) {
  const LocalDateTime t{2026, 12, 7, 9, 5, 1};
  struct Case {
    std::string_view kind;
    int written;
    const char* name;
  } cases[] = {{kKindBackup, 1, "20261207-090501-backup-n1.bkf"},
               {kKindSnapshot, 12, "20261207-090501-snapshot-n12.bkf"}};
  for (const Case& c : cases) {
    EXPECT_EQ(GenerationFileName(t, c.kind, c.written), c.name);
    Generation g;
    ASSERT_TRUE(ParseGenerationFileName(c.name, &g)) << c.name;
    EXPECT_EQ(g.kind, c.kind);
    EXPECT_EQ(g.written, c.written);
    EXPECT_EQ(g.time.day, 7);
    EXPECT_EQ(g.time.second, 1);
  }
  for (const char* other :
       {"20261207.bkf", "20261207-090501-upload.bkf", "20261207-090501-backup.csv",
        "2026120x-090501-backup.bkf", "20261207-090501-backup-1.bkf",
        "20261207-090501-backup-n0.bkf", "restore.journal"}) {
    Generation g;
    EXPECT_FALSE(ParseGenerationFileName(other, &g)) << other;
  }
}

TEST_F(HistoryTest, ListsLastWrittenFirstAndPrunesToTheCountKeepingTheNewest) {
  AppliStore store{ProgramTables().code};
  Fill(store, 2);
  // Two in the same second, one a day earlier, one later.
  const LocalDateTime times[] = {{2026, 12, 7, 10, 0, 0},
                                 {2026, 12, 7, 10, 0, 0},
                                 {2026, 12, 6, 23, 0, 0},
                                 {2026, 12, 8, 1, 0, 0}};
  for (const LocalDateTime& t : times) {
    const Result<fs::path> added = AddGeneration(dir_, store, kKindBackup, t, 20, true);
    ASSERT_TRUE(added && !added->empty()) << (added ? "" : added.error());
  }
  std::ofstream(dir_ / "notes.txt") << "not a generation";
  std::vector<Generation> all = ListGenerations(dir_);
  ASSERT_EQ(all.size(), 4u);
  EXPECT_EQ(all[0].time.day, 8);
  EXPECT_EQ(all[1].time.day, 6);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(all[static_cast<size_t>(i)].written, 4 - i);

  std::array<int, 7> counts{};
  ASSERT_TRUE(CountRecords(all[0].path, &counts));
  EXPECT_EQ(counts[kMemo], 2);
  EXPECT_EQ(counts[kSchedule], -1);

  // A snapshot counts with the backups; 0 still keeps the newest.
  for (int keep : {3, 0}) {
    const Result<fs::path> added =
        AddGeneration(dir_, store, kKindSnapshot, {2026, 12, 9, 0, 0, 0}, keep, false);
    ASSERT_TRUE(added && !added->empty());
    all = ListGenerations(dir_);
    ASSERT_EQ(all.size(), static_cast<size_t>(std::max(keep, 1)));
    EXPECT_EQ(all[0].kind, kKindSnapshot);
    EXPECT_EQ(all[0].time.day, 9);
  }
  EXPECT_TRUE(fs::exists(dir_ / "notes.txt"));
}

// Generations go in the order they were written, whatever their names'
// times say: one dated later than now (a clock set back, a file copied in)
// never makes the one just written the first pruned; names from before the
// write numbers count as older. A snapshot that a failed restore's journal
// names is never pruned.
TEST_F(HistoryTest, PrunesInWriteOrderSparingTheNewAndTheJournalsSnapshot) {
  struct Case {
    std::vector<std::string> present;  // oldest first; the first is the journal's when `journal`
    int keep;
    bool journal;
    size_t left;  // of `present`, from its end, besides the new one
  } cases[] = {{{"20991231-000000-backup.bkf"}, 1, false, 0},
               {{"20200101-000000-backup.bkf", "20990101-000000-snapshot-n7.bkf"}, 2, false, 1},
               {{"20261201-000000-backup-2.bkf", "20261210-000000-backup.bkf"}, 2, false, 1},
               {{"20261201-000000-snapshot-n1.bkf", "20261202-000000-backup-n2.bkf"}, 1, true, 0}};
  AppliStore store{ProgramTables().code};
  Fill(store, 1);
  for (const Case& c : cases) {
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    for (const std::string& name : c.present) std::ofstream(dir_ / name) << "x";
    const fs::path needed = dir_ / c.present[0];
    ASSERT_TRUE(!c.journal || WriteRestoreJournal(RestoreJournalPath(dir_), {"/f", "", needed}));
    const Result<fs::path> added =
        AddGeneration(dir_, store, kKindSnapshot, {2026, 12, 7, 12, 0, 0}, c.keep, false);
    ASSERT_TRUE(added) << added.error();
    std::vector<fs::path> expected{*added};
    for (size_t i = 0; i < c.left; ++i)
      expected.push_back(dir_ / c.present[c.present.size() - 1 - i]);
    if (c.journal) expected.push_back(needed);
    std::vector<fs::path> listed;
    for (const Generation& g : ListGenerations(dir_)) listed.push_back(g.path);
    EXPECT_EQ(listed, expected) << c.present[0];
  }
}

TEST_F(HistoryTest, JournalRoundTripsAndFingerprintFollowsTheBytes) {
  fs::create_directories(dir_);
  const fs::path file = dir_ / "a.bkf";
  std::ofstream(file) << "one";
  const std::string first = FileFingerprint(file);
  std::ofstream(file) << "two";
  EXPECT_NE(FileFingerprint(file), first);
  EXPECT_EQ(FileFingerprint(dir_ / "missing.bkf"), "");

  const fs::path path = RestoreJournalPath(dir_ / "h");
  EXPECT_FALSE(ReadRestoreJournal(path));
  RestoreJournal j{file.string(), FileFingerprint(file), "/x/snap.bkf",
                   (1 << kTelephone) | (1 << kSchedule)};
  ASSERT_TRUE(WriteRestoreJournal(path, j));
  std::optional<RestoreJournal> back = ReadRestoreJournal(path);
  ASSERT_TRUE(back);
  EXPECT_EQ(back->file, j.file);
  EXPECT_EQ(back->fingerprint, j.fingerprint);
  EXPECT_EQ(back->snapshot, j.snapshot);
  EXPECT_EQ(back->done, j.done);
  RemoveRestoreJournal(path);
  EXPECT_FALSE(ReadRestoreJournal(path));
}

}  // namespace
}  // namespace kivo

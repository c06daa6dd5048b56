#include "history/history.h"

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "history/restore_journal.h"
#include "platform/link_defaults.h"
#include "platform/program_dir.h"
#include "store/backup_file.h"

namespace kivo {
namespace {

namespace fs = std::filesystem;

class HistoryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ =
        fs::path(testing::TempDir()) /
        ("history_" + std::string(testing::UnitTest::GetInstance()->current_test_info()->name()) +
         "_" + std::to_string(getpid()));
    fs::remove_all(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  // A store with `memos` memos.
  static void Fill(AppliStore& store, int memos) {
    ASSERT_EQ(store.GetAppliBuf(kStoreSlots), 0);
    const uint8_t memo[] = {'m', 0, 0xFF};
    for (int i = 0; i < memos; ++i) ASSERT_EQ(store.PutRecord(kMemo, i, memo), kStoreOk);
  }

  fs::path dir_;
};

TEST(GenerationName, RoundTripsAndRefusesOtherNames) {
  const LocalDateTime t{2026, 12, 7, 9, 5, 1};
  struct Case {
    std::string_view kind;
    int written;
    int sequence;
    const char* name;
  } cases[] = {{kKindBackup, 1, 1, "20261207-090501-backup-n1.bkf"},
               {kKindSnapshot, 42, 1, "20261207-090501-snapshot-n42.bkf"},
               // Names from before write numbers.
               {kKindSnapshot, 0, 1, "20261207-090501-snapshot.bkf"},
               {kKindBackup, 0, 12, "20261207-090501-backup-12.bkf"}};
  for (const Case& c : cases) {
    if (c.written > 0) {
      EXPECT_EQ(GenerationFileName(t, c.kind, c.written), c.name);
    }
    Generation g;
    ASSERT_TRUE(ParseGenerationFileName(c.name, &g)) << c.name;
    EXPECT_EQ(g.kind, c.kind);
    EXPECT_EQ(g.written, c.written);
    EXPECT_EQ(g.sequence, c.sequence);
    EXPECT_EQ(g.time.day, 7);
    EXPECT_EQ(g.time.second, 1);
  }
  for (const char* other :
       {"20261207.bkf", "20261207-090501-upload.bkf", "20261207-090501-backup.csv",
        "2026120x-090501-backup.bkf", "20261207-090501-backup-1.bkf",
        "20261207-090501-backup-n0.bkf", "20261207-090501-backup-nx.bkf", "restore.journal"}) {
    Generation g;
    EXPECT_FALSE(ParseGenerationFileName(other, &g)) << other;
  }
}

// Generations are ordered as they were written, whatever their names' times
// say: one dated later than now (a clock set back, a file copied in) never
// makes the one just written the first pruned. A snapshot that a failed
// restore's journal names is never pruned either.
TEST_F(HistoryTest, PrunesInWriteOrderSparingTheNewAndTheJournalsSnapshot) {
  struct Case {
    const char* name;
    std::vector<std::string> present;  // oldest first
    int keep;
    int journal;                    // index into present of the journal's snapshot; -1: none
    std::vector<std::string> left;  // besides the new one, newest first
  };
  const Case kCases[] = {
      {"unnumbered, dated in the future", {"20991231-000000-backup.bkf"}, 1, -1, {}},
      {"numbered, dated in the future",
       {"20200101-000000-backup.bkf", "20990101-000000-snapshot-n7.bkf"},
       2,
       -1,
       {"20990101-000000-snapshot-n7.bkf"}},
      {"old names by their time",
       {"20261210-000000-backup.bkf", "20261201-000000-backup-2.bkf", "20261201-000000-backup.bkf"},
       3,
       -1,
       {"20261210-000000-backup.bkf", "20261201-000000-backup-2.bkf"}},
      {"the journal's snapshot, whatever the count",
       {"20261201-000000-snapshot-n1.bkf", "20261202-000000-backup-n2.bkf"},
       1,
       0,
       {"20261201-000000-snapshot-n1.bkf"}},
  };
  AppliStore store{TablesDirectory()};
  Fill(store, 1);
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    for (const std::string& name : c.present) std::ofstream(dir_ / name) << "x";
    if (c.journal >= 0) {
      ASSERT_TRUE(WriteRestoreJournal(
          RestoreJournalPath(dir_),
          {"/f.bkf", "1:0", (dir_ / c.present[static_cast<size_t>(c.journal)]).string(), 0}));
    }
    std::string error;
    const fs::path added =
        AddGeneration(dir_, store, kKindSnapshot, {2026, 12, 7, 12, 0, 0}, c.keep, false, &error);
    std::vector<std::string> listed;
    for (const Generation& g : ListGenerations(dir_)) listed.push_back(g.path.filename().string());
    std::vector<std::string> expected{added.filename().string()};
    expected.insert(expected.end(), c.left.begin(), c.left.end());
    EXPECT_EQ(listed, expected);
  }
}

TEST_F(HistoryTest, ListsLastWrittenFirstAndCountsWhatAFileHolds) {
  AppliStore store{TablesDirectory()};
  Fill(store, 2);
  std::string error;
  // Written in this order: the list follows it, not the times.
  const LocalDateTime times[] = {
      {2026, 12, 7, 10, 0, 0}, {2026, 12, 7, 10, 0, 0}, {2026, 12, 6, 23, 0, 0}};
  for (const LocalDateTime& t : times) {
    ASSERT_FALSE(AddGeneration(dir_, store, kKindBackup, t, 20, true, &error).empty()) << error;
  }
  std::ofstream(dir_ / "notes.txt") << "not a generation";
  std::vector<Generation> all = ListGenerations(dir_);
  ASSERT_EQ(all.size(), 3u);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(all[static_cast<size_t>(i)].number, i + 1);
    EXPECT_EQ(all[static_cast<size_t>(i)].written, 3 - i);
  }
  EXPECT_EQ(all[0].time.day, 6);

  std::array<int, 7> counts{};
  ASSERT_TRUE(CountRecords(all[0].path, &counts));
  EXPECT_EQ(counts[kMemo], 2);
  EXPECT_EQ(counts[kSchedule], -1);
  std::string why;
  EXPECT_TRUE(HoldsApplis(all[0].path, 1 << kMemo, &why));
  EXPECT_FALSE(HoldsApplis(all[0].path, (1 << kMemo) | (1 << kToDo), &why));
  EXPECT_EQ(why, all[0].path.string() + " lacks To Do");
  EXPECT_FALSE(HoldsApplis(dir_ / "notes.txt", 1 << kMemo, &why));
  EXPECT_FALSE(HoldsApplis({}, 1 << kMemo, &why));

  // A snapshot counts with the backups; 0 still keeps the newest.
  for (int keep : {2, 0}) {
    ASSERT_FALSE(
        AddGeneration(dir_, store, kKindSnapshot, {2026, 12, 1, 0, 0, 0}, keep, false, &error)
            .empty());
    all = ListGenerations(dir_);
    ASSERT_EQ(all.size(), static_cast<size_t>(std::max(keep, 1)));
    EXPECT_EQ(all[0].kind, kKindSnapshot);
  }
  EXPECT_TRUE(fs::exists(dir_ / "notes.txt"));
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

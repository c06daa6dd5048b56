#include "store/backup_file.h"

#include <cerrno>

#include <gtest/gtest.h>

#include "file_fixture.h"
#include "platform/link_defaults.h"
#include "support/disk_full_writer.h"
#include "support/tables.h"

namespace kivo {
namespace {

using testing::Bytes;
using testing::Concat;
using testing::FixedFreeSpace;
using testing::MakeRecord;
using testing::ToBytes;

const Bytes kMemoHi = MakeRecord({}, {"Hi"});
const Bytes kMemoAbc = MakeRecord({}, {"abc"});

Bytes Complemented(Bytes bytes) {
  for (uint8_t& b : bytes) b = static_cast<uint8_t>(~b);
  return bytes;
}

// A 7-slot store with identity code tables.
struct TestStore {
  TestStore() : store(CodeTables::Identity()) { EXPECT_EQ(store.GetAppliBuf(kStoreSlots), 0); }
  AppliStore store{ProgramTables().code};
};

class BackupFileTest : public testing::TempDirTest {
 protected:
  std::filesystem::path File(const char* name = "a.bkf") { return dir_ / name; }
};

struct ByteCase {
  const char* name;
  bool write_all;  // WriteBackupFile rather than SaveBackupFile
  bool scramble;
  bool memo_only;  // else seven present, empty applications
  Bytes expected;
};

TEST_F(BackupFileTest, WritersProduceTheDocumentedBytes) {
  const Bytes plain_header = Concat({ToBytes("IM2BK0"), {2, 0}});
  const Bytes inverted_header = Concat({ToBytes("IM2BK1"), {2, 0}});
  const Bytes empty_blocks = {0, 0, 0, 1, 0, 0, 2, 0, 0, 4, 0, 0, 6, 0, 0, 5, 0, 0, 3, 0, 0};
  const ByteCase kCases[] = {
      {"memo plain", false, false, true, Concat({plain_header, {1, 3, 0, 2}, kMemoHi, kMemoAbc})},
      {"memo inverted", false, true, true,
       Concat({inverted_header, {1, 0xFC, 0xFF, 0xFD}, Complemented(Concat({kMemoHi, kMemoAbc}))})},
      {"memo plain, write all", true, false, true,
       Concat({plain_header, {1, 3, 0, 2}, kMemoHi, kMemoAbc})},
      {"empty apps, write all", true, false, false, Concat({plain_header, {7}, empty_blocks})},
      {"empty apps, write all inverted", true, true, false,
       Concat({inverted_header, {7}, Complemented(empty_blocks)})},
      {"empty apps, save", false, false, false, Concat({plain_header, {0}})},
      {"empty apps, save inverted", false, true, false, Concat({inverted_header, {0}})},
  };
  for (const ByteCase& c : kCases) {
    SCOPED_TRACE(c.name);
    TestStore t;
    if (c.memo_only) {
      ASSERT_EQ(t.store.AddAppliData(kMemo, Concat({kMemoHi, kMemoAbc})), 0);
    } else {
      EXPECT_EQ(t.store.ResetAppli(kAllAppli), 255);
      ASSERT_EQ(t.store.slot_record_count(t.store.FindAppli(kCategoryList)), 0);
    }
    const StoreStatus r = c.write_all ? WriteBackupFile(t.store, File(), c.scramble)
                                      : SaveBackupFile(t.store, File(), c.scramble);
    EXPECT_EQ(r.code, 0) << r.error_text;
    EXPECT_EQ(GetFile(File()), c.expected);
    EXPECT_EQ(t.store.magic(), c.scramble ? kInvertedMagic : kPlainMagic);
  }
}

struct ReadCase {
  const char* name;
  Bytes file;
  int expected;
  int loaded_records;  // Memo records after the read, -1 when Memo must be absent
};

TEST_F(BackupFileTest, ReaderResultsForGoodAndDamagedFiles) {
  const Bytes header = Concat({ToBytes("IM2BK0"), {2, 0}});
  const Bytes memo_block = Concat({{3, 0, 2}, kMemoHi, kMemoAbc});
  const Bytes inverted = Concat({ToBytes("IM2BK1"), {2, 0, 1}, Complemented(memo_block)});
  const ReadCase kCases[] = {
      {"plain memo", Concat({header, {1}, memo_block}), 0, 2},
      {"inverted memo", inverted, 0, 2},
      {"trailing bytes ignored", Concat({header, {1}, memo_block, {9, 9, 9}}), 0, 2},
      {"nine bytes, no blocks", Concat({header, {0}}), 0, -1},
      {"other device", Concat({ToBytes("IM2BK0"), {1, 0, 1}, memo_block}), kStoreOtherDevice, -1},
      {"other device low byte", Concat({ToBytes("IM2BK0"), {2, 1, 0}}), kStoreOtherDevice, -1},
      {"unknown magic", Concat({ToBytes("IM2BK2"), {2, 0, 0}}), kStoreBadMagic, -1},
      {"lower-case magic", Concat({ToBytes("im2bk0"), {2, 0, 0}}), kStoreBadMagic, -1},
      {"memo twice", Concat({header, {2}, memo_block, memo_block}), kStoreDuplicate, 2},
      {"empty file", {}, kStoreLoadError, -1},
      {"eight bytes", header, kStoreLoadError, -1},
      {"five bytes", ToBytes("IM2BK"), kStoreLoadError, -1},
      {"more blocks than slots", Concat({header, {8}, {0, 0, 0, 1, 0, 0, 2, 0, 0, 3, 0, 0,
                                                       4, 0, 0, 5, 0, 0, 6, 0, 0, 7, 0, 0}}),
       kStoreLoadError, -1},
      {"block count past the end", Concat({header, {2}, memo_block}), kStoreLoadError, 2},
      {"record count past the end", Concat({header, {1}, {3, 0, 3}, kMemoHi, kMemoAbc}),
       kStoreLoadError, -1},
      {"cut block header", Concat({header, {1}, {3, 0}}), kStoreLoadError, -1},
      {"record without terminator", Concat({header, {1}, {3, 0, 1}, ToBytes("abc")}),
       kStoreLoadError, -1},
      {"record longer than 1024", Concat({header, {1}, {3, 0, 1}, Bytes(1024, 'x'), {0xFF}}),
       kStoreLoadError, -1},
  };
  for (const ReadCase& c : kCases) {
    SCOPED_TRACE(c.name);
    PutFile(File(), c.file);
    TestStore t;
    const StoreStatus read = ReadBackupFile(t.store, File());
    EXPECT_EQ(read.code, c.expected);
    EXPECT_EQ(read.error_text, "");  // only open and read failures set a text
    if (c.loaded_records < 0) {
      EXPECT_FALSE(t.store.IsPresent(kMemo));
    } else {
      EXPECT_EQ(t.store.GetRecordCount(kMemo), c.loaded_records);
    }
  }
}

TEST_F(BackupFileTest, LoadedRecordsAndMagicFollowTheFile) {
  PutFile(File(), Concat({ToBytes("IM2BK0"), {2, 0, 1}, {3, 0, 2}, kMemoHi, kMemoAbc}));
  TestStore t;
  ASSERT_EQ(ReadBackupFile(t.store, File()), 0);
  EXPECT_EQ(t.store.magic(), kPlainMagic);
  EXPECT_EQ(t.store.GetAppliCount(), 1);
  ASSERT_EQ(t.store.GetRecordCount(kMemo), 2);
  Bytes first(t.store.Record(kMemo, 0).begin(), t.store.Record(kMemo, 0).end());
  EXPECT_EQ(first, kMemoHi);
}

TEST_F(BackupFileTest, NineByteFileLoadsEveryApplicationEmptyWithDefaultCategories) {
  PutFile(File(), Concat({ToBytes("IM2BK1"), {2, 0, 0}}));
  TestStore t;
  ASSERT_EQ(LoadBackupFile(t.store, File()), 0);
  for (AppliId id = kSchedule; id <= kTelephone; ++id) EXPECT_EQ(t.store.GetRecordCount(id), 0);
  ASSERT_EQ(t.store.GetRecordCount(kCategoryList), 1);
  Bytes names(t.store.Record(kCategoryList, 0).begin(), t.store.Record(kCategoryList, 0).end());
  EXPECT_EQ(names,
            MakeRecord({}, {"Meals", "Hotel", "Car", "Phone", "Fares", "Enter't", "Tips", "Misc"}));
}

// Blocks of applications the store has no slot for are refused with the id
// named, before they could take a slot from a real application.
TEST_F(BackupFileTest, UnknownApplicationIdsAreRefusedByName) {
  for (int id : {7, 100, 254, 255}) {
    SCOPED_TRACE(id);
    PutFile(File(), Concat({ToBytes("IM2BK0"), {2, 0, 2}, {3, 0, 0}, {uint8_t(id), 0, 0}}));
    TestStore t;
    const StoreStatus load = LoadBackupFile(t.store, File());
    const std::string& reason = load.error_text;
    EXPECT_EQ(load.code, kStoreLoadError);
    EXPECT_NE(reason.find("block 2 holds the unknown application id " + std::to_string(id)),
              std::string::npos)
        << reason;
  }
}

TEST_F(BackupFileTest, LoadFailsWhenNotEveryApplicationFindsASlot) {
  PutFile(File(), Concat({ToBytes("IM2BK0"), {2, 0, 0}}));
  AppliStore store(CodeTables::Identity());
  ASSERT_EQ(store.GetAppliBuf(2), 0);
  const StoreStatus load = LoadBackupFile(store, File());
  EXPECT_EQ(load.code, kStoreLoadError);
  EXPECT_EQ(load.error_text, "No room for every application.");
}

TEST_F(BackupFileTest, FailedLoadDoesNotEnsureApplications) {
  PutFile(File(), Concat({ToBytes("IM2BK0"), {1, 0, 0}}));
  TestStore t;
  EXPECT_EQ(LoadBackupFile(t.store, File()), kStoreOtherDevice);
  EXPECT_FALSE(t.store.IsPresent(kSchedule));
}

TEST_F(BackupFileTest, MissingFileAndStoreWithoutSlotsReportCodes) {
  TestStore t;
  const StoreStatus missing = ReadBackupFile(t.store, File("missing.bkf"));
  EXPECT_EQ(missing.code, kStoreLoadError);
  EXPECT_EQ(missing.error_text, "No such file or directory");
  const StoreStatus folder = ReadBackupFile(t.store, dir_);
  EXPECT_EQ(folder.code, kStoreLoadError);
  EXPECT_EQ(folder.error_text, "Is a directory");

  AppliStore bare(CodeTables::Identity());
  EXPECT_EQ(ReadBackupFile(bare, File()), kStoreInvalid);
  const StoreStatus written = WriteBackupFile(bare, File(), true);
  EXPECT_EQ(written.code, kStoreInvalid);
  EXPECT_EQ(written.error_text, "");
  const StoreStatus saved = SaveBackupFile(bare, File(), true);
  EXPECT_EQ(saved.code, kStoreInvalid);
  EXPECT_EQ(saved.error_text, "Error");
}

TEST(FreeSpaceNeeded, ExistingFileSizeIsTakenOff) {
  struct Case {
    uint64_t existing;  // 0: no file
    uint64_t need;
    uint64_t expected;
  };
  const Case kCases[] = {
      {10240, 8192, 0},
      {10240, 12288, 2048},
      {10240, 10240, 0},
      {0, 12288, 12288},
  };
  auto dir = std::filesystem::temp_directory_path() / ("kivo_need_" + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  for (const Case& c : kCases) {
    auto file = dir / "f.bkf";
    std::filesystem::remove(file);
    if (c.existing > 0) {
      ASSERT_TRUE(WriteFileAtomically(file, Bytes(c.existing, 1)));
    }
    EXPECT_EQ(FreeSpaceNeeded(file, c.need), c.expected) << c.existing << " " << c.need;
  }
  std::filesystem::remove_all(dir);
}

TEST_F(BackupFileTest, FreeSpaceRuleOnWrite) {
  TestStore t;
  ASSERT_EQ(t.store.AddAppliData(kMemo, Bytes(3000, 0xFF)), 0);  // 3000 empty memos
  const int64_t need = BackupSizeBound(t.store);
  ASSERT_EQ(need, 9 + 7 * 3 + 3000 * 2);
  struct Case {
    const char* name;
    uint64_t existing;  // 0: no file
    uint64_t free;
    int expected;
  };
  const uint64_t n = static_cast<uint64_t>(need);
  const Case kCases[] = {
      {"new file, enough", 0, n, 0},
      {"new file, one byte short", 0, n - 1, kStoreRefused},
      {"new file, no space", 0, 0, kStoreRefused},
      {"overwrite larger file, no space", n + 100, 0, 0},
      {"overwrite equal file, no space", n, 0, 0},
      {"overwrite smaller file, difference free", n - 100, 100, 0},
      {"overwrite smaller file, difference short", n - 100, 99, kStoreRefused},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    std::filesystem::remove(File());
    Bytes before(c.existing, 0x55);
    if (c.existing > 0) {
      PutFile(File(), before);
    }
    FixedFreeSpace space(c.free);
    const StoreStatus saved = SaveBackupFile(t.store, File(), false, SystemFileWriter(), space);
    EXPECT_EQ(saved.code, c.expected);
    EXPECT_EQ(space.last_root_, FreeSpace::RootOf(File()));
    if (c.expected == 0) {
      EXPECT_EQ(GetFile(File()).size(), 9u + 3 + 3000);
    } else {
      EXPECT_EQ(saved.error_text, "Out of disk space writing to drive " + dir_.string() + ".");
      EXPECT_EQ(GetFile(File()), before);
      const StoreStatus written =
          WriteBackupFile(t.store, File(), false, SystemFileWriter(), space);
      EXPECT_EQ(written.code, kStoreRefused);
      EXPECT_EQ(written.error_text, "");  // only SaveBackupFile words the shortage
    }
  }
}

TEST_F(BackupFileTest, WriteThatFailsHalfwayKeepsPreviousFile) {
  TestStore t;
  ASSERT_EQ(t.store.AddAppliData(kMemo, Concat({kMemoHi, kMemoAbc})), 0);
  ASSERT_EQ(SaveBackupFile(t.store, File(), true), 0);
  const Bytes previous = GetFile(File());
  ASSERT_EQ(t.store.AddAppliData(kMemo, Bytes(60000, 0xFF)), 0);
  for (uint64_t cut : {0ull, 9ull, 40000ull}) {
    DiskFullWriter disk(cut, ENOSPC);
    const StoreStatus saved = SaveBackupFile(t.store, File(), true, disk);
    EXPECT_EQ(saved.code, kStoreRefused) << cut;
    EXPECT_EQ(saved.error_text, "No space left on device");
    EXPECT_EQ(GetFile(File()), previous) << cut;
    EXPECT_EQ(WriteBackupFile(t.store, File(), true, disk), kStoreRefused) << cut;
    EXPECT_EQ(GetFile(File()), previous) << cut;
  }
}

TEST_F(BackupFileTest, UnwritableTargetGivesSystemText) {
  TestStore t;
  const StoreStatus no_dir = SaveBackupFile(t.store, dir_ / "no" / "dir" / "a.bkf", true);
  EXPECT_EQ(no_dir.code, kStoreRefused);
  EXPECT_EQ(no_dir.error_text, "No such file or directory");
  if (geteuid() != 0) {
    PutFile(File(), {1, 2, 3});
    std::filesystem::permissions(File(), std::filesystem::perms::owner_read);
    const StoreStatus read_only = SaveBackupFile(t.store, File(), true);
    EXPECT_EQ(read_only.code, kStoreRefused);
    EXPECT_EQ(read_only.error_text, "Permission denied");
  }
}

}  // namespace
}  // namespace kivo

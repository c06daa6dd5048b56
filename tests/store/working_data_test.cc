#include "store/working_data.h"

#include <gtest/gtest.h>

#include "file_fixture.h"
#include "platform/link_defaults.h"
#include "store/backup_file.h"

namespace kivo {
namespace {

using testing::Bytes;
using testing::Concat;
using testing::MakeRecord;
using testing::ToBytes;

const Bytes kDefaultNames =
    MakeRecord({}, {"Meals", "Hotel", "Car", "Phone", "Fares", "Enter't", "Tips", "Misc"});

class WorkingDataTest : public testing::TempDirTest {
 protected:
  // A main store as the program makes it at start-up.
  std::unique_ptr<AppliStore> MainStore() {
    auto store = std::make_unique<AppliStore>(CodeTables::Identity());
    EXPECT_EQ(store->GetAppliBuf(kStoreSlots), 0);
    return store;
  }
  std::filesystem::path File() { return WorkingDataPath(dir_); }
  std::filesystem::path Bad() { return dir_ / "Kivo-LinkUtility.dat.bad"; }

  static void ExpectEmptyWithDefaults(const AppliStore& store) {
    for (AppliId id = kSchedule; id <= kTelephone; ++id) {
      EXPECT_EQ(store.GetRecordCount(id), 0) << int{id};
    }
    ASSERT_EQ(store.GetRecordCount(kCategoryList), 1);
    std::span<const uint8_t> names = store.Record(kCategoryList, 0);
    EXPECT_EQ(Bytes(names.begin(), names.end()), kDefaultNames);
  }
};

TEST_F(WorkingDataTest, FirstStartIsEmptyAndSavesOnlyTheCategoryList) {
  auto store = MainStore();
  WorkingDataLoad load = LoadWorkingData(*store, File(), 2);
  EXPECT_EQ(load.result, kStoreLoadError);
  EXPECT_FALSE(load.kept_aside);
  EXPECT_EQ(WorkingDataLoadMessage(File(), load), "");
  ExpectEmptyWithDefaults(*store);
  ASSERT_EQ(SaveWorkingData(*store, File(), 0), 0);
  EXPECT_EQ(GetFile(File()),
            Concat({ToBytes("IM2BK0"), {2, 0, 1}, {kCategoryList, 0, 1}, kDefaultNames}));
}

TEST_F(WorkingDataTest, StoreWithoutSlotsGetsThemAndKeepsTheFile) {
  auto writer = MainStore();
  ASSERT_EQ(writer->PutRecord(kMemo, 0, MakeRecord({}, {"keep"})), 0);
  ASSERT_EQ(SaveWorkingData(*writer, File(), 1), 0);
  AppliStore bare(CodeTables::Identity());
  WorkingDataLoad load = LoadWorkingData(bare, File(), 2);
  EXPECT_EQ(load.result, 0);
  EXPECT_FALSE(load.kept_aside);
  EXPECT_EQ(bare.slot_count(), kStoreSlots);
  EXPECT_EQ(bare.GetRecordCount(kMemo), 1);
}

TEST_F(WorkingDataTest, FailedLoadGivesResetOrderOfSlots) {
  auto store = MainStore();
  (void)LoadWorkingData(*store, File(), 2);
  const AppliId kOrder[] = {kSchedule,     kAnniversary, kToDo, kExpense,
                            kCategoryList, kTelephone,   kMemo};
  EXPECT_EQ(store->GetAppliCount(), 7);
  for (int slot = 0; slot < 7; ++slot) EXPECT_EQ(store->slot_id(slot), kOrder[slot]);
}

TEST_F(WorkingDataTest, DeviceCodeSettingDecidesWhichFilesLoad) {
  struct Case {
    int written_under;
    int loaded_under;
    bool loads;
  };
  const Case kCases[] = {{1, 1, true},
                         {2, 2, true},
                         {1, 2, false},
                         {2, 1, false},
                         {0, 7, true}};  // any value but 1 means (2, 0)
  for (const Case& c : kCases) {
    SCOPED_TRACE(::testing::Message() << c.written_under << " -> " << c.loaded_under);
    std::filesystem::remove(Bad());
    auto writer = MainStore();
    ApplyDeviceCodeSetting(*writer, c.written_under);
    ASSERT_EQ(writer->PutRecord(kMemo, 0, MakeRecord({}, {"keep"})), 0);
    ASSERT_EQ(SaveWorkingData(*writer, File(), 1), 0);

    auto store = MainStore();
    WorkingDataLoad load = LoadWorkingData(*store, File(), c.loaded_under);
    EXPECT_EQ(load.result == 0, c.loads);
    EXPECT_EQ(store->GetRecordCount(kMemo), c.loads ? 1 : 0);
    EXPECT_EQ(load.kept_aside, !c.loads);
  }
}

TEST_F(WorkingDataTest, PlainFileLoadsAndIsWrittenInvertedNextTime) {
  auto store = MainStore();
  ASSERT_EQ(store->PutRecord(kToDo, 0, MakeRecord({0x82, 0x20, 0x02, 0x01, 0x05}, {"x"})), 0);
  ASSERT_EQ(SaveWorkingData(*store, File(), 0), 0);
  ASSERT_EQ(GetFile(File())[5], '0');

  auto next = MainStore();
  ASSERT_EQ(LoadWorkingData(*next, File(), 2).result, 0);
  EXPECT_EQ(next->GetRecordCount(kToDo), 1);
  ASSERT_EQ(SaveWorkingData(*next, File(), 1), 0);
  EXPECT_EQ(GetFile(File())[5], '1');
}

TEST_F(WorkingDataTest, EmptiedApplicationLeavesNoBlockAndComesBackEmpty) {
  auto store = MainStore();
  (void)LoadWorkingData(*store, File(), 2);
  ASSERT_EQ(store->PutRecord(kMemo, 0, MakeRecord({}, {"m"})), 0);
  ASSERT_EQ(store->ResetAppli(kMemo), 0);
  ASSERT_EQ(SaveWorkingData(*store, File(), 0), 0);
  EXPECT_EQ(GetFile(File())[8], 1);  // the category list only

  auto next = MainStore();
  ASSERT_EQ(LoadWorkingData(*next, File(), 2).result, 0);
  EXPECT_TRUE(next->IsPresent(kMemo));
  EXPECT_EQ(next->GetRecordCount(kMemo), 0);
}

TEST_F(WorkingDataTest, DamagedFilesAreKeptAsideUnderNamesNeverReused) {
  const Bytes damaged = Concat({ToBytes("IM2BK0"), {2, 0, 1}, {kMemo, 0, 1}, ToBytes("no end")});
  const Bytes older = ToBytes("an older damaged file");
  PutFile(Bad(), older);
  ManualClock clock;
  clock.SetLocal({2026, 12, 7, 14, 5, 1});
  const std::filesystem::path kept[] = {dir_ / "Kivo-LinkUtility.dat.20261207-140501.bad",
                                        dir_ / "Kivo-LinkUtility.dat.20261207-140501-2.bad"};
  for (const std::filesystem::path& expected : kept) {
    PutFile(File(), damaged);
    auto store = MainStore();
    WorkingDataLoad load = LoadWorkingData(*store, File(), 2, clock);
    EXPECT_EQ(load.result, kStoreLoadError);
    EXPECT_TRUE(load.kept_aside);
    EXPECT_EQ(load.kept, expected);
    EXPECT_EQ(GetFile(expected), damaged);
    EXPECT_FALSE(std::filesystem::exists(File()));
    ExpectEmptyWithDefaults(*store);
    const std::string message = WorkingDataLoadMessage(File(), load);
    EXPECT_NE(message.find(File().string()), std::string::npos) << message;
    EXPECT_NE(message.find(expected.string()), std::string::npos) << message;
    EXPECT_NE(message.find("It is damaged or cannot be read."), std::string::npos) << message;
    // The exit save writes a new file and leaves the kept ones alone.
    ASSERT_EQ(SaveWorkingData(*store, File(), 1), 0);
    EXPECT_EQ(GetFile(expected), damaged);
    auto next = MainStore();
    EXPECT_EQ(LoadWorkingData(*next, File(), 2).result, 0);
  }
  EXPECT_EQ(GetFile(Bad()), older);
}

TEST_F(WorkingDataTest, EveryLoadFailureOfAnExistingFileKeepsItAsideAndSaysWhy) {
  const Bytes memo = Concat({{kMemo, 0, 1}, MakeRecord({}, {"m"})});
  struct Case {
    const char* name;
    Bytes file;
    int result;
    const char* reason;
  };
  const Case kCases[] = {
      {"unknown magic", Concat({ToBytes("XXXXXX"), {2, 0, 0}}), kStoreBadMagic,
       "It is not a backup file."},
      {"other device", Concat({ToBytes("IM2BK0"), {1, 0, 0}}), kStoreOtherDevice,
       "It was written for another device code."},
      {"memo twice", Concat({ToBytes("IM2BK0"), {2, 0, 2}, memo, memo}), kStoreDuplicate,
       "An application occurs twice in it."},
      {"too short", ToBytes("IM2"), kStoreLoadError, "It is damaged or cannot be read."},
      {"unknown application", Concat({ToBytes("IM2BK0"), {2, 0, 1}, {9, 0, 0}}), kStoreLoadError,
       "The backup file is not compatible. (block 1 holds the unknown application id 9)"},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    PutFile(File(), c.file);
    auto store = MainStore();
    WorkingDataLoad load = LoadWorkingData(*store, File(), 2);
    EXPECT_EQ(load.result, c.result);
    EXPECT_TRUE(load.kept_aside);
    EXPECT_EQ(GetFile(load.kept), c.file);
    EXPECT_EQ(load.reason, c.reason);
    ExpectEmptyWithDefaults(*store);
    EXPECT_EQ(store->GetAppliCount(), 7);
  }
}

}  // namespace
}  // namespace kivo

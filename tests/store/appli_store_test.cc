#include "store/appli_store.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/link_defaults.h"

namespace kivo {
namespace {

using Bytes = std::vector<uint8_t>;

// n records "r<k>" with terminators, back to back.
Bytes RecordList(int n, uint8_t first = 'a') {
  Bytes out;
  for (int k = 0; k < n; ++k) {
    out.push_back('r');
    out.push_back(static_cast<uint8_t>(first + k % 26));
    out.push_back(0);
    out.push_back(kTerminator);
  }
  return out;
}

Bytes Rec(std::initializer_list<uint8_t> bytes) { return Bytes(bytes); }

Bytes AsVector(std::span<const uint8_t> s) { return Bytes(s.begin(), s.end()); }

class StoreTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(store_.GetAppliBuf(kStoreSlots), kStoreOk); }
  AppliStore store_{CodeTables::Identity()};
};

TEST(AppliStoreConstruct, HeaderDefaultsAndNoSlotArea) {
  AppliStore store(CodeTables::Blank());
  EXPECT_EQ(std::string(store.magic().data(), 6), "IM2BK1");
  EXPECT_EQ(store.device_code()[0], 2);
  EXPECT_EQ(store.device_code()[1], 0);
  EXPECT_EQ(store.GetAppliCount(), 0);
  EXPECT_EQ(store.slot_count(), 0);
  EXPECT_FALSE(store.has_slot_area());
}

// Every lookup and change on a store without slot area gives a code, never a crash.
TEST(AppliStoreConstruct, OperationsWithoutSlotArea) {
  AppliStore store(CodeTables::Identity());
  Bytes data = RecordList(1);
  std::vector<uint8_t> buffer(16);
  size_t used = 0;
  EXPECT_EQ(store.FindAppli(kMemo), kStoreInvalid);
  EXPECT_EQ(store.FindFreeSlot(), kStoreNoSlot);
  EXPECT_EQ(store.GetRecordCount(kMemo), kStoreAbsent);
  EXPECT_EQ(store.GetAppliDataSize(kMemo), kStoreInvalid);
  EXPECT_EQ(store.GetAppliData(kMemo, buffer, &used), kStoreRefused);
  EXPECT_EQ(store.AddAppliData(kMemo, data), kStoreRefused);
  EXPECT_EQ(store.ResetAppli(kMemo), kStoreNotFound);
  EXPECT_EQ(store.EnsureAppli(0x3F, true), kStoreInvalid);
  EXPECT_EQ(store.PutRecord(kMemo, 0, data), kStoreRefused);
  EXPECT_EQ(store.LoadBlock(Rec({3, 0, 0}), 0, 0), kStoreLoadError);
  EXPECT_TRUE(store.SlotRecord(0, 0).empty());
}

TEST(AppliStoreSlots, GetAppliBufRefusesSlotCountsOutOfRange) {
  AppliStore store(CodeTables::Identity());
  for (int n : {-1, 0, 256}) EXPECT_EQ(store.GetAppliBuf(n), kStoreInvalid) << n;
  EXPECT_EQ(store.GetAppliBuf(255), kStoreOk);
  EXPECT_EQ(store.slot_count(), 255);
}

TEST_F(StoreTest, FreshSlotsAreFreeAndAbsent) {
  EXPECT_EQ(store_.GetRecordCount(kSchedule), kStoreAbsent);
  EXPECT_EQ(store_.FindAppli(kSchedule), kStoreNotFound);
  EXPECT_EQ(store_.FindFreeSlot(), 0);
  for (int i = 0; i < 7; ++i) {
    EXPECT_EQ(store_.slot_id(i), kAllAppli);
    EXPECT_FALSE(store_.slot_loaded(i));
  }
}

TEST_F(StoreTest, EnsureAppliCreatesEveryApplicationAndDefaultNames) {
  ASSERT_EQ(store_.EnsureAppli(0x3F, true), kStoreOk);
  EXPECT_EQ(store_.GetAppliCount(), 7);
  for (AppliId id = 0; id <= kTelephone; ++id) {
    EXPECT_EQ(store_.GetRecordCount(id), 0) << int(id);
    EXPECT_EQ(store_.slot_id(id), id);
  }
  ASSERT_EQ(store_.GetRecordCount(kCategoryList), 1);
  Bytes names = AsVector(store_.Record(kCategoryList, 0));
  static const char kNames[] = "Meals\0Hotel\0Car\0Phone\0Fares\0Enter't\0Tips\0Misc\0\xFF";
  std::string expected(kNames, sizeof(kNames) - 1);
  EXPECT_EQ(expected.size(), 47u);
  EXPECT_EQ(names, Bytes(expected.begin(), expected.end()));
  // A second call finds everything present and changes nothing.
  ASSERT_EQ(store_.EnsureAppli(0x3F, true), kStoreOk);
  EXPECT_EQ(store_.GetAppliCount(), 7);
}

TEST_F(StoreTest, EnsureAppliCountsWhatItCreatedBeforeRunningOutOfSlots) {
  AppliStore small(CodeTables::Identity());
  ASSERT_EQ(small.GetAppliBuf(2), kStoreOk);
  EXPECT_EQ(small.EnsureAppli(0x3F, false), kStoreInvalid);
  EXPECT_EQ(small.GetAppliCount(), 2);
  EXPECT_EQ(small.slot_id(0), kSchedule);
  EXPECT_EQ(small.slot_id(1), kAnniversary);
}

TEST_F(StoreTest, ResetAllPutsIdsInOrganizerOrder) {
  EXPECT_EQ(store_.ResetAppli(kAllAppli), 255);
  EXPECT_EQ(store_.GetAppliCount(), 7);
  const AppliId expected[] = {0, 1, 2, 4, 6, 5, 3};
  for (int i = 0; i < 7; ++i) {
    EXPECT_EQ(store_.slot_id(i), expected[i]);
    EXPECT_TRUE(store_.slot_loaded(i));
    EXPECT_EQ(store_.slot_record_count(i), 0);
  }
}

TEST_F(StoreTest, ResetAppliEmptiesAndKeepsPresent) {
  ASSERT_EQ(store_.AddAppliData(kMemo, RecordList(3)), kStoreOk);
  EXPECT_EQ(store_.ResetAppli(kMemo), kStoreOk);
  EXPECT_EQ(store_.GetRecordCount(kMemo), 0);
  EXPECT_EQ(store_.GetAppliCount(), 1);
  AppliStore small(CodeTables::Identity());
  ASSERT_EQ(small.GetAppliBuf(1), kStoreOk);
  EXPECT_EQ(small.ResetAppli(kMemo), kStoreOk);
  EXPECT_EQ(small.ResetAppli(kToDo), kStoreNotFound);
}

TEST_F(StoreTest, AddAppliDataCreatesThenAppends) {
  ASSERT_EQ(store_.AddAppliData(kToDo, RecordList(3, 'a')), kStoreOk);
  EXPECT_EQ(store_.GetRecordCount(kToDo), 3);
  EXPECT_EQ(store_.GetAppliCount(), 1);
  ASSERT_EQ(store_.AddAppliData(kToDo, RecordList(2, 'x')), kStoreOk);
  EXPECT_EQ(store_.GetRecordCount(kToDo), 5);
  EXPECT_EQ(store_.GetAppliCount(), 1);
  EXPECT_EQ(AsVector(store_.Record(kToDo, 2)), Rec({'r', 'c', 0, 0xFF}));
  EXPECT_EQ(AsVector(store_.Record(kToDo, 3)), Rec({'r', 'x', 0, 0xFF}));
  EXPECT_EQ(AsVector(store_.Record(kToDo, 4)), Rec({'r', 'y', 0, 0xFF}));
  EXPECT_TRUE(store_.Record(kToDo, 5).empty());
}

TEST_F(StoreTest, AddAppliDataCategoryListReplaces) {
  ASSERT_EQ(store_.AddAppliData(kCategoryList, RecordList(1, 'a')), kStoreOk);
  ASSERT_EQ(store_.AddAppliData(kCategoryList, RecordList(1, 'q')), kStoreOk);
  EXPECT_EQ(store_.GetRecordCount(kCategoryList), 1);
  EXPECT_EQ(AsVector(store_.Record(kCategoryList, 0)), Rec({'r', 'q', 0, 0xFF}));
  EXPECT_EQ(store_.GetAppliCount(), 1);
}

struct AddCase {
  const char* name;
  Bytes data;
  int result;
  int count_after;  // of Memo, which starts present and empty
};

// What AddAppliData makes of data that is not a clean record list.
TEST_F(StoreTest, AddAppliDataUntrustedInput) {
  Bytes long_record(1024, 'x');
  long_record.push_back(kTerminator);  // 1,024 bytes before the terminator
  Bytes longest(1023, 'x');
  longest.push_back(kTerminator);
  Bytes trailing = RecordList(2);
  trailing.insert(trailing.end(), {'t', 'a', 'i', 'l'});
  const AddCase cases[] = {
      {"no terminator at all", Rec({'a', 'b', 0}), kStoreRefused, 0},
      {"empty data", Bytes{}, kStoreRefused, 0},
      {"record of 1,024 bytes", long_record, kStoreInvalid, 0},
      {"record of 1,023 bytes", longest, kStoreOk, 1},
      {"bytes after last terminator ignored", trailing, kStoreOk, 2},
      {"terminator alone is a record", Rec({0xFF}), kStoreOk, 1},
  };
  for (const AddCase& c : cases) {
    ASSERT_EQ(store_.ResetAppli(kMemo), kStoreOk);
    EXPECT_EQ(store_.AddAppliData(kMemo, c.data), c.result) << c.name;
    EXPECT_EQ(store_.GetRecordCount(kMemo), c.count_after) << c.name;
  }
  EXPECT_EQ(store_.AddAppliData(kAllAppli, RecordList(1)), kStoreRefused);
}

TEST_F(StoreTest, AddAppliDataNoFreeSlot) {
  store_.ResetAppli(kAllAppli);
  EXPECT_EQ(store_.AddAppliData(20, RecordList(1)), kStoreRefused);
  EXPECT_EQ(store_.GetAppliCount(), 7);
}

TEST_F(StoreTest, RecordLimitPerApplication) {
  ASSERT_EQ(store_.AddAppliData(kMemo, Bytes(65534, kTerminator)), kStoreOk);
  EXPECT_EQ(store_.AddAppliData(kMemo, Bytes(2, kTerminator)), kStoreRefused);
  EXPECT_EQ(store_.GetRecordCount(kMemo), 65534);
  EXPECT_EQ(store_.AddAppliData(kMemo, Bytes(1, kTerminator)), kStoreOk);
  EXPECT_EQ(store_.GetRecordCount(kMemo), 65535);
  EXPECT_EQ(store_.PutRecord(kMemo, 65535, Rec({0xFF})), kStoreRefused);
  EXPECT_EQ(store_.AddAppliData(kToDo, Bytes(65536, kTerminator)), kStoreRefused);
  EXPECT_FALSE(store_.IsPresent(kToDo));
}

TEST_F(StoreTest, GetAppliDataWithinSizeBound) {
  Bytes data = RecordList(5);
  data.insert(data.end(), {0xFF, 'z', 0, 0xFF});
  ASSERT_EQ(store_.AddAppliData(kTelephone, data), kStoreOk);
  int size = store_.GetAppliDataSize(kTelephone);
  EXPECT_EQ(size, static_cast<int>(data.size()) + 7);
  Bytes buffer(static_cast<size_t>(size));
  size_t used = 0;
  ASSERT_EQ(store_.GetAppliData(kTelephone, buffer, &used), kStoreOk);
  EXPECT_EQ(used, data.size());
  EXPECT_EQ(Bytes(buffer.begin(), buffer.begin() + static_cast<long>(used)), data);
  // Exactly the bytes needed is enough; one byte less, or less than one per
  // record, is refused.
  Bytes exact(data.size());
  EXPECT_EQ(store_.GetAppliData(kTelephone, exact, &used), kStoreOk);
  Bytes short_by_one(data.size() - 1);
  EXPECT_EQ(store_.GetAppliData(kTelephone, short_by_one, &used), kStoreRefused);
  Bytes tiny(6);
  EXPECT_EQ(store_.GetAppliData(kTelephone, tiny, &used), kStoreRefused);
  EXPECT_EQ(store_.GetAppliData(kMemo, buffer, &used), kStoreRefused);
  EXPECT_EQ(store_.GetAppliData(kTelephone, buffer, nullptr), kStoreRefused);
  EXPECT_EQ(store_.GetAppliDataSize(kMemo), kStoreAbsent);
}

// Text comes in with table B and leaves with table A; the binary header and
// the terminator are never converted.
TEST(AppliStoreCoding, ConvertsOnlyTheTextPart) {
  CodeTables tables = CodeTables::Identity();
  tables.b[200 - 127] = 0xE9;   // organizer 200 -> PC 0xE9
  tables.a[0xE9 - 127] = 0x82;  // PC 0xE9 -> organizer 0x82
  AppliStore store(tables);
  ASSERT_EQ(store.GetAppliBuf(kStoreSlots), kStoreOk);
  // A To Do record: 5 binary bytes (one of them 200), then text with 200.
  Bytes in = Rec({0x80, 200, 0x02, 0x01, 0x05, 'a', 200, 0, 0xFF});
  ASSERT_EQ(store.AddAppliData(kToDo, in), kStoreOk);
  EXPECT_EQ(AsVector(store.Record(kToDo, 0)),
            Rec({0x80, 200, 0x02, 0x01, 0x05, 'a', 0xE9, 0, 0xFF}));
  Bytes out(32);
  size_t used = 0;
  ASSERT_EQ(store.GetAppliData(kToDo, out, &used), kStoreOk);
  out.resize(used);
  EXPECT_EQ(out, Rec({0x80, 200, 0x02, 0x01, 0x05, 'a', 0x82, 0, 0xFF}));
}

TEST_F(StoreTest, PutRecordInIndexOrderOnly) {
  EXPECT_EQ(store_.PutRecord(kSchedule, 0, Rec({'a', 0, 0xFF})), kStoreOk);
  // The first put creates the application and the category list.
  EXPECT_EQ(store_.GetAppliCount(), 2);
  EXPECT_EQ(store_.GetRecordCount(kCategoryList), 1);
  EXPECT_EQ(store_.PutRecord(kSchedule, 0, Rec({'b', 0, 0xFF})), kStoreRefused);
  EXPECT_EQ(store_.PutRecord(kSchedule, 2, Rec({'b', 0, 0xFF})), kStoreRefused);
  EXPECT_EQ(store_.PutRecord(kSchedule, 1, Rec({'b', 0})), kStoreRefused);
  // Only the bytes up to the first terminator are the record.
  EXPECT_EQ(store_.PutRecord(kSchedule, 1, Rec({'b', 0, 0xFF, 'c'})), kStoreOk);
  EXPECT_EQ(AsVector(store_.Record(kSchedule, 1)), Rec({'b', 0, 0xFF}));
  EXPECT_EQ(store_.PutRecord(99, 0, Rec({0xFF})), kStoreRefused);
  EXPECT_EQ(store_.PutRecord(kAllAppli, 0, Rec({0xFF})), kStoreRefused);
}

TEST_F(StoreTest, SetCategoryRecordNeedsTheList) {
  EXPECT_EQ(store_.SetCategoryRecord(Rec({'A', 0, 0xFF})), kStoreRefused);
  ASSERT_EQ(store_.EnsureAppli(0, true), kStoreOk);
  EXPECT_EQ(store_.SetCategoryRecord(Rec({'A', 0, 0xFF})), kStoreOk);
  EXPECT_EQ(store_.GetRecordCount(kCategoryList), 1);
  EXPECT_EQ(AsVector(store_.Record(kCategoryList, 0)), Rec({'A', 0, 0xFF}));
}

TEST_F(StoreTest, FreeAllRecordsKeepsCountsWithEmptyReferences) {
  ASSERT_EQ(store_.AddAppliData(kMemo, RecordList(3)), kStoreOk);
  store_.FreeAllRecords();
  EXPECT_EQ(store_.GetRecordCount(kMemo), 3);
  EXPECT_TRUE(store_.Record(kMemo, 0).empty());
  EXPECT_EQ(store_.GetAppliDataSize(kMemo), 3);
  Bytes buffer(3);
  size_t used = 9;
  EXPECT_EQ(store_.GetAppliData(kMemo, buffer, &used), kStoreOk);
  EXPECT_EQ(used, 0u);
}

TEST_F(StoreTest, InitAppliBufNamesSlotsWithoutCounting) {
  EXPECT_EQ(store_.InitAppliBuf(kExpense), kStoreOk);
  EXPECT_EQ(store_.slot_count(), 2);
  EXPECT_EQ(store_.slot_id(0), kExpense);
  EXPECT_EQ(store_.slot_id(1), kCategoryList);
  EXPECT_FALSE(store_.slot_loaded(0));
  EXPECT_EQ(store_.GetAppliCount(), 0);
  EXPECT_EQ(store_.InitAppliBuf(kMemo), kStoreOk);
  EXPECT_EQ(store_.slot_count(), 1);
  EXPECT_EQ(store_.GetRecordCount(kMemo), 0);
  EXPECT_EQ(store_.PutRecord(kMemo, 0, Rec({'m', 0, 0xFF})), kStoreOk);
  EXPECT_TRUE(store_.slot_loaded(0));
}

struct BlockCase {
  const char* name;
  Bytes data;
  size_t pos;
  int result;  // bytes consumed or a code
};

TEST_F(StoreTest, LoadBlockChecksTheBuffer) {
  const BlockCase cases[] = {
      {"two records", Rec({3, 0, 2, 'a', 0, 0xFF, 0xFF, 9}), 0, 7},
      {"at an offset", Rec({7, 3, 0, 1, 0xFF}), 1, 4},
      {"empty block", Rec({3, 0, 0}), 0, 3},
      {"count beyond data", Rec({3, 0, 3, 'a', 0xFF, 0xFF}), 0, kStoreLoadError},
      {"record without terminator", Rec({3, 0, 1, 'a', 'b'}), 0, kStoreLoadError},
      {"header cut short", Rec({3, 0}), 0, kStoreLoadError},
      {"position past end", Rec({3, 0, 0}), 4, kStoreLoadError},
      {"id 255", Rec({255, 0, 0}), 0, kStoreLoadError},
  };
  for (const BlockCase& c : cases) {
    store_.ClearAllAppli();
    EXPECT_EQ(store_.LoadBlock(c.data, c.pos, 0), c.result) << c.name;
    EXPECT_EQ(store_.slot_loaded(0), c.result >= 0) << c.name;
  }
  EXPECT_EQ(store_.LoadBlock(Rec({3, 0, 0}), 0, 7), kStoreLoadError);
  EXPECT_EQ(store_.LoadBlock(Rec({3, 0, 0}), 0, -1), kStoreLoadError);
}

TEST_F(StoreTest, LoadBlockRecordLengthLimit) {
  Bytes block = {kMemo, 0, 1};
  block.insert(block.end(), 1023, 'x');
  block.push_back(kTerminator);
  EXPECT_EQ(store_.LoadBlock(block, 0, 0), 3 + 1024);
  EXPECT_EQ(store_.slot_id(0), kMemo);
  EXPECT_EQ(store_.slot_record_count(0), 1);
  block.insert(block.begin() + 3, 'y');  // now 1,024 bytes before the terminator
  store_.ClearAllAppli();
  EXPECT_EQ(store_.LoadBlock(block, 0, 0), kStoreLoadError);
}

TEST_F(StoreTest, DuplicateCheck) {
  ASSERT_EQ(store_.LoadBlock(Rec({3, 0, 0}), 0, 0), 3);
  ASSERT_EQ(store_.LoadBlock(Rec({2, 0, 0}), 0, 1), 3);
  EXPECT_EQ(store_.CheckDuplicates(), kStoreOk);
  ASSERT_EQ(store_.LoadBlock(Rec({3, 0, 0}), 0, 2), 3);
  EXPECT_EQ(store_.CheckDuplicates(), kStoreDuplicate);
}

TEST(CopyAppliStore, CopiesHeaderRecordsAndNames) {
  AppliStore source(CodeTables::Identity());
  ASSERT_EQ(source.GetAppliBuf(kStoreSlots), kStoreOk);
  source.ResetAppli(kAllAppli);
  source.SetDeviceCode(1, 0);
  source.set_magic({'I', 'M', '2', 'B', 'K', '0'});
  ASSERT_EQ(source.AddAppliData(kMemo, RecordList(3)), kStoreOk);
  ASSERT_EQ(source.AddAppliData(kCategoryList, Rec({'A', 0, 'B', 0, 0xFF})), kStoreOk);

  AppliStore dest(CodeTables::Identity());
  ASSERT_EQ(dest.GetAppliBuf(kStoreSlots), kStoreOk);
  ASSERT_EQ(dest.EnsureAppli(0x3F, true), kStoreOk);
  // Leftover records in the destination do not survive the copy.
  ASSERT_EQ(dest.AddAppliData(kToDo, RecordList(2)), kStoreOk);
  CopyAppliStore(dest, source);
  EXPECT_EQ(std::string(dest.magic().data(), 6), "IM2BK0");
  EXPECT_EQ(dest.device_code()[0], 1);
  EXPECT_EQ(dest.GetAppliCount(), 7);
  EXPECT_EQ(dest.GetRecordCount(kToDo), 0);
  ASSERT_EQ(dest.GetRecordCount(kMemo), 3);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(AsVector(dest.Record(kMemo, i)), AsVector(source.Record(kMemo, i)));
  }
  EXPECT_EQ(AsVector(dest.Record(kCategoryList, 0)), Rec({'A', 0, 'B', 0, 0xFF}));
}

TEST(RecordLength, FirstTerminatorWithinLimit) {
  EXPECT_EQ(RecordLength(Rec({0xFF})), 0);
  EXPECT_EQ(RecordLength(Rec({'a', 0xFF, 0xFF})), 1);
  EXPECT_EQ(RecordLength(Rec({'a'})), -1);
  EXPECT_EQ(RecordLength(Bytes{}), -1);
  Bytes at_limit(1023, 'x');
  at_limit.push_back(0xFF);
  EXPECT_EQ(RecordLength(at_limit), 1023);
  at_limit.insert(at_limit.begin(), 'x');
  EXPECT_EQ(RecordLength(at_limit), -1);
}

}  // namespace
}  // namespace kivo

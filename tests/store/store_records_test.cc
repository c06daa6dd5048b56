#include "store/store_records.h"

#include <vector>

#include <gtest/gtest.h>

#include "platform/link_defaults.h"
#include "store/appli_store.h"
#include "store/result_code.h"

namespace kivo {
namespace {

using Bytes = std::vector<uint8_t>;

TEST(StoreRecords, PutInOrderThenReadBackGivesTheRecordsInThatOrder) {
  AppliStore store{CodeTables::Blank()};
  ASSERT_EQ(store.GetAppliBuf(kStoreSlots), 0);
  EXPECT_TRUE(StoreRecords(store, kMemo).empty()) << "an absent application has no records";
  const std::vector<Bytes> records = {{'a', 0, 0xFF}, {'b', 0, 0xFF}, {'c', 0, 0xFF}};
  EXPECT_EQ(IdentityOrder(3), (std::vector<int>{0, 1, 2}));
  ASSERT_EQ(PutInOrder(store, kMemo, records, {2, 0, 1}), kStoreOk);
  EXPECT_EQ(StoreRecords(store, kMemo), (std::vector<Bytes>{records[2], records[0], records[1]}));
}

TEST(StoreRecords, PutInOrderStopsAtTheFirstRecordRefused) {
  AppliStore store{CodeTables::Blank()};
  ASSERT_EQ(store.GetAppliBuf(kStoreSlots), 0);
  const std::vector<Bytes> records = {{'a', 0, 0xFF}, Bytes(2000, 'x'), {'c', 0, 0xFF}};
  EXPECT_EQ(PutInOrder(store, kMemo, records, IdentityOrder(records.size())), kStoreRefused);
  EXPECT_EQ(StoreRecords(store, kMemo), (std::vector<Bytes>{records[0]}));
}

}  // namespace
}  // namespace kivo

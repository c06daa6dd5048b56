#include <cmath>
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "platform/link_defaults.h"
#include "store/amount.h"
#include "store/appli_store.h"
#include "store/record_access.h"
#include "store/record_codec.h"

namespace kivo {
namespace {

using Bytes = std::vector<uint8_t>;

// Random byte strings, biased towards the bytes that carry structure (NUL,
// 0xFF) so texts, records and blocks end in every possible place.
Bytes RandomBytes(std::mt19937& rng, size_t max_size) {
  std::uniform_int_distribution<size_t> size(0, max_size);
  std::uniform_int_distribution<int> kind(0, 9);
  std::uniform_int_distribution<int> byte(0, 255);
  Bytes out(size(rng));
  for (uint8_t& b : out) {
    int k = kind(rng);
    b = k == 0 ? 0 : k == 1 ? 0xFF : static_cast<uint8_t>(byte(rng));
  }
  return out;
}

size_t BodySize(const Bytes& bytes) {
  size_t n = 0;
  while (n < bytes.size() && bytes[n] != 0xFF) ++n;
  return n;
}

// Every decoder on random bytes: the result follows the header length alone
// and the texts stay within their capacities.
TEST(UntrustedBytes, DecodersKeepCapacitiesAndCodes) {
  std::mt19937 rng(20261207);
  for (int round = 0; round < 3000; ++round) {
    Bytes bytes = RandomBytes(rng, round % 2 == 0 ? 64 : 1200);
    size_t body = BodySize(bytes);
    ScheduleRecord s;
    EXPECT_EQ(DecodeScheduleRecord(bytes, &s), body >= 14 ? kStoreOk : kStoreInvalid);
    EXPECT_LE(s.description.size(), kTextCapacity);
    ToDoRecord t;
    EXPECT_EQ(DecodeToDoRecord(bytes, &t), body >= 5 ? kStoreOk : kStoreInvalid);
    ExpenseRecord e;
    EXPECT_EQ(DecodeExpenseRecord(bytes, &e), body >= 33 ? kStoreOk : kStoreInvalid);
    EXPECT_TRUE(std::isfinite(DecodeAmount(e)));
    TelephoneRecord p;
    EXPECT_EQ(DecodeTelephoneRecord(bytes, &p), body >= 1 ? kStoreOk : kStoreInvalid);
    for (int i = 0; i < kTelephoneTextCount; ++i)
      EXPECT_LE(p.texts[i].size(), kTelephoneCapacity[i]);
    EXPECT_LE(EncodeTelephoneRecord(p).size(), 832u);
    CategoryNames names;
    EXPECT_EQ(DecodeCategoryNames(bytes, &names), kStoreOk);
    for (const std::string& n : names.names) EXPECT_LE(n.size(), kCategoryNameCapacity);
    EXPECT_EQ(CompareBcd(bytes, bytes, 2 * static_cast<int>(bytes.size()) + 5), 0);
  }
}

// LoadBlock and AddAppliData on random buffers: a defined code, and on
// success a store whose records all end with their terminator.
TEST(UntrustedBytes, StoreLoadersNeverReadPastTheBuffer) {
  std::mt19937 rng(7);
  AppliStore store(CodeTables::Identity());
  for (int round = 0; round < 2000; ++round) {
    ASSERT_EQ(store.GetAppliBuf(kStoreSlots), kStoreOk);
    Bytes data = RandomBytes(rng, 300);
    if (data.size() >= 3) data[1] = 0;  // keep counts small enough to matter
    int consumed = store.LoadBlock(data, 0, 0);
    if (consumed >= 0) {
      EXPECT_LE(static_cast<size_t>(consumed), data.size());
      EXPECT_TRUE(store.slot_loaded(0));
    } else {
      EXPECT_EQ(consumed, kStoreLoadError);
      EXPECT_FALSE(store.slot_loaded(0));
    }
    int added = store.AddAppliData(kMemo, data);
    EXPECT_TRUE(added == kStoreOk || added == kStoreRefused || added == kStoreInvalid) << added;
    for (int slot = 0; slot < store.slot_count(); ++slot) {
      for (int i = 0; i < store.slot_record_count(slot); ++i) {
        std::span<const uint8_t> record = store.SlotRecord(slot, i);
        ASSERT_FALSE(record.empty());
        EXPECT_EQ(record.back(), 0xFF);
        EXPECT_EQ(RecordLength(record), static_cast<int>(record.size()) - 1);
      }
    }
    int size = store.GetAppliDataSize(kMemo);
    if (size > 0) {
      Bytes out(static_cast<size_t>(size));
      size_t used = 0;
      EXPECT_EQ(store.GetAppliData(kMemo, out, &used), kStoreOk);
    }
  }
}

}  // namespace
}  // namespace kivo

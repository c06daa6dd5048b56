#include "store/store_diff.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/link_defaults.h"
#include "support/tables.h"

namespace kivo {
namespace {

// A store whose memos are the given texts.
void Memos(AppliStore& store, const std::vector<std::string>& texts) {
  ASSERT_EQ(store.GetAppliBuf(kStoreSlots), 0);
  for (size_t i = 0; i < texts.size(); ++i) {
    std::vector<uint8_t> record(texts[i].begin(), texts[i].end());
    record.push_back(0);
    record.push_back(0xFF);
    ASSERT_EQ(store.PutRecord(kMemo, static_cast<int>(i), record), kStoreOk);
  }
}

TEST(StoreDiff, ComparesRecordsAsMultisets) {
  struct Case {
    std::vector<std::string> a, b;
    size_t only_a, only_b;
    int both;
  } cases[] = {
      {{}, {}, 0, 0, 0},
      {{"x", "y"}, {"y", "x"}, 0, 0, 2},  // order does not matter
      {{"x", "x"}, {"x"}, 1, 0, 1},       // a duplicate counts
      {{"x"}, {"x", "x", "z"}, 0, 2, 1},
      {{"x", "y"}, {"z"}, 2, 1, 0},
      {{"x"}, {"X"}, 1, 1, 0},  // bytes, not words
  };
  for (const Case& c : cases) {
    AppliStore a{ProgramTables().code};
    AppliStore b{ProgramTables().code};
    Memos(a, c.a);
    Memos(b, c.b);
    const std::vector<AppliDiff> diffs = DiffStores(a, b);
    ASSERT_EQ(diffs.size(), 7u);
    const AppliDiff& memo = diffs[kMemo];
    EXPECT_EQ(memo.only_a.size(), c.only_a) << c.a.size() << "/" << c.b.size();
    EXPECT_EQ(memo.only_b.size(), c.only_b);
    EXPECT_EQ(memo.both, c.both);
    EXPECT_EQ(AnyDifference(diffs), c.only_a + c.only_b > 0);
    for (const AppliDiff& d : diffs) {
      if (d.id != kMemo) {
        EXPECT_FALSE(d.differs()) << int(d.id);
      }
    }
  }
}

}  // namespace
}  // namespace kivo

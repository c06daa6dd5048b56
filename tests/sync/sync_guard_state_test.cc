// The guards and the state reader's refusals, as tables.

#include <gtest/gtest.h>

#include "support/memory_endpoint.h"
#include "support/records.h"
#include "support/temp_dir.h"
#include "sync/byte_coding.h"
#include "sync/sync_driver.h"

namespace kivo {
namespace {

Records Memos(int count) {
  Records memos;
  for (int i = 0; i < count; ++i) memos.push_back(test::Memo("memo " + std::to_string(i)));
  return memos;
}

struct GuardCase {
  const char* name;
  int base;  // memos at the last sync, all still on the right side
  int left;  // the first of them still on the left
  bool force;
  std::vector<std::pair<GuardKind, Side>> refusals;
};

class Guards : public ::testing::TestWithParam<GuardCase> {};

TEST_P(Guards, RefuseAndChangeNothingUnlessForced) {
  const GuardCase& c = GetParam();
  TempDir temp;
  const CodeTables tables = CodeTables::Identity();
  MemoryEndpoint left("organizer 2 0", "organizer", MemoryEndpoint::Kind::kWholeAppli);
  MemoryEndpoint right("file /pc.bkf", "PC", MemoryEndpoint::Kind::kAtomic);
  SyncState state(temp.path(), left.Identity(), right.Identity(), tables);
  RecordSet base = left.records();
  base.Set(kMemo, Memos(c.base));
  const Status saved = state.SaveBase(base);
  ASSERT_TRUE(saved) << saved.error();
  left.records().Set(kMemo, Records(base.of(kMemo).begin(), base.of(kMemo).begin() + c.left));
  right.records().Set(kMemo, base.of(kMemo));
  SyncOptions options;
  options.force = c.force;
  const SyncReport report = RunSync(left, right, state, options);

  std::vector<std::pair<GuardKind, Side>> refusals;
  for (const GuardRefusal& r : report.applis[kMemo].refusals) refusals.emplace_back(r.kind, r.side);
  EXPECT_EQ(refusals, c.refusals);
  EXPECT_EQ(report.refused(), !c.refusals.empty());
  const size_t expected_right = c.refusals.empty() ? static_cast<size_t>(c.left) : c.base;
  EXPECT_EQ(right.records().of(kMemo).size(), expected_right);
  const Result<StoredState> stored = state.Load();
  ASSERT_TRUE(stored) << stored.error();
  EXPECT_EQ(stored->base.of(kMemo).size(), expected_right);
}

INSTANTIATE_TEST_SUITE_P(
    Sync, Guards,
    ::testing::Values(
        GuardCase{
            "LeftEmptied",
            4,
            0,
            false,
            {{GuardKind::kBecameEmpty, Side::kLeft}, {GuardKind::kTooManyRemovals, Side::kRight}}},
        GuardCase{"ThreeOfFourRemoved", 4, 1, false, {{GuardKind::kTooManyRemovals, Side::kRight}}},
        GuardCase{"HalfRemoved", 4, 2, false, {}}, GuardCase{"Forced", 4, 0, true, {}},
        GuardCase{"NothingYet", 0, 0, false, {}}),
    [](const auto& info) { return std::string(info.param.name); });

// An image with the sync state files' hash trailer.
std::string Sealed(const std::function<void(ByteWriter&)>& fill) {
  ByteWriter out;
  fill(out);
  const std::vector<uint8_t> bytes = out.Finish();
  return std::string(bytes.begin(), bytes.end());
}

struct BadState {
  const char* name;
  const char* file;
  std::string bytes;
  const char* reason;
};

class StateReader : public ::testing::TestWithParam<BadState> {};

TEST_P(StateReader, RefusesMalformedFilesWithAReason) {
  TempDir temp;
  const CodeTables tables = CodeTables::Identity();
  SyncState state(temp.path(), "left", "right", tables);
  const Status saved = state.SaveBase(RecordSet());
  ASSERT_TRUE(saved) << saved.error();
  const Result<StoredState> clean = state.Load();
  ASSERT_TRUE(clean) << clean.error();
  WriteText(state.dir() / GetParam().file, GetParam().bytes);
  const Result<StoredState> refused = state.Load();
  ASSERT_FALSE(refused);
  const std::string& reason = refused.error();
  EXPECT_NE(reason.find(GetParam().reason), std::string::npos) << reason;
  EXPECT_NE(reason.find(GetParam().file), std::string::npos) << reason;
}

INSTANTIATE_TEST_SUITE_P(
    Sync, StateReader,
    ::testing::Values(
        BadState{"JournalCutShort", "journal", "KVSYNCJ1\x01", "check sum"},
        BadState{"NotAJournal", "journal", Sealed([](ByteWriter& w) { w.Raw("KVSYNCX1"); }),
                 "not a sync journal"},
        BadState{"UnknownAppli", "journal",
                 Sealed([](ByteWriter& w) { w.Raw("KVSYNCJ1"), w.U8(1), w.U8(9), w.U8(0); }),
                 "unknown or twice"},
        BadState{"RecordWithoutTerminator", "journal", Sealed([](ByteWriter& w) {
                   w.Raw("KVSYNCJ1"), w.U8(1), w.U8(kMemo), w.U8(1);
                   for (int i = 0; i < 4; ++i) w.U64(0);
                   w.U32(1), w.Blob(std::vector<uint8_t>{'a', 'b'});
                 }),
                 "without its terminator"},
        BadState{"JournalTrailingBytes", "journal",
                 Sealed([](ByteWriter& w) { w.Raw("KVSYNCJ1"), w.U8(0), w.U8(0); }),
                 "bytes after the end"},
        BadState{"LongIdentityText", "identities", Sealed([](ByteWriter& w) {
                   w.Raw("KVSYNCI1"), w.U32(1), w.U8(0), w.U64(0), w.U32(0), w.U16(5000);
                   w.Raw(std::string(5000, 'u'));
                 }),
                 "a text of 5000 bytes"},
        BadState{"UnknownStep", "steps", "left 7\n", "not a step"},
        BadState{"StepCutShort", "steps", "right 3", "cut short"},
        BadState{"BaseNotABackup", "base.bkf", "IM2BK9\x02\x00\x00", "not compatible"},
        BadState{"OtherPair", "pair", "left=a\nright=b\n", "another pair"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace kivo

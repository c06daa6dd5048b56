#include <gtest/gtest.h>

#include "file_fixture.h"
#include "platform/link_defaults.h"
#include "store/backup_file.h"
#include "store/dump_file.h"

namespace kivo {
namespace {

using testing::Bytes;
using testing::Concat;
using testing::MakeRecord;

// PC bytes 127..190 become organizer bytes 128..191 and back, so a test sees
// whether conversion happens, in which direction, and only in the text part.
CodeTables ShiftTables() {
  CodeTables t;
  for (int k = 0; k < 128; ++k) {
    int byte = 127 + k;
    t.a[k] = static_cast<uint8_t>(byte <= 190 ? byte + 1 : 0x20);
    t.b[k] = static_cast<uint8_t>(byte >= 128 && byte <= 191 ? byte - 1 : byte);
  }
  return t;
}

// Records of every application, with header bytes that would change if they
// were converted (0x90) and text bytes that do (0x90 -> 0x91).
std::vector<std::pair<AppliId, std::vector<Bytes>>> SampleRecords() {
  const Bytes date = {0x20, 0x01, 0x12, 0x31};
  return {
      {kSchedule,
       {MakeRecord(Concat({date, {0x09, 0x30, 0x10, 0x00, 0x90, 0x01, 0x02, 0x15, 0x90, 0x40}}),
                   {"Meeting \x90"}),
        MakeRecord(Concat({date, Bytes(10, 0)}), {""})}},
      {kAnniversary, {MakeRecord(Concat({date, Bytes(8, 0x90), {3, 0}}), {"Birthday"})}},
      {kToDo,
       {MakeRecord(Concat({{0x82}, date}), {"Call back"}),
        MakeRecord({0x00, 0x20, 0x50, 0x01, 0x01}, {"x"})}},
      {kMemo, {MakeRecord({}, {"memo \x90\xbe"}), MakeRecord({}, {std::string(96, 'm')})}},
      {kExpense,
       {MakeRecord(Concat({date, {0xF2}, {0, 0, 0, 0, 0x50, 0x12, 0, 0x32}, Bytes(20, 0x90)}),
                   {"Lunch"})}},
      {kTelephone,
       {MakeRecord({0x01}, {"Smith", "Ann", "Acme", "1", "2", "3", "4", "Street", "Town", "ST",
                            "12345", "Land", "a@b.c", "notes \x90"}),
        MakeRecord({0x00}, {"", "", "", "", "", "", "", "", "", "", "", "", "", ""})}},
      {kCategoryList,
       {MakeRecord({}, {"Food", "Hotel", "Car", "Phone", "Fares", "Fun", "Tips", "Misc\x90"})}},
  };
}

class RoundTripTest : public testing::TempDirTest {};

TEST_F(RoundTripTest, EveryApplicationSurvivesEveryWriterAndBodyForm) {
  struct Case {
    bool write_all;
    bool scramble;
  };
  for (Case c : {Case{false, false}, Case{false, true}, Case{true, false}, Case{true, true}}) {
    SCOPED_TRACE(::testing::Message() << "write_all " << c.write_all << " scramble " << c.scramble);
    AppliStore source(ShiftTables());
    ASSERT_EQ(source.GetAppliBuf(kStoreSlots), 0);
    source.SetDeviceCode(1, 0);
    for (const auto& [id, records] : SampleRecords()) {
      if (id == kCategoryList) {
        ASSERT_EQ(source.SetCategoryRecord(records[0]), 0);
        continue;
      }
      for (size_t i = 0; i < records.size(); ++i) {
        ASSERT_EQ(source.PutRecord(id, static_cast<int>(i), records[i]), 0);
      }
    }
    auto file = dir_ / "round.bkf";
    ASSERT_EQ(c.write_all ? WriteBackupFile(source, file, c.scramble)
                          : SaveBackupFile(source, file, c.scramble),
              0);

    AppliStore read(ShiftTables());
    ASSERT_EQ(read.GetAppliBuf(kStoreSlots), 0);
    EXPECT_EQ(ReadBackupFile(read, file), kStoreOtherDevice);  // (2, 0) by default
    ASSERT_EQ(read.GetAppliBuf(kStoreSlots), 0);
    read.SetDeviceCode(1, 0);
    ASSERT_EQ(ReadBackupFile(read, file), 0);
    EXPECT_EQ(read.magic(), c.scramble ? kInvertedMagic : kPlainMagic);
    ASSERT_EQ(read.GetAppliCount(), source.GetAppliCount());
    for (int slot = 0; slot < source.GetAppliCount(); ++slot) {
      EXPECT_EQ(read.slot_id(slot), source.slot_id(slot));
      ASSERT_EQ(read.slot_record_count(slot), source.slot_record_count(slot));
      for (int i = 0; i < source.slot_record_count(slot); ++i) {
        std::span<const uint8_t> a = source.SlotRecord(slot, i);
        std::span<const uint8_t> b = read.SlotRecord(slot, i);
        EXPECT_EQ(Bytes(a.begin(), a.end()), Bytes(b.begin(), b.end()))
            << "slot " << slot << " record " << i;
      }
    }
  }
}

TEST_F(RoundTripTest, OnlyTheTextPartIsConvertedInTheFile) {
  AppliStore store(ShiftTables());
  ASSERT_EQ(store.GetAppliBuf(kStoreSlots), 0);
  const Bytes record = MakeRecord({0x90, 0x20, 0x01, 0x12, 0x31}, {"\x90"});
  ASSERT_EQ(store.PutRecord(kToDo, 0, record), 0);
  auto file = dir_ / "t.bkf";
  ASSERT_EQ(WriteBackupFile(store, file, false), 0);
  Bytes image = GetFile(file);
  // Block of To Do follows the header; the category list made with it comes after.
  const Bytes expected_record = {0x90, 0x20, 0x01, 0x12, 0x31, 0x91, 0x00, 0xFF};
  ASSERT_GE(image.size(), 12 + expected_record.size());
  EXPECT_EQ(Bytes(image.begin() + 9, image.begin() + 12), (Bytes{kToDo, 0, 1}));
  EXPECT_EQ(Bytes(image.begin() + 12, image.begin() + 12 + expected_record.size()),
            expected_record);
}

TEST_F(RoundTripTest, DumpFilesCarryOneApplicationWithoutHeader) {
  for (const auto& [id, records] : SampleRecords()) {
    SCOPED_TRACE(static_cast<int>(id));
    AppliStore source(ShiftTables());
    ASSERT_EQ(source.GetAppliBuf(2), 0);
    Bytes organizer_bytes;
    for (const Bytes& r : records) {
      Bytes converted = r;
      ToOrganizerCoding(id, converted, source.code_tables());
      organizer_bytes.insert(organizer_bytes.end(), converted.begin(), converted.end());
    }
    ASSERT_EQ(source.AddAppliData(id, organizer_bytes), 0);
    auto file = dir_ / DumpFileName(id, ".rcv");
    ASSERT_EQ(WriteDumpFile(source, file, id), 0);
    EXPECT_EQ(GetFile(file), organizer_bytes);

    // Trailing bytes without terminator are ignored.
    PutFile(file, Concat({organizer_bytes, {'x', 'y'}}));
    AppliStore read(ShiftTables());
    ASSERT_EQ(read.GetAppliBuf(2), 0);
    ASSERT_EQ(ReadDumpFile(read, file, id), 0);
    EXPECT_EQ(read.magic(), kPlainMagic);
    EXPECT_EQ(read.GetAppliCount(), 1);
    ASSERT_EQ(read.GetRecordCount(id), static_cast<int>(records.size()));
    for (size_t i = 0; i < records.size(); ++i) {
      std::span<const uint8_t> got = read.Record(id, static_cast<int>(i));
      EXPECT_EQ(Bytes(got.begin(), got.end()), records[i]);
    }
  }
}

TEST_F(RoundTripTest, DumpFileFailures) {
  AppliStore store(CodeTables::Identity());
  ASSERT_EQ(store.GetAppliBuf(2), 0);
  EXPECT_EQ(WriteDumpFile(store, dir_ / "memo.rcv", kMemo), kStoreRefused);
  EXPECT_FALSE(std::filesystem::exists(dir_ / "memo.rcv"));
  EXPECT_EQ(ReadDumpFile(store, dir_ / "missing.snd", kMemo), kStoreLoadError);

  PutFile(dir_ / "memo.snd", MakeRecord({}, {"a"}));
  ASSERT_EQ(ReadDumpFile(store, dir_ / "memo.snd", kMemo), 0);
  ASSERT_EQ(ReadDumpFile(store, dir_ / "memo.snd", kToDo), 0);
  EXPECT_EQ(ReadDumpFile(store, dir_ / "memo.snd", kExpense), kStoreLoadError);  // slots full

  AppliStore fresh(CodeTables::Identity());
  ASSERT_EQ(fresh.GetAppliBuf(2), 0);
  PutFile(dir_ / "long.snd", Concat({Bytes(1024, 'x'), {0xFF}}));
  EXPECT_EQ(ReadDumpFile(fresh, dir_ / "long.snd", kMemo), kStoreLoadError);
  PutFile(dir_ / "many.snd", Bytes(65536, 0xFF));
  EXPECT_EQ(ReadDumpFile(fresh, dir_ / "many.snd", kMemo), kStoreLoadError);
  PutFile(dir_ / "empty.snd", {});
  EXPECT_EQ(ReadDumpFile(fresh, dir_ / "empty.snd", kMemo), 0);
  EXPECT_EQ(fresh.GetRecordCount(kMemo), 0);
}

TEST(DumpFileName, FollowsTheApplication) {
  EXPECT_EQ(DumpFileName(kMemo, ".snd"), "memo.snd");
  EXPECT_EQ(DumpFileName(kCategoryList, ".rcv"), "expense_category.rcv");
  EXPECT_EQ(DumpFileName(kAllAppli, ".snd"), "schedule.snd");
}

}  // namespace
}  // namespace kivo

#include "store/char_tables.h"

#include <unistd.h>

#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace kivo {
namespace {

using Bytes = std::vector<uint8_t>;

class TableFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() /
           ("kivo_char_tables_" + std::to_string(::getpid()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  std::filesystem::path Write(const std::string& name, const Bytes& bytes) {
    std::filesystem::path path = dir_ / name;
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<long>(bytes.size()));
    return path;
  }

  std::filesystem::path dir_;
};

Bytes Sequence(size_t n, uint8_t first) {
  Bytes b(n);
  for (size_t i = 0; i < n; ++i) b[i] = static_cast<uint8_t>(first + i);
  return b;
}

TEST_F(TableFiles, CodeTablesFromFile) {
  Bytes file = Sequence(128, 1);  // table A: 1..128
  Bytes b = Sequence(128, 100);   // table B: 100..227
  file.insert(file.end(), b.begin(), b.end());
  file.push_back(0x55);  // extra bytes are ignored
  CodeTables t = LoadCodeTables(Write("code.dat", file));
  EXPECT_EQ(t.a[0], 1);
  EXPECT_EQ(t.a[127], 128);
  EXPECT_EQ(t.b[0], 100);
  EXPECT_EQ(t.b[127], 227);
}

TEST_F(TableFiles, ShortOrMissingCodeFileLeavesBlanks) {
  CodeTables t = LoadCodeTables(Write("short.dat", Sequence(130, 1)));
  EXPECT_EQ(t.a[127], 128);
  EXPECT_EQ(t.b[0], 129);
  EXPECT_EQ(t.b[1], 130);
  EXPECT_EQ(t.b[2], 0x20);
  EXPECT_EQ(t.b[127], 0x20);
  CodeTables missing = LoadCodeTables(dir_ / "none.dat");
  CodeTables blank = CodeTables::Blank();
  EXPECT_EQ(missing.a, blank.a);
  EXPECT_EQ(missing.b, blank.b);
  EXPECT_EQ(blank.a[5], 0x20);
}

TEST_F(TableFiles, AllowedTable) {
  Bytes file(256, 1);
  file[','] = 0;
  file[0xFF] = 0;
  bool read = false;
  AllowedTable t = LoadAllowedTable(Write("char.dat", file), &read);
  EXPECT_TRUE(read);
  EXPECT_FALSE(IsAllowed(',', t));
  EXPECT_FALSE(IsAllowed(0xFF, t));
  EXPECT_TRUE(IsAllowed('a', t));
  // A short file refuses only what it covers; a missing one allows everything.
  t = LoadAllowedTable(Write("short.dat", Bytes(10, 0)), &read);
  EXPECT_TRUE(read);
  EXPECT_FALSE(IsAllowed(9, t));
  EXPECT_TRUE(IsAllowed(10, t));
  t = LoadAllowedTable(dir_ / "none.dat", &read);
  EXPECT_FALSE(read);
  for (int c = 0; c < 256; ++c) EXPECT_TRUE(IsAllowed(static_cast<uint8_t>(c), t));
}

TEST_F(TableFiles, SortTablesNeedBothHalves) {
  Bytes file = Bytes(512, 7);
  Bytes second(512, 9);
  file.insert(file.end(), second.begin(), second.end());
  SortTable m0{}, m1{};
  EXPECT_TRUE(LoadSortTables(Write("sort.dat", file), m0, m1));
  EXPECT_EQ(m0[511], 7);
  EXPECT_EQ(m1[0], 9);
  // Only the first half there: it is read, the second table stays as it was.
  SortTable a{}, b{};
  b.fill(3);
  EXPECT_FALSE(LoadSortTables(Write("half.dat", Bytes(700, 5)), a, b));
  EXPECT_EQ(a[0], 5);
  EXPECT_EQ(b[0], 3);
  EXPECT_FALSE(LoadSortTables(dir_ / "none.dat", a, b));
}

TEST(Coding, IdentityTableBlanksHighAndControlBytes) {
  CodeTables identity = CodeTables::Identity();
  // A Memo text (no header): 200 is blanked after mapping, 130 passes, a line
  // break and a tab become blanks; NUL and the terminator stay.
  Bytes memo = {'a', 200, 130, '\n', '\t', 127, 191, 192, 254, 0, 0xFF};
  ToOrganizerCoding(kMemo, memo, identity);
  EXPECT_EQ(memo, (Bytes{'a', ' ', 130, ' ', ' ', 127, 191, ' ', ' ', 0, 0xFF}));
}

TEST(Coding, OnlyTheTextPartIsConverted) {
  CodeTables t = CodeTables::Blank();  // every byte 127..254 becomes a blank
  struct Case {
    AppliId id;
    size_t header;
  };
  const Case cases[] = {{kSchedule, 14}, {kAnniversary, 14}, {kToDo, 5},        {kMemo, 0},
                        {kExpense, 33},  {kTelephone, 1},    {kCategoryList, 0}};
  for (const Case& c : cases) {
    Bytes record(c.header, 0xC8);
    record.insert(record.end(), {0xC8, 0x05, 0, 0xFF});
    Bytes pc = record;
    ToPcCoding(c.id, pc, t);
    Bytes expected(c.header, 0xC8);
    expected.insert(expected.end(), {' ', 0x05, 0, 0xFF});  // ToPcCoding keeps control bytes
    EXPECT_EQ(pc, expected) << int(c.id);
    Bytes org = record;
    ToOrganizerCoding(c.id, org, t);
    expected.back() = 0xFF;
    expected[c.header + 1] = ' ';
    EXPECT_EQ(org, expected) << int(c.id);
  }
  // A record shorter than its header is left alone.
  Bytes tiny = {0xC8, 0xFF};
  ToOrganizerCoding(kExpense, tiny, t);
  EXPECT_EQ(tiny, (Bytes{0xC8, 0xFF}));
}

TEST(Coding, TableEntriesThatWouldBreakARecordGiveBlanks) {
  CodeTables t = CodeTables::Identity();
  t.b[150 - 127] = 0xFF;
  t.b[151 - 127] = 0x00;
  t.a[160 - 127] = 0x00;
  Bytes text = {150, 151, 'x', 0, 0xFF};
  ToPcCoding(kMemo, text, t);
  EXPECT_EQ(text, (Bytes{' ', ' ', 'x', 0, 0xFF}));
  Bytes out = {160, 0, 0xFF};
  ToOrganizerCoding(kMemo, out, t);
  EXPECT_EQ(out, (Bytes{' ', 0, 0xFF}));
}

TEST(Coding, ConvertWithTableMapsOnly127To254) {
  std::array<uint8_t, 128> table{};
  for (size_t k = 0; k < 128; ++k) table[k] = static_cast<uint8_t>('A' + k % 26);
  Bytes bytes = {0, 126, 127, 128, 254, 255};
  ConvertWithTable(bytes, table);
  EXPECT_EQ(bytes, (Bytes{0, 126, 'A', 'B', static_cast<uint8_t>('A' + 127 % 26), 255}));
}

TEST(FilterAllowed, DropsRefusedCharacters) {
  AllowedTable t;
  t.fill(1);
  t[','] = 0;
  t[0xE9] = 0;
  EXPECT_EQ(FilterAllowed("a,b,,c", t), "abc");
  EXPECT_EQ(FilterAllowed("caf\xE9!", t), "caf!");
  EXPECT_EQ(FilterAllowed(",,,", t), "");
  EXPECT_EQ(FilterAllowed("", t), "");
}

TEST(IsTypedCharAllowed, EditingKeysAlwaysPassEnterFollowsTable) {
  AllowedTable none{};  // every entry 0
  for (uint8_t key : {1, 3, 8, 9, 22, 24, 26})
    EXPECT_TRUE(IsTypedCharAllowed(key, none)) << int(key);
  for (int key : {0, 2, 13, 27, int(','), int('a')})
    EXPECT_FALSE(IsTypedCharAllowed(static_cast<uint8_t>(key), none)) << key;
  AllowedTable all;
  all.fill(1);
  all[','] = 0;
  EXPECT_TRUE(IsTypedCharAllowed(13, all));
  EXPECT_FALSE(IsTypedCharAllowed(',', all));
}

// A table with weights: digits < letters, small letters folded to capitals,
// and small letters weighed above capitals when unfolded.
SortTable LetterTable() {
  SortTable t{};
  for (int c = 0; c < 256; ++c) {
    t[static_cast<size_t>(c)] = static_cast<uint8_t>(c);
    t[256 + static_cast<size_t>(c)] = static_cast<uint8_t>(c);
  }
  for (int c = 'a'; c <= 'z'; ++c) t[256 + static_cast<size_t>(c)] = static_cast<uint8_t>(c - 32);
  return t;
}

struct SortCase {
  const char* a;
  const char* b;
  int result;
};

TEST(CompareSorted, FoldsThenBreaksTiesUnfolded) {
  SortTable t = LetterTable();
  const SortCase cases[] = {
      {"apple", "Banana", -1},  // folded: APPLE < BANANA
      {"Smith", "smith", -1},   // folded equal, then 'S' (83) < 's' (115)
      {"smith", "Smith", 1},   {"Smith", "Smith", 0}, {"Smi", "Smith", -1},  // prefix is less
      {"Smith", "Smi", 1},     {"", "", 0},           {"", "a", -1},        {"9", "A", -1},
  };
  for (const SortCase& c : cases) {
    EXPECT_EQ(CompareSorted(c.a, c.b, t), c.result) << c.a << " vs " << c.b;
  }
}

TEST(CompareSorted, EqualWeightsCompareEqual) {
  SortTable t{};  // every weight 0, fold to 0
  EXPECT_EQ(CompareSorted("abc", "xyz", t), 0);
  EXPECT_EQ(CompareSorted("ab", "xyz", t), -1);  // still shorter is less
  // Bytes above 127 index the table as unsigned values.
  t[0xE9] = 1;
  t[256 + 0xE9] = 0xE9;
  EXPECT_EQ(CompareSorted("\xE9", "a", t), 1);
}

}  // namespace
}  // namespace kivo

// Byte checks of the generated code.dat, char.dat and sort.dat in the program
// directory, read raw and through the store's loaders.

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "store/appli_id.h"
#include "store/char_tables.h"

namespace kivo {
namespace {

const std::filesystem::path kProgramDir = KIVO_PROGRAM_DIR;

std::vector<uint8_t> ReadAll(const std::string& name) {
  std::ifstream in(kProgramDir / name, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// What ToOrganizerCoding and ToPcCoding do to one byte, from the raw file.
uint8_t ToOrganizer(const std::vector<uint8_t>& code, int c) {
  return c >= 127 && c <= 254 ? code[c - 127] : static_cast<uint8_t>(c);
}
uint8_t ToPc(const std::vector<uint8_t>& code, int c) {
  return c >= 127 && c <= 254 ? code[128 + c - 127] : static_cast<uint8_t>(c);
}

class TablesData : public testing::Test {
 protected:
  void SetUp() override {
    code_ = ReadAll("code.dat");
    allowed_ = ReadAll("char.dat");
    sort_ = ReadAll("sort.dat");
    ASSERT_EQ(code_.size(), 256u);
    ASSERT_EQ(allowed_.size(), 256u);
    ASSERT_EQ(sort_.size(), 1024u);
  }
  int Weight(int model, uint8_t c) const { return sort_[model * 512 + c]; }
  uint8_t Fold(int model, uint8_t c) const { return sort_[model * 512 + 256 + c]; }

  std::vector<uint8_t> code_;
  std::vector<uint8_t> allowed_;
  std::vector<uint8_t> sort_;
};

TEST_F(TablesData, AllowsPrintableAsciiAndRefusesControlsAndTerminator) {
  for (int c = 0; c < 256; ++c) {
    if (c >= 0x20 && c <= 0x7E) {
      EXPECT_NE(allowed_[c], 0) << c;
    } else if (c < 0x20 || c == 0x7F || c == 0xFF) {
      EXPECT_EQ(allowed_[c], 0) << c;
    }
  }
}

TEST_F(TablesData, EveryAllowedCharacterSurvivesTheRoundTrip) {
  int accented = 0;
  for (int c = 0; c < 256; ++c) {
    if (allowed_[c] == 0) continue;
    const uint8_t organizer = ToOrganizer(code_, c);
    // ToOrganizerCoding blanks 1..31 and 192..254 after the mapping: an
    // allowed character must never land there.
    EXPECT_FALSE(organizer >= 1 && organizer <= 31) << c;
    EXPECT_FALSE(organizer >= 192 && organizer <= 254) << c;
    EXPECT_EQ(ToPc(code_, organizer), c) << c;
    if (c >= 128) ++accented;
  }
  // The accented letters of Western European languages are there.
  EXPECT_GE(accented, 60);
}

TEST_F(TablesData, CharactersThatDoNotComeBackAreRefused) {
  for (int c = 128; c <= 254; ++c) {
    const uint8_t organizer = ToOrganizer(code_, c);
    const bool round_trip = ToPc(code_, organizer) == c && organizer >= 127 && organizer <= 191;
    if (!round_trip) {
      EXPECT_EQ(allowed_[c], 0) << c;
    }
  }
}

TEST_F(TablesData, ConversionsNeverProduceTerminatorsOrBlankedBytes) {
  for (int c = 127; c <= 254; ++c) {
    // Table A: an organizer character (127..191) or a printable ASCII stand-in.
    const uint8_t a = code_[c - 127];
    EXPECT_TRUE(a >= 0x20 && a <= 0xBF) << c;
    // Table B: never a NUL, a control code or the terminator inside a text.
    const uint8_t b = code_[128 + c - 127];
    EXPECT_TRUE(b >= 0x20 && b != 0xFF) << c;
  }
}

TEST_F(TablesData, FollowsTheOrganizerLayoutAndFallbacks) {
  // Organizer letters in the classic OEM places.
  EXPECT_EQ(ToOrganizer(code_, 0xC7), 0x80);  // Ç
  EXPECT_EQ(ToOrganizer(code_, 0xFC), 0x81);  // ü
  EXPECT_EQ(ToOrganizer(code_, 0xE9), 0x82);  // é
  EXPECT_EQ(ToOrganizer(code_, 0xF1), 0xA4);  // ñ
  // Characters without organizer form go to their base letter or "?".
  EXPECT_EQ(ToOrganizer(code_, 0x8A), 'S');   // Š
  EXPECT_EQ(ToOrganizer(code_, 0xCC), 'I');   // Ì
  EXPECT_EQ(ToOrganizer(code_, 0x92), '\'');  // ’
  EXPECT_EQ(ToOrganizer(code_, 0x81), '?');   // unused code
  EXPECT_EQ(ToOrganizer(code_, 0xA0), ' ');   // no-break space
  // Organizer bytes with no character come in as "?".
  EXPECT_EQ(ToPc(code_, 0xC0), '?');
  EXPECT_EQ(ToPc(code_, 0xFE), '?');
}

TEST_F(TablesData, StoreConversionRoundTripsEveryAllowedCharacter) {
  const CodeTables tables = LoadCodeTables(kProgramDir / "code.dat");
  const AllowedTable allowed = LoadAllowedTable(kProgramDir / "char.dat");
  std::vector<uint8_t> memo;
  for (int c = 1; c < 256; ++c) {
    if (IsAllowed(static_cast<uint8_t>(c), allowed)) memo.push_back(static_cast<uint8_t>(c));
  }
  memo.push_back(0);
  memo.push_back(kTerminator);
  std::vector<uint8_t> record = memo;
  ToOrganizerCoding(kMemo, record, tables);
  for (size_t i = 0; i + 2 < record.size(); ++i) {
    EXPECT_LE(record[i], 0xBF) << i;
    EXPECT_GE(record[i], 0x20) << i;
  }
  ToPcCoding(kMemo, record, tables);
  EXPECT_EQ(record, memo);
}

TEST_F(TablesData, SortTablesGiveEveryByteItsOwnWeight) {
  for (int model : {0, 1}) {
    std::vector<bool> used(256, false);
    for (int c = 0; c < 256; ++c) {
      EXPECT_FALSE(used[Weight(model, c)]) << "model " << model << " byte " << c;
      used[Weight(model, c)] = true;
    }
    EXPECT_EQ(Weight(model, 0), 0);
  }
}

TEST_F(TablesData, SortTablesOrderDigitsThenLettersAndFoldCase) {
  for (int model : {0, 1}) {
    EXPECT_LT(Weight(model, ' '), Weight(model, '0')) << model;
    EXPECT_LT(Weight(model, '9'), Weight(model, 'A')) << model;
    EXPECT_LT(Weight(model, 'A'), Weight(model, 'B')) << model;
    EXPECT_LT(Weight(model, 'Y'), Weight(model, 'Z')) << model;
    for (int c = 'a'; c <= 'z'; ++c) EXPECT_EQ(Fold(model, c), c - 'a' + 'A') << model;
    EXPECT_EQ(Fold(model, 0xE9), 0xC9) << model;  // é -> É
    EXPECT_EQ(Fold(model, 0xF1), 0xD1) << model;  // ñ -> Ñ
    EXPECT_EQ(Fold(model, 'A'), 'A') << model;
    EXPECT_EQ(Fold(model, 0xDF), 0xDF) << model;  // ß has no capital
    EXPECT_EQ(Fold(model, 0xFF), 0xFF) << model;
  }
  // Model 0: accented letters beside their base letter; model 1: after Z.
  EXPECT_LT(Weight(0, 'E'), Weight(0, 0xC9));
  EXPECT_LT(Weight(0, 0xC9), Weight(0, 'F'));
  EXPECT_LT(Weight(1, 'z'), Weight(1, 0xC9));
  EXPECT_LT(Weight(1, 0xC0), Weight(1, 0xC9));  // À before É: base letter order
}

TEST_F(TablesData, StoreComparisonUsesTheModels) {
  SortTable model0{};
  SortTable model1{};
  ASSERT_TRUE(LoadSortTables(kProgramDir / "sort.dat", model0, model1));
  const std::string emile = "\xC9mile";
  EXPECT_EQ(CompareSorted("Ezra", emile, model0), -1);
  EXPECT_EQ(CompareSorted(emile, "Fred", model0), -1);
  EXPECT_EQ(CompareSorted(emile, "Fred", model1), 1);
  EXPECT_EQ(CompareSorted("Zoe", emile, model1), -1);
  for (const SortTable* table : {&model0, &model1}) {
    EXPECT_EQ(CompareSorted("apple", "Banana", *table), -1);
    EXPECT_EQ(CompareSorted("10", "9", *table), -1);
    EXPECT_EQ(CompareSorted("9", "A", *table), -1);
    // Case decides only between texts otherwise equal, and then always.
    EXPECT_EQ(CompareSorted("Smith", "smith", *table), -1);
    EXPECT_EQ(CompareSorted("smith", "Smithe", *table), -1);
    EXPECT_EQ(CompareSorted("Smith", "Smith", *table), 0);
  }
}

}  // namespace
}  // namespace kivo

#include "csv/cp1252.h"

#include <string>

#include <gtest/gtest.h>

namespace kivo {
namespace {

struct ToUtf8Case {
  std::string cp1252;
  std::string utf8;
  int replaced;
};

const ToUtf8Case kToUtf8[] = {
    {"plain ASCII, 123", "plain ASCII, 123", 0},
    {"caf\xE9", "caf\xC3\xA9", 0},    // é
    {"\x80 5", "\xE2\x82\xAC 5", 0},  // €
    {"\x93quoted\x94", "\xE2\x80\x9Cquoted\xE2\x80\x9D", 0},
    {"\x8A\x9A\x9F", "\xC5\xA0\xC5\xA1\xC5\xB8", 0},  // Š š Ÿ
    {"\xA0\xFF", "\xC2\xA0\xC3\xBF", 0},
    {"a\x81"
     "b\x8D\x8F\x90\x9D",
     "a?b????", 5},  // the unused bytes
};

TEST(Cp1252ToUtf8, ConvertsEveryByteAndCountsTheUnused) {
  for (const ToUtf8Case& c : kToUtf8) {
    int replaced = 0;
    EXPECT_EQ(Cp1252ToUtf8(c.cp1252, &replaced), c.utf8) << c.cp1252;
    EXPECT_EQ(replaced, c.replaced) << c.cp1252;
  }
}

struct ToCp1252Case {
  std::string utf8;
  std::string cp1252;
  int replaced;
};

const ToCp1252Case kToCp1252[] = {
    {"plain", "plain", 0},
    {"caf\xC3\xA9", "caf\xE9", 0},
    {"\xE2\x82\xAC", "\x80", 0},
    {"\xE2\x80\x94", "\x97", 0},            // em dash
    {"\xCE\xA9mega", "?mega", 1},           // Greek capital omega: no form
    {"\xF0\x9F\x98\x80!", "?!", 1},         // an emoji
    {"\xE6\x97\xA5\xE6\x9C\xAC", "??", 2},  // two CJK characters
    // Malformed input: each fault one "?", and the byte after it still read.
    {"a\x80z", "a?z", 1},      // continuation without lead
    {"a\xC3z", "a?z", 1},      // sequence cut short
    {"a\xC3", "a?", 1},        // cut short by the end
    {"\xC0\xAF", "?", 1},      // overlong "/"
    {"\xED\xA0\x80", "?", 1},  // a surrogate
    {"\xFF\xFE", "??", 2},
    {"\xE2\x82", "?", 1},
};

TEST(Utf8ToCp1252, ConvertsAndCountsWhatHasNoForm) {
  for (const ToCp1252Case& c : kToCp1252) {
    int replaced = 0;
    EXPECT_EQ(Utf8ToCp1252(c.utf8, &replaced), c.cp1252) << c.utf8;
    EXPECT_EQ(replaced, c.replaced) << c.utf8;
  }
}

TEST(Utf8ToCp1252, EveryUsedByteRoundTrips) {
  std::string all;
  for (int b = 1; b < 256; ++b) {
    if (Cp1252ToUnicode(static_cast<uint8_t>(b))) all += static_cast<char>(b);
  }
  EXPECT_EQ(all.size(), 250u);
  int replaced = 0;
  EXPECT_EQ(Utf8ToCp1252(Cp1252ToUtf8(all, &replaced), &replaced), all);
  EXPECT_EQ(replaced, 0);
}

}  // namespace
}  // namespace kivo

#include "format/record_words.h"

#include <gtest/gtest.h>

namespace kivo {
namespace {

TEST(AlarmWord, ReadsBitSixOnly) {
  EXPECT_EQ(AlarmWord(0x40), "Yes");
  EXPECT_EQ(AlarmWord(0xFF), "Yes");
  EXPECT_EQ(AlarmWord(0x00), "No");
  EXPECT_EQ(AlarmWord(0xBF), "No");
}

TEST(ReminderText, ReadsTheByteAsBcd) {
  struct {
    uint8_t byte;
    const char* text;
  } const cases[] = {{0x00, "0"}, {0x15, "15"}, {0x99, "99"}, {0x05, "5"}, {0xFF, "165"}};
  for (const auto& c : cases) EXPECT_EQ(ReminderText(c.byte), c.text) << int(c.byte);
}

TEST(ToDoWords, ReadStatusBitAndPriorityBits) {
  struct {
    uint8_t state;
    const char* status;
    const char* priority;
  } const cases[] = {
      {0x00, "Pending", "1"},  {0x82, "Done", "3"}, {0x08, "Pending", "9"},
      {0x7F, "Pending", "16"}, {0xF0, "Done", "1"}, {0xFF, "Done", "16"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ToDoStatusWord(c.state), c.status) << int(c.state);
    EXPECT_EQ(ToDoPriorityText(c.state), c.priority) << int(c.state);
  }
}

}  // namespace
}  // namespace kivo

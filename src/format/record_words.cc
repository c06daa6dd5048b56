#include "format/record_words.h"

namespace kivo {

namespace {
constexpr uint8_t kAlarmOn = 0x40;
constexpr uint8_t kToDoDone = 0x80;
constexpr uint8_t kPriorityBits = 0x0F;
}  // namespace

std::string_view AlarmWord(uint8_t flags) { return (flags & kAlarmOn) != 0 ? "Yes" : "No"; }

std::string ReminderText(uint8_t reminder) {
  return std::to_string((reminder >> 4) * 10 + (reminder & 0x0F));
}

std::string_view ToDoStatusWord(uint8_t state) {
  return (state & kToDoDone) != 0 ? "Done" : "Pending";
}

std::string ToDoPriorityText(uint8_t state) { return std::to_string((state & kPriorityBits) + 1); }

}  // namespace kivo

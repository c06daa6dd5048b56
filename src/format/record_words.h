#ifndef KIVO_FORMAT_RECORD_WORDS_H_
#define KIVO_FORMAT_RECORD_WORDS_H_

#include <cstdint>
#include <string>
#include <string_view>

namespace kivo {

// Schedule: the alarm flag (bit 6 of the flags byte) as "Yes" or "No".
[[nodiscard]] std::string_view AlarmWord(uint8_t flags);
// Schedule: the reminder byte (minutes, BCD) as a number, "15"; nibbles above
// 9 are weighed as written.
[[nodiscard]] std::string ReminderText(uint8_t reminder);

// To Do: the done flag (bit 7 of the state byte) as "Done" or "Pending".
[[nodiscard]] std::string_view ToDoStatusWord(uint8_t state);
// To Do: the priority (bits 0..3 of the state byte, plus one) as a number.
[[nodiscard]] std::string ToDoPriorityText(uint8_t state);

}  // namespace kivo

#endif  // KIVO_FORMAT_RECORD_WORDS_H_

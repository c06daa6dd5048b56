#ifndef KIVO_COMM_MESSAGES_H_
#define KIVO_COMM_MESSAGES_H_

#include <array>
#include <optional>
#include <string_view>

#include "store/result_code.h"

namespace kivo {

// The texts the user sees at the end of a communication run or an auto
// detection. Entries 0..15 belong to the ResultCodes 0..15; entry 16 serves
// every other code. The texts are the program's own, odd blanks included.
inline constexpr int kMessageCount = 17;
const std::array<std::string_view, kMessageCount>& MessageTable();

// Message of a code: entry `code` for 0..15, entry 16 ("Error.") otherwise.
std::string_view ResultMessage(ResultCode code);

// What the Auto Detect dialog says when no organizer answered. Unlike table
// entry 12 it has no blank before the line break.
inline constexpr std::string_view kAutoDetectFailedText =
    "Auto detect error !\n(Unable to detect your organizer.)";

enum class MessageIcon { kExclamation, kInformation };

// One message box: text, caption and icon, always with an OK button.
struct MessageBoxText {
  std::string_view text;
  std::string_view caption;
  MessageIcon icon;
  bool operator==(const MessageBoxText&) const = default;
};

// The box that ends a communication run with `code`: "Abort" for 0, none for
// success (16) and for a file error the user already saw (17), "Error" for
// every other code.
std::optional<MessageBoxText> RunEndMessage(ResultCode code);

// The box that ends an auto detection: "Auto Detect" with the port's text for
// a found organizer (codes 1..4), else "Error" with kAutoDetectFailedText.
MessageBoxText DetectEndMessage(ResultCode code);

}  // namespace kivo

#endif  // KIVO_COMM_MESSAGES_H_

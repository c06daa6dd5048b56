#include "comm/messages.h"

#include "store/result_code.h"

namespace kivo {

const std::array<std::string_view, kMessageCount>& MessageTable() {
  static constexpr std::array<std::string_view, kMessageCount> kTable{
      "User aborted.",
      "Organizer is detected on COM1.",
      "Organizer is detected on COM2.",
      "Organizer is detected on COM3.",
      "Organizer is detected on COM4.",
      "Communications error!\n(Organizer is not responding.)",
      "Cannot open COM1.",
      "Cannot open COM2.",
      "Cannot open COM3.",
      "Cannot open COM4.",
      "Cannot open COM port.",
      "I/O Device error.",
      "Auto detect error ! \n(Unable to detect your organizer.)",
      "The backup file is not compatible.",
      "Communications error !\nPlease try again.",
      "Communications error !\n(All data are not sent.)",
      "Error.",
  };
  return kTable;
}

std::string_view ResultMessage(ResultCode code) {
  const auto& table = MessageTable();
  if (code < 0 || code >= kMessageCount - 1) return table[kMessageCount - 1];
  return table[static_cast<size_t>(code)];
}

std::optional<MessageBoxText> RunEndMessage(ResultCode code) {
  if (code == kResultSuccess || code == kResultGaveUp) return std::nullopt;
  if (code == kResultAborted) {
    return MessageBoxText{ResultMessage(code), "Abort", MessageIcon::kExclamation};
  }
  return MessageBoxText{ResultMessage(code), "Error", MessageIcon::kExclamation};
}

MessageBoxText DetectEndMessage(ResultCode code) {
  if (code >= kResultFoundCom1 && code <= kResultFoundCom1 + 3) {
    return {ResultMessage(code), "Auto Detect", MessageIcon::kInformation};
  }
  return {kAutoDetectFailedText, "Error", MessageIcon::kExclamation};
}

}  // namespace kivo

#include "store/result_code.h"

#include <array>
#include <ostream>

namespace kivo {

std::string_view ResultName(ResultCode code) {
  static constexpr std::array<std::string_view, 18> kNames{
      "kResultAborted",        "kResultFoundCom1",      "kResultFoundCom2",
      "kResultFoundCom3",      "kResultFoundCom4",      "kResultTimeout",
      "kResultCannotOpenCom1", "kResultCannotOpenCom2", "kResultCannotOpenCom3",
      "kResultCannotOpenCom4", "kResultCannotOpenPort", "kResultIoError",
      "kResultDetectFailed",   "kResultNotCompatible",  "kResultIncomplete",
      "kResultNotAllSent",     "kResultSuccess",        "kResultGaveUp"};
  if (code >= 0 && code < static_cast<int>(kNames.size())) return kNames[code];
  return "kResultUnknown";
}

std::string_view StoreResultName(StoreResult code) {
  static constexpr std::array<std::string_view, 10> kNames{
      "kStoreOk",     "kStoreLoadError", "kStoreBadMagic", "kStoreOtherDevice", "kStoreRefused",
      "kStoreAbsent", "kStoreNotFound",  "kStoreNoSlot",   "kStoreDuplicate",   "kStoreInvalid"};
  const int value = code;
  if (value > 0) return "count";
  if (value >= -9) return kNames[static_cast<size_t>(-value)];
  return "kStoreUnknown";
}

void PrintTo(ResultCode code, std::ostream* out) {
  *out << ResultName(code) << " (" << static_cast<int>(code) << ")";
}

void PrintTo(StoreResult code, std::ostream* out) {
  *out << StoreResultName(code) << " (" << static_cast<int>(code) << ")";
}

void PrintTo(const StoreStatus& status, std::ostream* out) {
  PrintTo(status.code, out);
  if (!status.error_text.empty()) *out << ": " << status.error_text;
}

}  // namespace kivo

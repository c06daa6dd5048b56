#ifndef KIVO_STORE_RESULT_CODE_H_
#define KIVO_STORE_RESULT_CODE_H_

#include <iosfwd>
#include <string>
#include <string_view>
#include <utility>

namespace kivo {

// Outcome of every link operation, communication run and auto detection.
// The values are fixed: they go into logs and are the command line's exit
// codes.
enum ResultCode : int {
  kResultAborted = 0,
  kResultFoundCom1 = 1,  // 1..4: organizer found on COM1..COM4
  kResultFoundCom2 = 2,
  kResultFoundCom3 = 3,
  kResultFoundCom4 = 4,
  kResultTimeout = 5,
  kResultCannotOpenCom1 = 6,  // 6..9: COM1..COM4 cannot be opened
  kResultCannotOpenCom2 = 7,
  kResultCannotOpenCom3 = 8,
  kResultCannotOpenCom4 = 9,
  kResultCannotOpenPort = 10,
  kResultIoError = 11,
  kResultDetectFailed = 12,
  kResultNotCompatible = 13,
  kResultIncomplete = 14,
  kResultNotAllSent = 15,
  kResultSuccess = 16,
  kResultGaveUp = 17,
};

// Outcome of store and file operations. Functions that return only one of
// these return a StoreResult; those that return a count, a slot or a size on
// success return an int that is either that or one of these (negative).
enum StoreResult : int {
  kStoreOk = 0,
  kStoreLoadError = -1,    // no memory, invalid record, file open/read failure
  kStoreBadMagic = -2,     // file starts with neither magic
  kStoreOtherDevice = -3,  // device code differs
  kStoreRefused = -4,      // bad argument, too small, too many, no slot, write failure
  kStoreAbsent = -5,       // application absent (counts and sizes)
  kStoreNotFound = -6,     // FindAppli: absent; ResetAppli: absent and no slot
  kStoreNoSlot = -7,       // no free slot
  kStoreDuplicate = -8,    // an application twice in a file
  kStoreInvalid = -9,      // no slot area, invalid record, no memory
};

// A StoreResult with the words that tell why the operation failed: the
// system's error text, or why the bytes were refused; empty when the code
// says it all. It converts to its code both ways, so a caller that needs only
// the code reads and compares it as a StoreResult.
struct [[nodiscard]] StoreStatus {
  StoreStatus(StoreResult result = kStoreOk, std::string text = {})
      : code(result), error_text(std::move(text)) {}
  operator StoreResult() const { return code; }
  bool ok() const { return code == kStoreOk; }

  StoreResult code;
  std::string error_text;
};

// Printable names for logs and test output ("kResultTimeout", "kStoreRefused").
// Out-of-range values (read from elsewhere) give "kResultUnknown" and
// "kStoreUnknown"; StoreResultName calls a positive value a "count".
std::string_view ResultName(ResultCode code);
std::string_view StoreResultName(StoreResult code);

// Test output with the names: "kResultTimeout (5)", "kStoreRefused (-4)".
void PrintTo(ResultCode code, std::ostream* out);
void PrintTo(StoreResult code, std::ostream* out);
// "kStoreRefused (-4): No space left on device".
void PrintTo(const StoreStatus& status, std::ostream* out);

}  // namespace kivo

#endif  // KIVO_STORE_RESULT_CODE_H_

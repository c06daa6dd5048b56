#ifndef KIVO_STORE_RESULT_CODE_H_
#define KIVO_STORE_RESULT_CODE_H_

#include <string_view>

namespace kivo {

// Outcome of every link operation, communication run and auto detection.
inline constexpr int kResultAborted = 0;
inline constexpr int kResultFoundCom1 = 1;  // 1..4: organizer found on COM1..COM4
inline constexpr int kResultTimeout = 5;
inline constexpr int kResultCannotOpenCom1 = 6;  // 6..9: COM1..COM4 cannot be opened
inline constexpr int kResultCannotOpenPort = 10;
inline constexpr int kResultIoError = 11;
inline constexpr int kResultDetectFailed = 12;
inline constexpr int kResultNotCompatible = 13;
inline constexpr int kResultIncomplete = 14;
inline constexpr int kResultNotAllSent = 15;
inline constexpr int kResultSuccess = 16;
inline constexpr int kResultGaveUp = 17;

// Outcome of store and file operations: 0 or a count on success.
inline constexpr int kStoreOk = 0;
inline constexpr int kStoreLoadError = -1;    // no memory, invalid record, file open/read failure
inline constexpr int kStoreBadMagic = -2;     // file starts with neither magic
inline constexpr int kStoreOtherDevice = -3;  // device code differs
inline constexpr int kStoreRefused =
    -4;  // bad argument, too small, too many, no slot, write failure
inline constexpr int kStoreAbsent = -5;     // application absent (counts and sizes)
inline constexpr int kStoreNotFound = -6;   // FindAppli: absent; ResetAppli: absent and no slot
inline constexpr int kStoreNoSlot = -7;     // no free slot
inline constexpr int kStoreDuplicate = -8;  // an application twice in a file
inline constexpr int kStoreInvalid = -9;    // no slot area, invalid record, no memory

// Printable names for logs and test output ("kResultTimeout", "kStoreRefused").
std::string_view ResultName(int code);
std::string_view StoreResultName(int code);

}  // namespace kivo

#endif  // KIVO_STORE_RESULT_CODE_H_

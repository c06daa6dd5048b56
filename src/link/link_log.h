#ifndef KIVO_LINK_LINK_LOG_H_
#define KIVO_LINK_LINK_LOG_H_

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "platform/clock.h"

namespace kivo {

// The link log: a plain-text trace of a link's exchanges, for diagnosis only.
// Every line ends with CR LF. An entry is a time stamp and a text:
//   full stamp       "{dd/mm/yy HH:MM:SS}" CR LF (local time), which also
//                    restarts the time base
//   relative stamp   "{+0001234}": milliseconds since the time base, seven
//                    digits at least, never cut; no line break, so it opens the
//                    line of its text
//   text             each line feed written as CR LF
// A hex dump follows a text without a stamp: "[ " then "7f " per byte, "]" CR
// LF. Each entry opens, appends to and closes the file on its own, so other
// programs can read the log between entries. An empty file name turns all of
// it off: no file is touched and every call succeeds.

// Writes one entry. A full stamp is written when asked for and for the first
// entry in the life of the process. False when the file cannot be written;
// the entry is then lost.
bool WriteLog(const std::string& name, std::string_view text, bool full,
              Clock& clock = SystemClock());

// Appends the hex dump of the bytes. True when written or the name is empty.
bool WriteHexDump(const std::string& name, std::span<const uint8_t> bytes);

// Deletes the log file so the next entry starts it afresh; a missing file or a
// failed deletion is ignored.
void RemoveLogFile(const std::string& name);

// The process-wide time base of relative stamps; 0 means not set yet.
uint32_t LogTimeBase();
// Tests start from a fresh process state.
void ResetLogTimeBaseForTests();

// The stamp and text bytes of one entry as they go into the file (what
// WriteLog appends). Updates the time base like WriteLog.
std::string FormatLogEntry(std::string_view text, bool full, Clock& clock);
// "[ 7f 05 ]\r\n".
std::string FormatHexDump(std::span<const uint8_t> bytes);

}  // namespace kivo

#endif  // KIVO_LINK_LINK_LOG_H_

#include "link/link_log.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>

namespace kivo {
namespace {

// Shared by every link of the process; only one worker logs at a time.
std::atomic<uint32_t> g_time_base{0};

// Appends bytes to the file: one open, append, close. The lock keeps the file
// to this writer for the entry; when someone else holds it the entry is lost.
bool AppendToFile(const std::string& name, const std::string& bytes) {
  int fd = open(name.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  bool ok = flock(fd, LOCK_EX | LOCK_NB) == 0;
  size_t done = 0;
  while (ok && done < bytes.size()) {
    ssize_t put = write(fd, bytes.data() + done, bytes.size() - done);
    if (put <= 0) {
      ok = false;
      break;
    }
    done += static_cast<size_t>(put);
  }
  if (close(fd) != 0) ok = false;
  return ok;
}

}  // namespace

uint32_t LogTimeBase() { return g_time_base.load(); }

void ResetLogTimeBaseForTests() { g_time_base.store(0); }

std::string FormatLogEntry(std::string_view text, bool full, Clock& clock) {
  std::string entry;
  uint32_t now = clock.NowMs();
  uint32_t base = g_time_base.load();
  if (base == 0 || full) {
    // A tick of 0 would read as "not set"; the stamp is the same either way.
    g_time_base.store(now == 0 ? 1 : now);
    LocalDateTime local = clock.LocalNow();
    char stamp[64];
    std::snprintf(stamp, sizeof stamp, "{%02d/%02d/%02d %02d:%02d:%02d}\r\n", local.day,
                  local.month, local.year % 100, local.hour, local.minute, local.second);
    entry += stamp;
  } else {
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "{+%07u}", static_cast<unsigned>(now - base));
    entry += stamp;
  }
  for (char c : text) {
    if (c == '\n') {
      entry += "\r\n";
    } else {
      entry += c;
    }
  }
  return entry;
}

std::string FormatHexDump(std::span<const uint8_t> bytes) {
  std::string dump = "[ ";
  static constexpr char kHex[] = "0123456789abcdef";
  for (uint8_t byte : bytes) {
    dump += kHex[byte >> 4];
    dump += kHex[byte & 0x0F];
    dump += ' ';
  }
  dump += "]\r\n";
  return dump;
}

bool WriteLog(const std::string& name, std::string_view text, bool full, Clock& clock) {
  if (name.empty()) return true;
  return AppendToFile(name, FormatLogEntry(text, full, clock));
}

bool WriteHexDump(const std::string& name, std::span<const uint8_t> bytes) {
  if (name.empty()) return true;
  return AppendToFile(name, FormatHexDump(bytes));
}

void RemoveLogFile(const std::string& name) {
  if (name.empty()) return;
  // No old log (or one that cannot go) leaves nothing to do: the log appends.
  (void)unlink(name.c_str());
}

}  // namespace kivo

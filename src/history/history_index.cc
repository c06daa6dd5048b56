#include "history/history_index.h"

#include <cstdlib>
#include <deque>
#include <span>
#include <sstream>
#include <string>
#include <system_error>

#include "history/restore_journal.h"
#include "platform/atomic_file.h"

namespace kivo {
namespace {

namespace fs = std::filesystem;

// Far more snapshots than any history keeps; the oldest lines go first.
constexpr size_t kMaxSnapshotLines = 1000;

struct Index {
  std::deque<std::string> snapshots;  // "<fingerprint> <applis>", oldest first
  std::string named;
};

Index ReadIndex(const fs::path& history_dir) {
  Index index;
  const std::optional<std::string> text = ReadWholeFile(history_dir / kHistoryIndexName);
  if (!text) return index;
  std::istringstream lines(*text);
  std::string line;
  while (std::getline(lines, line)) {
    if (line.starts_with("snapshot=")) {
      index.snapshots.push_back(line.substr(9));
    } else if (line.starts_with("named=")) {
      index.named = line.substr(6);
    }
  }
  return index;
}

Status WriteIndex(const fs::path& history_dir, Index& index) {
  while (index.snapshots.size() > kMaxSnapshotLines) index.snapshots.pop_front();
  std::string text;
  for (const std::string& s : index.snapshots) text += "snapshot=" + s + "\n";
  if (!index.named.empty()) text += "named=" + index.named + "\n";
  std::error_code ec;
  fs::create_directories(history_dir, ec);
  const fs::path path = history_dir / kHistoryIndexName;
  const Status written = WriteFileAtomically(
      path, std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
  if (!written) return Failure{path.string() + ": " + written.error()};
  return {};
}

}  // namespace

Status IndexSnapshot(const fs::path& history_dir, const fs::path& snapshot, uint8_t applis) {
  const std::string fingerprint = FileFingerprint(snapshot);
  if (fingerprint.empty()) return Failure{snapshot.string() + " cannot be read"};
  Index index = ReadIndex(history_dir);
  index.snapshots.push_back(fingerprint + " " + std::to_string(applis));
  return WriteIndex(history_dir, index);
}

std::optional<uint8_t> IndexedApplis(const fs::path& history_dir, const fs::path& file) {
  const std::string fingerprint = FileFingerprint(file);
  if (fingerprint.empty()) return std::nullopt;
  const Index index = ReadIndex(history_dir);
  // The newest line first: the same bytes taken twice hold the same records.
  for (auto it = index.snapshots.rbegin(); it != index.snapshots.rend(); ++it) {
    const size_t space = it->find(' ');
    if (space == std::string::npos || it->substr(0, space) != fingerprint) continue;
    const int applis = std::atoi(it->c_str() + space + 1);
    if (applis > 0 && applis < 256) return static_cast<uint8_t>(applis);
  }
  return std::nullopt;
}

Status NameSnapshot(const fs::path& history_dir, const fs::path& snapshot) {
  Index index = ReadIndex(history_dir);
  index.named = snapshot.string();
  return WriteIndex(history_dir, index);
}

fs::path NamedSnapshot(const fs::path& history_dir) {
  return fs::path(ReadIndex(history_dir).named);
}

}  // namespace kivo

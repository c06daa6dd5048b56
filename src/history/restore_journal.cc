#include "history/restore_journal.h"

#include <cstdio>
#include <sstream>
#include <system_error>

#include "platform/atomic_file.h"

namespace kivo {

std::filesystem::path RestoreJournalPath(const std::filesystem::path& history_dir) {
  return history_dir / kRestoreJournalName;
}

std::string Fingerprint(std::span<const uint8_t> bytes) {
  uint64_t hash = 0xcbf29ce484222325ULL;
  for (uint8_t c : bytes) {
    hash ^= c;
    hash *= 0x100000001b3ULL;
  }
  char text[48];
  std::snprintf(text, sizeof text, "%zu:%016llx", bytes.size(),
                static_cast<unsigned long long>(hash));
  return text;
}

std::string FileFingerprint(const std::filesystem::path& file) {
  std::optional<std::string> bytes = ReadWholeFile(file);
  if (!bytes) return "";
  return Fingerprint(std::span(reinterpret_cast<const uint8_t*>(bytes->data()), bytes->size()));
}

Status WriteRestoreJournal(const std::filesystem::path& path, const RestoreJournal& journal) {
  std::string text = "file=" + journal.file + "\nfingerprint=" + journal.fingerprint +
                     "\nsnapshot=" + journal.snapshot + "\ndone=";
  bool first = true;
  for (int id = 0; id < 8; ++id) {
    if (!journal.IsDone(id)) continue;
    if (!first) text += ' ';
    text += std::to_string(id);
    first = false;
  }
  text += "\n";
  std::error_code ec;
  std::filesystem::create_directories(path.parent_path(), ec);
  const auto* data = reinterpret_cast<const uint8_t*>(text.data());
  return WriteFileAtomically(path, std::span(data, text.size()));
}

std::optional<RestoreJournal> ReadRestoreJournal(const std::filesystem::path& path) {
  std::optional<std::string> text = ReadWholeFile(path);
  if (!text) return std::nullopt;
  RestoreJournal journal;
  std::istringstream lines(*text);
  std::string line;
  while (std::getline(lines, line)) {
    const size_t eq = line.find('=');
    if (eq == std::string::npos) continue;
    const std::string key = line.substr(0, eq);
    const std::string value = line.substr(eq + 1);
    if (key == "file") {
      journal.file = value;
    } else if (key == "fingerprint") {
      journal.fingerprint = value;
    } else if (key == "snapshot") {
      journal.snapshot = value;
    } else if (key == "done") {
      std::istringstream ids(value);
      int id = 0;
      while (ids >> id) {
        if (id >= 0 && id < 8) journal.done |= static_cast<uint8_t>(1 << id);
      }
    }
  }
  if (journal.file.empty()) return std::nullopt;
  return journal;
}

void RemoveRestoreJournal(const std::filesystem::path& path) {
  std::error_code ec;
  std::filesystem::remove(path, ec);
}

}  // namespace kivo

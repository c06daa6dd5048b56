#ifndef KIVO_HISTORY_RESTORE_JOURNAL_H_
#define KIVO_HISTORY_RESTORE_JOURNAL_H_

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>

#include "platform/result.h"

namespace kivo {

// What a Restore has done so far, kept beside the history so that a run that
// failed halfway can be continued: the file it sends, the snapshot taken
// before it deleted anything, and which applications reached the organizer
// completely. A journal exists only while a Restore runs or after one failed;
// a successful run removes it. A small text file, one "key=value" a line,
// written atomically after every application:
//   file=/home/ann/DATA/20261207.bkf
//   fingerprint=5120:9c1f3a0b22e4d7f1
//   snapshot=/home/ann/.local/share/kivo-link/history/20261207-140501-snapshot.bkf
//   done=5 0
inline constexpr const char* kRestoreJournalName = "restore.journal";

struct RestoreJournal {
  std::string file;         // absolute path of the backup file sent
  std::string fingerprint;  // FileFingerprint of it when the run began
  std::string snapshot;     // empty when none was taken
  uint8_t done = 0;         // bit (1 << AppliId) per application sent completely

  bool IsDone(int id) const { return (done >> id) & 1; }
};

std::filesystem::path RestoreJournalPath(const std::filesystem::path& history_dir);

// Their count and a 64-bit FNV-1a hash of them.
std::string Fingerprint(std::span<const uint8_t> bytes);
// The Fingerprint of a file's bytes; empty when unreadable.
std::string FileFingerprint(const std::filesystem::path& file);

// A failure carries the system's error text.
Status WriteRestoreJournal(const std::filesystem::path& path, const RestoreJournal& journal);
// nullopt when there is none, or it is not a journal.
std::optional<RestoreJournal> ReadRestoreJournal(const std::filesystem::path& path);
void RemoveRestoreJournal(const std::filesystem::path& path);

}  // namespace kivo

#endif  // KIVO_HISTORY_RESTORE_JOURNAL_H_

#ifndef KIVO_HISTORY_HISTORY_H_
#define KIVO_HISTORY_HISTORY_H_

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "platform/clock.h"
#include "store/appli_store.h"

namespace kivo {

// The backup history: every successful backup and every snapshot taken before
// a transfer deletes records on the organizer, kept as ordinary backup files
// in one folder. A generation's file name carries its time and kind,
//   20261207-140501-backup.bkf, 20261207-140501-snapshot-2.bkf
// (the number tells apart generations of the same second), so the folder
// itself is the index. Knows files, not the link.

inline constexpr std::string_view kKindBackup = "backup";
inline constexpr std::string_view kKindSnapshot = "snapshot";
inline constexpr int kDefaultHistoryKeep = 20;
inline constexpr const char* kHistoryDirName = "history";

struct Generation {
  int number = 0;  // 1 = newest
  LocalDateTime time;
  std::string kind;  // "backup" or "snapshot"
  int sequence = 1;  // the number after the kind, 1 when none
  std::filesystem::path path;
};

// The history folder: the setting when it names one, else "history" in the
// data folder.
std::filesystem::path HistoryDirFor(const std::string& setting,
                                    const std::filesystem::path& data_dir);

// The file name of a generation; sequence 1 has no number.
std::string GenerationFileName(const LocalDateTime& time, std::string_view kind, int sequence);
// Reads a name made by GenerationFileName; false for any other file.
[[nodiscard]] bool ParseGenerationFileName(std::string_view name, Generation* generation);

// The generations in `dir`, newest first, numbered from 1. A missing folder
// has none.
std::vector<Generation> ListGenerations(const std::filesystem::path& dir);

// Writes the store as a new generation (every present application, the
// writer of a communication run, through a temporary file), creating the
// folder when needed, then prunes. The new file's path, or empty with
// *error_text set.
std::filesystem::path AddGeneration(const std::filesystem::path& dir, AppliStore& store,
                                    std::string_view kind, const LocalDateTime& time, int keep,
                                    bool scramble, std::string* error_text);

// Deletes the oldest generations beyond `keep` (backups and snapshots
// together); the newest is always kept, whatever `keep` says. The number of
// files deleted.
int PruneGenerations(const std::filesystem::path& dir, int keep);

// Records per application of a backup file (index = AppliId, 0..6), -1 for
// an application the file does not hold. False when the file cannot be read.
[[nodiscard]] bool CountRecords(const std::filesystem::path& file, std::array<int, 7>* counts);

}  // namespace kivo

#endif  // KIVO_HISTORY_HISTORY_H_

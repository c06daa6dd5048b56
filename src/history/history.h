#ifndef KIVO_HISTORY_HISTORY_H_
#define KIVO_HISTORY_HISTORY_H_

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "platform/clock.h"
#include "platform/link_defaults.h"
#include "platform/result.h"
#include "store/appli_store.h"

namespace kivo {

// The backup history: every successful backup and every snapshot taken before
// a transfer deletes records on the organizer, kept as ordinary backup files
// in one folder. A generation's file name carries its time, kind and write
// number,
//   20261207-140501-backup-n41.bkf, 20261207-140501-snapshot-n42.bkf
// so the folder itself is the index. The write number (one above the highest
// in the folder) orders the generations as they were written, whatever the
// clock said; names from before it (20261207-140501-snapshot.bkf, -2.bkf for
// a second one of the same second) still count, as older than every
// numbered one and by their time among themselves. Knows files, not the link.

inline constexpr std::string_view kKindBackup = "backup";
inline constexpr std::string_view kKindSnapshot = "snapshot";
inline constexpr int kDefaultHistoryKeep = 20;
inline constexpr const char* kHistoryDirName = "history";

struct Generation {
  int number = 0;  // 1 = newest
  LocalDateTime time;
  std::string kind;  // "backup" or "snapshot"
  int written = 0;   // the write number; 0 for a name without one
  int sequence = 1;  // an unnumbered name's count within its second, 1 when none
  std::filesystem::path path;
};

// The history folder: the setting when it names one, else "history" in the
// data folder.
std::filesystem::path HistoryDirFor(const std::string& setting,
                                    const std::filesystem::path& data_dir);

// The file name of a generation with its write number (1 or more).
std::string GenerationFileName(const LocalDateTime& time, std::string_view kind, int written);
// Reads a name made by GenerationFileName, or an unnumbered one; false for
// any other file.
[[nodiscard]] bool ParseGenerationFileName(std::string_view name, Generation* generation);

// The generations in `dir`, the last written first, numbered from 1. A
// missing folder has none.
std::vector<Generation> ListGenerations(const std::filesystem::path& dir);

// Writes the store as a new generation (every present application, empty
// ones included, so the file tells which applications it holds; through a
// temporary file), creating the folder when needed, then prunes, never the
// new one. The new file's path, or a failure naming the folder or file.
Result<std::filesystem::path> AddGeneration(const std::filesystem::path& dir, AppliStore& store,
                                            std::string_view kind, const LocalDateTime& time,
                                            int keep, bool scramble);

// Deletes the oldest generations beyond `keep` (backups and snapshots
// together); the newest is always kept, whatever `keep` says, and so are
// `spared` (the one just written) and the snapshot that the folder's restore
// journal names (a failed restore may still need it). The number of files
// deleted.
int PruneGenerations(const std::filesystem::path& dir, int keep,
                     const std::filesystem::path& spared = {});

// Records per application of a backup file (index = AppliId, 0..6), -1 for
// an application the file does not hold. False when the file cannot be read.
[[nodiscard]] bool CountRecords(const std::filesystem::path& file,
                                std::array<int, kStoreSlots>* counts);

// Whether `file` is a readable backup file holding every application of
// `mask` (bit 1 << AppliId): a snapshot a run can go back to. When not, the
// failure says what is wrong with it, naming the file.
Status HoldsApplis(const std::filesystem::path& file, uint8_t mask);

}  // namespace kivo

#endif  // KIVO_HISTORY_HISTORY_H_

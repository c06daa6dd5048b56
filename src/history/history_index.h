#ifndef KIVO_HISTORY_HISTORY_INDEX_H_
#define KIVO_HISTORY_HISTORY_INDEX_H_

#include <cstdint>
#include <filesystem>
#include <optional>

#include "platform/result.h"

namespace kivo {

// What the history knows of its snapshots beyond their names, in a small
// text file beside them, one "key=value" a line:
//   snapshot=5120:9c1f3a0b22e4d7f1 8
//   named=/home/ann/.local/share/kivo-link/history/20261207-140501-snapshot-n4.bkf
// A "snapshot" line holds the Fingerprint of a snapshot's bytes and the
// applications it was taken of (bit 1 << AppliId), so a copy or a renamed
// file is known for what it is while a backup file of the same applications
// by other hands is not. The "named" line is the snapshot the last failed run
// told the person to go back to; pruning spares it until another is named.
// The backup files themselves stay as they are.
inline constexpr const char* kHistoryIndexName = "index";

// Notes that `snapshot`, just written, was taken of `applis`.
Status IndexSnapshot(const std::filesystem::path& history_dir,
                     const std::filesystem::path& snapshot, uint8_t applis);

// The applications the snapshot with the bytes of `file` was taken of;
// nullopt for a file the index does not know, or that cannot be read.
[[nodiscard]] std::optional<uint8_t> IndexedApplis(const std::filesystem::path& history_dir,
                                                   const std::filesystem::path& file);

// Notes that a message names `snapshot` as the records to go back to.
Status NameSnapshot(const std::filesystem::path& history_dir,
                    const std::filesystem::path& snapshot);

// The snapshot named last; empty when none.
[[nodiscard]] std::filesystem::path NamedSnapshot(const std::filesystem::path& history_dir);

}  // namespace kivo

#endif  // KIVO_HISTORY_HISTORY_INDEX_H_

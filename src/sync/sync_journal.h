#ifndef KIVO_SYNC_SYNC_JOURNAL_H_
#define KIVO_SYNC_SYNC_JOURNAL_H_

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/result.h"
#include "store/appli_id.h"
#include "sync/sync_types.h"

namespace kivo {

// What a sync is about to do, written before it changes either side and
// removed once the new base is stored; while it exists the next sync finishes
// this one before it compares anything (sync_driver.h has the rules).
//
// The journal is a binary file:
//   8  "KVSYNCJ1"
//   1  number of applications, each at most once:
//        1  application id (0..6)
//        1  sides to be written: bit 0 the left, bit 1 the right
//        8  left side's fingerprint as read     (RecordsFingerprint)
//        8  left side's fingerprint once written
//        8  right side's fingerprint as read
//        8  right side's fingerprint once written
//        4  number of merged records, at most 65,535, each:
//             2  length (1..1,024), then the record with its terminator
//   8  FNV-1a hash of every byte before it
// Fingerprints of a side not to be written are kept as read for both.
inline constexpr const char* kJournalMagic = "KVSYNCJ1";

struct JournalAppli {
  AppliId id = 0;
  std::array<bool, 2> writes{};      // per SideIndex
  std::array<uint64_t, 2> before{};  // the side's records as read
  std::array<uint64_t, 2> after{};   // the side's records once written
  Records merged;                    // what both sides hold afterwards
  bool operator==(const JournalAppli&) const = default;
};

struct SyncJournal {
  std::vector<JournalAppli> applis;

  const JournalAppli* Find(AppliId id) const;
  bool operator==(const SyncJournal&) const = default;
};

[[nodiscard]] std::vector<uint8_t> EncodeJournal(const SyncJournal& journal);
// A failure with the reason for anything EncodeJournal cannot have written.
Result<SyncJournal> DecodeJournal(std::span<const uint8_t> image);

// The applications each side confirmed as completely written during the run,
// kept beside the journal (which is too large to rewrite after each one). A
// text file, one confirmation a line:
//   right 3
//   left 0
// Written whole and atomically after each confirmation.
struct SyncSteps {
  std::array<AppliMask, 2> confirmed{};  // per SideIndex
  bool operator==(const SyncSteps&) const = default;
};

[[nodiscard]] std::string EncodeSteps(const SyncSteps& steps);
// A failure naming the line for anything EncodeSteps cannot have written.
Result<SyncSteps> DecodeSteps(std::string_view text);

}  // namespace kivo

#endif  // KIVO_SYNC_SYNC_JOURNAL_H_

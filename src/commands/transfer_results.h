#ifndef KIVO_COMMANDS_TRANSFER_RESULTS_H_
#define KIVO_COMMANDS_TRANSFER_RESULTS_H_

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "comm/run_mode.h"
#include "store/appli_id.h"
#include "store/appli_store.h"
#include "store/result_code.h"
#include "store/store_diff.h"

namespace kivo {

// A generation the history was to keep: its file, or empty with why not.
struct KeptCopy {
  std::filesystem::path file;
  std::string error_text;

  bool kept() const { return !file.empty(); }
};

// What a Backup left: the run's code, and where the records went.
struct BackupResult {
  ResultCode code = kResultSuccess;
  std::string file_error;  // the backup file could not be written (the run succeeded)
  KeptCopy history;        // the copy in the history (after a success)
};

// What a session that only receives left (Compare, the sync's read).
struct ReceiveResult {
  ResultCode code = kResultSuccess;
  std::unique_ptr<AppliStore> organizer;  // the records as they came; null on failure
  KeptCopy history;                       // Compare keeps them as a snapshot
  std::vector<AppliDiff> diffs;           // Compare: the organizer (a) against the PC (b)
};

// What a Restore or Download (or a run of either that went on after a stop,
// or that put the snapshot back) did to the organizer. After a failure the
// facts tell what the organizer holds now: `complete` applications carry the
// records sent, `deleted` ones lost theirs and are not complete, the others
// are as they were.
struct RestoreResult {
  ResultCode code = kResultSuccess;
  RunMode run_mode = RunMode::kRestore;
  int appli_mode = kAllAppli;  // the run's AppliMode; for a put-back of part, its last
  // The snapshot kept before the first deletion (of this run or of the failed
  // one it went on from); empty when none was taken.
  std::filesystem::path snapshot;
  bool snapshot_not_kept = false;  // the run stopped because it could not be kept
  bool deleted = false;            // the organizer's records were (partly) deleted
  uint8_t complete = 0;            // bit (1 << AppliId) per application complete now
  uint8_t replaced = 0;            // bit per application the run was to replace
  // The backup file a Restore of it can be finished from (the journal names
  // it); empty when there is nothing to finish.
  std::filesystem::path resume_from;
  // After a success with verify: the applications whose records read back
  // differ from those sent (a: sent, b: read back).
  std::vector<AppliDiff> verify_differences;
  // The records read back (verify), for a caller that compares itself.
  std::unique_ptr<AppliStore> read_back;
  // Set when the person chose to put the snapshot back: how that went.
  ResultCode put_back = kResultSuccess;
  bool put_back_tried = false;
  // After a stop: the session goes on (an abort taken between two records),
  // so going on or putting the snapshot back needs no new press of PC-LINK.
  bool session_open = false;

  bool ok() const { return code == kResultSuccess; }
  static RestoreResult Failed(ResultCode failure) {
    RestoreResult result;
    result.code = failure;
    return result;
  }
  // Deleted but not complete: what the organizer has lost for now.
  uint8_t lacking() const { return deleted ? static_cast<uint8_t>(replaced & ~complete) : 0; }
};

}  // namespace kivo

#endif  // KIVO_COMMANDS_TRANSFER_RESULTS_H_

#ifndef KIVO_SYNC_SYNC_REPORT_H_
#define KIVO_SYNC_SYNC_REPORT_H_

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "store/appli_id.h"
#include "sync/guard.h"
#include "sync/merge.h"
#include "sync/sync_endpoint.h"

namespace kivo {

// What a sync did (or, in a dry run, would do), for the command line and the
// desktop to show (view/sync_report_text.h puts it into words).

enum class SyncOutcome : uint8_t {
  kSynced,   // both sides hold the merge and the base is stored
  kDryRun,   // read and merged; nothing changed anywhere
  kRefused,  // a guard refused; nothing changed anywhere
  kFailed,   // a step failed; see failed_step and failure
};

// The step that failed. Up to kJournal nothing was changed on either side;
// from kWrite on, the journal is in place and the next sync finishes the run.
// kLock: another sync of the pair runs (and the options said not to wait);
// kChooseApps: the applications asked for are held by no side.
enum class SyncStep : uint8_t {
  kNone,
  kLock,
  kLoadState,
  kChooseApps,
  kRead,
  kJournal,
  kWrite,
  kVerify,
  kStoreBase
};

struct SideCounts {
  int added = 0;
  int changed = 0;
  int removed = 0;
  bool operator==(const SideCounts&) const = default;
};

struct AppliReport {
  AppliId id = 0;
  std::array<SideCounts, 2> counts;    // per SideIndex: what the sync does to that side
  std::array<SideChanges, 2> changes;  // the same with the records
  // Per SideIndex: records the side had no room for (AppliCapacity); they
  // stay on the other side.
  std::array<Records, 2> not_fitting;
  std::vector<Conflict> conflicts;
  std::vector<GuardRefusal> refusals;
  // Written again whole after an interrupted sync, per SideIndex.
  std::array<bool, 2> rewritten{};
};

struct SyncReport {
  SyncOutcome outcome = SyncOutcome::kSynced;
  std::array<std::string, 2> side_names;  // the endpoints' labels
  bool recovered = false;                 // an interrupted sync was finished first
  // No base was stored for the pair (its first sync, a state folder removed,
  // or --reset-state): equal records were matched as one, and the state
  // folder it was looked for in.
  bool first_sync = false;
  std::string state_dir;
  // What each side's Read left out or took in part (SyncEndpoint::Notes).
  std::array<std::vector<std::string>, 2> notes;
  std::vector<AppliReport> applis;  // in AppliId order
  // Applications written per side (SideIndex), as bits, over every read.
  std::array<AppliMask, 2> written{};
  // Times the sync read both sides again because one changed while it ran,
  // and the side that did.
  int rereads = 0;
  std::optional<Side> changed_side;

  SyncStep failed_step = SyncStep::kNone;
  std::optional<Side> failed_side;  // when an endpoint failed
  EndpointStatus failure;           // its status, or kFailed with the state's reason

  // The state could not be read: --reset-state starts again.
  bool state_damaged() const {
    return outcome == SyncOutcome::kFailed && failed_step == SyncStep::kLoadState;
  }
  bool refused() const { return outcome == SyncOutcome::kRefused; }
  bool ok() const { return outcome == SyncOutcome::kSynced || outcome == SyncOutcome::kDryRun; }
  int ConflictCount() const;
};

}  // namespace kivo

#endif  // KIVO_SYNC_SYNC_REPORT_H_

#ifndef KIVO_SYNC_SYNC_ROUND_H_
#define KIVO_SYNC_SYNC_ROUND_H_

#include <optional>
#include <vector>

#include "platform/file_lock.h"
#include "sync/merge.h"
#include "sync/organizer_form.h"
#include "sync/sync_driver.h"
#include "sync/sync_endpoint.h"
#include "sync/sync_plan.h"
#include "sync/sync_report.h"
#include "sync/sync_state.h"
#include "sync/sync_types.h"

namespace kivo {

// One pair of a round: its other side and its state (the round's shared side
// is the pair's left side), with the applications and the conflict policy of
// that pair.
struct RoundPair {
  SyncEndpoint* right = nullptr;  // not owned
  SyncState* state = nullptr;     // not owned
  AppliMask apps = kAllSyncAppli;
  ConflictPolicy policy = ConflictPolicy::kKeepBoth;
  // Forget the pair's state first (a damaged one included): a first sync
  // that matches the records of both sides and stores a new base.
  bool reset_state = false;
};

// A sync of one side with several others, each with its own state, done as
// one: the organizer with a backup file, an address book and a calendar in
// one link session. It runs in two calls, so that a person can look at the
// dry run between them:
//   Plan: load each pair's state; read the shared side once (the
//     applications every pair needs) and each other side; merge the pairs
//     in turn in memory, each against its own base, the shared side taking
//     each pair's merge before the next pair is merged, so that a change on
//     one side reaches the shared side and, once every pair is merged, every
//     other side too (each takes the shared side's final records of its
//     applications). Nothing is written. The reports hold the dry run of
//     every pair: what the run does to each side, its conflicts, the guards'
//     refusals.
//   Write: open each pair's journal, write each other side (a file is
//     written whole, so a failure there leaves the shared side untouched),
//     then the shared side once, with the applications that changed on it,
//     read back where the side can, and store each pair's new base.
// With one pair this is the sync of sync_driver.h, step for step: every
// record is taken in the organizer's form and as settle.h says, a side with
// a capacity is sent no more than it holds, and a pair with no base matches
// equal records as one.
//
// The shared side's interrupted runs: an application that a pair's journal
// meant to write there, which holds neither what it held before nor what it
// was to hold, is taken to hold the journal's records (a write that broke
// off; the shared side of several pairs is the organizer), and every pair
// merges against that.
//
// A side that changes while the run writes (EndpointFault::kChanged) makes
// the run read the other sides again (the shared side's reading stands,
// unless it was the one that changed) and plan anew, which finishes the
// broken-off write as an interrupted run, up to kRereadsAfterChange times.
// A failure ends the run: before the journals nothing changed; after them,
// the next run finishes the work.
class SyncRound {
 public:
  // `left` and every pair's side and state must outlive the round.
  SyncRound(SyncEndpoint& left, std::vector<RoundPair> pairs);
  ~SyncRound();
  SyncRound(const SyncRound&) = delete;
  SyncRound& operator=(const SyncRound&) = delete;

  // Locks every pair (SyncState::Lock) until the round ends, waiting for
  // another sync of a pair unless `wait` is false. False when a pair could
  // not be locked: every report then says why. A dry run needs no lock.
  bool Lock(bool wait);
  // Reads and plans (above); with `force` the guards are not asked. False
  // when a pair could not be planned: every report then says why (the pair
  // at fault with its step and side).
  bool Plan(bool force = false);
  // Whether a guard refused in some pair.
  [[nodiscard]] bool refused() const;
  // Writes what Plan planned; `force` goes past the guards' refusals
  // (nothing is written while one refuses otherwise), which the reports then
  // no longer name. `verify` reads back
  // what was written where the side can, and compares.
  void Write(bool force, bool verify);

  // One report per pair, in the pairs' order: the dry run after Plan, the
  // outcome after Write.
  [[nodiscard]] const std::vector<SyncReport>& reports() const { return reports_; }

 private:
  struct Planned;
  void FailAll(size_t at_fault, SyncStep step, std::optional<Side> side, EndpointStatus status);
  // Plans every pair from the readings; false when it stops (reports filled).
  bool PlanPairs();
  // One attempt of Write; whether a side changed and asks for a new reading.
  bool WriteOnce(bool verify);
  // Every pair but `at_fault` stops, not written.
  void StopOthers(size_t at_fault);

  SyncEndpoint& left_;
  std::vector<RoundPair> pairs_;
  std::vector<SyncReport> reports_;
  std::vector<Planned> planned_;
  std::optional<RecordSet> left_read_;  // the shared side as read
  RecordSet left_target_;               // and what it holds after the run
  AppliMask left_apps_ = 0;
  bool force_ = false;
  std::vector<FileLock> locks_;
  std::optional<OrganizerForm> form_;  // every record as the organizer holds it
};

}  // namespace kivo

#endif  // KIVO_SYNC_SYNC_ROUND_H_

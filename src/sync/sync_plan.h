#ifndef KIVO_SYNC_SYNC_PLAN_H_
#define KIVO_SYNC_SYNC_PLAN_H_

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "sync/guard.h"
#include "sync/merge.h"
#include "sync/sync_endpoint.h"
#include "sync/sync_journal.h"
#include "sync/sync_state.h"
#include "sync/sync_types.h"

namespace kivo {

// The decisions of a sync, as a function of values: what the last sync left
// (base and journal), what both sides hold now, and the options; the driver
// does the reading and writing around it.
//
// Finishing an interrupted run. For each application of the journal and each
// side the journal meant to write, the side now holds
//   - the merged records (its fingerprint once written), or the steps confirm
//     the write: the write is done; what differs now are new edits, made since
//     the merge, so the side is merged as it is against the journal's records;
//   - its records as read before the run (fingerprint as read): the write never
//     began; the side is taken to hold the journal's records and written;
//   - anything else, on a side whose writes can break off half-way (the
//     organizer): a half-written application; it is never read as removals but
//     taken to hold the journal's records and written again;
//   - anything else, on a side written atomically (a backup file) or item by
//     item (a collection, which may hold part of the writes and edits another
//     client made meanwhile, every item whole): it is merged as it is, against
//     the base of before the interrupted run (the journal's records stand on
//     the other side as that side's edits), so neither side's edits are lost
//     and nothing a write already brought across comes twice.
// The journal's records become the base of the application unless a side
// changed as in the last case.
//
// Capacity. A side with a capacity (an organizer, or a side that stands for
// one) is sent no more than it holds: when its target would hold more
// records, or more bytes, than the capacity, the records it was to receive
// are left out from the last, additions first, then edits (the side keeps
// the version it has). What is left out stays on the other side and out of
// the merged records, so the next sync does not take it for removed there and
// tries again; a side already beyond its capacity keeps what it holds.
struct AppliPlan {
  AppliId id = 0;
  Records base;  // what the merge compared against
  AppliMerge merge;
  std::array<Records, 2> target;     // what each side holds afterwards (its own order)
  std::array<bool, 2> writes{};      // the side must be written
  std::array<AppliWrite, 2> write;   // when it must: changes from what it holds now
  std::array<bool, 2> rewritten{};   // written again after an interrupted run
  std::array<uint64_t, 2> before{};  // fingerprints of what each side holds now
  std::array<uint64_t, 2> after{};   // and of its target
  std::vector<GuardRefusal> refusals;
  std::array<Records, 2> not_fitting;  // per side: what its capacity left out
};

struct SyncPlan {
  std::vector<AppliPlan> applis;  // in AppliId order
  bool recovered = false;         // a journal was found and taken into account

  bool refused() const;
  bool writes(Side side) const;
};

// `now` holds each side's records of `apps` (absent ones read as empty), in
// the organizer's form; what a broken write leaves and the capacity per
// SideIndex as the endpoints say. Guards are checked unless `force`.
// `capacity` per SideIndex as the endpoints give it.
struct PlanSides {
  std::array<BrokenWrite, 2> broken{};
  std::array<std::optional<AppliCapacity>, 2> capacity;
};
[[nodiscard]] SyncPlan PlanSync(AppliMask apps, const StoredState& stored,
                                const std::array<RecordSet, 2>& now, const PlanSides& sides,
                                ConflictPolicy policy, bool force);

// The journal of a plan: every application written on some side.
[[nodiscard]] SyncJournal JournalOf(const SyncPlan& plan);

// The side's writes, in AppliId order.
[[nodiscard]] std::vector<AppliWrite> WritesOf(const SyncPlan& plan, Side side);

}  // namespace kivo

#endif  // KIVO_SYNC_SYNC_PLAN_H_

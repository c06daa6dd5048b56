#ifndef KIVO_SYNC_SYNC_DRIVER_H_
#define KIVO_SYNC_SYNC_DRIVER_H_

#include "sync/merge.h"
#include "sync/sync_endpoint.h"
#include "sync/sync_report.h"
#include "sync/sync_state.h"
#include "sync/sync_types.h"

namespace kivo {

struct SyncOptions {
  AppliMask apps = kAllSyncAppli;  // narrowed further to what both sides hold
  ConflictPolicy policy = ConflictPolicy::kKeepBoth;
  bool force = false;    // go ahead although a guard refuses
  bool dry_run = false;  // read and merge, change nothing (no state written either)
  bool verify = true;    // read back what was written and compare
  bool wait = true;      // wait while another sync of the pair runs; false: fail
  // Forget the pair's state first (a damaged one included): a first sync
  // that matches the records of both sides, storing a new base.
  bool reset_state = false;
};

// One sync of two sides, in this order:
//   0. lock the pair (sync_state.h), waiting for another sync of it to end
//      unless told not to;
//   1. load the state of the pair; a damaged state stops the sync (a lost
//      base would bring removed records back) unless it is to be reset; no
//      state at all is a first sync, which the report says;
//   2. read both sides (the applications asked for that both hold, and those
//      of an interrupted run's journal; none at all stops the sync), and take
//      every record in the organizer's form, records of a side that cannot
//      hold every field as the base or the other side's records they stand
//      for (settle.h);
//   3. plan (sync_plan.h): finish an interrupted run, merge each application
//      against its base, check the guards; a refusal stops here, as does a dry
//      run;
//   4. with nothing to write on either side, store the base if it moved and
//      stop: an unchanged pair is only read;
//   5. write the journal (merged records, what each side will be written);
//   6. write the right side (the file of `sync FILE`, written atomically), then
//      the left (the organizer), each application confirmed into the journal's
//      steps as it completes, and compare what reads back with the target;
//   7. store the new base and the identity maps, and remove the journal.
// A side that changes while the sync runs (a conditional write of a
// collection finds an item changed since the read: EndpointFault::kChanged)
// is not overwritten: the run is read again from step 2, which finishes it as
// an interrupted one and merges the change, up to kRereadsAfterChange times.
// A failure at any other step ends the run with the report saying which and why;
// from step 6 on the journal stays, and the next sync finishes the work before
// it compares anything. Nothing here talks to the user.
inline constexpr int kRereadsAfterChange = 3;

[[nodiscard]] SyncReport RunSync(SyncEndpoint& left, SyncEndpoint& right, SyncState& state,
                                 const SyncOptions& options);

}  // namespace kivo

#endif  // KIVO_SYNC_SYNC_DRIVER_H_

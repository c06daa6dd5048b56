#ifndef KIVO_COMM_SAFE_TRANSFER_H_
#define KIVO_COMM_SAFE_TRANSFER_H_

#include <cstdint>
#include <functional>

#include "platform/prompter.h"
#include "store/appli_id.h"
#include "store/result_code.h"

namespace kivo {

class AppliStore;

// Extra steps of a Restore or Download run (a run of an application, or of
// all of them, from the PC), each off unless set. With all of them off the
// run sends and expects exactly the bytes it does without them.
struct SafeTransfer {
  // Snapshot: before anything is deleted, the records of every application
  // about to be deleted (and, with Expense, the category list) are received
  // into this store in the same session; each of them is present there, an
  // empty one too, so the snapshot tells which applications it holds.
  AppliStore* snapshot = nullptr;
  // Called once the snapshot is complete, before the first deletion, with the
  // run's prompter: this is where the run knows what it is about to remove,
  // and may ask. kResultSuccess goes on; any other code ends the run with it
  // before anything is deleted (11 for a snapshot that cannot be kept, which
  // is no safety; 17 when the user has been told why and chose to stop).
  std::function<ResultCode(const AppliStore& snapshot, Prompter& prompter)> on_snapshot;
  // Verify: after the last application was sent and before
  // END_COMMUNICATION, every application sent is received again into this
  // store.
  AppliStore* verify = nullptr;
  // Resume: applications (bit 1 << AppliId) already complete on the
  // organizer; they are neither deleted nor sent.
  uint8_t skip = 0;
  // Called after each application was sent completely.
  std::function<void(AppliId)> on_sent;

  bool any() const { return snapshot != nullptr || verify != nullptr || skip != 0; }
};

// What the steps did, filled in by the run.
struct SafeTransferReport {
  bool snapshot_taken = false;  // on_snapshot went on
  bool deleted = false;         // at least one DELETE_ALL_RECORDS was answered
  uint8_t sent = 0;             // bit per application sent completely in this run
  uint8_t read_back = 0;        // bit per application verify received again
};

}  // namespace kivo

#endif  // KIVO_COMM_SAFE_TRANSFER_H_

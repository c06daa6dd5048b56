#ifndef KIVO_COMM_SAFE_TRANSFER_H_
#define KIVO_COMM_SAFE_TRANSFER_H_

#include <cstdint>
#include <functional>

#include "store/appli_id.h"

namespace kivo {

class AppliStore;

// Extra steps of a Restore or Download run (a run of an application, or of
// all of them, from the PC), each off unless set. With all of them off the
// run sends and expects exactly the bytes it does without them.
struct SafeTransfer {
  // Snapshot: before anything is deleted, the records of every application
  // about to be deleted (and, with Expense, the category list) are received
  // into this store in the same session.
  AppliStore* snapshot = nullptr;
  // Called once the snapshot is complete, before the first deletion; false
  // ends the run with 11 (a snapshot that cannot be kept is no safety).
  std::function<bool(const AppliStore&)> on_snapshot;
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
  bool snapshot_taken = false;  // on_snapshot accepted it
  bool deleted = false;         // at least one DELETE_ALL_RECORDS was answered
  uint8_t sent = 0;             // bit per application sent completely in this run
};

}  // namespace kivo

#endif  // KIVO_COMM_SAFE_TRANSFER_H_

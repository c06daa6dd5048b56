#ifndef KIVO_TESTS_SUPPORT_MEMORY_ENDPOINT_H_
#define KIVO_TESTS_SUPPORT_MEMORY_ENDPOINT_H_

#include <string>

#include "sync/sync_endpoint.h"

namespace kivo {

// A side held in memory, for tests of the sync: it behaves like one of the
// real kinds and breaks off where a test tells it to.
//
// Every step counts as one operation: reading an application, deleting one,
// writing one record, applying one change, reading one application back.
// FailAfter(n) lets n more operations succeed and fails the next one (and
// every one after it until FailAfter(-1)), the way a dropped line or a killed
// process stops a run between two steps. What a broken write leaves depends
// on the kind:
//   kWholeAppli  like the organizer: an application is deleted, then written
//                record by record; broken off, it holds the first records only;
//   kAtomic      like a backup file: the writes go to a copy that replaces the
//                records only when all of them succeeded;
//   kPatch       like a collection: each change is one item written on its
//                own; broken off, the changes before the break are in place.
class MemoryEndpoint : public SyncEndpoint {
 public:
  enum class Kind : uint8_t { kWholeAppli, kAtomic, kPatch };

  MemoryEndpoint(std::string identity, std::string label, Kind kind);

  std::string Identity() const override { return identity_; }
  std::string Label() const override { return label_; }
  AppliMask Holds() const override { return holds_; }
  BrokenWrite broken_write() const override {
    return kind_ == Kind::kWholeAppli ? BrokenWrite::kHalfAppli
           : kind_ == Kind::kAtomic   ? BrokenWrite::kOldOrNew
                                      : BrokenWrite::kSomeItems;
  }

  [[nodiscard]] EndpointStatus Read(AppliMask apps, const EndpointMemory& memory,
                                    RecordSet* out) override;
  [[nodiscard]] ApplyOutcome Apply(const std::vector<AppliWrite>& writes,
                                   const EndpointMemory& memory, bool verify,
                                   const std::function<void(AppliId)>& confirmed) override;

  // The side's records, every application present; tests edit them freely.
  RecordSet& records() { return records_; }
  const RecordSet& records() const { return records_; }
  void set_holds(AppliMask holds) { holds_ = holds; }

  // n more operations succeed, then every one fails; -1: none fails.
  void FailAfter(int operations) { budget_ = operations; }
  // Operations done since construction, and records written (a record put or
  // a change applied).
  int operations() const { return operations_; }
  int records_written() const { return records_written_; }

 private:
  // Counts one operation; false when it is the one that fails.
  [[nodiscard]] bool Step();
  [[nodiscard]] bool WriteAppli(RecordSet& into, const AppliWrite& write);

  std::string identity_;
  std::string label_;
  Kind kind_;
  AppliMask holds_ = kAllSyncAppli;
  RecordSet records_;
  int budget_ = -1;
  int operations_ = 0;
  int records_written_ = 0;
};

}  // namespace kivo

#endif  // KIVO_TESTS_SUPPORT_MEMORY_ENDPOINT_H_

#ifndef KIVO_VIEW_UNDO_STEPS_H_
#define KIVO_VIEW_UNDO_STEPS_H_

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "store/appli_id.h"
#include "store/records_fingerprint.h"

namespace kivo {

// One change the user can take back: an application's records as they were
// before it, and how the change left them. A step is only taken back while
// the application is still as the change left it; anything else that changed
// it since (an Open, a Download, Clear All) would otherwise be lost.
struct UndoStep {
  std::string label;  // "Delete Entry": the menu shows "Undo Delete Entry"
  AppliId appli = kSchedule;
  // Every record of the application before the change, in list order (for
  // Telephone the records the filter hid first).
  std::vector<std::vector<uint8_t>> records;
  std::vector<uint8_t> selected;  // the record selected then; empty: none
  uint64_t before = 0;            // RecordsFingerprint of records
  uint64_t after = 0;             // the same of the records the change left
  bool pending = true;            // the change has not ended yet
};

// The last changes, newest on top. Bounded in steps and in bytes of records
// kept: the oldest steps go first.
class UndoSteps {
 public:
  static constexpr size_t kMaxSteps = 20;
  static constexpr size_t kMaxBytes = size_t{16} << 20;

  void Push(UndoStep step);
  [[nodiscard]] bool empty() const { return steps_.empty(); }
  [[nodiscard]] size_t size() const { return steps_.size(); }
  // The newest step; only when not empty.
  [[nodiscard]] UndoStep& top() { return steps_.back(); }
  [[nodiscard]] const UndoStep& top() const { return steps_.back(); }
  UndoStep Pop();

 private:
  std::deque<UndoStep> steps_;
  size_t bytes_ = 0;
};

}  // namespace kivo

#endif  // KIVO_VIEW_UNDO_STEPS_H_

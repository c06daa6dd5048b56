#ifndef KIVO_SYNC_GUARD_H_
#define KIVO_SYNC_GUARD_H_

#include <array>
#include <string>
#include <vector>

#include "store/appli_id.h"
#include "sync/merge.h"
#include "sync/sync_types.h"

namespace kivo {

// Protection against a side that lost its records for a reason of its own (an
// organizer reset, a truncated file, an emptied folder): the sync would read
// that as the user removing them and remove them on the other side too. So a
// merge is refused, unless forced, when
//   - an application is empty on a side though the base held records of it,
//   - or the merge would remove more than half of an application's records on
//     either side (edits are not removals).
// The category list is never refused: a side without it has no say.
enum class GuardKind : uint8_t { kBecameEmpty, kTooManyRemovals };

struct GuardRefusal {
  AppliId id = 0;
  Side side = Side::kLeft;
  GuardKind kind = GuardKind::kBecameEmpty;
  int base_count = 0;  // records at the last sync
  int side_count = 0;  // records on the side now
  int removals = 0;    // records the merge would remove on the side
  bool operator==(const GuardRefusal&) const = default;
};

// The refusals of one application's merge; none when it may go ahead.
[[nodiscard]] std::vector<GuardRefusal> CheckGuards(const Records& base, const Records& left,
                                                    const Records& right, const AppliMerge& merge);

// "Memo: empty on the organizer, which held 12 records at the last sync", and
// "Telephone: the sync would remove 40 of the 60 records on the PC"; the side
// names as the report gives them.
[[nodiscard]] std::string GuardText(const GuardRefusal& refusal,
                                    const std::array<std::string, 2>& side_names);

}  // namespace kivo

#endif  // KIVO_SYNC_GUARD_H_

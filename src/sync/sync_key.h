#ifndef KIVO_SYNC_SYNC_KEY_H_
#define KIVO_SYNC_SYNC_KEY_H_

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "store/appli_id.h"

namespace kivo {

// What makes two versions of a record "the same record" to the sync. The
// organizer keeps no record ids, so an edit shows only as one record gone and
// another come on the same side; when both carry the same key they are taken
// as one record changed, so the output can say "changed" and two sides that
// changed the same record can be told from two that added different ones.
//
// The keys are the fields a user names a record by, and which an edit rarely
// touches:
//   Schedule     date and start time
//   Anniversary  date and the first kKeyTextLength characters of the text
//   To Do        due date and the first kKeyTextLength characters of the text
//   Memo         the first line, at most kKeyTextLength characters
//   Expense      date and category
//   Telephone    last and first name
//   Categories   one key: the list is a single record
// An edit of a key field reads as a removal and an addition, which merges to
// the same records; only the counts and the conflict detection differ.
// A record too short for its application's header is its own key, so it pairs
// only with itself.
inline constexpr size_t kKeyTextLength = 16;

[[nodiscard]] std::string SyncKey(AppliId id, std::span<const uint8_t> record);

// What else makes a record removed and one added on the same side one entry
// changed in its key (an appointment moved to another hour, a contact
// renamed), so that it counts as changed and a collection patches the item
// instead of removing it and writing a new one, keeping its UID and all the
// organizer does not hold. Two records are the same entry when they share a
// mark:
//   Schedule, To Do  the text, when not empty
//   Anniversary      the text, when not empty, or the month and day
//   Telephone        a number (home, office, fax, other), or the e-mail
// The other applications have none. The marks point into the record.
struct EntryMark {
  uint8_t kind = 0;
  std::string_view text;
  bool operator==(const EntryMark&) const = default;
};
[[nodiscard]] std::vector<EntryMark> EntryMarks(AppliId id, std::span<const uint8_t> record);

}  // namespace kivo

#endif  // KIVO_SYNC_SYNC_KEY_H_

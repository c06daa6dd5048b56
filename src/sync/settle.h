#ifndef KIVO_SYNC_SETTLE_H_
#define KIVO_SYNC_SETTLE_H_

#include <functional>
#include <optional>
#include <vector>

#include "store/appli_id.h"
#include "sync/organizer_form.h"
#include "sync/record_diff.h"
#include "sync/sync_types.h"

namespace kivo {

// What a side read of one application, as the sync takes it before the
// merge.
//
// Every record is put into the organizer's form (organizer_form.h). A side
// that cannot hold every field of a record (a calendar item has no place for
// the reminder of an entry whose alarm is off, nor for blanks at the end of
// a text) gives, through `read_back`, what it reads back of a record written
// to it; for such a side, records it holds beyond the base are then taken as
// follows:
//   1. a record that is what the side reads back of a base record it no
//      longer holds as such is that base record: the side did not change it;
//   2. a record paired by key (sync_key.h) with a base record it no longer
//      holds is an edit of it, and every field the edit left as the side
//      reads it back of the base record keeps the base record's value
//      (CompleteFromBase), so what the side cannot hold is never reset;
//   3. a record that is what the side reads back of a record the other side
//      holds beyond the base is that record: both sides added the same (a
//      first sync of two filled sides finds them equal).
// A side that holds records whole (read_back empty) is only put into form.
using ReadBackForm = std::function<std::optional<Record>(AppliId, const Record&)>;

struct SettledAppli {
  Records records;  // in the order read
  // The records that were taken as other bytes: (as read, as taken).
  std::vector<RecordEdit> taken;
};

[[nodiscard]] SettledAppli SettleAppli(AppliId id, const Records& read, const Records& base,
                                       const Records& other, const OrganizerForm& form,
                                       const ReadBackForm& read_back);

// `edited` with every field that is the same as in `read_back` (what a side
// reads back of `base`) taken from `base`; the fields are the header's
// (dates, times, flags and numbers each on their own) and each text. All
// three in the organizer's form. A record whose layout is not its
// application's is `edited` as it is.
[[nodiscard]] Record CompleteFromBase(AppliId id, const Record& edited, const Record& read_back,
                                      const Record& base);

}  // namespace kivo

#endif  // KIVO_SYNC_SETTLE_H_

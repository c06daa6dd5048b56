#ifndef KIVO_SYNC_ORGANIZER_FORM_H_
#define KIVO_SYNC_ORGANIZER_FORM_H_

#include <array>
#include <cstdint>
#include <span>

#include "store/appli_id.h"
#include "store/char_tables.h"
#include "sync/sync_types.h"

namespace kivo {

// The form a record takes on the organizer: what it holds of a record sent to
// it and sends back. Every record that enters a sync (from the organizer, a
// backup file, the desktop's records, a vdir folder or a server) is first put
// into this form, and the merge, the base and the test for "nothing changed"
// compare only this form; an import's test for a record "already present"
// uses it too. So a difference the organizer cannot hold (a line break, a
// character it has no form for, a text beyond its field's capacity) is never
// a change, and a record sent once comes back equal.
//
// The form of a record:
//   - the binary header as it is, reserved bytes included (the organizer
//     keeps them);
//   - each text of the application (one; fourteen for Telephone; eight names
//     for the category list) cut to its field's capacity, a missing text
//     empty, nothing between the last text and the terminator;
//   - each text byte as it comes back from the organizer: through table A of
//     code.dat to the organizer, control characters and the codes it cannot
//     show made blanks, and through table B back (a line break arrives as a
//     blank). Tables whose round trip moves a byte again on the next trip are
//     followed until the byte settles; a byte that moves in a circle takes
//     the smallest of its circle, so the form of a form is itself.
// A record shorter than its header (the organizer cannot hold one) and a
// record of an unknown application are left as they are.
class OrganizerForm {
 public:
  explicit OrganizerForm(const CodeTables& tables);

  // The record in the organizer's form.
  [[nodiscard]] Record Of(AppliId id, std::span<const uint8_t> record) const;
  // The same in place; false when the record was in that form already (the
  // common case, checked without allocating).
  bool Canonicalize(AppliId id, Record& record) const;
  // Every record of every application of the set.
  void Canonicalize(RecordSet& set) const;

  // What a text byte becomes (0 stays 0).
  uint8_t TextByte(uint8_t b) const { return text_byte_[b]; }

 private:
  [[nodiscard]] bool InForm(AppliId id, std::span<const uint8_t> record) const;

  std::array<uint8_t, 256> text_byte_{};
};

// One record in the organizer's form (OrganizerForm::Of with tables made for
// the call; for many records build an OrganizerForm once).
[[nodiscard]] Record CanonicalRecord(AppliId id, std::span<const uint8_t> record,
                                     const CodeTables& tables);
// Every record of the set in the organizer's form.
void Canonicalize(RecordSet& set, const CodeTables& tables);

}  // namespace kivo

#endif  // KIVO_SYNC_ORGANIZER_FORM_H_

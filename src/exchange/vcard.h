#ifndef KIVO_EXCHANGE_VCARD_H_
#define KIVO_EXCHANGE_VCARD_H_

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "exchange/content_lines.h"
#include "exchange/import_rules.h"
#include "format/display_modes.h"
#include "store/appli_store.h"
#include "store/char_tables.h"
#include "store/record_codec.h"

namespace kivo {

// Telephone records as vCard 4.0 (RFC 6350): UTF-8, lines ending CR LF and
// folded at 75 octets, one card per record:
//   UID "urn:uuid:" and the record's RecordUid, N and FN from last and first
//   name, ORG from Company, TEL;TYPE=home,
//   TEL;TYPE=work, TEL;TYPE=fax and a plain TEL for Other#, ADR from Address,
//   City, State, Zip Code and Country, EMAIL, NOTE, and the category word as
//   CATEGORIES.
// Returns the number of cards; a record that cannot be decoded is left out.
int BuildVCards(const AppliStore& store, std::string* text);
// One card of BuildVCards, appended to *text, with `uid` (a RecordUid) as its UID.
void AppendVCard(const TelephoneRecord& record, std::string_view uid, std::string* text);

// Reads the cards of a vCard 2.1, 3.0 or 4.0 file into Telephone records:
// folded lines, quoted-printable values and CHARSET (any set the C library
// converts; a set it does not know is listed and its texts left out),
// escaped commas and semicolons. Of several TEL of one kind the first fills
// its field and the rest go to Other# or, when that is taken, to the front
// of the notes as "Tel: ..." lines; numbers that do not fit there whole are
// listed per card. A card with neither name nor company, or with neither
// number, address, e-mail nor URL, is rejected with its reason. Of cards
// sharing a UID only the last is read. BDAY and ANNIVERSARY are counted:
// Telephone has no place for them (ReadVCardDates takes them).
[[nodiscard]] ImportBatch ReadVCards(std::string_view text, const AllowedTable& allowed);
// The same of a text parted already (ContentDoc::Parse as a vCard).
[[nodiscard]] ImportBatch ReadVCards(const ContentDoc& cards, const AllowedTable& allowed);

// The field a TEL line's number fills first, by its type: kFaxNumber,
// kOfficeNumber (work), kHomeNumber, else kOtherNumber.
[[nodiscard]] int CardNumberField(const ContentLine& tel);
// The number of a TEL value (UTF-8 with its escapes): unescaped, and without
// the "tel:" of a URI (`uri`: VALUE=uri, as vCard 4.0 may give it).
[[nodiscard]] std::string CardNumber(std::string_view value, bool uri);

// Where the numbers of a card go, given in the card's order as (field, number
// in UTF-8), the field kHomeNumber .. kOtherNumber by the number's type: into
// that field while it is empty, else into Other# while that is empty, else a
// line "Tel: <number>" at the front of the notes while the notes take it
// whole (kNotes), else nowhere (-1). One place per number; *notes_lines (when
// given) receives those lines joined by LF.
[[nodiscard]] std::vector<int> PlaceCardNumbers(
    const std::vector<std::pair<int, std::string>>& numbers, const AllowedTable& allowed,
    std::string* notes_lines = nullptr);

// Reads the BDAY and ANNIVERSARY of each card into Anniversary records
// described "Birthday: <name>" and "Anniversary: <name>"; a year outside the
// organizer's (or none) becomes today's. Cards without either are skipped.
[[nodiscard]] ImportBatch ReadVCardDates(std::string_view text, const AllowedTable& allowed,
                                         const DateValue& today);

}  // namespace kivo

#endif  // KIVO_EXCHANGE_VCARD_H_

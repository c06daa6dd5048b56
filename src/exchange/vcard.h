#ifndef KIVO_EXCHANGE_VCARD_H_
#define KIVO_EXCHANGE_VCARD_H_

#include <string>
#include <string_view>

#include "exchange/import_rules.h"
#include "store/appli_store.h"
#include "store/char_tables.h"

namespace kivo {

// Telephone records as vCard 4.0 (RFC 6350): UTF-8, lines ending CR LF and
// folded at 75 octets, one card per record:
//   N and FN from last and first name, ORG from Company, TEL;TYPE=home,
//   TEL;TYPE=work, TEL;TYPE=fax and a plain TEL for Other#, ADR from Address,
//   City, State, Zip Code and Country, EMAIL, NOTE, and the category word as
//   CATEGORIES.
// Returns the number of cards; a record that cannot be decoded is left out.
int BuildVCards(const AppliStore& store, std::string* text);

// Reads the cards of a vCard 2.1, 3.0 or 4.0 file into Telephone records:
// folded lines, quoted-printable values and CHARSET (UTF-8, ISO-8859-1,
// Windows-1252), escaped commas and semicolons. Of several TEL of one kind
// the first fills its field and the rest go to Other# or, when that is
// taken, into the notes. A card with neither name nor company, or with
// neither number nor address (nor URL), is rejected.
[[nodiscard]] ImportBatch ReadVCards(std::string_view text, const AllowedTable& allowed);

}  // namespace kivo

#endif  // KIVO_EXCHANGE_VCARD_H_

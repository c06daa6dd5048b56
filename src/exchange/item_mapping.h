#ifndef KIVO_EXCHANGE_ITEM_MAPPING_H_
#define KIVO_EXCHANGE_ITEM_MAPPING_H_

#include <cstdint>
#include <ctime>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "exchange/content_lines.h"
#include "exchange/exchange_format.h"
#include "format/display_modes.h"
#include "store/appli_id.h"
#include "store/char_tables.h"

namespace kivo {

// One item of an address book or calendar (a vCard, or an iCalendar object
// with one entry) and the organizer record it stands for, as sync sees them.
// The record is what the import makes of the item, so a sync and an import
// agree; items are written as the export writes them.

struct ItemContext {
  AllowedTable allowed{};  // char.dat: characters the organizer refuses are left out
  DateValue today;         // the due date of a to-do without one, the year of old birthdays
  std::time_t now = 0;     // stamps new and changed items
  // When given (code.dat), records hold their texts as the organizer and its
  // backup files keep them: through the tables there and back, so line breaks
  // and characters it cannot show are blanks. Without, as an import has them.
  const CodeTables* tables = nullptr;
};

// A text of a record as the context's records hold it (above).
[[nodiscard]] std::string OrganizerText(std::string text, const ItemContext& context);

struct MappedItem {
  AppliId id = 0;
  std::vector<uint8_t> record;  // with its terminator
  // The record's date (a to-do's due date, an anniversary's year) is not the
  // item's: it had none the organizer can hold, and today's was taken.
  bool undated = false;
  // What the record leaves of the item, for the user: "a repeating event,
  // taken as its first occurrence"; empty when nothing of weight.
  std::string note;
};

// The record an item maps to: a vCard to Telephone; an iCalendar object's
// entry to To Do (a VTODO), Anniversary (an all-day VEVENT repeated yearly) or
// Schedule (any other VEVENT). nullopt for an item that maps to no record: a
// card without a name or without any number, address or e-mail, a file of
// several cards or entries, a journal, a cancelled entry, a date outside the
// organizer's years, text that is not an item or holds a NUL byte.
// *why (when given) says why an item maps to nothing: "holds 2 cards", "a
// journal entry, which no application holds".
[[nodiscard]] std::optional<MappedItem> MapItem(ExchangeFormat format, std::string_view text,
                                                const ItemContext& context,
                                                std::string* why = nullptr);
// The same of an item parted already (ContentDoc::Parse in `format`): a card
// is read from its lines alone, a calendar object from its text as well.
[[nodiscard]] std::optional<MappedItem> MapItem(ExchangeFormat format, const ContentDoc& item,
                                                const ItemContext& context,
                                                std::string* why = nullptr);

// The UID of the card, or of the calendar object's entry; empty when it has none.
[[nodiscard]] std::string ItemUid(const ContentDoc& item);

// A new item for a record, as the export writes it (vCard 4.0, iCalendar 2.0)
// with `uid` (a RecordUid) as its UID; empty for a record that does not decode.
[[nodiscard]] std::string NewItem(AppliId id, std::span<const uint8_t> record,
                                  const std::string& uid, const ItemContext& context);

// The entry of a calendar object that stands for a record: its one VEVENT or
// VTODO that is not a changed occurrence of a series, with the application it
// maps to. nullopt when there is none, or several.
struct MainComponent {
  ContentBlock block;
  AppliId id = 0;
};
[[nodiscard]] std::optional<MainComponent> FindMainComponent(const ContentDoc& doc);

}  // namespace kivo

#endif  // KIVO_EXCHANGE_ITEM_MAPPING_H_

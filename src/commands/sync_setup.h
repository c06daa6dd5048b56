#ifndef KIVO_COMMANDS_SYNC_SETUP_H_
#define KIVO_COMMANDS_SYNC_SETUP_H_

// What a sync is set up from, in the words both programs use: the sides as a
// person names them, how conflicts end, and the context in which calendar and
// address book items become records. The command line reads them from its
// arguments, the desktop program from its settings; commands/sync_commands.h
// opens and runs them.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "exchange/item_mapping.h"
#include "platform/result.h"
#include "store/char_tables.h"

namespace kivo {

// A side as a person names it: "organizer", "contacts:DIR|URL",
// "calendar:DIR|URL", or the path of a backup file.
enum class SyncSideKind : uint8_t { kOrganizer, kBackupFile, kContacts, kCalendar };

struct SyncSideSpec {
  SyncSideKind kind = SyncSideKind::kOrganizer;
  std::string place;  // the path, folder or URL; empty for the organizer
};

// Fails for an empty side or a collection without a place.
[[nodiscard]] Result<SyncSideSpec> ParseSyncSide(std::string_view text);

// How two different edits of one record end, by the kind of side rather than
// by left and right: both records kept, the organizer's, or the other side's.
enum class KeptOnConflict : uint8_t { kBoth, kOrganizer, kOther };

// "keep-both", "organizer" and "pc" (the side that is not the organizer);
// nullopt for any other word.
[[nodiscard]] std::optional<KeptOnConflict> ParseConflictPolicy(std::string_view word);

// Today's context for the items of a sync: `allowed` (char.dat) leaves out
// what the organizer refuses, `tables` (code.dat) must outlive the context.
[[nodiscard]] ItemContext SyncItemContext(const AllowedTable& allowed, const CodeTables& tables);

}  // namespace kivo

#endif  // KIVO_COMMANDS_SYNC_SETUP_H_

#include "commands/sync_setup.h"

#include <ctime>

#include "format/today.h"

namespace kivo {

Result<SyncSideSpec> ParseSyncSide(std::string_view text) {
  if (text.empty()) return Failure{"a side of the sync is empty"};
  if (text == "organizer") return SyncSideSpec{SyncSideKind::kOrganizer, {}};
  const struct {
    std::string_view prefix;
    SyncSideKind kind;
  } kCollections[] = {{"contacts:", SyncSideKind::kContacts},
                      {"calendar:", SyncSideKind::kCalendar}};
  for (const auto& c : kCollections) {
    if (text.substr(0, c.prefix.size()) != c.prefix) continue;
    std::string_view place = text.substr(c.prefix.size());
    if (place.empty()) return Failure{std::string(text) + " names no folder or URL"};
    return SyncSideSpec{c.kind, std::string(place)};
  }
  return SyncSideSpec{SyncSideKind::kBackupFile, std::string(text)};
}

std::optional<KeptOnConflict> ParseConflictPolicy(std::string_view word) {
  if (word == "keep-both") return KeptOnConflict::kBoth;
  if (word == "organizer") return KeptOnConflict::kOrganizer;
  if (word == "pc") return KeptOnConflict::kOther;
  return std::nullopt;
}

ItemContext SyncItemContext(const AllowedTable& allowed, const CodeTables& tables) {
  ItemContext context;
  context.allowed = allowed;
  context.today = SystemToday();
  context.now = std::time(nullptr);
  context.tables = &tables;
  return context;
}

}  // namespace kivo

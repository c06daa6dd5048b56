#ifndef KIVO_STORE_SYNC_TARGETS_H_
#define KIVO_STORE_SYNC_TARGETS_H_

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ini_file.h"

namespace kivo {

// A collection of the desktop's address book or calendar that File >
// "Synchronize..." keeps in step with the organizer after the program's own
// records: a vdir folder or a CardDAV/CalDAV URL.
struct SyncTarget {
  enum class Kind { kContacts, kCalendar };
  Kind kind = Kind::kContacts;
  std::string place;  // a folder or an http(s) URL
  std::string user;   // for a server; the password is never stored
  bool operator==(const SyncTarget&) const = default;

  // "contacts:PLACE" or "calendar:PLACE", as the command line names a side.
  [[nodiscard]] std::string Side() const;
  [[nodiscard]] bool IsUrl() const;
};

// "contacts" or "calendar".
[[nodiscard]] const char* SyncKindName(SyncTarget::Kind kind);

// What is wrong with a place typed for a target (empty: nothing): a URL
// other than http(s) with a host, or a folder given relative to wherever the
// program happens to start.
[[nodiscard]] std::string SyncPlaceProblem(std::string_view place);

// The [Sync] section: the targets in their order and how two different edits
// of one record end ("keep-both", "organizer" or "pc").
struct SyncSettings {
  std::vector<SyncTarget> targets;
  std::string conflict = "keep-both";
  bool operator==(const SyncSettings&) const = default;
};

// "Targets"=N, then "Target1".."TargetN" (the side as Side() writes it) with
// "User1".."UserN", and "Conflict". A target that cannot be read (no known
// kind, a bad place) is left out and named in `ignored`; an unknown Conflict
// is keep-both, named too.
[[nodiscard]] SyncSettings ReadSyncSettings(const IniFile& ini, std::vector<std::string>* ignored);
// Writes the section; the keys of targets removed since are emptied, and a
// file without targets and with the default policy gets no [Sync] at all.
void WriteSyncSettings(const SyncSettings& settings, IniFile& ini);

// A target read back from its side text ("calendar:/home/u/cal"); nullopt
// when the text names no contacts or calendar place.
[[nodiscard]] std::optional<SyncTarget> ParseSyncTarget(std::string_view side);

}  // namespace kivo

#endif  // KIVO_STORE_SYNC_TARGETS_H_

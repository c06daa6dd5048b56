#ifndef KIVO_COMMANDS_SYNC_COMMANDS_H_
#define KIVO_COMMANDS_SYNC_COMMANDS_H_

// The two-way sync as both programs run it: one call that opens the sides a
// person names (the organizer through commands/organizer_endpoint.h, the
// others from sides/), runs the engine (sync/sync_driver.h) with the pair's
// state, shows the dry run first when asked to, and says how it ended.

#include <array>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "commands/command_user.h"
#include "commands/link_commands.h"
#include "commands/organizer_endpoint.h"
#include "commands/sync_setup.h"
#include "exchange/item_mapping.h"
#include "platform/app_dirs.h"
#include "store/char_tables.h"
#include "store/result_code.h"
#include "sync/sync_driver.h"
#include "sync/sync_endpoint.h"
#include "sync/sync_report.h"

namespace kivo {

// How a whole sync run ended, for the front end to show and the command line
// to turn into its exit status.
enum class SyncEnd : uint8_t {
  kSynced,         // both sides hold the merge (conflicts kept included)
  kDryRun,         // read and merged, nothing changed
  kRefused,        // a guard refused (numbers in the report); nothing changed
  kBadSide,        // a side is not what it must be (not a backup file of this
                   // device code, no collection there) or cannot be named so;
                   // nothing changed
  kTargetTrouble,  // a file, a collection, a server or the state failed
  kLinkFailed,     // the organizer's link failed: `link_code`
  kVerifyFailed,   // a side read back different from what was written; the
                   // next sync writes it again
  kDeclined,       // the person said no to the dry run; nothing changed
};

struct SyncRequest {
  SyncOptions options;  // its policy is set from `conflict` and the sides
  KeptOnConflict conflict = KeptOnConflict::kBoth;
  // Set: a dry run first, put to CommandUser::ConfirmSync with this name for
  // the side other than the organizer (as the desktop program does); else the
  // sync as the options say (as the command line does).
  std::optional<std::string> confirm_with;
  std::filesystem::path state_root;  // empty: the "sync" folder of the setup's state folder
  std::string user;                  // the server login; empty: the URL's or the netrc's
  std::filesystem::path ca_file;     // a private CA for https; empty: the system's
};

struct SyncRun {
  SyncEnd end = SyncEnd::kSynced;
  SyncReport report;  // empty when the sides could not be opened; kDeclined: the dry run
  // When the run did not get to the engine: what went wrong and what to do.
  std::string problem;
  ResultCode link_code = kResultSuccess;  // kLinkFailed: the link's code
  std::filesystem::path state_dir;        // the pair's state folder
  std::filesystem::path snapshot;         // the organizer's records before the write
  bool organizer_deleted = false;         // kLinkFailed after the write had deleted
  bool ok() const { return end == SyncEnd::kSynced || end == SyncEnd::kDryRun; }
};

// What the sync runs of one command work with beyond the link; the tables
// must outlive the SyncCommands.
struct SyncSetup {
  const CodeTables* tables = nullptr;  // code.dat
  ItemContext items;                   // SyncItemContext, or a test's own day
  // The program's folders: the pairs' states lie in "sync" of dirs.state
  // unless a request names a folder of its own.
  AppDirs dirs;
};

// A side opened from its name, nothing read yet; or why it could not be.
struct OpenedSide {
  SyncEndpoint* side = nullptr;         // null: not opened
  std::unique_ptr<SyncEndpoint> owned;  // every side but the organizer
  bool bad_side = false;                // not opened because of how it is named or what it is
  std::string problem;                  // not opened: what went wrong and what to do
};

// The sync runs of one command, as the command line (`kivo-link sync`) and
// the desktop program (File > Synchronize...) start them. The organizer is
// one side for all of them: every session on it but the command's first asks
// CommandUser::ReadyForNextRun. Passwords of servers are asked through
// CommandUser::AskPassword when neither KIVO_PASSWORD nor the netrc give one.
class SyncCommands {
 public:
  // `commands` and `user` must outlive the object.
  SyncCommands(LinkCommands& commands, CommandUser& user, SyncSetup setup);

  // The organizer on the link's port, as a side.
  [[nodiscard]] OrganizerEndpoint& organizer() { return organizer_; }

  // The side a name gives (ParseSyncSide), opened.
  [[nodiscard]] OpenedSide OpenSide(std::string_view name, const SyncRequest& request);

  // Syncs two sides already open, with their pair's state; with
  // `request.confirm_with`, once the person agreed to its dry run.
  [[nodiscard]] SyncRun Run(SyncEndpoint& left, SyncEndpoint& right, const SyncRequest& request);
  // Opens both sides from their names, then syncs them.
  [[nodiscard]] SyncRun Run(std::string_view left, std::string_view right,
                            const SyncRequest& request);

  // The folder of the pairs' states a request uses.
  [[nodiscard]] std::filesystem::path StateRoot(const SyncRequest& request) const;

 private:
  // One run of the engine, as the request's options say.
  SyncRun RunOnce(SyncEndpoint& left, SyncEndpoint& right, const SyncRequest& request);

  LinkCommands& commands_;
  CommandUser& user_;
  SyncSetup setup_;
  OrganizerEndpoint organizer_;
};

}  // namespace kivo

#endif  // KIVO_COMMANDS_SYNC_COMMANDS_H_

#ifndef KIVO_COMMANDS_SYNC_COMMANDS_H_
#define KIVO_COMMANDS_SYNC_COMMANDS_H_

// The two-way sync as both programs run it: one call that opens the sides a
// person names (the organizer through commands/organizer_endpoint.h, the
// others from sides/), runs the engine (sync/sync_round.h) with each pair's
// state and says how each pair ended. The organizer is reached in one link
// session however many sides it is synced with.

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "commands/command_user.h"
#include "commands/link_commands.h"
#include "exchange/item_mapping.h"
#include "store/char_tables.h"
#include "store/result_code.h"
#include "sync/sync_driver.h"
#include "sync/sync_endpoint.h"
#include "sync/sync_report.h"

namespace kivo {

// A side as a person names it: "organizer", "contacts:DIR|URL",
// "calendar:DIR|URL", or the path of a backup file.
enum class SyncSideKind : uint8_t { kOrganizer, kBackupFile, kContacts, kCalendar };

struct SyncSideSpec {
  SyncSideKind kind = SyncSideKind::kOrganizer;
  std::string place;  // the path, folder or URL; empty for the organizer
};

// nullopt with *error for an empty side or a collection without a place.
[[nodiscard]] std::optional<SyncSideSpec> ParseSyncSide(std::string_view text, std::string* error);

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
};

struct SyncRequest {
  SyncOptions options;
  std::filesystem::path state_root;  // empty: <state dir>/sync of CurrentAppDirs
  std::string user;                  // the server login; empty: the URL's or the netrc's
  std::filesystem::path ca_file;     // a private CA for https; empty: the system's
};

struct SyncRun {
  SyncEnd end = SyncEnd::kSynced;
  SyncReport report;  // empty when the sides could not be opened
  // When the run did not get to the engine: what went wrong and what to do.
  std::string problem;
  ResultCode link_code = kResultSuccess;  // kLinkFailed: the link's code
  std::filesystem::path state_dir;        // the pair's state folder
  std::filesystem::path snapshot;         // the organizer's records before the write
  bool organizer_deleted = false;         // kLinkFailed after the write had deleted
  bool ok() const { return end == SyncEnd::kSynced || end == SyncEnd::kDryRun; }
};

// One sync run as the command line (`kivo-link sync`) and the desktop
// program (File > Synchronize...) start it. Passwords of servers are asked
// through CommandUser::AskPassword when neither KIVO_PASSWORD nor the netrc
// give one.
class SyncCommands {
 public:
  // `context` maps calendar and address book items (allowed characters,
  // today, the code tables); all must outlive the object.
  SyncCommands(LinkCommands& commands, CommandUser& user, const CodeTables& tables,
               ItemContext context);

  // The side `side` names, opened (nothing read yet); null with *problem.
  // *bad_side tells whether the fault lies in how the side was named.
  [[nodiscard]] std::unique_ptr<SyncEndpoint> OpenSide(const SyncSideSpec& side,
                                                       const SyncRequest& request,
                                                       std::string* problem,
                                                       bool* bad_side = nullptr);

  // Syncs two sides already open, with their pair's state.
  [[nodiscard]] SyncRun Run(SyncEndpoint& left, SyncEndpoint& right, const SyncRequest& request);
  // Parses and opens both sides, then syncs them.
  [[nodiscard]] SyncRun Run(std::string_view left, std::string_view right,
                            const SyncRequest& request);

  // The dry run of every pair of a round, for the person to look at: true
  // goes ahead (past a guard's refusal too), false changes nothing.
  using ConfirmRound = std::function<bool(std::span<const SyncRun> dry_runs)>;
  // Syncs `left` with each of `others` in turn, each pair with its own
  // state, as one round: every side read once (the organizer in one
  // session), one dry run covering every pair, then each side written once,
  // so that a change made on one side reaches all. With `confirm` the dry
  // run is shown through it; without, the request's dry_run and force
  // decide. One SyncRun per pair, in the order of `others`. The organizer's
  // session ends with the round.
  [[nodiscard]] std::vector<SyncRun> RunRound(SyncEndpoint& left,
                                              std::span<SyncEndpoint* const> others,
                                              const SyncRequest& request,
                                              const ConfirmRound& confirm = {});
  // Parses and opens the sides (`left` and each of `others`), then runs the
  // round. A side that cannot be named or opened gives one SyncRun with the
  // problem, and nothing is read.
  [[nodiscard]] std::vector<SyncRun> RunRound(std::string_view left,
                                              std::span<const std::string> others,
                                              const SyncRequest& request,
                                              const ConfirmRound& confirm = {});

  // The state root a request uses.
  [[nodiscard]] static std::filesystem::path StateRoot(const SyncRequest& request);

 private:
  LinkCommands& commands_;
  CommandUser& user_;
  const CodeTables& tables_;
  ItemContext context_;
};

}  // namespace kivo

#endif  // KIVO_COMMANDS_SYNC_COMMANDS_H_

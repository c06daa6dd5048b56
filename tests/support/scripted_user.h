#ifndef KIVO_TESTS_SUPPORT_SCRIPTED_USER_H_
#define KIVO_TESTS_SUPPORT_SCRIPTED_USER_H_

// A person behind the command layer who answers from a script.

#include <deque>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "commands/command_user.h"
#include "commands/transfer_results.h"
#include "support/scripted.h"
#include "sync/sync_report.h"

namespace kivo {

// Runs every step of a session to its end without a window, answers boxes through a
// ScriptedPrompter, and keeps what the safety steps told: each message as a
// line ("history: ...", "journal: ...", "not usable: ...", "not kept: ..."),
// the large removals it was shown, and the stops it chose for. The choices
// after a stop come from `after_stop` (kLeave when it runs out); the answers
// to a sync's dry run from `confirm` (no when it runs out), each dry run kept.
class ScriptedUser : public CommandUser {
 public:
  PromptAnswer Ask(const PromptBox& box) override { return prompter.Ask(box); }
  ResultCode Show(LinkRun& run, const LinkSettings& shown) override;
  bool GoOnAfterSnapshot(RunMode run_mode, const std::filesystem::path& kept,
                         const std::vector<LargeRemoval>& large) override;
  bool TellSnapshotNotKept(RunMode run_mode, const std::string& error_text) override;
  void TellHistoryNotWritten(const std::string& error_text) override;
  void TellJournalNotWritten(const std::filesystem::path& journal,
                             const std::string& error_text) override;
  void TellSnapshotNotUsable(const std::string& why, bool new_one) override;
  AfterStop ChooseAfterStop(const RestoreResult& stopped) override;
  bool ConfirmSync(std::span<const SyncDryRun> dry_runs) override;

  ScriptedPrompter prompter;
  std::deque<AfterStop> after_stop;
  // Called after a stop is chosen for, with the choice: where a person
  // presses the organizer's PC-LINK button again when the line was lost.
  std::function<void(const RestoreResult&, AfterStop)> on_stop;
  std::deque<bool> confirm;
  std::vector<SyncDryRun> dry_runs;
  bool go_on_after_large = true;
  int steps = 0;  // runs shown: the steps of the link sessions
  std::vector<std::string> told;
  std::vector<LargeRemoval> large;
  std::vector<uint8_t> stopped_complete;  // RestoreResult::complete of each stop
};

}  // namespace kivo

#endif  // KIVO_TESTS_SUPPORT_SCRIPTED_USER_H_

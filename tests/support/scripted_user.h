#ifndef KIVO_TESTS_SUPPORT_SCRIPTED_USER_H_
#define KIVO_TESTS_SUPPORT_SCRIPTED_USER_H_

// A person behind the command layer who answers from a script.

#include <deque>
#include <filesystem>
#include <string>
#include <vector>

#include "commands/command_user.h"
#include "commands/transfer_results.h"
#include "support/scripted.h"
#include "sync/sync_report.h"

namespace kivo {

// Runs every session to its end without a window, answers boxes through a
// ScriptedPrompter, and keeps what the safety steps told: each message as a
// line ("history: ...", "journal: ...", "not usable: ...", "not kept: ..."),
// the large removals it was shown, and the stops it chose for. The choices
// after a stop come from `after_stop` (kLeave when it runs out); the answers
// to a sync's dry run from `confirm` (no when it runs out), each dry run kept.
class ScriptedUser : public CommandUser {
 public:
  PromptAnswer Ask(const PromptBox& box) override { return prompter.Ask(box); }
  ResultCode RunTransfer(const LinkSettings& settings, SafeTransferReport* report) override;
  bool GoOnAfterSnapshot(RunMode run_mode, const std::filesystem::path& kept,
                         const std::vector<LargeRemoval>& large, Prompter& run) override;
  bool TellSnapshotNotKept(RunMode run_mode, const std::string& error_text, Prompter& run) override;
  void TellHistoryNotWritten(const std::string& error_text) override;
  void TellJournalNotWritten(const std::filesystem::path& journal,
                             const std::string& error_text) override;
  void TellSnapshotNotUsable(const std::string& why, bool new_one) override;
  AfterStop ChooseAfterStop(const RestoreResult& stopped) override;
  bool ConfirmSync(const SyncReport& dry_run, const std::string& other) override;
  bool ReadyForNextRun() override {
    ++ready_asked;
    return ready;
  }

  ScriptedPrompter prompter;
  std::deque<AfterStop> after_stop;
  std::deque<bool> confirm;
  std::vector<SyncReport> dry_runs;
  bool go_on_after_large = true;
  int sessions = 0;
  bool ready = true;  // makes the organizer ready for a further session
  int ready_asked = 0;
  std::vector<std::string> told;
  std::vector<LargeRemoval> large;
  std::vector<uint8_t> stopped_complete;  // RestoreResult::complete of each stop
};

}  // namespace kivo

#endif  // KIVO_TESTS_SUPPORT_SCRIPTED_USER_H_

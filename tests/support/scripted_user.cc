#include "support/scripted_user.h"

#include "comm/progress_run.h"
#include "support/run_pair.h"

namespace kivo {

ResultCode ScriptedUser::Show(LinkRun& run, const LinkSettings&) {
  ++steps;
  QuietWindow window;
  if (!run.Start(&window, &prompter)) return kResultGaveUp;
  return run.Wait();
}

bool ScriptedUser::GoOnAfterSnapshot(RunMode, const std::filesystem::path&,
                                     const std::vector<LargeRemoval>& shown) {
  large = shown;
  return shown.empty() || go_on_after_large;
}

bool ScriptedUser::TellSnapshotNotKept(RunMode, const std::string& error_text) {
  told.push_back("not kept: " + error_text);
  return false;
}

void ScriptedUser::TellHistoryNotWritten(const std::string& error_text) {
  told.push_back("history: " + error_text);
}

void ScriptedUser::TellJournalNotWritten(const std::filesystem::path&,
                                         const std::string& error_text) {
  told.push_back("journal: " + error_text);
}

void ScriptedUser::TellSnapshotNotUsable(const std::string& why, bool) {
  told.push_back("not usable: " + why);
}

AfterStop ScriptedUser::ChooseAfterStop(const RestoreResult& stopped) {
  stopped_complete.push_back(stopped.complete);
  AfterStop choice = AfterStop::kLeave;
  if (!after_stop.empty()) {
    choice = after_stop.front();
    after_stop.pop_front();
  }
  if (on_stop) on_stop(stopped, choice);
  return choice;
}

bool ScriptedUser::ConfirmSync(std::span<const SyncDryRun> shown) {
  dry_runs.insert(dry_runs.end(), shown.begin(), shown.end());
  if (confirm.empty()) return false;
  const bool yes = confirm.front();
  confirm.pop_front();
  return yes;
}

}  // namespace kivo

#include "support/scripted_user.h"

#include "comm/progress_run.h"
#include "support/run_pair.h"

namespace kivo {

ResultCode ScriptedUser::RunTransfer(const LinkSettings& settings, SafeTransferReport* report) {
  ++sessions;
  ProgressRun run;
  run.ApplyLinkSettings(settings);
  QuietWindow window;
  if (!run.Start(&window, &prompter)) return kResultGaveUp;
  const ResultCode result = run.Wait();
  if (report != nullptr) *report = run.run().safe_report();
  return result;
}

bool ScriptedUser::GoOnAfterSnapshot(RunMode, const std::filesystem::path&,
                                     const std::vector<LargeRemoval>& shown, Prompter&) {
  large = shown;
  return shown.empty() || go_on_after_large;
}

bool ScriptedUser::TellSnapshotNotKept(RunMode, const std::string& error_text, Prompter&) {
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
  if (after_stop.empty()) return AfterStop::kLeave;
  const AfterStop choice = after_stop.front();
  after_stop.pop_front();
  return choice;
}

bool ScriptedUser::ConfirmSync(const SyncReport& dry_run, const std::string&) {
  dry_runs.push_back(dry_run);
  if (confirm.empty()) return false;
  const bool yes = confirm.front();
  confirm.pop_front();
  return yes;
}

}  // namespace kivo

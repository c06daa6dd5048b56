// The safety commands: File > "Backup History..." and File > "Compare with
// Organizer...", the offer to finish a Restore that stopped, and what verify
// found. The safety steps themselves are the command layer's.

#include <span>

#include "commands/link_commands.h"
#include "desktop/main_commands.h"
#include "history/history.h"
#include "store/app_settings.h"
#include "store/backup_file.h"
#include "store/store_diff.h"

namespace kivo {
namespace {

std::string DiffLine(const AppliDiff& d, const char* a, const char* b) {
  return std::string(AppliName(d.id)) + ": " + std::to_string(d.only_a.size()) + " " + a + ", " +
         std::to_string(d.only_b.size()) + " " + b + ", " + std::to_string(d.both) + " in both";
}

std::string Names(uint8_t applis) {
  std::string names;
  for (AppliId id = kSchedule; id <= kTelephone; ++id) {
    if (((applis >> id) & 1) == 0) continue;
    names += names.empty() ? "" : ", ";
    names += AppliName(id);
  }
  return names;
}

}  // namespace

RestoreResult MainCommands::RestoreFrom(const AppliStore& records,
                                        const std::filesystem::path& source,
                                        const std::string& fingerprint) {
  std::unique_ptr<LinkCommands> commands = Commands();
  if (!commands) return RestoreResult::Failed(kResultAborted);
  RestoreJob job;
  job.records = &records;
  job.source = source;
  job.fingerprint = fingerprint;
  std::optional<RestoreJournal> on_record;
  if (commands->CheckResumable(source, fingerprint, &on_record) == ResumeRefusal::kNone &&
      (on_record->done & kAllAppliMask) != 0 &&
      Ask("A restore of these records stopped before it was complete.\nComplete on your "
          "Organizer: " +
              Names(on_record->done) +
              ".\n\nSend only the applications that are not complete yet ?",
          "Restore")) {
    job.resume = on_record;
  }
  return commands->Restore(job);
}

void MainCommands::TellVerified(const RestoreResult& result) {
  std::string lines;
  for (const AppliDiff& d : result.verify_differences) {
    lines += '\n';
    lines += DiffLine(d, "missing", "unexpected");
  }
  if (lines.empty()) return;
  Tell({"The records read back from your Organizer differ from those sent:" + lines,
        result.run_mode == RunMode::kRestore ? "Restore" : "Download", PromptIcon::kExclamation,
        PromptButtons::kOk});
}

void MainCommands::BackupHistory() {
  CloseFind();
  if (user_ == nullptr) return;
  const HistoryChoice choice = user_->ChooseGeneration(ListGenerations(HistoryDir()));
  const std::filesystem::path& file = choice.file;
  if (choice.action == HistoryChoice::Action::kOpen) {
    OpenBackup(file.string());
    return;
  }
  if (choice.action != HistoryChoice::Action::kRestore) return;
  AppliStore from(store_.code_tables());
  if (from.GetAppliBuf(kStoreSlots) != kStoreOk || ReadAnyBackupFile(from, file) != kStoreOk) {
    Tell({"The backup file is not compatible.", "Restore", PromptIcon::kNone, PromptButtons::kOk});
    return;
  }
  if (std::optional<std::vector<AppliId>> held = PartOfGeneration(HistoryDir(), file, from)) {
    // A Download's snapshot goes back as it came: a Download of each
    // application it holds; the others stay as they are.
    uint8_t applis = 0;
    for (AppliId id : *held) applis |= static_cast<uint8_t>(1 << id);
    if (held->empty() || !Ask("This operation will overwrite " + Names(applis) +
                                  " on your Organizer.\nAre you sure you want to continue ?",
                              "Restore")) {
      return;
    }
  } else if (!Ask("This operation will overwrite ALL applications on your Organizer.\n"
                  "Are you sure you want to continue ?",
                  "Restore")) {
    return;
  }
  if (!ConnectionReminder()) return;
  // The runs have told the user how they went.
  TellVerified(RestoreFrom(from, file, ""));
}

void MainCommands::CompareWithOrganizer() {
  CloseFind();
  if (!ConnectionReminder()) return;
  const SessionWord word(user_, "");
  CommitList(/*ordered=*/false);
  std::unique_ptr<LinkCommands> commands = Commands();
  const ReceiveResult result = commands->Compare(store_);
  if (result.code != kResultSuccess) return;
  std::string text = "Your Organizer compared with the records on this PC:\n";
  for (const AppliDiff& d : result.diffs) {
    text += '\n';
    text += DiffLine(d, "only on the Organizer", "only on this PC");
  }
  text += AnyDifference(result.diffs) ? "\n\nThey differ." : "\n\nThey are the same.";
  if (result.history.kept()) {
    text += "\nThe Organizer's records are kept in " + result.history.file.string();
  }
  Tell({text, "Compare with Organizer", PromptIcon::kInformation, PromptButtons::kOk});
}

}  // namespace kivo

#include "desktop/desktop_user.h"

#include <algorithm>

#include "comm/messages.h"
#include "commands/transfer_results.h"
#include "desktop/port_names.h"
#include "store/app_settings.h"
#include "view/main_view_model.h"

namespace kivo {
namespace {

const char* CaptionOf(RunMode run_mode) {
  return run_mode == RunMode::kRestore ? "Restore" : "Download";
}

// The question after the snapshot, before anything is deleted: Yes goes on.
PromptBox LargeChangeQuestion(const std::vector<LargeRemoval>& large,
                              const std::filesystem::path& kept, const char* caption) {
  std::string text = "This removes more than half of the records on your Organizer:\n";
  for (const LargeRemoval& r : large) {
    // Appended piece by piece: g++ 12 at -O3 reports a false -Wrestrict for
    // a literal plus a temporary string.
    text += '\n';
    text += AppliName(r.id);
    text += ": ";
    text += std::to_string(r.removed);
    text += " of its ";
    text += std::to_string(r.held);
    text += " records";
  }
  text += "\n\nThey are kept in\n" + kept.string() + "\nContinue ?";
  PromptBox box{text, caption, PromptIcon::kExclamation, PromptButtons::kYesNo};
  box.default_no = true;
  return box;
}

}  // namespace

PromptBox ConnectionReminderBox() {
  return {
      "1. Press the [ON/OFF] button to turn OFF.\n2. Connect the cable to your Organizer and "
      "your PC.\n3. Press the [ON/OFF] button to turn ON.",
      "Information", PromptIcon::kInformation, PromptButtons::kOk};
}

bool DesktopUser::ReadyForNextRun() {
  if (settings_ != nullptr && OnVirtualOrganizer(*settings_)) return true;
  return Ask(ConnectionReminderBox()) == PromptAnswer::kOk;
}

bool DesktopUser::GoOnAfterSnapshot(RunMode run_mode, const std::filesystem::path& kept,
                                    const std::vector<LargeRemoval>& large, Prompter& run) {
  if (large.empty()) return true;
  return run.Ask(LargeChangeQuestion(large, kept, CaptionOf(run_mode))) == PromptAnswer::kYes;
}

bool DesktopUser::TellSnapshotNotKept(RunMode run_mode, const std::string& error_text,
                                      Prompter& run) {
  // Told here, where the folder is known; the run then ends without a box of
  // its own. An OK box has one answer.
  (void)run.Ask(
      {"The records on your Organizer could not be kept in the backup history:\n" + error_text +
           "\n\nNothing was deleted. Choose a folder that can be written "
           "([History] Folder= in " +
           kSettingsFileName + "), or set [History] Snapshot=0 to go on without keeping them.",
       CaptionOf(run_mode), PromptIcon::kExclamation, PromptButtons::kOk});
  return true;
}

void DesktopUser::TellHistoryNotWritten(const std::string& error_text) {
  // An OK box has one answer.
  (void)Ask({"The records could not be kept in the backup history:\n" + error_text,
             "Backup History", PromptIcon::kExclamation, PromptButtons::kOk});
}

void DesktopUser::TellJournalNotWritten(const std::filesystem::path& journal,
                                        const std::string& error_text) {
  // An OK box has one answer.
  (void)Ask({journal.string() + ": " + error_text +
                 "\n\nA restore that stops cannot be finished after the program ends.",
             "Restore", PromptIcon::kExclamation, PromptButtons::kOk});
}

void DesktopUser::TellSnapshotNotUsable(const std::string&, bool) {
  // The desktop program goes on from a snapshot only when it holds what is
  // still to be sent; otherwise it takes a new one without asking.
}

RestoreStoppedBox DescribeStop(const RestoreResult& stopped) {
  RestoreStoppedBox box;
  const bool restore = stopped.run_mode == RunMode::kRestore;
  box.caption = CaptionOf(stopped.run_mode);
  box.can_resume = restore;
  box.can_put_back = !stopped.snapshot.empty();
  std::string why(ResultMessage(stopped.code));
  std::replace(why.begin(), why.end(), '\n', ' ');
  box.text = std::string("The ") + (restore ? "restore" : "download") +
             (stopped.code == kResultAborted
                  ? std::string(" was aborted.\n")
                  : " stopped: the line to your Organizer was lost (" + why + ").\n");
  std::string complete;
  std::string lacking;
  for (AppliId id = 0; id < kCategoryList; ++id) {
    if ((stopped.replaced & (1U << id)) == 0) continue;
    std::string& list = (stopped.complete & (1U << id)) != 0 ? complete : lacking;
    if (!list.empty()) list += ", ";
    list += AppliName(id);
  }
  if (!complete.empty()) box.text += "\nComplete on the Organizer: " + complete;
  if (!lacking.empty()) box.text += "\nNot complete: " + lacking;
  box.text += "\n\nYour Organizer now holds ";
  box.text +=
      complete.empty() ? std::string("none of the records sent") : "all the records of " + complete;
  if (!lacking.empty()) box.text += "; of " + lacking + " it holds some records or none";
  box.text += ".";
  if (box.can_put_back) {
    box.text += "\nThe records it held before are kept in\n" + stopped.snapshot.string();
  }
  box.text += "\n\n";
  if (restore) box.text += "Send the rest: the applications not complete are sent again.\n";
  if (box.can_put_back) box.text += "Put the snapshot back: the Organizer as it was before.\n";
  box.text += "Leave it: the Organizer stays as it is now.";
  if (restore && !stopped.resume_from.empty()) {
    box.text +=
        " To finish the restore later:\nkivo-link restore --resume " + stopped.resume_from.string();
  }
  return box;
}

bool DesktopUser::ConfirmSync(const SyncReport& dry_run, const std::string& other) {
  const RowContext context = list_ != nullptr ? list_->Context() : RowContext();
  return ConfirmSyncPreview(DescribeSyncPreview(dry_run, context, other));
}

}  // namespace kivo

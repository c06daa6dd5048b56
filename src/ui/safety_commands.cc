// The safety commands: the snapshot, verify and resume steps around Restore
// and Download, the large-change question, File > "Backup History..." and
// File > "Compare with Organizer...".

#include <span>

#include "comm/link_settings.h"
#include "comm/transfer_setup.h"
#include "history/history.h"
#include "platform/atomic_file.h"
#include "platform/clock.h"
#include "platform/link_defaults.h"
#include "store/app_settings.h"
#include "store/backup_file.h"
#include "store/store_diff.h"
#include "store/store_records.h"
#include "ui/main_commands.h"

namespace kivo {
namespace {

// Reads a backup file of either device code into `store`.
bool ReadAnyBackup(const std::filesystem::path& file, AppliStore& store) {
  std::optional<std::string> bytes = ReadWholeFile(file);
  if (!bytes || bytes->size() < kBackupHeaderSize || store.GetAppliBuf(kStoreSlots) != 0)
    return false;
  store.SetDeviceCode(static_cast<uint8_t>((*bytes)[6]), static_cast<uint8_t>((*bytes)[7]));
  const auto* data = reinterpret_cast<const uint8_t*>(bytes->data());
  return DecodeBackupFile(store, std::span(data, bytes->size())) == kStoreOk;
}

std::string DiffLine(const AppliDiff& d, const char* a, const char* b) {
  return std::string(AppliName(d.id)) + ": " + std::to_string(d.only_a.size()) + " " + a + ", " +
         std::to_string(d.only_b.size()) + " " + b + ", " + std::to_string(d.both) + " in both";
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

std::filesystem::path MainCommands::HistoryDir() const {
  return HistoryDirFor(settings_->history_dir, paths_.files_dir);
}

int MainCommands::RunSafeTransfer(RunMode run_mode, int appli_mode, AppliStore& store,
                                  bool snapshot) {
  const char* caption = run_mode == RunMode::kRestore ? "Restore" : "Download";
  const uint8_t high = settings_->device_code == 1 ? 1 : 2;
  bool take = snapshot && settings_->snapshot != 0;
  uint8_t skip = 0;
  std::filesystem::path kept;
  for (;;) {
    LinkSettings link = MakeLinkSettings(
        *settings_, Request(run_mode, appli_mode, &store, settings_->bk_tel_records_min));
    AppliStore taken(store_.code_tables());
    // 1..255 slots are never refused.
    (void)taken.GetAppliBuf(kStoreSlots);
    taken.SetDeviceCode(high, 0);
    AppliStore back(store_.code_tables());
    // 1..255 slots are never refused.
    (void)back.GetAppliBuf(kStoreSlots);
    if (take) {
      // On the worker, which owns `store` and `taken` until the run ends.
      link.safe.snapshot = &taken;
      link.safe.on_snapshot = [this, &taken, &kept, &store, caption](const AppliStore&,
                                                                     Prompter& prompter) {
        std::string error_text;
        kept = AddGeneration(HistoryDir(), taken, kKindSnapshot, SystemClock().LocalNow(),
                             settings_->history_keep, settings_->file_scramble != 0, &error_text);
        if (kept.empty()) {
          // Told here, where the folder is known; the run then ends without
          // a box of its own. An OK box has one answer.
          (void)prompter.Ask(
              {"The records on your Organizer could not be kept in the backup history:\n" +
                   error_text +
                   "\n\nNothing was deleted. Choose a folder that can be written "
                   "([History] Folder= in " +
                   kSettingsFileName +
                   "), or set [History] Snapshot=0 to go on without keeping them.",
               caption, PromptIcon::kExclamation, PromptButtons::kOk});
          return kResultGaveUp;
        }
        const std::vector<LargeRemoval> large = LargeRemovals(taken, store);
        if (large.empty()) return kResultSuccess;
        return prompter.Ask(LargeChangeQuestion(large, kept, caption)) == PromptAnswer::kYes
                   ? kResultSuccess
                   : kResultGaveUp;
      };
    }
    if (settings_->verify != 0) link.safe.verify = &back;
    link.safe.skip = skip;
    SafeTransferReport report;
    const int result = RunTransfer(link, &report);
    if (result == kResultSuccess) {
      if (settings_->verify == 0) return result;
      std::vector<AppliId> ids;
      for (AppliId id = kSchedule; id <= kCategoryList; ++id) {
        if (((report.sent >> id) & 1) == 0) continue;
        if (id == kCategoryList && store.GetRecordCount(kCategoryList) <= 0) continue;
        ids.push_back(id);
      }
      std::string lines;
      for (const AppliDiff& d : DiffStores(store, back, std::span<const AppliId>(ids))) {
        if (!d.differs()) continue;
        lines += '\n';
        lines += DiffLine(d, "missing", "unexpected");
      }
      if (!lines.empty()) {
        Tell({"The records read back from your Organizer differ from those sent:" + lines, caption,
              PromptIcon::kExclamation, PromptButtons::kOk});
      }
      return result;
    }
    if (!report.deleted) return result;
    // The organizer's records are gone, the new ones only partly there.
    skip |= report.sent;
    if (run_mode == RunMode::kRestore &&
        Ask("The restore stopped after the records on your Organizer were deleted.\n"
            "Send the applications that are not complete yet ?",
            caption)) {
      // The rest goes on from this run's snapshot while that is on disk and
      // whole; otherwise what the organizer holds now is kept first.
      const auto pending = static_cast<uint8_t>((kAllAppliMask | (1 << kCategoryList)) & ~skip);
      take = snapshot && settings_->snapshot != 0 && !HoldsApplis(kept, pending, nullptr);
      continue;
    }
    if (kept.empty()) return result;
    const std::string question = "The records your Organizer held before are kept in\n" +
                                 kept.string() + "\nPut them back on your Organizer now ?";
    if (!Ask(question, caption) || !ConnectionReminder()) return result;
    AppliStore before(store_.code_tables());
    if (ReadAnyBackup(kept, before)) {
      // The user has seen how putting them back went; the first run's result
      // is what this one reports.
      (void)RunSafeTransfer(run_mode, appli_mode, before, /*snapshot=*/false);
    }
    return result;
  }
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
  if (!ReadAnyBackup(file, from)) {
    Tell({"The backup file is not compatible.", "Restore", PromptIcon::kNone, PromptButtons::kOk});
    return;
  }
  const uint8_t high = settings_->device_code == 1 ? 1 : 2;
  from.SetDeviceCode(high, 0);
  std::vector<AppliId> held;
  std::string names;
  for (AppliId id = kSchedule; id <= kTelephone; ++id) {
    if (!from.IsPresent(id)) continue;
    held.push_back(id);
    names += names.empty() ? "" : ", ";
    names += AppliName(id);
  }
  if (held.size() < 6) {
    // A Download's snapshot goes back as it came: a Download of each
    // application it holds; the others stay as they are.
    if (held.empty() || !Ask("This operation will overwrite " + names +
                                 " on your Organizer.\nAre you sure you want to continue ?",
                             "Restore")) {
      return;
    }
    for (AppliId id : held) {
      if (!ConnectionReminder()) return;
      AppliStore one(store_.code_tables());
      // 1..255 slots are never refused.
      (void)one.GetAppliBuf(kStoreSlots);
      one.SetDeviceCode(high, 0);
      for (AppliId part : {id, kCategoryList}) {
        if (part == kCategoryList && (id != kExpense || !from.IsPresent(kCategoryList))) continue;
        const std::vector<std::vector<uint8_t>> records = StoreRecords(from, part);
        // A fresh store of seven slots takes every application and its
        // records, as they came from one.
        (void)one.ResetAppli(part);
        (void)PutInOrder(one, part, records, IdentityOrder(records.size()));
      }
      // Each run has told the user how it went; a failure ends the rest.
      if (RunSafeTransfer(RunMode::kDownload, id, one, /*snapshot=*/true) != kResultSuccess) return;
    }
    return;
  }
  if (!Ask("This operation will overwrite ALL applications on your Organizer.\n"
           "Are you sure you want to continue ?",
           "Restore") ||
      !ConnectionReminder()) {
    return;
  }
  // The run has told the user how it went.
  (void)RunSafeTransfer(RunMode::kRestore, kAllAppli, from, /*snapshot=*/true);
}

void MainCommands::CompareWithOrganizer() {
  CloseFind();
  if (!ConnectionReminder()) return;
  CommitList(/*ordered=*/false);
  AppliStore organizer(store_.code_tables());
  if (organizer.GetAppliBuf(kStoreSlots) != 0) return;
  // The organizer's records as they come, as a snapshot takes them: the
  // telephone checks have nothing to say to a comparison.
  const int result = RunTransfer(
      MakeLinkSettings(*settings_, Request(RunMode::kBackup, kAllAppli, &organizer, 0)));
  if (result != kResultSuccess) return;
  std::string error_text;
  const std::filesystem::path kept =
      AddGeneration(HistoryDir(), organizer, kKindSnapshot, SystemClock().LocalNow(),
                    settings_->history_keep, settings_->file_scramble != 0, &error_text);
  std::string text = "Your Organizer compared with the records on this PC:\n";
  for (const AppliDiff& d : DiffStores(organizer, store_)) {
    text += '\n';
    text += DiffLine(d, "only on the Organizer", "only on this PC");
  }
  text +=
      AnyDifference(DiffStores(organizer, store_)) ? "\n\nThey differ." : "\n\nThey are the same.";
  if (!kept.empty()) text += "\nThe Organizer's records are kept in " + kept.string();
  Tell({text, "Compare with Organizer", PromptIcon::kInformation, PromptButtons::kOk});
}

}  // namespace kivo

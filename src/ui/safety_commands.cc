// The safety commands: the snapshot, verify and resume steps around Restore
// and Download, the large-change warning, File > "Backup History..." and
// File > "Compare with Organizer...".

#include <ctime>
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
#include "ui/main_commands.h"

namespace kivo {
namespace {

// A snapshot older than this says nothing about the organizer any more.
constexpr double kWarningAgeSeconds = 3600;

std::time_t ToTime(const LocalDateTime& t) {
  std::tm tm{};
  tm.tm_year = t.year - 1900;
  tm.tm_mon = t.month - 1;
  tm.tm_mday = t.day;
  tm.tm_hour = t.hour;
  tm.tm_min = t.minute;
  tm.tm_sec = t.second;
  tm.tm_isdst = -1;
  return std::mktime(&tm);
}

// Reads a backup file of either device code into `store`.
bool ReadAnyBackup(const std::filesystem::path& file, AppliStore& store) {
  std::optional<std::string> bytes = ReadWholeFile(file);
  if (!bytes || bytes->size() < kBackupHeaderSize || store.GetAppliBuf(kStoreSlots) != 0)
    return false;
  store.SetDeviceCode(static_cast<uint8_t>((*bytes)[6]), static_cast<uint8_t>((*bytes)[7]));
  const auto* data = reinterpret_cast<const uint8_t*>(bytes->data());
  return DecodeBackupFile(store, std::span(data, bytes->size())) == kStoreOk;
}

// The applications a run of `appli_mode` replaces on the organizer.
std::vector<AppliId> Replaced(int appli_mode) {
  if (appli_mode != kAllAppli) return {static_cast<AppliId>(appli_mode)};
  return {kSchedule, kAnniversary, kToDo, kMemo, kExpense, kTelephone};
}

std::string DiffLine(const AppliDiff& d, const char* a, const char* b) {
  return std::string(AppliName(d.id)) + ": " + std::to_string(d.only_a.size()) + " " + a + ", " +
         std::to_string(d.only_b.size()) + " " + b + ", " + std::to_string(d.both) + " in both";
}

}  // namespace

std::filesystem::path MainCommands::HistoryDir() const {
  return HistoryDirFor(settings_->history_dir, paths_.files_dir);
}

bool MainCommands::AskWithWarning(const std::string& text, const char* caption,
                                  const AppliStore& store, int appli_mode) {
  std::string warning;
  for (const Generation& g : ListGenerations(HistoryDir())) {
    if (g.kind != kKindSnapshot) continue;
    const double age = std::difftime(std::time(nullptr), ToTime(g.time));
    AppliStore organizer(store_.code_tables());
    if (age < 0 || age > kWarningAgeSeconds || !ReadAnyBackup(g.path, organizer)) break;
    for (AppliId id : Replaced(appli_mode)) {
      if (!organizer.IsPresent(id)) continue;
      const int held = organizer.GetRecordCount(id);
      const std::vector<AppliDiff> d = DiffStores(organizer, store, id);
      const int removed = static_cast<int>(d[0].only_a.size());
      if (held > 0 && removed * 2 > held) {
        // Appended piece by piece: g++ 12 at -O3 reports a false -Wrestrict
        // for a literal plus a temporary string.
        warning += '\n';
        warning += AppliName(id);
        warning += ": ";
        warning += std::to_string(removed);
        warning += " of its ";
        warning += std::to_string(held);
        warning += " records";
      }
    }
    if (!warning.empty()) {
      char when[16];
      std::snprintf(when, sizeof when, "%02d:%02d", g.time.hour, g.time.minute);
      warning = "\n\nThis removes more than half of the records on your Organizer (snapshot of " +
                std::string(when) + "):" + warning;
    }
    break;  // the newest snapshot only
  }
  return Ask(text + warning, caption);
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
      link.safe.snapshot = &taken;
      link.safe.on_snapshot = [this, &taken, &kept](const AppliStore&) {
        std::string error_text;
        kept = AddGeneration(HistoryDir(), taken, kKindSnapshot, SystemClock().LocalNow(),
                             settings_->history_keep, settings_->file_scramble != 0, &error_text);
        return !kept.empty();
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
      take = false;
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
  from.SetDeviceCode(settings_->device_code == 1 ? 1 : 2, 0);
  if (!AskWithWarning("This operation will overwrite ALL applications on your Organizer.\n"
                      "Are you sure you want to continue ?",
                      "Restore", from, kAllAppli) ||
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
  const int result =
      RunTransfer(MakeLinkSettings(*settings_, Request(RunMode::kBackup, kAllAppli, &organizer,
                                                       settings_->backup_tel_records_min)));
  settings_->AfterBackupRun(result);
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

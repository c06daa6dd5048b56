// File > "Synchronize...": the organizer with the program's own records, then
// with each sync target of the settings. Each pair is shown as a dry run
// first; the sync itself is the command layer's (commands/sync_commands.h).

#include "comm/messages.h"
#include "commands/link_commands.h"
#include "commands/sync_commands.h"
#include "desktop/main_commands.h"
#include "desktop/sync_preview.h"
#include "sides/store_endpoint.h"
#include "store/app_settings.h"
#include "store/working_data.h"
#include "view/sync_report_text.h"

namespace kivo {
namespace {

constexpr const char* kCaption = "Synchronize";

// "PC: 2 added, 1 changed, 0 removed; organizer: ..." of a finished run.
std::string DoneLine(const SyncRun& run, const std::string& name) {
  std::array<SideCounts, 2> sum{};
  for (const AppliReport& appli : run.report.applis) {
    for (size_t side = 0; side < 2; ++side) {
      sum[side].added += appli.counts[side].added;
      sum[side].changed += appli.counts[side].changed;
      sum[side].removed += appli.counts[side].removed;
    }
  }
  std::string line = "With " + name + ":";
  for (size_t side = 0; side < 2; ++side) {
    line +=
        (side == 0 ? " " : "; ") + run.report.side_names[side] + " " + SideCountsText(sum[side]);
  }
  const int conflicts = run.report.ConflictCount();
  if (conflicts > 0) line += "; " + std::to_string(conflicts) + " conflicts kept as chosen";
  return line;
}

}  // namespace

void MainCommands::Synchronize() {
  CloseFind();
  if (user_ == nullptr || !ConnectionReminder()) return;
  CommitList(/*ordered=*/false);
  std::unique_ptr<LinkCommands> link = Commands();
  if (!link) return;
  SyncSetup setup;
  setup.tables = &store_.code_tables();
  setup.items = SyncItemContext(AllowedCharacters(), store_.code_tables());
  setup.dirs = AppDirsOf(paths_);
  SyncCommands sync(*link, *user_, std::move(setup));
  const SessionWord word(user_, "");
  SyncRequest request;
  request.conflict = ParseConflictPolicy(settings_->sync.conflict).value_or(KeptOnConflict::kBoth);

  StoreEndpoint records(store_, WorkingDataPath(paths_.files_dir));
  std::vector<std::string> done;
  // One pair: its dry run shown, then the sync. False stops the command
  // (cancelled or failed; the user has been told).
  auto sync_pair = [&](SyncEndpoint& other, const std::string& name, SyncRequest pair_request) {
    // The organizer side asks for the organizer to be made ready before each
    // of its sessions but the first.
    pair_request.confirm_with = name;
    const SyncRun run = sync.Run(sync.organizer(), other, pair_request);
    if (run.end == SyncEnd::kDeclined) return false;
    if (&other == &records && records.changed() != 0) {
      // The base now holds these records: the file must too, or a program
      // that ends without saving would read them as removed next time.
      RefreshList(/*resort=*/true);
      if (!SaveDataFile()) {
        Tell({"The synchronized records could not be saved in\n" +
                  WorkingDataPath(paths_.files_dir).string() +
                  "\nSave them with File > Save As before you end the program.",
              kCaption, PromptIcon::kExclamation, PromptButtons::kOk});
      }
    }
    if (!run.ok()) {
      TellSyncFailure(run, name);
      return false;
    }
    done.push_back(DoneLine(run, name));
    return true;
  };

  bool complete = sync_pair(records, "the records on this PC", request);
  for (size_t i = 0; complete && i < settings_->sync.targets.size(); ++i) {
    const SyncTarget& target = settings_->sync.targets[i];
    SyncRequest pair_request = request;
    pair_request.user = target.user;
    OpenedSide side = sync.OpenSide(target.Side(), pair_request);
    if (side.side == nullptr) {
      SyncRun opened;
      opened.end = SyncEnd::kTargetTrouble;
      opened.problem = side.problem;
      TellSyncFailure(opened, target.Side());
      complete = false;
      break;
    }
    complete = sync_pair(*side.side, target.Side(), pair_request);
  }
  if (done.empty()) return;
  std::string text = complete ? "Your Organizer is synchronized.\n"
                              : "Your Organizer is synchronized with only part of the list:\n";
  for (const std::string& line : done) text += "\n" + line;
  Tell({text, kCaption, PromptIcon::kInformation, PromptButtons::kOk});
}

void MainCommands::TellSyncFailure(const SyncRun& run, const std::string& name) {
  // The progress window has told a link failure already, as for every
  // transfer, except one that broke off after the organizer's records were
  // deleted: that is told here with the way on.
  if (run.end == SyncEnd::kLinkFailed && !run.organizer_deleted) return;
  std::string text = "The sync of your Organizer with " + name + " stopped.\n\n";
  if (run.end == SyncEnd::kLinkFailed) {
    for (char c : ResultMessage(run.link_code)) {
      if (c != '\r') text.push_back(c);
    }
    text +=
        "\nThe connection was lost while the records were sent to your Organizer; some of "
        "its applications are not complete. Its records before the sync are kept in\n" +
        run.snapshot.string() + "\n";
  } else if (!run.problem.empty()) {
    text += run.problem + "\n";
  } else {
    text += RenderSyncReport(run.report, model_->Context());
  }
  text += "\nWhat was changed before is kept; the next Synchronize completes the work.";
  Tell({text, kCaption, PromptIcon::kExclamation, PromptButtons::kOk});
}

}  // namespace kivo

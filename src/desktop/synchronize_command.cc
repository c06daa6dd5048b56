// File > "Synchronize...": the organizer with the program's own records and
// with each sync target of the settings, in one link session. One dry run
// covering every pair is shown first; the sync itself is the command layer's
// (commands/sync_commands.h).

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

  // The program's records, then each target of the settings; a target that
  // cannot be reached is told and left out.
  StoreEndpoint records(store_, WorkingDataPath(paths_.files_dir));
  std::vector<std::unique_ptr<SyncEndpoint>> targets;
  std::vector<SyncEndpoint*> others{&records};
  std::vector<std::string> names{"the records on this PC"};
  bool complete = true;
  for (const SyncTarget& target : settings_->sync.targets) {
    SyncRequest target_request = request;
    target_request.user = target.user;
    OpenedSide side = sync.OpenSide(target.Side(), target_request);
    if (side.side == nullptr) {
      SyncRun opened;
      opened.end = SyncEnd::kTargetTrouble;
      opened.problem = side.problem;
      TellSyncFailure(opened, target.Side());
      complete = false;
      continue;
    }
    others.push_back(side.side);
    names.push_back(target.Side());
    targets.push_back(std::move(side.owned));
  }

  // One session with the organizer: read once, every pair merged in turn,
  // one dry run shown for all of them, then written once.
  request.confirm_with = names.front();
  const std::vector<SyncRun> runs = sync.RunRound(sync.organizer(), others, request, names);
  if (records.changed() != 0) {
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
  std::vector<std::string> done;
  bool told = false;
  for (size_t i = 0; i < runs.size(); ++i) {
    const SyncRun& run = runs[i];
    // Cancelled on the dry run: nothing changed, nothing to tell.
    if (run.end == SyncEnd::kDeclined) return;
    if (run.ok()) {
      done.push_back(DoneLine(run, names[i]));
      continue;
    }
    complete = false;
    // One failure stops the round; the side at fault says why.
    const bool at_fault = run.report.failed_side.has_value() || !run.problem.empty() ||
                          run.report.failure.message.rfind("stopped: ", 0) != 0;
    if (!told && at_fault) {
      TellSyncFailure(run, names[i]);
      told = true;
    }
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

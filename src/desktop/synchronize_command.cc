// File > "Synchronize...": the organizer with the program's own records and
// with each sync target of the settings, in one link session. One dry run
// covering every pair is shown first; the sync itself is the command layer's
// (commands/sync_commands.h).

#include <ctime>

#include "comm/messages.h"
#include "commands/link_commands.h"
#include "commands/organizer_endpoint.h"
#include "commands/sync_commands.h"
#include "desktop/main_commands.h"
#include "desktop/sync_preview.h"
#include "format/today.h"
#include "sides/store_endpoint.h"
#include "store/app_settings.h"
#include "store/char_tables.h"
#include "store/working_data.h"
#include "sync/sync_state.h"
#include "view/sync_report_text.h"

namespace kivo {
namespace {

constexpr const char* kCaption = "Synchronize";

ConflictPolicy PolicyOf(const std::string& key) {
  if (key == "organizer") return ConflictPolicy::kLeft;
  if (key == "pc") return ConflictPolicy::kRight;
  return ConflictPolicy::kKeepBoth;
}

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
  ItemContext items;
  items.allowed = AllowedCharacters();
  items.today = SystemToday();
  items.now = std::time(nullptr);
  items.tables = &store_.code_tables();
  SyncCommands sync(*link, *user_, store_.code_tables(), items);
  const SessionWord word(user_, "");
  SyncRequest request;
  request.options.policy = PolicyOf(settings_->sync.conflict);
  AppDirs dirs = AppDirs::InProgramDirectory(paths_.files_dir);
  if (!paths_.state_dir.empty()) dirs.state = paths_.state_dir;
  request.state_root = DefaultSyncStateRoot(dirs);

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
    SyncSideSpec named;
    named.kind = target.kind == SyncTarget::Kind::kContacts ? SyncSideKind::kContacts
                                                            : SyncSideKind::kCalendar;
    named.place = target.place;
    SyncRun opened;
    std::unique_ptr<SyncEndpoint> side = sync.OpenSide(named, target_request, &opened.problem);
    if (!side) {
      opened.end = SyncEnd::kTargetTrouble;
      TellSyncFailure(opened, target.Side());
      complete = false;
      continue;
    }
    others.push_back(side.get());
    names.push_back(target.Side());
    targets.push_back(std::move(side));
  }

  // One session with the organizer: read once, every pair merged in turn,
  // one dry run shown for all of them, then written once.
  OrganizerEndpoint organizer(*link);
  const std::vector<SyncRun> runs =
      sync.RunRound(organizer, others, request, [&](std::span<const SyncRun> dry_runs) {
        std::vector<SyncPreviewPair> pairs;
        for (size_t i = 0; i < dry_runs.size(); ++i) {
          pairs.push_back({names[i], dry_runs[i].report});
        }
        return user_->ConfirmSync(pairs, model_->Context());
      });
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
    if (run.end == SyncEnd::kDryRun || run.end == SyncEnd::kRefused) return;
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

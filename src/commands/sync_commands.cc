#include "commands/sync_commands.h"

#include <utility>
#include <variant>

#include "commands/organizer_endpoint.h"
#include "dav/credentials.h"
#include "dav/open_collection.h"
#include "platform/app_dirs.h"
#include "sides/backup_file_endpoint.h"
#include "sides/collection_endpoint.h"
#include "sync/sync_round.h"
#include "sync/sync_state.h"

namespace kivo {

namespace fs = std::filesystem;

namespace {

// The person behind the command, asked for a server's password.
class UserPasswordPrompt : public PasswordPrompt {
 public:
  explicit UserPasswordPrompt(CommandUser& user) : user_(user) {}
  std::optional<std::string> AskPassword(const std::string& target,
                                         const std::string& user) override {
    return user_.AskPassword(target, user);
  }

 private:
  CommandUser& user_;
};

// The engine's policy for what the person chose, by where the organizer is.
// With neither side the organizer, "organizer" keeps the left side's record
// and "pc" the right side's.
ConflictPolicy PolicyFor(KeptOnConflict kept, bool organizer_right) {
  switch (kept) {
    case KeptOnConflict::kBoth:
      break;
    case KeptOnConflict::kOrganizer:
      return organizer_right ? ConflictPolicy::kRight : ConflictPolicy::kLeft;
    case KeptOnConflict::kOther:
      return organizer_right ? ConflictPolicy::kLeft : ConflictPolicy::kRight;
  }
  return ConflictPolicy::kKeepBoth;
}

}  // namespace

SyncCommands::SyncCommands(LinkCommands& commands, CommandUser& user, SyncSetup setup,
                           OrganizerSession* session)
    : commands_(commands), user_(user), setup_(std::move(setup)), organizer_(commands, session) {}

fs::path SyncCommands::StateRoot(const SyncRequest& request) const {
  if (!request.state_root.empty()) return request.state_root;
  return DefaultSyncStateRoot(setup_.dirs);
}

OpenedSide SyncCommands::OpenSide(std::string_view name, const SyncRequest& request) {
  OpenedSide opened;
  Result<SyncSideSpec> parsed = ParseSyncSide(name);
  if (!parsed) {
    opened.bad_side = true;
    opened.problem = parsed.error();
    return opened;
  }
  const SyncSideSpec& side = *parsed;
  switch (side.kind) {
    case SyncSideKind::kOrganizer:
      opened.side = &organizer_;
      return opened;
    case SyncSideKind::kBackupFile: {
      const std::array<uint8_t, 2> code = commands_.NewStore()->device_code();
      opened.owned = std::make_unique<BackupFileEndpoint>(side.place, *setup_.tables, code,
                                                          commands_.settings().file_scramble != 0);
      opened.side = opened.owned.get();
      return opened;
    }
    case SyncSideKind::kContacts:
    case SyncSideKind::kCalendar:
      break;
  }
  const CollectionKind kind =
      side.kind == SyncSideKind::kContacts ? CollectionKind::kContacts : CollectionKind::kCalendar;
  HttpOptions http;
  http.ca_file = request.ca_file.string();
  UserPasswordPrompt prompt(user_);
  DavResult<std::unique_ptr<Collection>> collection = OpenCollection(
      kind, side.place, request.user, http, CredentialSourcesFromEnvironment(&prompt));
  if (!collection) {
    opened.problem = collection.error().Text();
    opened.bad_side = collection.error().kind == DavErrorKind::kBadTarget;
    return opened;
  }
  opened.owned = std::make_unique<CollectionEndpoint>(std::move(collection).value(),
                                                      request.options.apps, setup_.items);
  opened.side = opened.owned.get();
  return opened;
}

SyncRun SyncCommands::Run(SyncEndpoint& left, SyncEndpoint& right, const SyncRequest& request) {
  SyncEndpoint* others[] = {&right};
  return RunRound(left, others, request).front();
}

std::vector<SyncRun> SyncCommands::RunRound(SyncEndpoint& left,
                                            std::span<SyncEndpoint* const> others,
                                            const SyncRequest& request,
                                            std::span<const std::string> names) {
  const std::array<uint8_t, 2> code = commands_.NewStore()->device_code();
  std::vector<std::unique_ptr<SyncState>> states;
  std::vector<RoundPair> pairs;
  for (SyncEndpoint* right : others) {
    states.push_back(std::make_unique<SyncState>(StateRoot(request), left.Identity(),
                                                 right->Identity(), *setup_.tables));
    states.back()->set_device_code(code);
    const bool organizer_right = right == &organizer_ && &left != &organizer_;
    pairs.push_back({right, states.back().get(), request.options.apps,
                     PolicyFor(request.conflict, organizer_right)});
    pairs.back().reset_state = request.options.reset_state;
  }
  SyncRound round(left, std::move(pairs));
  const SyncOptions& options = request.options;
  auto ended = [&] {
    std::vector<SyncRun> runs;
    for (size_t i = 0; i < others.size(); ++i) {
      runs.push_back(Ended(round.reports()[i], left, *others[i]));
      runs.back().state_dir = states[i]->dir();
    }
    return runs;
  };
  // A dry run writes nothing, not even the lock's folder.
  if (!options.dry_run && !round.Lock(options.wait)) {
    organizer_.Finish();
    return ended();
  }
  const bool confirm = request.confirm_with.has_value() && !options.dry_run;
  // Asked with a dry run shown, the guards speak in it; told to force, not.
  const bool planned = round.Plan(options.force && !confirm);
  bool go = planned && !options.dry_run;
  bool force = options.force;
  bool declined = false;
  if (go && confirm) {
    std::vector<SyncDryRun> dry_runs;
    for (size_t i = 0; i < others.size(); ++i) {
      dry_runs.push_back({i < names.size() ? names[i] : *request.confirm_with, round.reports()[i]});
    }
    // The person saw what the guards refused and agreed to it.
    go = user_.ConfirmSync(dry_runs);
    declined = !go;
    force = force || round.refused();
  }
  if (go) round.Write(force, options.verify);
  // The organizer's session ends with the round: END_COMMUNICATION once.
  organizer_.Finish();
  std::vector<SyncRun> runs = ended();
  if (declined) {
    for (SyncRun& run : runs) run.end = SyncEnd::kDeclined;
  }
  return runs;
}

SyncRun SyncCommands::Ended(const SyncReport& report, SyncEndpoint& left,
                            SyncEndpoint& right) const {
  SyncRun run;
  run.report = report;
  if (&left == &organizer_ || &right == &organizer_) {
    run.snapshot = organizer_.snapshot();
    run.organizer_deleted = organizer_.deleted();
  }
  switch (run.report.outcome) {
    case SyncOutcome::kSynced:
      run.end = SyncEnd::kSynced;
      return run;
    case SyncOutcome::kDryRun:
      run.end = SyncEnd::kDryRun;
      return run;
    case SyncOutcome::kRefused:
      run.end = SyncEnd::kRefused;
      return run;
    case SyncOutcome::kFailed:
      break;
  }
  run.end = run.report.failure.fault == EndpointFault::kRefused ? SyncEnd::kBadSide
                                                                : SyncEnd::kTargetTrouble;
  if (!run.report.failed_side) return run;
  const EndpointStatus& failure = run.report.failure;
  if (run.report.failed_step == SyncStep::kVerify) {
    run.end = SyncEnd::kVerifyFailed;
  } else if (failure.fault == EndpointFault::kRefused) {
    run.end = SyncEnd::kBadSide;
  } else if (const ResultCode* link_code = std::get_if<ResultCode>(&failure.code);
             link_code != nullptr && failure.fault == EndpointFault::kFailed) {
    // Only the organizer's link speaks in ResultCodes.
    run.end = SyncEnd::kLinkFailed;
    run.link_code = *link_code;
  }
  return run;
}

SyncRun SyncCommands::Run(std::string_view left, std::string_view right,
                          const SyncRequest& request) {
  const std::string others[] = {std::string(right)};
  return RunRound(left, others, request).front();
}

std::vector<SyncRun> SyncCommands::RunRound(std::string_view left,
                                            std::span<const std::string> others,
                                            const SyncRequest& request) {
  std::vector<OpenedSide> sides;
  std::vector<std::string_view> names{left};
  for (const std::string& other : others) names.push_back(other);
  for (std::string_view name : names) {
    sides.push_back(OpenSide(name, request));
    if (sides.back().side == nullptr) {
      SyncRun run;
      run.problem = sides.back().problem;
      run.end = sides.back().bad_side ? SyncEnd::kBadSide : SyncEnd::kTargetTrouble;
      return {run};
    }
  }
  for (size_t i = 0; i < sides.size(); ++i) {
    for (size_t j = i + 1; j < sides.size(); ++j) {
      if (sides[i].side->Identity() != sides[j].side->Identity()) continue;
      SyncRun run;
      run.problem =
          (sides.size() == 2 ? "both sides are " : "two sides are ") + sides[i].side->Identity();
      run.end = SyncEnd::kBadSide;
      return {run};
    }
  }
  std::vector<SyncEndpoint*> rights;
  for (size_t i = 1; i < sides.size(); ++i) rights.push_back(sides[i].side);
  return RunRound(*sides[0].side, rights, request);
}

}  // namespace kivo

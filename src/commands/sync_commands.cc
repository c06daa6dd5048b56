#include "commands/sync_commands.h"

#include <utility>
#include <variant>

#include "commands/organizer_endpoint.h"
#include "dav/credentials.h"
#include "dav/open_collection.h"
#include "platform/app_dirs.h"
#include "sides/backup_file_endpoint.h"
#include "sides/collection_endpoint.h"
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

SyncCommands::SyncCommands(LinkCommands& commands, CommandUser& user, SyncSetup setup)
    : commands_(commands), user_(user), setup_(std::move(setup)), organizer_(commands) {}

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
  if (!request.confirm_with || request.options.dry_run) return RunOnce(left, right, request);
  SyncRequest dry = request;
  dry.options.dry_run = true;
  SyncRun preview = RunOnce(left, right, dry);
  if (preview.end != SyncEnd::kDryRun && preview.end != SyncEnd::kRefused) return preview;
  if (!user_.ConfirmSync(preview.report, *request.confirm_with)) {
    preview.end = SyncEnd::kDeclined;
    return preview;
  }
  // The person saw what the guards refused and agreed to it.
  SyncRequest agreed = request;
  agreed.options.force = request.options.force || preview.end == SyncEnd::kRefused;
  return RunOnce(left, right, agreed);
}

SyncRun SyncCommands::RunOnce(SyncEndpoint& left, SyncEndpoint& right, const SyncRequest& request) {
  SyncRun run;
  SyncState state(StateRoot(request), left.Identity(), right.Identity(), *setup_.tables);
  state.set_device_code(commands_.NewStore()->device_code());
  run.state_dir = state.dir();
  SyncOptions options = request.options;
  options.policy = PolicyFor(request.conflict, &right == &organizer_ && &left != &organizer_);
  run.report = RunSync(left, right, state, options);
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
  SyncRun run;
  std::array<OpenedSide, 2> sides;
  const std::array<std::string_view, 2> names{left, right};
  for (size_t i = 0; i < 2; ++i) {
    sides[i] = OpenSide(names[i], request);
    if (sides[i].side == nullptr) {
      run.problem = sides[i].problem;
      run.end = sides[i].bad_side ? SyncEnd::kBadSide : SyncEnd::kTargetTrouble;
      return run;
    }
  }
  if (sides[0].side->Identity() == sides[1].side->Identity()) {
    run.problem = "both sides are " + sides[0].side->Identity();
    run.end = SyncEnd::kBadSide;
    return run;
  }
  return Run(*sides[0].side, *sides[1].side, request);
}

}  // namespace kivo

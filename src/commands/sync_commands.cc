#include "commands/sync_commands.h"

#include <utility>

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

}  // namespace

std::optional<SyncSideSpec> ParseSyncSide(std::string_view text, std::string* error) {
  if (text.empty()) {
    *error = "a side of the sync is empty";
    return std::nullopt;
  }
  if (text == "organizer") return SyncSideSpec{SyncSideKind::kOrganizer, {}};
  const struct {
    std::string_view prefix;
    SyncSideKind kind;
  } kCollections[] = {{"contacts:", SyncSideKind::kContacts},
                      {"calendar:", SyncSideKind::kCalendar}};
  for (const auto& c : kCollections) {
    if (text.substr(0, c.prefix.size()) != c.prefix) continue;
    std::string_view place = text.substr(c.prefix.size());
    if (place.empty()) {
      *error = std::string(text) + " names no folder or URL";
      return std::nullopt;
    }
    return SyncSideSpec{c.kind, std::string(place)};
  }
  return SyncSideSpec{SyncSideKind::kBackupFile, std::string(text)};
}

SyncCommands::SyncCommands(LinkCommands& commands, CommandUser& user, const CodeTables& tables,
                           ItemContext context)
    : commands_(commands), user_(user), tables_(tables), context_(context) {}

fs::path SyncCommands::StateRoot(const SyncRequest& request) {
  if (!request.state_root.empty()) return request.state_root;
  return DefaultSyncStateRoot(CurrentAppDirs());
}

std::unique_ptr<SyncEndpoint> SyncCommands::OpenSide(const SyncSideSpec& side,
                                                     const SyncRequest& request,
                                                     std::string* problem, bool* bad_side) {
  if (bad_side != nullptr) *bad_side = false;
  switch (side.kind) {
    case SyncSideKind::kOrganizer:
      return std::make_unique<OrganizerEndpoint>(commands_);
    case SyncSideKind::kBackupFile: {
      const std::array<uint8_t, 2> code = commands_.NewStore()->device_code();
      return std::make_unique<BackupFileEndpoint>(side.place, tables_, code,
                                                  commands_.settings().file_scramble != 0);
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
  DavResult<std::unique_ptr<Collection>> opened = OpenCollection(
      kind, side.place, request.user, http, CredentialSourcesFromEnvironment(&prompt));
  if (!opened) {
    *problem = opened.error().Text();
    if (bad_side != nullptr) *bad_side = opened.error().kind == DavErrorKind::kBadTarget;
    return nullptr;
  }
  return std::make_unique<CollectionEndpoint>(std::move(opened).value(), request.options.apps,
                                              context_);
}

SyncRun SyncCommands::Run(SyncEndpoint& left, SyncEndpoint& right, const SyncRequest& request) {
  SyncRun run;
  SyncState state(StateRoot(request), left.Identity(), right.Identity(), tables_);
  state.set_device_code(commands_.NewStore()->device_code());
  run.state_dir = state.dir();
  run.report = RunSync(left, right, state, request.options);
  for (SyncEndpoint* side : {&left, &right}) {
    if (auto* organizer = dynamic_cast<OrganizerEndpoint*>(side)) {
      run.snapshot = organizer->snapshot();
      run.organizer_deleted = organizer->deleted();
    }
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
  SyncEndpoint& failed = *run.report.failed_side == Side::kLeft ? left : right;
  if (run.report.failed_step == SyncStep::kVerify) {
    run.end = SyncEnd::kVerifyFailed;
  } else if (failure.fault == EndpointFault::kRefused) {
    run.end = SyncEnd::kBadSide;
  } else if (dynamic_cast<OrganizerEndpoint*>(&failed) != nullptr &&
             failure.fault == EndpointFault::kFailed) {
    run.end = SyncEnd::kLinkFailed;
    run.link_code = static_cast<ResultCode>(failure.code);
  }
  return run;
}

SyncRun SyncCommands::Run(std::string_view left, std::string_view right,
                          const SyncRequest& request) {
  SyncRun run;
  std::array<std::unique_ptr<SyncEndpoint>, 2> sides;
  const std::array<std::string_view, 2> names{left, right};
  for (size_t i = 0; i < 2; ++i) {
    std::optional<SyncSideSpec> parsed = ParseSyncSide(names[i], &run.problem);
    bool bad_side = !parsed.has_value();
    if (parsed) sides[i] = OpenSide(*parsed, request, &run.problem, &bad_side);
    if (!sides[i]) {
      run.end = bad_side ? SyncEnd::kBadSide : SyncEnd::kTargetTrouble;
      return run;
    }
  }
  if (sides[0]->Identity() == sides[1]->Identity()) {
    run.problem = "both sides are " + sides[0]->Identity();
    run.end = SyncEnd::kBadSide;
    return run;
  }
  return Run(*sides[0], *sides[1], request);
}

}  // namespace kivo

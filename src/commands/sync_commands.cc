#include "commands/sync_commands.h"

#include <utility>

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

namespace {

// How a pair of a round ended, for the front ends.
SyncRun Ended(const SyncReport& report, SyncEndpoint& left, SyncEndpoint& right) {
  SyncRun run;
  run.report = report;
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
  run.end = SyncEnd::kTargetTrouble;
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

}  // namespace

SyncRun SyncCommands::Run(SyncEndpoint& left, SyncEndpoint& right, const SyncRequest& request) {
  SyncEndpoint* others[] = {&right};
  return RunRound(left, others, request).front();
}

std::vector<SyncRun> SyncCommands::RunRound(SyncEndpoint& left,
                                            std::span<SyncEndpoint* const> others,
                                            const SyncRequest& request,
                                            const ConfirmRound& confirm) {
  const std::array<uint8_t, 2> code = commands_.NewStore()->device_code();
  std::vector<std::unique_ptr<SyncState>> states;
  std::vector<RoundPair> pairs;
  for (SyncEndpoint* right : others) {
    states.push_back(std::make_unique<SyncState>(StateRoot(request), left.Identity(),
                                                 right->Identity(), tables_));
    states.back()->set_device_code(code);
    pairs.push_back({right, states.back().get(), request.options.apps, request.options.policy});
  }
  SyncRound round(left, std::move(pairs));
  const SyncOptions& options = request.options;
  // Asked with a dry run shown, the guards speak in it; told to force, not.
  const bool planned = round.Plan(options.force && !confirm);
  auto ended = [&] {
    std::vector<SyncRun> runs;
    for (size_t i = 0; i < others.size(); ++i) {
      runs.push_back(Ended(round.reports()[i], left, *others[i]));
      runs.back().state_dir = states[i]->dir();
    }
    return runs;
  };
  bool go = planned && !options.dry_run;
  bool force = options.force;
  if (go && confirm) {
    const std::vector<SyncRun> dry_runs = ended();
    go = confirm(dry_runs);
    force = round.refused();
  }
  if (go) round.Write(force, options.verify);
  // The organizer's session ends with the round: END_COMMUNICATION once.
  std::vector<SyncEndpoint*> every{&left};
  every.insert(every.end(), others.begin(), others.end());
  for (SyncEndpoint* side : every) {
    if (auto* organizer = dynamic_cast<OrganizerEndpoint*>(side)) organizer->Finish();
  }
  return ended();
}

SyncRun SyncCommands::Run(std::string_view left, std::string_view right,
                          const SyncRequest& request) {
  const std::string others[] = {std::string(right)};
  return RunRound(left, others, request).front();
}

std::vector<SyncRun> SyncCommands::RunRound(std::string_view left,
                                            std::span<const std::string> others,
                                            const SyncRequest& request,
                                            const ConfirmRound& confirm) {
  std::vector<std::unique_ptr<SyncEndpoint>> sides;
  std::vector<std::string_view> names{left};
  for (const std::string& other : others) names.push_back(other);
  for (std::string_view name : names) {
    SyncRun run;
    std::optional<SyncSideSpec> parsed = ParseSyncSide(name, &run.problem);
    bool bad_side = !parsed.has_value();
    if (parsed) sides.push_back(OpenSide(*parsed, request, &run.problem, &bad_side));
    if (!parsed || !sides.back()) {
      run.end = bad_side ? SyncEnd::kBadSide : SyncEnd::kTargetTrouble;
      return {run};
    }
  }
  for (size_t i = 0; i < sides.size(); ++i) {
    for (size_t j = i + 1; j < sides.size(); ++j) {
      if (sides[i]->Identity() != sides[j]->Identity()) continue;
      SyncRun run;
      run.problem = (i == 0 ? "both sides are " : "two sides are ") + sides[i]->Identity();
      run.end = SyncEnd::kBadSide;
      return {run};
    }
  }
  std::vector<SyncEndpoint*> rights;
  for (size_t i = 1; i < sides.size(); ++i) rights.push_back(sides[i].get());
  return RunRound(*sides[0], rights, request, confirm);
}

}  // namespace kivo

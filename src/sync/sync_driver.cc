#include "sync/sync_driver.h"

#include "sync/organizer_form.h"
#include "sync/sync_plan.h"

namespace kivo {

namespace {

SyncReport& Fail(SyncReport& report, SyncStep step, std::optional<Side> side,
                 EndpointStatus status) {
  report.outcome = SyncOutcome::kFailed;
  report.failed_step = step;
  report.failed_side = side;
  report.failure = std::move(status);
  return report;
}

SyncReport& FailState(SyncReport& report, SyncStep step, const std::string& reason) {
  return Fail(report, step, std::nullopt, EndpointStatus::Failed(reason));
}

void Summarize(const SyncPlan& plan, SyncReport& report) {
  report.recovered = plan.recovered;
  for (const AppliPlan& appli : plan.applis) {
    AppliReport out;
    out.id = appli.id;
    for (Side side : kBothSides) {
      const SideChanges& changes = appli.merge.on(side);
      out.counts[SideIndex(side)] = {static_cast<int>(changes.added.size()),
                                     static_cast<int>(changes.changed.size()),
                                     static_cast<int>(changes.removed.size())};
      out.changes[SideIndex(side)] = changes;
    }
    out.not_fitting = appli.not_fitting;
    out.conflicts = appli.merge.conflicts;
    out.refusals = appli.refusals;
    out.rewritten = appli.rewritten;
    report.applis.push_back(std::move(out));
  }
}

// Writes one side's applications, recording each confirmation in the steps.
// False with the report filled in on failure.
bool WriteSide(SyncEndpoint& endpoint, Side side, const SyncPlan& plan,
               const EndpointMemory& memory, bool verify, const OrganizerForm& form,
               SyncState& state, SyncSteps& steps, SyncReport& report) {
  const std::vector<AppliWrite> writes = WritesOf(plan, side);
  if (writes.empty()) return true;
  auto confirmed = [&](AppliId id) {
    steps.confirmed[SideIndex(side)] |= AppliBit(id);
    report.written[SideIndex(side)] |= AppliBit(id);
    // The steps only save the next run a comparison: without them it tells a
    // completed application by its fingerprint.
    (void)state.SaveSteps(steps);
  };
  ApplyOutcome outcome = endpoint.Apply(writes, memory, verify, confirmed);
  if (!outcome.status.ok()) {
    Fail(report, SyncStep::kWrite, side, std::move(outcome.status));
    return false;
  }
  if (!verify || !outcome.read_back) return true;
  form.Canonicalize(*outcome.read_back);
  for (const AppliWrite& write : writes) {
    if (!SameRecords(outcome.read_back->of(write.id), write.target)) {
      // The side acknowledged every record but lost some: not complete after
      // all, so the next sync writes it again rather than take what is
      // missing for removals there.
      steps.confirmed[SideIndex(side)] &= static_cast<AppliMask>(~AppliBit(write.id));
      (void)state.SaveSteps(steps);
      Fail(report, SyncStep::kVerify, side,
           EndpointStatus::Failed(std::string(AppliName(write.id)) + " reads back different from "
                                                                     "what was written"));
      return false;
    }
  }
  return true;
}

// The applications both sides hold of those asked for, as "Telephone" or
// "Schedule, Anniversary and To Do".
std::string AppliNames(AppliMask mask) {
  std::vector<std::string> names;
  for (AppliId id = 0; id < kSyncAppliCount; ++id) {
    if (HasAppli(mask, id)) names.emplace_back(AppliName(id));
  }
  std::string text;
  for (size_t i = 0; i < names.size(); ++i) {
    text += (i == 0 ? "" : i + 1 == names.size() ? " and " : ", ") + names[i];
  }
  return text.empty() ? "nothing" : text;
}

// Both sides' records as the merge takes them (settle.h): the side that
// holds records whole first, so the other is matched against it.
void Settle(const std::array<SyncEndpoint*, 2>& sides, AppliMask apps, const RecordSet& base,
            const OrganizerForm& form, std::array<RecordSet, 2>& now) {
  const std::array<ReadBackForm, 2> back{sides[0]->ReadBack(), sides[1]->ReadBack()};
  const std::array<size_t, 2> order =
      back[0] && !back[1] ? std::array<size_t, 2>{1, 0} : std::array<size_t, 2>{0, 1};
  for (size_t s : order) {
    for (AppliId id = 0; id < kSyncAppliCount; ++id) {
      if (!HasAppli(apps, id)) continue;
      SettledAppli settled =
          SettleAppli(id, now[s].of(id), base.of(id), now[1 - s].of(id), form, back[s]);
      if (!settled.taken.empty()) sides[s]->TakeAs(id, settled.taken);
      now[s].appli[id] = std::move(settled.records);
    }
  }
}

SyncReport RunOnce(SyncEndpoint& left, SyncEndpoint& right, SyncState& state,
                   const SyncOptions& options) {
  SyncReport report;
  report.side_names = {left.Label(), right.Label()};
  report.state_dir = state.dir().string();
  Result<StoredState> stored =
      options.reset_state ? Result<StoredState>(StoredState()) : state.Load();
  if (!stored) return FailState(report, SyncStep::kLoadState, stored.error());
  for (AppliId id = 0; id < kSyncAppliCount; ++id) {
    if (!HasAppli(stored->base.present, id)) stored->base.Set(id, {});
  }
  report.first_sync = stored->first;
  const OrganizerForm form(state.code_tables());
  form.Canonicalize(stored->base);
  if (stored->journal) {
    for (JournalAppli& appli : stored->journal->applis) {
      for (Record& record : appli.merged) form.Canonicalize(appli.id, record);
    }
  }

  const AppliMask held = left.Holds() & right.Holds() & kAllSyncAppli;
  if ((options.apps & held) == 0) {
    return Fail(report, SyncStep::kChooseApps, std::nullopt,
                EndpointStatus::Refused("nothing to sync: the " + left.Label() + " and the " +
                                        right.Label() + " have no application in common among " +
                                        AppliNames(options.apps)));
  }
  AppliMask apps = options.apps;
  if (stored->journal) {
    for (const JournalAppli& appli : stored->journal->applis) apps |= AppliBit(appli.id);
  }
  apps &= held;

  std::array<SyncEndpoint*, 2> sides{&left, &right};
  std::array<RecordSet, 2> now;
  for (Side side : kBothSides) {
    const size_t s = SideIndex(side);
    const EndpointMemory memory{stored->base, stored->identities[s]};
    EndpointStatus status = sides[s]->Read(apps, memory, &now[s]);
    if (!status.ok()) return Fail(report, SyncStep::kRead, side, std::move(status));
    report.notes[s] = sides[s]->Notes();
  }
  Settle(sides, apps, stored->base, form, now);

  PlanSides plan_sides;
  for (size_t s = 0; s < 2; ++s) {
    plan_sides.broken[s] = sides[s]->broken_write();
    plan_sides.capacity[s] = sides[s]->Capacity();
  }
  const SyncPlan plan = PlanSync(apps, *stored, now, plan_sides, options.policy, options.force);
  Summarize(plan, report);
  if (plan.refused()) {
    report.outcome = SyncOutcome::kRefused;
    return report;
  }
  if (options.dry_run) {
    report.outcome = SyncOutcome::kDryRun;
    return report;
  }

  RecordSet new_base = stored->base;
  // A first sync stores its base even when it is empty: the pair is known.
  bool base_moved = stored->first;
  for (const AppliPlan& appli : plan.applis) {
    if (SameRecords(new_base.of(appli.id), appli.merge.merged)) continue;
    new_base.Set(appli.id, appli.merge.merged);
    base_moved = true;
  }

  const bool writes = plan.writes(Side::kLeft) || plan.writes(Side::kRight);
  if (options.reset_state) {
    if (Status reset = state.Reset(); !reset) {
      return FailState(report, SyncStep::kJournal, reset.error());
    }
  }
  if (writes) {
    if (Status opened = state.OpenJournal(JournalOf(plan)); !opened) {
      return FailState(report, SyncStep::kJournal, opened.error());
    }
    SyncSteps steps;
    // The file first: its write is all or nothing, so a failure there leaves
    // the organizer untouched.
    for (Side side : {Side::kRight, Side::kLeft}) {
      const size_t s = SideIndex(side);
      const EndpointMemory memory{stored->base, stored->identities[s]};
      if (!WriteSide(*sides[s], side, plan, memory, options.verify, form, state, steps, report)) {
        return report;
      }
    }
  }

  SideIdentities identities = stored->identities;
  bool identities_moved = false;
  for (Side side : kBothSides) {
    std::optional<IdentityMap> map = sides[SideIndex(side)]->Identities();
    if (map && *map != identities[SideIndex(side)]) {
      identities[SideIndex(side)] = std::move(*map);
      identities_moved = true;
    }
  }
  if (base_moved) {
    if (Status saved = state.SaveBase(new_base); !saved) {
      return FailState(report, SyncStep::kStoreBase, saved.error());
    }
  }
  if (identities_moved) {
    if (Status saved = state.SaveIdentities(identities); !saved) {
      return FailState(report, SyncStep::kStoreBase, saved.error());
    }
  }
  if (stored->journal || writes) {
    if (Status closed = state.CloseJournal(); !closed) {
      return FailState(report, SyncStep::kStoreBase, closed.error());
    }
  }
  report.outcome = SyncOutcome::kSynced;
  return report;
}

}  // namespace

SyncReport RunSync(SyncEndpoint& left, SyncEndpoint& right, SyncState& state,
                   const SyncOptions& options) {
  // A dry run writes nothing, not even the lock's folder, and reading while
  // another sync writes does it no harm.
  std::optional<FileLock> lock;
  if (!options.dry_run) {
    Result<FileLock> locked = state.Lock(options.wait);
    if (!locked) {
      SyncReport report;
      report.side_names = {left.Label(), right.Label()};
      report.state_dir = state.dir().string();
      return Fail(report, SyncStep::kLock, std::nullopt, EndpointStatus::Refused(locked.error()));
    }
    lock = std::move(locked).value();
  }
  SyncReport report = RunOnce(left, right, state, options);
  std::array<AppliMask, 2> written = report.written;
  for (int again = 1; again <= kRereadsAfterChange && report.failed_step == SyncStep::kWrite &&
                      report.failure.fault == EndpointFault::kChanged;
       ++again) {
    const std::optional<Side> changed = report.failed_side;
    SyncOptions again_options = options;
    again_options.reset_state = false;  // the first run stored the new base
    report = RunOnce(left, right, state, again_options);
    report.rereads = again;
    report.changed_side = changed;
    for (size_t s = 0; s < written.size(); ++s) written[s] |= report.written[s];
  }
  report.written = written;
  return report;
}

}  // namespace kivo

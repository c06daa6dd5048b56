#include "sync/sync_round.h"

#include <string>
#include <utility>

#include "sync/settle.h"

namespace kivo {

namespace {

// The journal's view of an application on the shared side: whether a write
// there broke off (or never began), so that the side is taken to hold the
// journal's records.
bool WriteBrokeOff(const JournalAppli& journal, const Records& now, bool confirmed) {
  if (!journal.writes[SideIndex(Side::kLeft)] || confirmed) return false;
  return RecordsFingerprint(now) != journal.after[SideIndex(Side::kLeft)];
}

void Summarize(const SyncPlan& plan, SyncReport& report) {
  report.recovered = plan.recovered;
  report.applis.clear();
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

void Fail(SyncReport& report, SyncStep step, std::optional<Side> side, EndpointStatus status) {
  report.outcome = SyncOutcome::kFailed;
  report.failed_step = step;
  report.failed_side = side;
  report.failure = std::move(status);
}

// The applications asked for, as "Telephone" or "Schedule, Anniversary and
// To Do".
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
void SettleSides(const std::array<SyncEndpoint*, 2>& sides, AppliMask apps, const RecordSet& base,
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
      now[s].Set(id, std::move(settled.records));
    }
  }
}

// A plan's application as the shared side ends up after every pair: the
// other side takes the shared side's final records (in its own order), and
// the shared side is written once from what it held as read.
void Settle(AppliPlan& plan, const Records& left_read, const Records& left_final,
            const Records& right_read, bool left_rewritten) {
  const AppliId id = plan.id;
  constexpr size_t kL = SideIndex(Side::kLeft);
  constexpr size_t kR = SideIndex(Side::kRight);
  if (!SameRecords(plan.target[kR], left_final)) {
    Records target = ApplyChanges(plan.target[kR], DiffRecords(id, plan.target[kR], left_final));
    plan.after[kR] = RecordsFingerprint(target);
    plan.writes[kR] = !SameRecords(right_read, target);
    plan.write[kR] = {};
    if (plan.writes[kR]) plan.write[kR] = {id, DiffRecords(id, right_read, target), target};
    plan.merge.changes[kR] = plan.write[kR].changes;
    plan.target[kR] = std::move(target);
  }
  plan.merge.merged = left_final;
  plan.target[kL] = left_final;
  plan.before[kL] = RecordsFingerprint(left_read);
  plan.after[kL] = RecordsFingerprint(left_final);
  plan.rewritten[kL] = left_rewritten;
  plan.writes[kL] = left_rewritten || !SameRecords(left_read, left_final);
  plan.write[kL] = {};
  if (plan.writes[kL]) plan.write[kL] = {id, DiffRecords(id, left_read, left_final), left_final};
  plan.merge.changes[kL] = plan.write[kL].changes;
}

}  // namespace

// What Plan leaves for Write, per pair.
struct SyncRound::Planned {
  std::optional<StoredState> stored;
  AppliMask apps = 0;
  RecordSet right_read;
  SyncPlan plan;
  SyncSteps steps;
  bool failed = false;
};

SyncRound::SyncRound(SyncEndpoint& left, std::vector<RoundPair> pairs)
    : left_(left), pairs_(std::move(pairs)), reports_(pairs_.size()), planned_(pairs_.size()) {}

SyncRound::~SyncRound() = default;

void SyncRound::FailAll(size_t at_fault, SyncStep step, std::optional<Side> side,
                        EndpointStatus status) {
  Fail(reports_[at_fault], step, side, std::move(status));
  planned_[at_fault].failed = true;
  // The others are left as they were: the run is one.
  for (size_t i = 0; i < reports_.size(); ++i) {
    if (i == at_fault) continue;
    Fail(reports_[i], step, std::nullopt,
         EndpointStatus::Failed("stopped: the sync with " + reports_[at_fault].side_names[1] +
                                " failed"));
    planned_[i].failed = true;
  }
}

bool SyncRound::Lock(bool wait) {
  locks_.clear();
  for (size_t i = 0; i < pairs_.size(); ++i) {
    Result<FileLock> locked = pairs_[i].state->Lock(wait);
    if (!locked) {
      for (size_t j = 0; j < pairs_.size(); ++j) {
        reports_[j].side_names = {left_.Label(), pairs_[j].right->Label()};
        reports_[j].state_dir = pairs_[j].state->dir().string();
      }
      FailAll(i, SyncStep::kLock, std::nullopt, EndpointStatus::Refused(locked.error()));
      locks_.clear();
      return false;
    }
    locks_.push_back(std::move(locked).value());
  }
  return true;
}

bool SyncRound::Plan(bool force) {
  force_ = force;
  for (size_t i = 0; i < pairs_.size(); ++i) {
    SyncReport& report = reports_[i];
    report = SyncReport();
    report.side_names = {left_.Label(), pairs_[i].right->Label()};
    report.state_dir = pairs_[i].state->dir().string();
  }
  if (!pairs_.empty() && !form_) form_.emplace(pairs_[0].state->code_tables());
  left_apps_ = 0;
  for (size_t i = 0; i < pairs_.size(); ++i) {
    Planned& planned = planned_[i];
    planned.failed = false;
    Result<StoredState> stored =
        pairs_[i].reset_state ? Result<StoredState>(StoredState()) : pairs_[i].state->Load();
    if (!stored) {
      FailAll(i, SyncStep::kLoadState, std::nullopt, EndpointStatus::Failed(stored.error()));
      return false;
    }
    planned.stored = std::move(*stored);
    for (AppliId id = 0; id < kSyncAppliCount; ++id) {
      if (!HasAppli(planned.stored->base.present, id)) planned.stored->base.Set(id, {});
    }
    reports_[i].first_sync = planned.stored->first;
    form_->Canonicalize(planned.stored->base);
    if (planned.stored->journal) {
      for (JournalAppli& appli : planned.stored->journal->applis) {
        for (Record& record : appli.merged) form_->Canonicalize(appli.id, record);
      }
    }
    const AppliMask held = left_.Holds() & pairs_[i].right->Holds() & kAllSyncAppli;
    if ((pairs_[i].apps & held) == 0) {
      FailAll(i, SyncStep::kChooseApps, std::nullopt,
              EndpointStatus::Refused(
                  "nothing to sync: the " + left_.Label() + " and the " + pairs_[i].right->Label() +
                  " have no application in common among " + AppliNames(pairs_[i].apps)));
      return false;
    }
    AppliMask apps = pairs_[i].apps;
    if (planned.stored->journal) {
      for (const JournalAppli& appli : planned.stored->journal->applis) apps |= AppliBit(appli.id);
    }
    planned.apps = apps & held;
    left_apps_ |= planned.apps;
  }
  if (pairs_.empty()) return true;
  if (!left_read_) {
    const StoredState& first = *planned_[0].stored;
    const EndpointMemory memory{first.base, first.identities[SideIndex(Side::kLeft)]};
    RecordSet read;
    EndpointStatus status = left_.Read(left_apps_, memory, &read);
    if (!status.ok()) {
      FailAll(0, SyncStep::kRead, Side::kLeft, std::move(status));
      return false;
    }
    form_->Canonicalize(read);
    left_read_ = std::move(read);
  }
  const std::vector<std::string> left_notes = left_.Notes();
  for (size_t i = 0; i < pairs_.size(); ++i) {
    Planned& planned = planned_[i];
    const EndpointMemory memory{planned.stored->base,
                                planned.stored->identities[SideIndex(Side::kRight)]};
    EndpointStatus status = pairs_[i].right->Read(planned.apps, memory, &planned.right_read);
    if (!status.ok()) {
      FailAll(i, SyncStep::kRead, Side::kRight, std::move(status));
      return false;
    }
    reports_[i].notes = {left_notes, pairs_[i].right->Notes()};
  }
  return PlanPairs();
}

bool SyncRound::PlanPairs() {
  constexpr size_t kL = SideIndex(Side::kLeft);
  const bool shared = pairs_.size() > 1;
  RecordSet left = *left_read_;
  AppliMask left_rewritten = 0;
  if (shared) {
    // A write to the shared side that broke off: every pair merges against
    // the journal's records there, and takes them as written.
    for (Planned& planned : planned_) {
      if (!planned.stored->journal) continue;
      for (const JournalAppli& journal : planned.stored->journal->applis) {
        const bool confirmed = HasAppli(planned.stored->steps.confirmed[kL], journal.id);
        if (WriteBrokeOff(journal, left_read_->of(journal.id), confirmed)) {
          left.Set(journal.id, journal.merged);
          left_rewritten |= AppliBit(journal.id);
        }
        if (HasAppli(left_rewritten, journal.id)) {
          planned.stored->steps.confirmed[kL] |= AppliBit(journal.id);
        }
      }
    }
  }
  for (size_t i = 0; i < pairs_.size(); ++i) {
    Planned& planned = planned_[i];
    const std::array<SyncEndpoint*, 2> sides{&left_, pairs_[i].right};
    std::array<RecordSet, 2> now{left, planned.right_read};
    SettleSides(sides, planned.apps, planned.stored->base, *form_, now);
    // The other side as the merge took it, so that what it is sent is told
    // against that and not against the bytes it gave.
    planned.right_read = now[SideIndex(Side::kRight)];
    PlanSides plan_sides;
    for (size_t s = 0; s < 2; ++s) {
      plan_sides.broken[s] = sides[s]->broken_write();
      plan_sides.capacity[s] = sides[s]->Capacity();
    }
    planned.plan =
        PlanSync(planned.apps, *planned.stored, now, plan_sides, pairs_[i].policy, force_);
    for (const AppliPlan& appli : planned.plan.applis) left.Set(appli.id, appli.target[kL]);
  }
  if (shared) {
    for (Planned& planned : planned_) {
      for (AppliPlan& appli : planned.plan.applis) {
        Settle(appli, left_read_->of(appli.id), left.of(appli.id), planned.right_read.of(appli.id),
               HasAppli(left_rewritten, appli.id));
      }
    }
  }
  left_target_ = std::move(left);
  for (size_t i = 0; i < pairs_.size(); ++i) {
    Summarize(planned_[i].plan, reports_[i]);
    reports_[i].outcome = planned_[i].plan.refused() ? SyncOutcome::kRefused : SyncOutcome::kDryRun;
  }
  return true;
}

bool SyncRound::refused() const {
  for (const Planned& planned : planned_) {
    if (planned.plan.refused()) return true;
  }
  return false;
}

void SyncRound::Write(bool force, bool verify) {
  std::vector<std::array<AppliMask, 2>> written(pairs_.size());
  for (int again = 0;; ++again) {
    for (const Planned& planned : planned_) {
      if (planned.failed) return;
    }
    if (refused() && !force) return;
    for (size_t i = 0; i < planned_.size(); ++i) {
      // Gone past: the report says what was done, not what was refused.
      for (AppliPlan& appli : planned_[i].plan.applis) appli.refusals.clear();
      for (AppliReport& appli : reports_[i].applis) appli.refusals.clear();
    }
    const bool reread = WriteOnce(verify);
    for (size_t i = 0; i < pairs_.size(); ++i) {
      for (size_t s = 0; s < 2; ++s) written[i][s] |= reports_[i].written[s];
      reports_[i].written = written[i];
    }
    if (!reread || again == kRereadsAfterChange) return;
    std::vector<std::optional<Side>> changed(pairs_.size());
    for (size_t i = 0; i < pairs_.size(); ++i) changed[i] = reports_[i].failed_side;
    const bool planned = Plan(force_);
    for (size_t i = 0; i < pairs_.size(); ++i) {
      reports_[i].rereads = again + 1;
      reports_[i].changed_side = changed[i];
      reports_[i].written = written[i];
    }
    if (!planned) return;
  }
}

void SyncRound::StopOthers(size_t at_fault) {
  for (size_t i = 0; i < planned_.size(); ++i) {
    if (i == at_fault || planned_[i].failed) continue;
    Fail(reports_[i], SyncStep::kWrite, std::nullopt,
         EndpointStatus::Failed("stopped: the sync with " + reports_[at_fault].side_names[1] +
                                " failed"));
    planned_[i].failed = true;
  }
}

bool SyncRound::WriteOnce(bool verify) {
  constexpr size_t kL = SideIndex(Side::kLeft);
  constexpr size_t kR = SideIndex(Side::kRight);
  const bool shared = pairs_.size() > 1;
  for (size_t i = 0; i < pairs_.size(); ++i) {
    Planned& planned = planned_[i];
    planned.steps = SyncSteps();
    if (pairs_[i].reset_state) {
      if (Status reset = pairs_[i].state->Reset(); !reset) {
        FailAll(i, SyncStep::kJournal, std::nullopt, EndpointStatus::Failed(reset.error()));
        return false;
      }
      // A reading again after a change goes on from the base this run stores.
      pairs_[i].reset_state = false;
    }
    const bool writes = planned.plan.writes(Side::kLeft) || planned.plan.writes(Side::kRight);
    if (!writes) continue;
    if (Status opened = pairs_[i].state->OpenJournal(JournalOf(planned.plan)); !opened) {
      FailAll(i, SyncStep::kJournal, std::nullopt, EndpointStatus::Failed(opened.error()));
      return false;
    }
  }
  // Records one pair's confirmation of an application written on a side.
  auto confirm = [this](size_t i, Side side, AppliId id) {
    planned_[i].steps.confirmed[SideIndex(side)] |= AppliBit(id);
    reports_[i].written[SideIndex(side)] |= AppliBit(id);
    // The steps only save the next run a comparison: without them it tells a
    // completed application by its fingerprint.
    (void)pairs_[i].state->SaveSteps(planned_[i].steps);
  };
  // Takes a confirmation back after a read-back that differs: not complete
  // after all, so the next run writes it again rather than take what is
  // missing for removals.
  auto unconfirm = [this](size_t i, Side side, AppliId id) {
    planned_[i].steps.confirmed[SideIndex(side)] &= static_cast<AppliMask>(~AppliBit(id));
    (void)pairs_[i].state->SaveSteps(planned_[i].steps);
    Fail(reports_[i], SyncStep::kVerify, side,
         EndpointStatus::Failed(std::string(AppliName(id)) +
                                " reads back different from what was written"));
    planned_[i].failed = true;
  };
  auto compare = [&](const ApplyOutcome& outcome, const std::vector<AppliWrite>& writes, Side side,
                     const std::vector<size_t>& holders) {
    if (!verify || !outcome.read_back) return;
    RecordSet back = *outcome.read_back;
    form_->Canonicalize(back);
    for (const AppliWrite& write : writes) {
      if (SameRecords(back.of(write.id), write.target)) continue;
      for (size_t i : holders) {
        if (HasAppli(planned_[i].apps, write.id)) unconfirm(i, side, write.id);
      }
    }
  };

  // The other sides first: a file's write is all or nothing, so a failure
  // there leaves the shared side (the organizer) untouched.
  for (size_t i = 0; i < pairs_.size(); ++i) {
    Planned& planned = planned_[i];
    const std::vector<AppliWrite> writes = WritesOf(planned.plan, Side::kRight);
    if (writes.empty()) continue;
    const EndpointMemory memory{planned.stored->base, planned.stored->identities[kR]};
    ApplyOutcome outcome = pairs_[i].right->Apply(
        writes, memory, verify, [&](AppliId id) { confirm(i, Side::kRight, id); });
    if (!outcome.status.ok()) {
      const bool changed = outcome.status.fault == EndpointFault::kChanged;
      FailAll(i, SyncStep::kWrite, Side::kRight, std::move(outcome.status));
      return changed;
    }
    compare(outcome, writes, Side::kRight, {i});
    if (planned.failed) {
      StopOthers(i);
      return false;
    }
  }

  // Then the shared side, once.
  std::vector<AppliWrite> writes;
  if (!shared) {
    writes = WritesOf(planned_[0].plan, Side::kLeft);
  } else {
    for (AppliId id = 0; id < kSyncAppliCount; ++id) {
      for (const Planned& planned : planned_) {
        const AppliPlan* appli = nullptr;
        for (const AppliPlan& candidate : planned.plan.applis) {
          if (candidate.id == id) appli = &candidate;
        }
        if (appli == nullptr || !appli->writes[kL]) continue;
        writes.push_back(appli->write[kL]);
        break;
      }
    }
  }
  std::vector<size_t> every(pairs_.size());
  for (size_t i = 0; i < every.size(); ++i) every[i] = i;
  if (!writes.empty()) {
    const StoredState& first = *planned_[0].stored;
    const EndpointMemory memory{first.base, first.identities[kL]};
    ApplyOutcome outcome = left_.Apply(writes, memory, verify, [&](AppliId id) {
      for (size_t i : every) {
        if (HasAppli(planned_[i].apps, id)) confirm(i, Side::kLeft, id);
      }
    });
    if (!outcome.status.ok()) {
      const bool changed = outcome.status.fault == EndpointFault::kChanged;
      const AppliMask written_there = WrittenMask(writes);
      for (size_t i : every) {
        if ((planned_[i].apps & written_there) == 0) continue;
        Fail(reports_[i], SyncStep::kWrite, Side::kLeft, outcome.status);
        planned_[i].failed = true;
      }
      if (changed) {
        // Read again, the shared side too.
        left_read_.reset();
        return true;
      }
    } else {
      compare(outcome, writes, Side::kLeft, every);
    }
  }

  // Each pair that got through: its new base and the sides' identity maps.
  for (size_t i = 0; i < pairs_.size(); ++i) {
    Planned& planned = planned_[i];
    if (planned.failed) continue;
    SyncReport& report = reports_[i];
    RecordSet new_base = planned.stored->base;
    // A first sync stores its base even when it is empty: the pair is known.
    bool base_moved = planned.stored->first;
    for (const AppliPlan& appli : planned.plan.applis) {
      if (SameRecords(new_base.of(appli.id), appli.merge.merged)) continue;
      new_base.Set(appli.id, appli.merge.merged);
      base_moved = true;
    }
    SideIdentities identities = planned.stored->identities;
    bool identities_moved = false;
    const std::array<SyncEndpoint*, 2> sides{&left_, pairs_[i].right};
    for (Side side : kBothSides) {
      // The shared side's map belongs to a single pair.
      if (side == Side::kLeft && shared) continue;
      std::optional<IdentityMap> map = sides[SideIndex(side)]->Identities();
      if (map && *map != identities[SideIndex(side)]) {
        identities[SideIndex(side)] = std::move(*map);
        identities_moved = true;
      }
    }
    const bool writes_here = planned.plan.writes(Side::kLeft) || planned.plan.writes(Side::kRight);
    Status stored = Status();
    if (base_moved) stored = pairs_[i].state->SaveBase(new_base);
    if (stored && identities_moved) stored = pairs_[i].state->SaveIdentities(identities);
    if (stored && (planned.stored->journal || writes_here)) {
      stored = pairs_[i].state->CloseJournal();
    }
    if (!stored) {
      Fail(report, SyncStep::kStoreBase, std::nullopt, EndpointStatus::Failed(stored.error()));
      continue;
    }
    report.outcome = SyncOutcome::kSynced;
  }
  return false;
}

}  // namespace kivo

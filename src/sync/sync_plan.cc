#include "sync/sync_plan.h"

#include <algorithm>

namespace kivo {

namespace {

// How one side of an application of the journal stands now.
enum class Standing { kAsIs, kWriteJournal, kDiverged };

Standing Recover(const JournalAppli& journal, Side side, const Records& now, bool confirmed,
                 BrokenWrite broken) {
  const size_t s = SideIndex(side);
  if (!journal.writes[s] || confirmed) return Standing::kAsIs;
  const uint64_t fingerprint = RecordsFingerprint(now);
  if (fingerprint == journal.after[s]) return Standing::kAsIs;
  if (fingerprint == journal.before[s] || broken == BrokenWrite::kHalfAppli) {
    return Standing::kWriteJournal;
  }
  return Standing::kDiverged;
}

size_t ByteCount(const Records& records) {
  size_t bytes = 0;
  for (const Record& record : records) bytes += record.size();
  return bytes;
}

// Takes one copy of `record` out of `records`, the last one.
void TakeOutLast(Records& records, const Record& record) {
  for (size_t i = records.size(); i > 0; --i) {
    if (records[i - 1] == record) {
      records.erase(records.begin() + static_cast<ptrdiff_t>(i - 1));
      return;
    }
  }
}

// Leaves out of the side's changes what it has no room for (the rules in
// sync_plan.h).
void FitCapacity(AppliPlan& plan, Side side, const Records& view, const AppliCapacity& capacity) {
  const size_t s = SideIndex(side);
  SideChanges& changes = plan.merge.changes[s];
  if (changes.added.empty() && changes.changed.empty()) return;
  const Records target = ApplyChanges(view, changes);
  size_t count = target.size();
  size_t bytes = ByteCount(target);
  const size_t most = static_cast<size_t>(capacity.records);
  auto over = [&] { return count > most || bytes > capacity.bytes; };
  while (over() && !changes.added.empty()) {
    Record record = std::move(changes.added.back());
    changes.added.pop_back();
    --count;
    bytes -= record.size();
    TakeOutLast(plan.merge.merged, record);
    plan.not_fitting[s].push_back(std::move(record));
  }
  while (bytes > capacity.bytes && !changes.changed.empty()) {
    RecordEdit edit = std::move(changes.changed.back());
    changes.changed.pop_back();
    bytes = bytes - edit.after.size() + edit.before.size();
    for (Record& record : plan.merge.merged) {
      if (record == edit.after) {
        record = edit.before;
        break;
      }
    }
    plan.not_fitting[s].push_back(std::move(edit.after));
  }
  std::reverse(plan.not_fitting[s].begin(), plan.not_fitting[s].end());
}

AppliPlan PlanAppli(AppliId id, const StoredState& stored, const std::array<RecordSet, 2>& now,
                    const PlanSides& sides, ConflictPolicy policy, bool force) {
  AppliPlan plan;
  plan.id = id;
  plan.base = stored.base.of(id);
  std::array<const Records*, 2> view{&now[0].of(id), &now[1].of(id)};
  const JournalAppli* journal = stored.journal ? stored.journal->Find(id) : nullptr;
  if (journal != nullptr) {
    bool diverged = false;
    for (Side side : kBothSides) {
      const size_t s = SideIndex(side);
      const bool confirmed = HasAppli(stored.steps.confirmed[s], id);
      switch (Recover(*journal, side, *view[s], confirmed, sides.broken[s])) {
        case Standing::kAsIs:
          break;
        case Standing::kWriteJournal:
          view[s] = &journal->merged;
          plan.rewritten[s] = true;
          break;
        case Standing::kDiverged:
          diverged = true;
          break;
      }
    }
    if (!diverged) plan.base = journal->merged;
  }
  plan.merge = MergeAppli(id, plan.base, *view[0], *view[1], policy, plan.base.empty());
  if (!force) plan.refusals = CheckGuards(plan.base, *view[0], *view[1], plan.merge);
  for (Side side : kBothSides) {
    const std::optional<AppliCapacity>& capacity = sides.capacity[SideIndex(side)];
    if (capacity && id != kCategoryList) FitCapacity(plan, side, *view[SideIndex(side)], *capacity);
  }
  for (Side side : kBothSides) {
    const size_t s = SideIndex(side);
    const Records& held = now[s].of(id);
    plan.target[s] = ApplyChanges(*view[s], plan.merge.changes[s]);
    plan.before[s] = RecordsFingerprint(held);
    plan.after[s] = RecordsFingerprint(plan.target[s]);
    // A side merged as it stands needs a write exactly when it has changes;
    // one taken to hold the journal's records when it differs from them.
    plan.writes[s] =
        plan.rewritten[s] ? !SameRecords(held, plan.target[s]) : !plan.merge.changes[s].empty();
    if (!plan.writes[s]) continue;
    plan.write[s].id = id;
    plan.write[s].target = plan.target[s];
    plan.write[s].changes =
        plan.rewritten[s] ? DiffRecords(id, held, plan.target[s]) : plan.merge.changes[s];
  }
  return plan;
}

}  // namespace

bool SyncPlan::refused() const {
  for (const AppliPlan& appli : applis) {
    if (!appli.refusals.empty()) return true;
  }
  return false;
}

bool SyncPlan::writes(Side side) const {
  for (const AppliPlan& appli : applis) {
    if (appli.writes[SideIndex(side)]) return true;
  }
  return false;
}

SyncPlan PlanSync(AppliMask apps, const StoredState& stored, const std::array<RecordSet, 2>& now,
                  const PlanSides& sides, ConflictPolicy policy, bool force) {
  SyncPlan plan;
  plan.recovered = stored.journal.has_value();
  for (AppliId id = 0; id < kSyncAppliCount; ++id) {
    if (HasAppli(apps, id)) plan.applis.push_back(PlanAppli(id, stored, now, sides, policy, force));
  }
  return plan;
}

SyncJournal JournalOf(const SyncPlan& plan) {
  SyncJournal journal;
  for (const AppliPlan& appli : plan.applis) {
    if (!appli.writes[0] && !appli.writes[1]) continue;
    JournalAppli entry;
    entry.id = appli.id;
    entry.writes = appli.writes;
    entry.before = appli.before;
    entry.after = appli.after;
    entry.merged = appli.merge.merged;
    journal.applis.push_back(std::move(entry));
  }
  return journal;
}

std::vector<AppliWrite> WritesOf(const SyncPlan& plan, Side side) {
  std::vector<AppliWrite> writes;
  for (const AppliPlan& appli : plan.applis) {
    if (appli.writes[SideIndex(side)]) writes.push_back(appli.write[SideIndex(side)]);
  }
  return writes;
}

}  // namespace kivo

#include "support/sync_model.h"

#include <algorithm>
#include <cstdio>
#include <set>
#include <tuple>

#include "store/record_codec.h"

namespace kivo::test {

namespace {

BcdDate KeyDate(int n) {
  return BcdDate::FromYmd(2000 + n / 336 % 100, 1 + n / 28 % 12, 1 + n % 28);
}

// The first record of `base` with the same content: the copy a side touches.
const ModelRecord& Canonical(const ModelRecords& base, const ModelRecord& record) {
  for (const ModelRecord& r : base) {
    if (r.SameContent(record)) return r;
  }
  return record;
}

ModelRecord WithVersion(ModelRecord record, int version) {
  record.version = version;
  return record;
}

}  // namespace

Record ModelRecord::bytes() const {
  char key_text[24];
  std::snprintf(key_text, sizeof key_text, "K%015d", key);  // the 16 characters the sync keys by
  const std::string tail = " v" + std::to_string(version);
  switch (appli) {
    case kSchedule: {
      ScheduleRecord r;
      r.date = KeyDate(key);
      r.start_time = BcdTime::FromHm(9, 0);
      r.end_time = BcdTime::FromHm(10 + version % 10, version % 60);
      r.description = "Meeting" + tail;
      return EncodeScheduleRecord(r);
    }
    case kAnniversary: {
      AnniversaryRecord r;
      r.date = KeyDate(key);
      r.reminder = static_cast<uint8_t>(version % 10);
      r.description = key_text + tail;
      return EncodeAnniversaryRecord(r);
    }
    case kToDo: {
      ToDoRecord r;
      r.state = ToDoRecord::MakeState(version % 2 == 0, 1 + version % 3);
      r.due_date = KeyDate(key);
      r.description = key_text + tail;
      return EncodeToDoRecord(r);
    }
    case kMemo:
      return EncodeMemoRecord({key_text + tail});
    case kExpense: {
      ExpenseRecord r;
      r.date = KeyDate(key / 8);
      r.flags = ExpenseRecord::MakeFlags(false, key % 8, version % 4);
      r.memo = "Expense" + tail;
      return EncodeExpenseRecord(r);
    }
    case kTelephone: {
      TelephoneRecord r;
      r.texts[kLastName] = "Last" + std::to_string(key);
      r.texts[kFirstName] = "First" + std::to_string(key);
      r.texts[kHomeNumber] = "555-" + std::to_string(version);
      return EncodeTelephoneRecord(r);
    }
    default: {
      CategoryNames names;
      for (int i = 0; i < kCategoryCount; ++i) {
        // Appended: g++ 12 at -O3 warns falsely about "literal" + string here.
        std::string& name = names.names[static_cast<size_t>(i)];
        name = 'v';
        name += std::to_string(version % 100000);
        name += std::to_string(i);
      }
      return EncodeCategoryNames(names);
    }
  }
}

ModelRecords ModelRound::SideRecords(Side side) const {
  const SideEdits& mine = edits[SideIndex(side)];
  ModelRecords out;
  for (const ModelRecord& r : base) {
    auto change = mine.changes.find(r.uid);
    if (change == mine.changes.end()) {
      out.push_back(r);
    } else if (change->second.op == ModelOp::kEdit) {
      out.push_back(WithVersion(r, change->second.version));
    }
  }
  out.insert(out.end(), mine.added.begin(), mine.added.end());
  return out;
}

RecordSet ModelRound::SideBytes(Side side) const {
  RecordSet set;
  for (AppliId id = 0; id < kSyncAppliCount; ++id) set.Set(id, {});
  for (const ModelRecord& r : SideRecords(side)) set.appli[r.appli].push_back(r.bytes());
  return set;
}

std::string ModelRound::Describe() const {
  std::string text;
  for (Side side : kBothSides) {
    const SideEdits& mine = edits[SideIndex(side)];
    for (const auto& [uid, change] : mine.changes) {
      text += std::string(SideKeyword(side)) +
              (change.op == ModelOp::kEdit ? " edits" : " removes") + " uid " +
              std::to_string(uid) +
              (change.op == ModelOp::kEdit ? " to v" + std::to_string(change.version) : "") + "\n";
    }
    for (const ModelRecord& r : mine.added) {
      text += std::string(SideKeyword(side)) + " adds " + std::string(AppliName(r.appli)) +
              " key " + std::to_string(r.key) + " v" + std::to_string(r.version) + "\n";
    }
  }
  return text;
}

RecordSet ExpectedMerge::Bytes() const {
  RecordSet set;
  for (AppliId id = 0; id < kSyncAppliCount; ++id) set.Set(id, {});
  for (const ModelRecord& r : records) set.appli[r.appli].push_back(r.bytes());
  return set;
}

ModelRecords ModelGenerator::Initial(int per_appli) {
  ModelRecords records;
  for (AppliId id = 0; id < kCategoryList; ++id) {
    const int count = per_appli / 2 + Pick(per_appli + 1);
    for (int i = 0; i < count; ++i) {
      records.push_back(Fresh(id));
      if (Pick(5) == 0)
        records.push_back({next_uid_++, id, records.back().key, records.back().version});
    }
  }
  ModelRecord categories = Fresh(kCategoryList);
  categories.key = 0;
  records.push_back(categories);
  return records;
}

ModelRound ModelGenerator::Round(const ModelRecords& base, int count) {
  enum Action { kAddOne, kAddBoth, kRemove, kEdit, kEditBoth, kTwoEdits, kRemoveVsEdit, kCopy };
  static constexpr std::array<Action, 9> kActions{kAddOne,   kAddBoth,  kRemove,       kEdit, kEdit,
                                                  kEditBoth, kTwoEdits, kRemoveVsEdit, kCopy};
  static constexpr std::array<Action, 3> kCategoryActions{kEdit, kEditBoth, kTwoEdits};
  ModelRound round;
  round.base = base;
  // Uids name records within a round; a merge that kept both versions of a
  // record left two with one uid.
  for (ModelRecord& r : round.base) r.uid = next_uid_++;
  // Touches per key and side. A key both sides touch is touched at most once
  // on each; a side may touch a key several times when the other leaves it
  // alone, which gives the pairing by key more than one candidate.
  std::map<std::pair<int, int>, std::array<int, 2>> touched;
  auto is_free = [&](Side side, const ModelRecord& r) {
    const std::array<int, 2>& n = touched[{r.appli, r.key}];
    if (round.edits[SideIndex(side)].changes.count(r.uid) != 0) return false;
    return n[SideIndex(OtherSide(side))] == 0 ||
           (n[SideIndex(side)] == 0 && n[SideIndex(OtherSide(side))] <= 1);
  };
  auto mark = [&](Side side, const ModelRecord& r) {
    ++touched[{r.appli, r.key}][SideIndex(side)];
  };
  auto touch = [&](Side side, const ModelRecord& r, ModelChange change) {
    mark(side, r);
    round.edits[SideIndex(side)].changes[r.uid] = change;
  };
  for (int i = 0; i < count; ++i) {
    const bool categories = Pick(8) == 0;
    const AppliId appli = categories ? kCategoryList : static_cast<AppliId>(Pick(kCategoryList));
    const Action action = categories ? kCategoryActions[static_cast<size_t>(Pick(3))]
                                     : kActions[static_cast<size_t>(Pick(9))];
    const Side side = Pick(2) == 0 ? Side::kLeft : Side::kRight;
    const Side other = OtherSide(side);
    if (action == kAddOne || action == kAddBoth) {
      const ModelRecord r = Fresh(appli);
      round.edits[SideIndex(side)].added.push_back(r);
      if (action == kAddBoth) {
        round.edits[SideIndex(other)].added.push_back({next_uid_++, r.appli, r.key, r.version});
      }
      continue;
    }
    ModelRecords candidates;
    for (const ModelRecord& r : round.base) {
      if (r.appli == appli) candidates.push_back(r);
    }
    if (candidates.empty()) continue;
    const ModelRecord r = Canonical(
        round.base, candidates[static_cast<size_t>(Pick(static_cast<int>(candidates.size())))]);
    const std::array<int, 2>& n = touched[{r.appli, r.key}];
    const bool both_free = n[0] == 0 && n[1] == 0;
    switch (action) {
      case kRemove:
        if (is_free(side, r)) touch(side, r, {ModelOp::kRemove, 0});
        break;
      case kEdit:
        if (is_free(side, r)) touch(side, r, {ModelOp::kEdit, next_version_++});
        break;
      case kEditBoth:
        if (both_free) {
          const int version = next_version_++;
          touch(side, r, {ModelOp::kEdit, version});
          touch(other, r, {ModelOp::kEdit, version});
        }
        break;
      case kTwoEdits:
        if (both_free) {
          touch(side, r, {ModelOp::kEdit, next_version_++});
          touch(other, r, {ModelOp::kEdit, next_version_++});
        }
        break;
      case kRemoveVsEdit:
        if (both_free) {
          touch(side, r, {ModelOp::kRemove, 0});
          touch(other, r, {ModelOp::kEdit, next_version_++});
        }
        break;
      default:  // an identical copy on one side
        if (is_free(side, r)) {
          mark(side, r);
          round.edits[SideIndex(side)].added.push_back({next_uid_++, r.appli, r.key, r.version});
        }
        break;
    }
  }
  return round;
}

ExpectedMerge ReferenceMerge(const ModelRound& round, ConflictPolicy policy) {
  ExpectedMerge out;
  const SideEdits& left = round.edits[0];
  const SideEdits& right = round.edits[1];
  for (const ModelRecord& r : round.base) {
    auto l = left.changes.find(r.uid);
    auto rr = right.changes.find(r.uid);
    const ModelChange* lc = l == left.changes.end() ? nullptr : &l->second;
    const ModelChange* rc = rr == right.changes.end() ? nullptr : &rr->second;
    const bool l_edit = lc != nullptr && lc->op == ModelOp::kEdit;
    const bool r_edit = rc != nullptr && rc->op == ModelOp::kEdit;
    Conflict conflict;
    conflict.base = r.bytes();
    if (lc == nullptr && rc == nullptr) {
      out.records.push_back(r);
    } else if (l_edit && r_edit && lc->version != rc->version) {
      const ModelRecord lv = WithVersion(r, lc->version);
      const ModelRecord rv = WithVersion(r, rc->version);
      const bool categories = r.appli == kCategoryList;
      const bool keep_left = categories || policy != ConflictPolicy::kRight;
      const bool keep_right = !categories && policy != ConflictPolicy::kLeft;
      if (keep_left) out.records.push_back(lv);
      if (keep_right) out.records.push_back(rv);
      conflict.kind = categories ? ConflictKind::kCategoryList : ConflictKind::kBothChanged;
      conflict.versions = {{Side::kLeft, lv.bytes(), keep_left},
                           {Side::kRight, rv.bytes(), keep_right}};
      out.conflicts[r.appli].push_back(conflict);
    } else if (l_edit || r_edit) {
      const ModelChange* edit = l_edit ? lc : rc;
      const ModelChange* against = l_edit ? rc : lc;
      out.records.push_back(WithVersion(r, edit->version));
      if (against != nullptr && against->op == ModelOp::kRemove) {
        conflict.kind = ConflictKind::kRemovedAndChanged;
        conflict.versions = {
            {l_edit ? Side::kLeft : Side::kRight, out.records.back().bytes(), true}};
        out.conflicts[r.appli].push_back(conflict);
      }
    }  // else removed on one side or both
  }
  // Additions go across; the same addition on both sides is kept once.
  std::map<std::tuple<int, int, int>, std::array<ModelRecords, 2>> added;
  for (size_t s = 0; s < 2; ++s) {
    for (const ModelRecord& r : round.edits[s].added)
      added[{r.appli, r.key, r.version}][s].push_back(r);
  }
  for (const auto& [content, copies] : added) {
    const ModelRecords& more = copies[0].size() >= copies[1].size() ? copies[0] : copies[1];
    out.records.insert(out.records.end(), more.begin(), more.end());
  }
  return out;
}

std::vector<Conflict> SortedConflicts(std::vector<Conflict> conflicts) {
  auto order = [](const Conflict& c) {
    std::vector<Record> parts{c.base};
    for (const ConflictVersion& v : c.versions) parts.push_back(v.record);
    return std::make_tuple(static_cast<int>(c.kind), parts);
  };
  std::sort(conflicts.begin(), conflicts.end(),
            [&](const Conflict& a, const Conflict& b) { return order(a) < order(b); });
  return conflicts;
}

}  // namespace kivo::test

#ifndef KIVO_TESTS_SUPPORT_SYNC_MODEL_H_
#define KIVO_TESTS_SUPPORT_SYNC_MODEL_H_

// A logical model of two sides edited between syncs, and a reference merge
// that works on its edit log rather than on bytes. The sync sees only the
// bytes; a property test checks that it reaches what the model says.
//
// Every record of the model has an identity (uid), an application, a key and
// a version; its bytes carry the key in the fields the sync pairs by and the
// version in the others, so an edit (a new version) keeps the key. Within one
// round a key both sides touch is touched at most once on each (several edits
// of one key on both sides could pair either way), and a side touching one of
// several identical records touches the one with the lowest uid: identical
// records cannot be told apart by bytes, and this is the reading that loses
// nothing.

#include <array>
#include <cstdint>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "sync/merge.h"
#include "sync/sync_types.h"

namespace kivo::test {

struct ModelRecord {
  int uid = 0;
  AppliId appli = 0;
  int key = 0;
  int version = 0;

  Record bytes() const;
  bool SameContent(const ModelRecord& o) const {
    return appli == o.appli && key == o.key && version == o.version;
  }
};
using ModelRecords = std::vector<ModelRecord>;

enum class ModelOp { kRemove, kEdit };
struct ModelChange {
  ModelOp op = ModelOp::kRemove;
  int version = 0;  // the new version of an edit
};

// One side's edits of a round: changes of base records by uid, and records
// added (new ones, and copies of records the side holds).
struct SideEdits {
  std::map<int, ModelChange> changes;
  ModelRecords added;
};

struct ModelRound {
  ModelRecords base;  // what both sides held at the start
  std::array<SideEdits, 2> edits;

  // The side's records after its edits, in base order, additions last.
  ModelRecords SideRecords(Side side) const;
  // The same as bytes per application, all seven present.
  RecordSet SideBytes(Side side) const;
  // Human-readable log of the edits, for a failing seed.
  std::string Describe() const;
};

// What the reference merge expects.
struct ExpectedMerge {
  ModelRecords records;
  // Per application, with bytes, as the merge names them.
  std::array<std::vector<Conflict>, kSyncAppliCount> conflicts;

  RecordSet Bytes() const;
};

class ModelGenerator {
 public:
  explicit ModelGenerator(uint64_t seed) : rng_(seed) {}

  // About `per_appli` records for each of the six applications (some of
  // them identical copies) and one category list.
  ModelRecords Initial(int per_appli);
  // A round of `count` random edits on both sides of `base`: additions (on one
  // side, or the same on both), removals, edits, the same edit on both sides,
  // different edits of one record, a removal against an edit, copies of
  // records, and category names changed on one or both sides.
  ModelRound Round(const ModelRecords& base, int count);

  std::mt19937_64& rng() { return rng_; }

 private:
  int Pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng_); }
  ModelRecord Fresh(AppliId appli) { return {next_uid_++, appli, next_key_++, next_version_++}; }

  std::mt19937_64 rng_;
  int next_uid_ = 1;
  int next_key_ = 1;
  int next_version_ = 1;
};

// The merge of the round computed from its edit log, for `policy`.
ExpectedMerge ReferenceMerge(const ModelRound& round, ConflictPolicy policy);

// Conflicts in a fixed order, so two lists can be compared.
std::vector<Conflict> SortedConflicts(std::vector<Conflict> conflicts);

}  // namespace kivo::test

#endif  // KIVO_TESTS_SUPPORT_SYNC_MODEL_H_

#ifndef KIVO_STORE_STORE_DIFF_H_
#define KIVO_STORE_STORE_DIFF_H_

#include <algorithm>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "store/appli_store.h"

namespace kivo {

// Two stores compared per application, each application's records taken as a
// multiset of byte strings: a record twice in A and once in B is once in
// both and once only in A. Order never matters.
struct AppliDiff {
  AppliId id = 0;
  int both = 0;
  // The records found only on one side, in the order of their store.
  std::vector<std::vector<uint8_t>> only_a;
  std::vector<std::vector<uint8_t>> only_b;

  bool differs() const { return !only_a.empty() || !only_b.empty(); }
};

// Byte-wise order of records, for sorting and ordered containers. Written
// with std::mismatch: g++ 12 at -O3 reports a false -Wstringop-overread in
// the memcmp behind vector's own operator<.
struct RecordLess {
  bool operator()(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) const {
    const auto [at_a, at_b] = std::mismatch(a.begin(), a.end(), b.begin(), b.end());
    return at_b != b.end() && (at_a == a.end() || *at_a < *at_b);
  }
};

// The applications Schedule .. Expense, Telephone and the category list
// (AppliId order), or only `only` when given. An application absent from a
// store counts as empty there.
std::vector<AppliDiff> DiffStores(const AppliStore& a, const AppliStore& b,
                                  std::optional<AppliId> only = std::nullopt);
// The same for chosen applications only.
std::vector<AppliDiff> DiffStores(const AppliStore& a, const AppliStore& b,
                                  std::span<const AppliId> ids);

bool AnyDifference(std::span<const AppliDiff> diffs);

// An application that loses more than half of its records: `removed` of the
// `held` records it had are not among those it gets.
struct LargeRemoval {
  AppliId id = 0;
  int removed = 0;
  int held = 0;
};
// The applications of Schedule .. Telephone present in `before` (what the
// organizer holds) that sending `after` would take below half of their
// records, in AppliId order.
std::vector<LargeRemoval> LargeRemovals(const AppliStore& before, const AppliStore& after);

}  // namespace kivo

#endif  // KIVO_STORE_STORE_DIFF_H_

#include "sync/guard.h"

namespace kivo {

std::vector<GuardRefusal> CheckGuards(const Records& base, const Records& left,
                                      const Records& right, const AppliMerge& merge) {
  std::vector<GuardRefusal> refusals;
  if (merge.id == kCategoryList) return refusals;
  for (Side side : kBothSides) {
    const Records& now = side == Side::kLeft ? left : right;
    GuardRefusal refusal;
    refusal.id = merge.id;
    refusal.side = side;
    refusal.base_count = static_cast<int>(base.size());
    refusal.side_count = static_cast<int>(now.size());
    refusal.removals = static_cast<int>(merge.on(side).removed.size());
    if (now.empty() && !base.empty()) {
      refusal.kind = GuardKind::kBecameEmpty;
      refusals.push_back(refusal);
    } else if (refusal.removals * 2 > refusal.side_count) {
      refusal.kind = GuardKind::kTooManyRemovals;
      refusals.push_back(refusal);
    }
  }
  return refusals;
}

std::string GuardText(const GuardRefusal& refusal, const std::array<std::string, 2>& side_names) {
  const std::string& side = side_names[SideIndex(refusal.side)];
  const std::string name(AppliName(refusal.id));
  if (refusal.kind == GuardKind::kBecameEmpty) {
    return name + ": empty on the " + side + ", which held " + std::to_string(refusal.base_count) +
           " records at the last sync";
  }
  return name + ": the sync would remove " + std::to_string(refusal.removals) + " of the " +
         std::to_string(refusal.side_count) + " records on the " + side;
}

}  // namespace kivo

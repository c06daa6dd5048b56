#include "sync/sync_types.h"

#include "sync/record_diff.h"

namespace kivo {

std::string_view SideKeyword(Side side) { return side == Side::kLeft ? "left" : "right"; }

bool SameRecords(const Records& a, const Records& b) {
  return a.size() == b.size() && Surplus(a, b).empty();
}

}  // namespace kivo

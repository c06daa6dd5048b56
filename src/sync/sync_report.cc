#include "sync/sync_report.h"

namespace kivo {

int SyncReport::ConflictCount() const {
  int count = 0;
  for (const AppliReport& appli : applis) count += static_cast<int>(appli.conflicts.size());
  return count;
}

}  // namespace kivo

#include "sync/sync_driver.h"

#include "sync/sync_round.h"

namespace kivo {

SyncReport RunSync(SyncEndpoint& left, SyncEndpoint& right, SyncState& state,
                   const SyncOptions& options) {
  RoundPair pair{&right, &state, options.apps, options.policy};
  pair.reset_state = options.reset_state;
  SyncRound round(left, {pair});
  // A dry run writes nothing, not even the lock's folder, and reading while
  // another sync writes does it no harm.
  if (!options.dry_run && !round.Lock(options.wait)) return round.reports()[0];
  if (round.Plan(options.force) && !options.dry_run) round.Write(options.force, options.verify);
  return round.reports()[0];
}

}  // namespace kivo

#include "sync/sync_driver.h"

#include "sync/sync_round.h"

namespace kivo {

SyncReport RunSync(SyncEndpoint& left, SyncEndpoint& right, SyncState& state,
                   const SyncOptions& options) {
  SyncRound round(left, {RoundPair{&right, &state, options.apps, options.policy}});
  if (round.Plan(options.force) && !options.dry_run) round.Write(options.force, options.verify);
  return round.reports()[0];
}

}  // namespace kivo

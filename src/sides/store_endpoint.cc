#include "sides/store_endpoint.h"

#include <system_error>
#include <utility>

#include "platform/link_defaults.h"
#include "sync/record_set_store.h"

namespace kivo {

namespace fs = std::filesystem;

StoreEndpoint::StoreEndpoint(AppliStore& store, const fs::path& place, std::string label)
    : store_(store), label_(std::move(label)) {
  if (place.empty()) {
    identity_ = "desktop records";
  } else {
    std::error_code ec;
    fs::path path = fs::weakly_canonical(fs::absolute(place, ec), ec);
    if (ec) path = fs::absolute(place, ec).lexically_normal();
    identity_ = "desktop " + path.string();
  }
}

EndpointStatus StoreEndpoint::Read(AppliMask apps, const EndpointMemory&, RecordSet* out) {
  *out = RecordSetOf(store_, apps);
  return EndpointStatus::Ok();
}

ApplyOutcome StoreEndpoint::Apply(const std::vector<AppliWrite>& writes, const EndpointMemory&,
                                  bool verify, const std::function<void(AppliId)>& confirmed) {
  ApplyOutcome outcome;
  changed_ = 0;
  const AppliMask mask = WrittenMask(writes);
  // Every record is tried on a scratch store first, so the records the
  // person works on are changed all together or not at all.
  AppliStore scratch(store_.code_tables());
  (void)scratch.GetAppliBuf(kStoreSlots);
  for (const AppliWrite& write : writes) {
    if (ReplaceAppliRecords(scratch, write.id, write.target) != kStoreOk) {
      outcome.status = EndpointStatus::Failed(label_ + ": a record of " +
                                              std::string(AppliName(write.id)) + " cannot be kept");
      return outcome;
    }
  }
  const RecordSet before = RecordSetOf(store_, mask);
  for (const AppliWrite& write : writes) {
    if (ReplaceAppliRecords(store_, write.id, write.target) != kStoreOk) {
      for (AppliId id = 0; id < kSyncAppliCount; ++id) {
        if (HasAppli(mask, id)) (void)ReplaceAppliRecords(store_, id, before.of(id));
      }
      outcome.status = EndpointStatus::Failed(label_ + ": out of memory");
      return outcome;
    }
  }
  changed_ = mask;
  for (const AppliWrite& write : writes) {
    if (confirmed) confirmed(write.id);
  }
  if (verify) outcome.read_back = RecordSetOf(store_, mask);
  return outcome;
}

}  // namespace kivo

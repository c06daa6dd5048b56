#ifndef KIVO_SIDES_STORE_ENDPOINT_H_
#define KIVO_SIDES_STORE_ENDPOINT_H_

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "store/appli_store.h"
#include "sync/sync_endpoint.h"

namespace kivo {

// Records a front end holds in memory (the desktop program's working data) as
// a side. The writes of a sync go into a copy that replaces the store's
// applications only when all of them are in, so a failure leaves the store as
// it was. The owner saves the store afterwards as it always does. Like the
// organizer, the main window holds at most 920 records an application.
class StoreEndpoint : public SyncEndpoint {
 public:
  // `store` must outlive the endpoint. `place` names where the records live
  // (the working data file); empty: "records".
  StoreEndpoint(AppliStore& store, const std::filesystem::path& place, std::string label = "PC");

  // "desktop " and `place`, absolute, or "desktop records".
  std::string Identity() const override { return identity_; }
  std::string Label() const override { return label_; }
  BrokenWrite broken_write() const override { return BrokenWrite::kOldOrNew; }
  std::optional<AppliCapacity> Capacity() const override { return AppliCapacity(); }

  [[nodiscard]] EndpointStatus Read(AppliMask apps, const EndpointMemory& memory,
                                    RecordSet* out) override;
  [[nodiscard]] ApplyOutcome Apply(const std::vector<AppliWrite>& writes,
                                   const EndpointMemory& memory, bool verify,
                                   const std::function<void(AppliId)>& confirmed) override;

  // The applications changed by the last Apply.
  [[nodiscard]] AppliMask changed() const { return changed_; }

 private:
  AppliStore& store_;
  std::string identity_;
  std::string label_;
  AppliMask changed_ = 0;
};

}  // namespace kivo

#endif  // KIVO_SIDES_STORE_ENDPOINT_H_

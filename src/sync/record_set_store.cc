#include "sync/record_set_store.h"

#include "platform/link_defaults.h"
#include "store/backup_file.h"
#include "store/store_records.h"

namespace kivo {

RecordSet RecordSetOf(const AppliStore& store, AppliMask mask) {
  RecordSet set;
  for (AppliId id = 0; id < kSyncAppliCount; ++id) {
    if (HasAppli(mask, id)) set.Set(id, StoreRecords(store, id));
  }
  return set;
}

StoreResult ReplaceAppliRecords(AppliStore& store, AppliId id, const Records& records) {
  if (!store.IsPresent(id)) {
    if (id == kCategoryList && records.empty()) return kStoreOk;
    if (store.EnsureAppli(EnsureMaskBit(id), id == kCategoryList) != kStoreOk) return kStoreRefused;
  }
  if (store.ResetAppli(id) < 0) return kStoreRefused;
  return static_cast<StoreResult>(PutInOrder(store, id, records, IdentityOrder(records.size())));
}

std::optional<std::vector<uint8_t>> EncodeBase(const RecordSet& base, const CodeTables& tables,
                                               std::array<uint8_t, 2> device_code) {
  AppliStore store(tables);
  if (store.GetAppliBuf(kStoreSlots) != kStoreOk) return std::nullopt;
  store.SetDeviceCode(device_code[0], device_code[1]);
  if (store.EnsureAppli(kAllAppliMask, false) != kStoreOk) return std::nullopt;
  for (AppliId id = 0; id < kSyncAppliCount; ++id) {
    if (ReplaceAppliRecords(store, id, base.of(id)) != kStoreOk) return std::nullopt;
  }
  return EncodeBackupFile(store, false, BackupBlocks::kAllPresent);
}

Result<RecordSet> DecodeBase(std::span<const uint8_t> image, const CodeTables& tables) {
  AppliStore store(tables);
  if (store.GetAppliBuf(kStoreSlots) != kStoreOk) return Failure{};
  if (image.size() >= kBackupHeaderSize) store.SetDeviceCode(image[6], image[7]);
  const StoreStatus result = DecodeBackupFile(store, image);
  if (!result.ok()) return Failure{BackupReadFailure(result, store.device_code())};
  return RecordSetOf(store, kAllSyncAppli);
}
}  // namespace kivo

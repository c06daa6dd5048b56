#include "backup_access.h"

#include <ostream>
#include <system_error>

#include "platform/atomic_file.h"
#include "platform/link_defaults.h"
#include "store/backup_file.h"
#include "store/working_data.h"

namespace kivo::cli {

std::string BackupReadFailure(const StoreStatus& status, const AppliStore& store) {
  return kivo::BackupReadFailure(status, store.device_code());
}

bool CheckTables(const CliContext& context) {
  if (!context.tables.IsMissing("code.dat")) return true;
  *context.err << kToolName << ": " << (context.tables.dir / "code.dat").string()
               << ": missing. Please reinstall this software correctly.\n";
  return false;
}

int ReadBackupForViewing(const CliContext& context, const std::filesystem::path& file,
                         AppliStore& store, bool ensure) {
  if (store.GetAppliBuf(kStoreSlots) != kStoreOk) return context.FileFailure(file, "out of memory");
  const StoreStatus result = ReadAnyBackupFile(store, file);
  if (!result.ok()) return context.FileFailure(file, BackupReadFailure(result, store));
  if (ensure) store.EnsureAllAppli();
  return kExitOk;
}

int ReadBackupForChange(const CliContext& context, const std::filesystem::path& file,
                        AppliStore& store) {
  if (store.GetAppliBuf(kStoreSlots) != kStoreOk) return context.FileFailure(file, "out of memory");
  ApplyDeviceCodeSetting(store, context.settings.device_code);
  std::error_code ec;
  if (!std::filesystem::exists(file, ec)) {
    ResetToEmptyStore(store);
    return kExitOk;
  }
  const StoreStatus result = LoadBackupFile(store, file);
  if (!result.ok()) return context.FileFailure(file, BackupReadFailure(result, store));
  return kExitOk;
}

std::optional<AppliId> ParseAppliArgument(const CliContext& context, std::string_view text) {
  std::optional<AppliId> id = ParseAppliName(text);
  if (!id) {
    (void)context.UsageFailure(
        "unknown application '" + std::string(text) +
        "' (schedule, anniversary, todo, memo, expense, telephone, category or 0..6)");
  }
  return id;
}

}  // namespace kivo::cli

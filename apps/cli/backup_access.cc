#include "backup_access.h"

#include <ostream>
#include <system_error>

#include "platform/atomic_file.h"
#include "platform/link_defaults.h"
#include "store/backup_file.h"
#include "store/working_data.h"

namespace kivo::cli {

std::string BackupReadFailure(StoreResult code, const std::string& error_text,
                              const AppliStore& store) {
  return kivo::BackupReadFailure(code, error_text, store.device_code());
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
  std::string reason;
  const StoreResult result = ReadAnyBackupFile(store, file, &reason);
  if (result != kStoreOk) {
    return context.FileFailure(file, BackupReadFailure(result, reason, store));
  }
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
  std::string error_text;
  const StoreResult result = LoadBackupFile(store, file, &error_text);
  if (result != kStoreOk) {
    return context.FileFailure(file, BackupReadFailure(result, error_text, store));
  }
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

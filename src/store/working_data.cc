#include "store/working_data.h"

#include <cerrno>
#include <cstdio>
#include <system_error>
#include <vector>

#include "platform/atomic_file.h"
#include "store/backup_file.h"

namespace kivo {

std::filesystem::path WorkingDataPath(const std::filesystem::path& program_dir) {
  return program_dir / kWorkingDataName;
}

void ApplyDeviceCodeSetting(AppliStore& store, int device_code) {
  store.SetDeviceCode(device_code == 1 ? 1 : 2, 0);
}

void ResetToEmptyStore(AppliStore& store) {
  // A failed read can leave slots loaded and a count taken from the file;
  // clearing first gives ResetAppli the fresh store it expects.
  store.ClearAllAppli();
  (void)store.ResetAppli(kAllAppli);
  std::vector<uint8_t> names;
  for (std::string_view name : kDefaultCategoryNames) {
    names.insert(names.end(), name.begin(), name.end());
    names.push_back(0);
  }
  names.push_back(kTerminator);
  (void)store.SetCategoryRecord(names);
}

WorkingDataLoad LoadWorkingData(AppliStore& store, const std::filesystem::path& file,
                                int device_code) {
  WorkingDataLoad load;
  // Without slots every load would fail and a good file would be moved aside.
  if (!store.has_slot_area() && store.GetAppliBuf(kMainStoreSlots) != kStoreOk) {
    load.result = kStoreInvalid;
    return load;
  }
  ApplyDeviceCodeSetting(store, device_code);
  store.ClearAllAppli();
  load.result = LoadBackupFile(store, file);
  if (load.result == kStoreOk) return load;

  std::error_code ec;
  if (std::filesystem::exists(file, ec)) {
    std::filesystem::path kept = file;
    kept += kBadFileSuffix;
    // rename() replaces an older kept file in one step.
    if (std::rename(file.c_str(), kept.c_str()) == 0) {
      load.kept_aside = true;
      load.kept = kept;
    } else {
      load.error_text = SystemErrorText(errno);
    }
  }
  ResetToEmptyStore(store);
  return load;
}

int SaveWorkingData(AppliStore& store, const std::filesystem::path& file, int file_scramble) {
  return SaveBackupFile(store, file, file_scramble != 0);
}

}  // namespace kivo

#include "store/working_data.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <system_error>
#include <utility>
#include <vector>

#include "platform/atomic_file.h"
#include "platform/link_defaults.h"
#include "platform/result.h"
#include "store/backup_file.h"

namespace kivo {

std::filesystem::path WorkingDataPath(const std::filesystem::path& program_dir) {
  return program_dir / kWorkingDataName;
}

void ApplyDeviceCodeSetting(AppliStore& store, int device_code) {
  store.SetDeviceCode(DeviceCodeHigh(device_code), 0);
}

void ResetToEmptyStore(AppliStore& store) {
  // A failed read can leave slots loaded and a count taken from the file;
  // clearing first gives ResetAppli the fresh store it expects.
  store.ClearAllAppli();
  // Cannot fail: the store was just cleared and has its 7 slots.
  (void)store.ResetAppli(kAllAppli);
  std::vector<uint8_t> names;
  for (std::string_view name : kDefaultCategoryNames) {
    names.insert(names.end(), name.begin(), name.end());
    names.push_back(0);
  }
  names.push_back(kTerminator);
  // Cannot fail: ResetAppli made the category list present.
  (void)store.SetCategoryRecord(names);
}

namespace {

// Why a file failed to load, in the user's words.
std::string LoadFailureReason(int result, const std::string& detail) {
  if (!detail.empty()) return detail.back() == '.' || detail.back() == ')' ? detail : detail + ".";
  switch (result) {
    case kStoreBadMagic:
      return "It is not a backup file.";
    case kStoreOtherDevice:
      return "It was written for another device code.";
    case kStoreDuplicate:
      return "An application occurs twice in it.";
    default:
      return "It is damaged or cannot be read.";
  }
}

// Moves `file` to the first free kept name and hands that back; never
// replaces a file. A hard link claims the name atomically; a file system
// without links falls back to a look before the rename.
Result<std::filesystem::path> KeepAside(const std::filesystem::path& file,
                                        const LocalDateTime& now) {
  char stamp[32];
  std::snprintf(stamp, sizeof stamp, ".%04d%02d%02d-%02d%02d%02d", now.year, now.month, now.day,
                now.hour, now.minute, now.second);
  for (int n = 1; n < 1000; ++n) {
    std::filesystem::path name = file;
    name += stamp;
    if (n > 1) {
      name += "-";
      name += std::to_string(n);
    }
    name += kBadFileSuffix;
    if (link(file.c_str(), name.c_str()) == 0) {
      if (unlink(file.c_str()) != 0) {
        Failure failure{SystemErrorText(errno)};
        // Undoing the link; the caller reports the first failure.
        (void)unlink(name.c_str());
        return failure;
      }
      return name;
    }
    if (errno == EEXIST) continue;
    std::error_code ec;
    if (std::filesystem::exists(name, ec)) continue;
    if (std::rename(file.c_str(), name.c_str()) != 0) return Failure{SystemErrorText(errno)};
    return name;
  }
  return Failure{"too many kept files"};
}

}  // namespace

WorkingDataLoad LoadWorkingData(AppliStore& store, const std::filesystem::path& file,
                                int device_code, const Clock& clock) {
  WorkingDataLoad load;
  // Without slots every load would fail and a good file would be moved aside.
  if (!store.has_slot_area() && store.GetAppliBuf(kStoreSlots) != kStoreOk) {
    load.result = kStoreInvalid;
    return load;
  }
  ApplyDeviceCodeSetting(store, device_code);
  store.ClearAllAppli();
  const StoreStatus loaded = LoadBackupFile(store, file);
  load.result = loaded.code;
  if (load.result == kStoreOk) return load;

  std::error_code ec;
  if (std::filesystem::exists(file, ec)) {
    load.reason = LoadFailureReason(load.result, loaded.error_text);
    Result<std::filesystem::path> kept = KeepAside(file, clock.LocalNow());
    load.kept_aside = kept.ok();
    if (kept) {
      load.kept = std::move(kept).value();
    } else {
      load.error_text = kept.error();
    }
  }
  ResetToEmptyStore(store);
  return load;
}

std::string WorkingDataLoadMessage(const std::filesystem::path& file, const WorkingDataLoad& load) {
  if (load.reason.empty()) return {};
  std::string text = "The data file\n" + file.string() + "\ndid not load. " + load.reason;
  if (load.kept_aside) {
    text += "\n\nIt has been kept as\n" + load.kept.string() +
            "\nand the program starts with empty applications.";
  } else {
    text += "\n\nIt could not be kept aside (" + load.error_text +
            "); it will be replaced when the program ends.";
  }
  return text;
}

StoreResult SaveWorkingData(AppliStore& store, const std::filesystem::path& file, int file_scramble,
                            FileWriter& writer) {
  return SaveBackupFile(store, file, file_scramble != 0, writer);
}

}  // namespace kivo

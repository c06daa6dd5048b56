#include "store/working_data.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <system_error>
#include <vector>

#include "platform/atomic_file.h"
#include "platform/link_defaults.h"
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

// Moves `file` to the first free kept name; never replaces a file. A hard
// link claims the name atomically; a file system without links falls back to
// a look before the rename.
bool KeepAside(const std::filesystem::path& file, const LocalDateTime& now,
               std::filesystem::path* kept, std::string* error_text) {
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
        *error_text = SystemErrorText(errno);
        // Undoing the link; the caller reports the first failure.
        (void)unlink(name.c_str());
        return false;
      }
      *kept = name;
      return true;
    }
    if (errno == EEXIST) continue;
    std::error_code ec;
    if (std::filesystem::exists(name, ec)) continue;
    if (std::rename(file.c_str(), name.c_str()) != 0) {
      *error_text = SystemErrorText(errno);
      return false;
    }
    *kept = name;
    return true;
  }
  *error_text = "too many kept files";
  return false;
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
  std::string detail;
  load.result = LoadBackupFile(store, file, &detail);
  if (load.result == kStoreOk) return load;

  std::error_code ec;
  if (std::filesystem::exists(file, ec)) {
    load.reason = LoadFailureReason(load.result, detail);
    load.kept_aside = KeepAside(file, clock.LocalNow(), &load.kept, &load.error_text);
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
  return SaveBackupFile(store, file, file_scramble != 0, nullptr, writer);
}

}  // namespace kivo

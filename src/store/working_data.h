#ifndef KIVO_STORE_WORKING_DATA_H_
#define KIVO_STORE_WORKING_DATA_H_

#include <filesystem>
#include <string>

#include "platform/atomic_file.h"
#include "platform/clock.h"
#include "store/appli_store.h"

namespace kivo {

// The working data file carries the main store from one run to the next. It
// is a backup file as SaveBackupFile writes it: only applications with
// records, the main store's device code, inverted when FileScramble is set.
inline constexpr const char* kWorkingDataName = "Kivo-LinkUtility.dat";
// A working data file that could not be loaded is moved aside under its name,
// the date and time and this suffix ("<file>.20261207-140501.bad", with "-2",
// "-3", ... before the suffix when that name is taken) before the program
// starts empty, so the exit save cannot destroy the user's records. A kept
// file is never replaced.
inline constexpr const char* kBadFileSuffix = ".bad";

// program_dir / "Kivo-LinkUtility.dat".
std::filesystem::path WorkingDataPath(const std::filesystem::path& program_dir);

// The store's device code for the DeviceCode setting: (1, 0) for 1, (2, 0)
// for anything else.
void ApplyDeviceCodeSetting(AppliStore& store, int device_code);

struct WorkingDataLoad {
  StoreResult result = kStoreOk;  // LoadBackupFile's code
  bool kept_aside = false;        // an existing file failed and was renamed
  std::filesystem::path kept;     // where it went
  std::string reason;             // why an existing file did not load
  std::string error_text;         // the system text of a failing rename
};

// Start-up load into the main store; a store without slot area gets 7 slots.
// The store first takes the device code of the DeviceCode setting, so a file
// written under DeviceCode 1 loads. On any failure the store is emptied (every
// application present, ResetAppli order, default category names) without a
// message; a file that exists but failed is first renamed to a kept name
// taken from the clock's local time (above).
WorkingDataLoad LoadWorkingData(AppliStore& store, const std::filesystem::path& file,
                                int device_code, const Clock& clock = SystemClock());

// What the user is told at start-up about an existing working data file that
// did not load: the file, why, and where it was kept. Empty when there is
// nothing to tell (the file loaded, or there was none).
std::string WorkingDataLoadMessage(const std::filesystem::path& file, const WorkingDataLoad& load);

// Exit save: SaveBackupFile with the FileScramble setting, the bytes going
// through `writer`. 0 or its code; the caller shows "File write error" on
// failure.
[[nodiscard]] StoreResult SaveWorkingData(AppliStore& store, const std::filesystem::path& file,
                                          int file_scramble,
                                          FileWriter& writer = SystemFileWriter());

// Every application present and empty, the category list with the default
// names, in the slot order of ResetAppli with 255. The store must have at
// least 7 slots.
void ResetToEmptyStore(AppliStore& store);

}  // namespace kivo

#endif  // KIVO_STORE_WORKING_DATA_H_

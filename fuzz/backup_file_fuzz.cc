// Fuzz target for the backup file reader: any bytes must either load or be
// refused with a code, never read past the image or the slot area; a loaded
// image must write out and read back to the same bytes.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <vector>

#include "platform/link_defaults.h"
#include "store/appli_store.h"
#include "store/backup_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace kivo;
  std::span<const uint8_t> image(data, size);
  AppliStore store(CodeTables::Identity());
  if (store.GetAppliBuf(kStoreSlots) != kStoreOk) return 0;
  // Accept either device code, so the fuzzer reaches the blocks.
  if (size >= kBackupHeaderSize) store.SetDeviceCode(data[6], data[7]);
  int result = DecodeBackupFile(store, image);
  if (result != kStoreOk) return 0;

  // Writing converts text (control characters become blanks), so the first
  // image written is the fixed point: reading it and writing again must give
  // the same bytes.
  for (bool scramble : {false, true}) {
    std::vector<uint8_t> written = EncodeBackupFile(store, scramble, BackupBlocks::kAllPresent);
    AppliStore again(CodeTables::Identity());
    if (again.GetAppliBuf(kStoreSlots) != kStoreOk) return 0;
    again.SetDeviceCode(data[6], data[7]);
    if (DecodeBackupFile(again, written) != kStoreOk) std::abort();
    if (EncodeBackupFile(again, scramble, BackupBlocks::kAllPresent) != written) std::abort();
  }
  return 0;
}

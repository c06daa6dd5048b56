// The backup file reader (and so the working data file) over any bytes.
//
// The input is a file image. Besides running the reader, the target checks
// two things every sound reader must hold:
//  - the plain and the inverted form of the same image read alike (the twin
//    has the other magic and a complemented body);
//  - a saved store loads again and saves to the same bytes (the first save may
//    differ from the input: control characters in texts become blanks).

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "fuzz_support.h"
#include "platform/link_defaults.h"
#include "store/appli_store.h"
#include "store/backup_file.h"
#include "store/result_code.h"

namespace {

using kivo::AppliStore;

// The image with the other magic and every body byte complemented.
std::vector<uint8_t> InvertedTwin(const uint8_t* data, size_t size) {
  std::vector<uint8_t> twin(data, data + size);
  if (size > 5 && (twin[5] == '0' || twin[5] == '1')) twin[5] = twin[5] == '0' ? '1' : '0';
  for (size_t i = kivo::kBackupHeaderSize; i < twin.size(); ++i) {
    twin[i] = static_cast<uint8_t>(~twin[i]);
  }
  return twin;
}

int Decode(AppliStore& store, std::span<const uint8_t> image) {
  if (store.GetAppliBuf(kivo::kStoreSlots) != kivo::kStoreOk) std::abort();
  return kivo::DecodeBackupFile(store, image);
}

void CheckSameStores(const AppliStore& a, const AppliStore& b) {
  if (a.GetAppliCount() != b.GetAppliCount()) std::abort();
  for (int slot = 0; slot < a.GetAppliCount(); ++slot) {
    if (a.slot_id(slot) != b.slot_id(slot)) std::abort();
    if (a.slot_record_count(slot) != b.slot_record_count(slot)) std::abort();
    for (int i = 0; i < a.slot_record_count(slot); ++i) {
      auto ra = a.SlotRecord(slot, i);
      auto rb = b.SlotRecord(slot, i);
      if (!std::equal(ra.begin(), ra.end(), rb.begin(), rb.end())) std::abort();
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::span<const uint8_t> image(data, size);
  // The identity tables keep a load and a save exact inverses of each other
  // (only control bytes turn into blanks, and they stay blanks).
  AppliStore store(kivo::CodeTables::Identity());
  const int result = Decode(store, image);

  std::vector<uint8_t> twin = InvertedTwin(data, size);
  AppliStore twin_store(kivo::CodeTables::Identity());
  if (Decode(twin_store, twin) != result) std::abort();
  if (result == kivo::kStoreOk) CheckSameStores(store, twin_store);

  // The real tables, as the program reads a file.
  AppliStore real(kivo::FuzzCodeTables());
  const int real_result = Decode(real, image);
  if (real_result != result) std::abort();
  if (result != kivo::kStoreOk) return 0;

  // Save and load again: the second save gives the same bytes.
  for (bool scramble : {false, true}) {
    std::vector<uint8_t> saved =
        kivo::EncodeBackupFile(store, scramble, kivo::BackupBlocks::kAllPresent);
    AppliStore again(kivo::CodeTables::Identity());
    if (Decode(again, saved) != kivo::kStoreOk) std::abort();
    if (kivo::EncodeBackupFile(again, scramble, kivo::BackupBlocks::kAllPresent) != saved) {
      std::abort();
    }
  }
  return 0;
}

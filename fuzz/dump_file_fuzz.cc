// The dump file reader of the line-test run modes over any bytes. The first
// input byte picks the application, the rest is the file.

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "fuzz_support.h"
#include "platform/link_defaults.h"
#include "store/appli_store.h"
#include "store/dump_file.h"
#include "store/result_code.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static kivo::MemoryFile file("dump");
  kivo::FuzzInput input(data, size);
  const auto id = static_cast<kivo::AppliId>(input.Byte() % 7);
  const std::span<const uint8_t> contents = input.Rest();
  file.Write(contents);

  kivo::AppliStore store(kivo::FuzzCodeTables());
  if (store.GetAppliBuf(kivo::kStoreSlots) != kivo::kStoreOk) std::abort();
  if (kivo::ReadDumpFile(store, file.path(), id) != kivo::kStoreOk) return 0;

  // Every terminated record of the file is in the store, nothing else.
  const auto records = std::count(contents.begin(), contents.end(), kivo::kTerminator);
  if (store.GetRecordCount(id) != records) std::abort();
  if (records == 0) return 0;
  size_t used = 0;
  std::vector<uint8_t> back(contents.size());
  if (store.GetAppliData(id, back, &used) != kivo::kStoreOk) std::abort();
  const auto last = std::find(contents.rbegin(), contents.rend(), kivo::kTerminator);
  if (used != static_cast<size_t>(contents.rend() - last)) std::abort();
  return 0;
}

// Fuzz target for the CSV import: any file, in either encoding and for any
// application, must import without reading out of bounds, and what it takes
// must be whole records: as many as it says, each decodable.

#include <stdio.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <utility>

#include "csv/csv_reader.h"
#include "platform/file_handle.h"
#include "platform/link_defaults.h"
#include "store/appli_store.h"
#include "store/record_codec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace kivo;
  if (size < 1) return 0;
  // The first byte picks the application, the encoding and the display modes.
  const uint8_t pick = data[0];
  const AppliId id = static_cast<AppliId>(pick % 6);
  const CsvEncoding encoding = (pick & 0x08) != 0 ? CsvEncoding::kUtf8 : CsvEncoding::kWindows1252;
  const int hour = (pick >> 4) & 1;
  const int date = (pick >> 5) % 3;

  AllowedTable allowed;
  allowed.fill(1);
  CsvReader reader(hour, date, encoding, allowed);
  // fmemopen needs a non-empty buffer it may not write to in "rb" mode.
  kivo::FileHandle file(size > 1 ? fmemopen(const_cast<uint8_t*>(data + 1), size - 1, "rb")
                                 : nullptr);
  if (file == nullptr || !reader.Open(std::move(file), id)) return 0;

  AppliStore store(CodeTables::Identity());
  if (store.GetAppliBuf(kStoreSlots) != kStoreOk) return 0;
  int lines = -1;
  const int taken = reader.ImportCsv(store, id, &lines);
  if (taken < 0 || lines < taken) std::abort();
  if (taken > 0 && store.GetRecordCount(id) != taken) std::abort();
  for (int i = 0; i < taken; ++i) {
    if (store.Record(id, i).empty()) std::abort();
  }
  return 0;
}

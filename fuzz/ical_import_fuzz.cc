// Fuzz target for the iCalendar import: any file, for Schedule, Anniversary
// or To Do, must read without reading out of bounds, every record taken must
// decode, and the export of those records must read back to the same
// records and pass libical's parser without error properties.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include <libical/ical.h>

#include "exchange/ical.h"
#include "fuzz_support.h"
#include "import_batch_check.h"
#include "platform/link_defaults.h"
#include "store/appli_store.h"
#include "store/record_codec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace kivo;
  if (size < 1) return 0;
  constexpr AppliId kIds[] = {kSchedule, kAnniversary, kToDo};
  const AppliId id = kIds[data[0] % 3];
  AllowedTable allowed;
  allowed.fill(1);
  const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
  // Dates lacking a year or a due date take a fixed today so runs repeat.
  const DateValue today{2026, 5, 28};
  const ImportBatch first = ReadICalendar(text, id, allowed, today);

  AppliStore store(CodeTables::Identity());
  if (store.GetAppliBuf(kStoreSlots) != kStoreOk) std::abort();
  for (size_t i = 0; i < first.records.size(); ++i) {
    if (store.PutRecord(id, static_cast<int>(i), first.records[i]) != 0) std::abort();
  }
  std::string written;
  if (BuildICalendar(store, id, 1780000000, &written) != static_cast<int>(first.records.size())) {
    std::abort();
  }
  icalcomponent* parsed = icalparser_parse_string(written.c_str());
  if (parsed == nullptr || icalcomponent_count_errors(parsed) != 0) std::abort();
  icalcomponent_free(parsed);
  const ImportBatch second = ReadICalendar(written, id, allowed, today);
  if (second.records != first.records) Differ(first, second, written);
  return 0;
}

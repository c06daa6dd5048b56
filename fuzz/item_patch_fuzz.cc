// Fuzz target for the items a sync reads from servers and folders and then
// changes. The first byte picks the format (bit 0: vCard or iCalendar) and
// the change (the other bits); the rest is the item. Any text must part into
// content lines that give back its bytes, by the rules of either format, and
// map from its lines as from its text; an item that maps to a record must
// patch, patched without a change it must map to the same record, and
// patched for a change it must still map to a record of its application.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "exchange/item_patch.h"
#include "store/record_codec.h"

namespace {

using namespace kivo;

// The record with one field changed, picked by `pick`.
std::vector<uint8_t> Changed(AppliId id, const std::vector<uint8_t>& record, int pick) {
  if (id == kTelephone) {
    TelephoneRecord r;
    if (DecodeTelephoneRecord(record, &r) != kStoreOk) std::abort();
    if (pick % 15 == 14) {
      r.category = static_cast<uint8_t>((r.category + 1) % 3);
    } else {
      r.texts[static_cast<size_t>(pick % 15)] = pick % 2 ? "" : "Changed 555";
    }
    return EncodeTelephoneRecord(r);
  }
  if (id == kSchedule) {
    ScheduleRecord r;
    if (DecodeScheduleRecord(record, &r) != kStoreOk) std::abort();
    r.start_time = BcdTime::FromHm(pick % 24, 0);
    r.flags ^= pick % 2 ? ScheduleRecord::kAlarmOn : 0;
    return EncodeScheduleRecord(r);
  }
  if (id == kAnniversary) {
    AnniversaryRecord r;
    if (DecodeAnniversaryRecord(record, &r) != kStoreOk) std::abort();
    r.date = BcdDate::FromYmd(2024, 1 + pick % 12, 1);
    r.reminder = static_cast<uint8_t>(pick % 10);
    return EncodeAnniversaryRecord(r);
  }
  ToDoRecord r;
  if (DecodeToDoRecord(record, &r) != kStoreOk) std::abort();
  r.state = ToDoRecord::MakeState(pick % 2 == 0, 1 + pick % 9);
  r.description = pick % 3 ? "Changed" : "";
  return EncodeToDoRecord(r);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);
  for (ExchangeFormat rules : {ExchangeFormat::kVCard, ExchangeFormat::kICal}) {
    if (ContentDoc::Parse(text, rules).Text() != text) std::abort();
  }
  ItemContext context;
  context.allowed.fill(1);
  context.today = {2026, 5, 28};
  context.now = 1780000000;
  const ExchangeFormat format = data[0] & 1 ? ExchangeFormat::kICal : ExchangeFormat::kVCard;
  const std::optional<MappedItem> mapped = MapItem(format, text, context);
  const std::optional<MappedItem> parsed =
      MapItem(format, ContentDoc::Parse(text, format), context);
  if (mapped.has_value() != parsed.has_value() || (mapped && parsed->record != mapped->record)) {
    std::abort();
  }
  if (!mapped) return 0;
  const std::optional<std::string> same =
      PatchItem(mapped->id, text, mapped->record, mapped->record, context);
  if (!same) std::abort();
  const std::optional<MappedItem> again = MapItem(format, *same, context);
  if (!again || again->record != mapped->record) std::abort();
  const std::vector<uint8_t> after = Changed(mapped->id, mapped->record, data[0] >> 1);
  const std::optional<std::string> patched =
      PatchItem(mapped->id, text, mapped->record, after, context);
  if (!patched) std::abort();
  const std::optional<MappedItem> changed = MapItem(format, *patched, context);
  if (changed && changed->id != mapped->id) std::abort();
  return 0;
}

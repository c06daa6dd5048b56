#include "sync/sync_key.h"

#include <algorithm>

#include "store/record_codec.h"

namespace kivo {

namespace {

std::string Bytes(std::span<const uint8_t> bytes) {
  return std::string(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

std::string DateKey(const BcdDate& date) { return Bytes(std::span<const uint8_t>(date.bytes)); }

// The text up to its first line break, cut to the key length.
std::string TextStart(const std::string& text) {
  const size_t end = text.find_first_of("\r\n");
  return text.substr(0, std::min({end, text.size(), kKeyTextLength}));
}

// Fields joined with a byte no text holds, so ("ab", "c") and ("a", "bc")
// differ.
std::string Join(const std::string& a, const std::string& b) { return a + '\xFF' + b; }

std::string OwnKey(std::span<const uint8_t> record) { return "\xFE" + Bytes(record); }

}  // namespace

std::string SyncKey(AppliId id, std::span<const uint8_t> record) {
  switch (id) {
    case kSchedule: {
      ScheduleRecord r;
      if (DecodeScheduleRecord(record, &r) != kStoreOk) return OwnKey(record);
      return Join(DateKey(r.date), Bytes(std::span<const uint8_t>(r.start_time.bytes)));
    }
    case kAnniversary: {
      AnniversaryRecord r;
      if (DecodeAnniversaryRecord(record, &r) != kStoreOk) return OwnKey(record);
      return Join(DateKey(r.date), TextStart(r.description));
    }
    case kToDo: {
      ToDoRecord r;
      if (DecodeToDoRecord(record, &r) != kStoreOk) return OwnKey(record);
      return Join(DateKey(r.due_date), TextStart(r.description));
    }
    case kMemo: {
      MemoRecord r;
      if (DecodeMemoRecord(record, &r) != kStoreOk) return OwnKey(record);
      return TextStart(r.text);
    }
    case kExpense: {
      ExpenseRecord r;
      if (DecodeExpenseRecord(record, &r) != kStoreOk) return OwnKey(record);
      return Join(DateKey(r.date), std::string(1, static_cast<char>(r.category_index())));
    }
    case kTelephone: {
      TelephoneRecord r;
      if (DecodeTelephoneRecord(record, &r) != kStoreOk) return OwnKey(record);
      return Join(r.texts[kLastName], r.texts[kFirstName]);
    }
    case kCategoryList:
      return std::string();
    default:
      return OwnKey(record);
  }
}

}  // namespace kivo

// The record decoders, the store's field access and GetExpenseTexts over any
// record bytes.
//
// Input: one byte picks the application of the store access, one byte the
// length of an expense category record, that record, then the record bytes.
// Every decoder runs on the record bytes; a decoded view must encode to bytes
// that decode and encode to the very same bytes again.

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "platform/link_defaults.h"
#include "store/appli_store.h"
#include "store/record_access.h"
#include "store/record_codec.h"
#include "store/result_code.h"

namespace {

using Bytes = std::vector<uint8_t>;
using kivo::kStoreOk;

template <typename View, typename Decoder, typename Encoder>
void RoundTrip(std::span<const uint8_t> bytes, Decoder decode, Encoder encode) {
  View view;
  if (decode(bytes, &view) != kStoreOk) return;
  const Bytes encoded = encode(view);
  if (encoded.empty() || encoded.back() != kivo::kTerminator) std::abort();
  if (kivo::RecordLength(encoded) != static_cast<int>(encoded.size()) - 1) std::abort();
  View again;
  if (decode(encoded, &again) != kStoreOk) std::abort();
  if (encode(again) != encoded) std::abort();
}

void AllDecoders(std::span<const uint8_t> bytes) {
  RoundTrip<kivo::ScheduleRecord>(bytes, kivo::DecodeScheduleRecord, kivo::EncodeScheduleRecord);
  RoundTrip<kivo::AnniversaryRecord>(bytes, kivo::DecodeAnniversaryRecord,
                                     kivo::EncodeAnniversaryRecord);
  RoundTrip<kivo::ToDoRecord>(bytes, kivo::DecodeToDoRecord, kivo::EncodeToDoRecord);
  RoundTrip<kivo::MemoRecord>(bytes, kivo::DecodeMemoRecord, kivo::EncodeMemoRecord);
  RoundTrip<kivo::ExpenseRecord>(bytes, kivo::DecodeExpenseRecord, kivo::EncodeExpenseRecord);
  RoundTrip<kivo::TelephoneRecord>(bytes, kivo::DecodeTelephoneRecord, kivo::EncodeTelephoneRecord);
  RoundTrip<kivo::CategoryNames>(bytes, kivo::DecodeCategoryNames, kivo::EncodeCategoryNames);
  const std::string last_name = kivo::TelephoneLastName(bytes);
  if (last_name.size() > bytes.size()) std::abort();
}

// Reads record 0 of the application through the store's field access.
void StoreAccess(const kivo::AppliStore& store, kivo::AppliId id) {
  switch (id) {
    case kivo::kSchedule: {
      kivo::ScheduleRecord out;
      (void)kivo::GetScheduleRecord(store, &out, 0);
      break;
    }
    case kivo::kAnniversary: {
      kivo::AnniversaryRecord out;
      (void)kivo::GetAnniversaryRecord(store, &out, 0);
      break;
    }
    case kivo::kToDo: {
      kivo::ToDoRecord out;
      (void)kivo::GetToDoRecord(store, &out, 0);
      break;
    }
    case kivo::kMemo: {
      kivo::MemoRecord out;
      (void)kivo::GetMemoRecord(store, &out, 0);
      break;
    }
    case kivo::kExpense: {
      kivo::ExpenseRecord out;
      if (kivo::GetExpenseRecord(store, &out, 0) != kStoreOk) break;
      std::string receipt, category, payment;
      const int named = kivo::GetExpenseTexts(store, out, &receipt, &category, &payment);
      if (named == 1 && category.size() > kivo::kCategoryNameCapacity) std::abort();
      (void)kivo::GetExpenseTexts(store, out, nullptr, nullptr, nullptr);
      kivo::ParseCategory(store, &out, category);
      break;
    }
    case kivo::kTelephone: {
      kivo::TelephoneRecord out;
      (void)kivo::GetTelephoneRecord(store, &out, 0);
      break;
    }
    default: {
      kivo::CategoryNames names;
      (void)kivo::GetCategoryNames(store, &names);
      break;
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  kivo::FuzzInput input(data, size);
  const auto id = static_cast<kivo::AppliId>(input.Byte() % 7);
  const std::span<const uint8_t> category = input.Bytes(input.Byte());
  const std::span<const uint8_t> record = input.Rest();

  AllDecoders(record);

  // Every application's header meets an expense record, so GetExpenseTexts
  // sees any flags with and without a category list.
  kivo::AppliStore store(kivo::FuzzCodeTables());
  if (store.GetAppliBuf(kivo::kStoreSlots) != kStoreOk) std::abort();
  Bytes terminated(record.begin(), record.end());
  terminated.push_back(kivo::kTerminator);
  if (store.PutRecord(id, 0, terminated) == kStoreOk) StoreAccess(store, id);
  kivo::ExpenseRecord expense;
  if (kivo::DecodeExpenseRecord(record, &expense) == kStoreOk) {
    std::string receipt, name, payment;
    (void)kivo::GetExpenseTexts(store, expense, &receipt, &name, &payment);
    Bytes list(category.begin(), category.end());
    list.push_back(kivo::kTerminator);
    if (store.IsPresent(kivo::kCategoryList) && store.SetCategoryRecord(list) == kStoreOk) {
      (void)kivo::GetExpenseTexts(store, expense, &receipt, &name, &payment);
      if (name.size() > kivo::kCategoryNameCapacity) std::abort();
    }
  }
  return 0;
}

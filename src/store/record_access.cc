#include "store/record_access.h"

#include <vector>

#include "store/result_code.h"

namespace kivo {

namespace {

template <typename View>
StoreResult GetRecord(const AppliStore& store, AppliId id, View* out, int index,
                      StoreResult (*decode)(std::span<const uint8_t>, View*)) {
  if (out == nullptr) return kStoreInvalid;
  if (!store.IsPresent(id)) return kStoreLoadError;
  std::span<const uint8_t> bytes = store.Record(id, index);
  if (bytes.empty()) return kStoreInvalid;
  // Decoded aside so a failure leaves *out as it was.
  View view;
  if (decode(bytes, &view) != kStoreOk) return kStoreInvalid;
  *out = std::move(view);
  return kStoreOk;
}

StoreResult Put(AppliStore& store, AppliId id, const std::vector<uint8_t>& bytes, int index) {
  return store.PutRecord(id, index, bytes) == kStoreOk ? kStoreOk : kStoreRefused;
}

}  // namespace

StoreResult GetScheduleRecord(const AppliStore& store, ScheduleRecord* out, int index) {
  return GetRecord(store, kSchedule, out, index, DecodeScheduleRecord);
}
StoreResult GetAnniversaryRecord(const AppliStore& store, AnniversaryRecord* out, int index) {
  return GetRecord(store, kAnniversary, out, index, DecodeAnniversaryRecord);
}
StoreResult GetToDoRecord(const AppliStore& store, ToDoRecord* out, int index) {
  return GetRecord(store, kToDo, out, index, DecodeToDoRecord);
}
StoreResult GetMemoRecord(const AppliStore& store, MemoRecord* out, int index) {
  return GetRecord(store, kMemo, out, index, DecodeMemoRecord);
}
StoreResult GetExpenseRecord(const AppliStore& store, ExpenseRecord* out, int index) {
  return GetRecord(store, kExpense, out, index, DecodeExpenseRecord);
}
StoreResult GetTelephoneRecord(const AppliStore& store, TelephoneRecord* out, int index) {
  return GetRecord(store, kTelephone, out, index, DecodeTelephoneRecord);
}

StoreResult PutScheduleRecord(AppliStore& store, const ScheduleRecord& record, int index) {
  return Put(store, kSchedule, EncodeScheduleRecord(record), index);
}
StoreResult PutAnniversaryRecord(AppliStore& store, const AnniversaryRecord& record, int index) {
  return Put(store, kAnniversary, EncodeAnniversaryRecord(record), index);
}
StoreResult PutToDoRecord(AppliStore& store, const ToDoRecord& record, int index) {
  return Put(store, kToDo, EncodeToDoRecord(record), index);
}
StoreResult PutMemoRecord(AppliStore& store, const MemoRecord& record, int index) {
  return Put(store, kMemo, EncodeMemoRecord(record), index);
}
StoreResult PutExpenseRecord(AppliStore& store, const ExpenseRecord& record, int index) {
  return Put(store, kExpense, EncodeExpenseRecord(record), index);
}
StoreResult PutTelephoneRecord(AppliStore& store, const TelephoneRecord& record, int index) {
  return Put(store, kTelephone, EncodeTelephoneRecord(record), index);
}

StoreResult GetCategoryNames(const AppliStore& store, CategoryNames* out) {
  if (out == nullptr || !store.IsPresent(kCategoryList)) return kStoreLoadError;
  std::span<const uint8_t> bytes = store.Record(kCategoryList, 0);
  if (bytes.empty()) {
    *out = DefaultCategoryNames();
    return kStoreOk;
  }
  return DecodeCategoryNames(bytes, out);
}

StoreResult SetCategoryNames(AppliStore& store, const CategoryNames& names) {
  return store.SetCategoryRecord(EncodeCategoryNames(names)) == kStoreOk ? kStoreOk : kStoreRefused;
}

StoreResult SetDefaultCategoryNames(AppliStore& store) {
  return SetCategoryNames(store, DefaultCategoryNames());
}

int GetExpenseTexts(const AppliStore& store, const ExpenseRecord& record, std::string* receipt,
                    std::string* category, std::string* payment) {
  if (receipt != nullptr) *receipt = std::string(kReceiptWords[record.receipt() ? 1 : 0]);
  if (payment != nullptr) {
    *payment = std::string(kPaymentWords[static_cast<size_t>(record.payment_kind())]);
  }
  CategoryNames names;
  if (GetCategoryNames(store, &names) != kStoreOk) return 0;
  if (category != nullptr) *category = names.names[static_cast<size_t>(record.category_index())];
  return 1;
}

void ParseReceipt(ExpenseRecord* record, std::string_view text) {
  if (record == nullptr) return;
  if (text == kReceiptWords[1]) record->flags |= ExpenseRecord::kReceipt;
  if (text == kReceiptWords[0]) record->flags &= static_cast<uint8_t>(~ExpenseRecord::kReceipt);
}

void ParseCategory(const AppliStore& store, ExpenseRecord* record, std::string_view name) {
  CategoryNames names;
  if (record == nullptr || GetCategoryNames(store, &names) != kStoreOk) return;
  for (int i = 0; i < kCategoryCount; ++i) {
    if (names.names[static_cast<size_t>(i)] == name) {
      record->flags = static_cast<uint8_t>((record->flags & 0x8F) | (i << 4));
      return;
    }
  }
}

void ParsePayment(ExpenseRecord* record, std::string_view text) {
  if (record == nullptr) return;
  for (size_t kind = 0; kind < kPaymentWords.size(); ++kind) {
    if (text == kPaymentWords[kind]) {
      // Replaced, not added to: "Check" over "Card" must not give "Others".
      record->flags = static_cast<uint8_t>((record->flags & 0xFC) | kind);
      return;
    }
  }
}

}  // namespace kivo

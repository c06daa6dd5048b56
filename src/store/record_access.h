#ifndef KIVO_STORE_RECORD_ACCESS_H_
#define KIVO_STORE_RECORD_ACCESS_H_

#include <array>
#include <string>
#include <string_view>

#include "store/appli_store.h"
#include "store/record_codec.h"

namespace kivo {

// Field access to the records of an AppliStore.
//
// Get: kStoreOk; kStoreLoadError (-1) when the application is absent;
// kStoreInvalid when record `index` does not exist (index out of range, an
// empty reference) or is too short for its header. On failure *out is left as
// it was.
//
// Put: encodes the view and appends it as record `index`, which must be the
// application's record count (records go in index order, usually after
// ResetAppli). An absent application is created, and with it the category
// list with the default names. kStoreOk or kStoreRefused (-4).

[[nodiscard]] StoreResult GetScheduleRecord(const AppliStore& store, ScheduleRecord* out,
                                            int index);
[[nodiscard]] StoreResult GetAnniversaryRecord(const AppliStore& store, AnniversaryRecord* out,
                                               int index);
[[nodiscard]] StoreResult GetToDoRecord(const AppliStore& store, ToDoRecord* out, int index);
[[nodiscard]] StoreResult GetMemoRecord(const AppliStore& store, MemoRecord* out, int index);
[[nodiscard]] StoreResult GetExpenseRecord(const AppliStore& store, ExpenseRecord* out, int index);
[[nodiscard]] StoreResult GetTelephoneRecord(const AppliStore& store, TelephoneRecord* out,
                                             int index);

[[nodiscard]] StoreResult PutScheduleRecord(AppliStore& store, const ScheduleRecord& record,
                                            int index);
[[nodiscard]] StoreResult PutAnniversaryRecord(AppliStore& store, const AnniversaryRecord& record,
                                               int index);
[[nodiscard]] StoreResult PutToDoRecord(AppliStore& store, const ToDoRecord& record, int index);
[[nodiscard]] StoreResult PutMemoRecord(AppliStore& store, const MemoRecord& record, int index);
[[nodiscard]] StoreResult PutExpenseRecord(AppliStore& store, const ExpenseRecord& record,
                                           int index);
[[nodiscard]] StoreResult PutTelephoneRecord(AppliStore& store, const TelephoneRecord& record,
                                             int index);

// The eight names of the expense category list. kStoreOk; kStoreLoadError when
// the list is absent (*out untouched). A list present without a record gives
// the default names; a record with fewer than eight names gives empty ones
// for the rest.
[[nodiscard]] StoreResult GetCategoryNames(const AppliStore& store, CategoryNames* out);
// Writes the names (each cut to 7 characters) as the list's only record.
// kStoreOk; kStoreRefused when the list is absent (it is not created here).
[[nodiscard]] StoreResult SetCategoryNames(AppliStore& store, const CategoryNames& names);
[[nodiscard]] StoreResult SetDefaultCategoryNames(AppliStore& store);

// Display words of an Expense record's flags.
inline constexpr std::array<std::string_view, 2> kReceiptWords{"No", "Yes"};
inline constexpr std::array<std::string_view, 4> kPaymentWords{"Cash", "Check", "Card", "Others"};

// Receipt and payment words always; the category name when the store holds
// the category list (result 1), else result 0 and *category untouched. Null
// outputs are skipped.
[[nodiscard]] int GetExpenseTexts(const AppliStore& store, const ExpenseRecord& record,
                                  std::string* receipt, std::string* category,
                                  std::string* payment);

// "Yes" sets the receipt flag and "No" clears it; any other text leaves it.
void ParseReceipt(ExpenseRecord* record, std::string_view text);
// Sets the category index to the first of the store's eight names equal to
// `name`; no match (or no list) leaves it.
void ParseCategory(const AppliStore& store, ExpenseRecord* record, std::string_view name);
// Sets the payment kind for "Cash", "Check", "Card" or "Others"; any other
// text leaves it.
void ParsePayment(ExpenseRecord* record, std::string_view text);

}  // namespace kivo

#endif  // KIVO_STORE_RECORD_ACCESS_H_

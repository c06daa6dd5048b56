#ifndef KIVO_TESTS_SUPPORT_RECORDS_H_
#define KIVO_TESTS_SUPPORT_RECORDS_H_

#include <string>
#include <vector>

#include "platform/link_defaults.h"
#include "store/amount.h"
#include "store/appli_store.h"
#include "store/record_access.h"
#include "store/record_codec.h"
#include "store/store_records.h"
#include "support/tables.h"

namespace kivo {

// Every character allowed in every field.
inline AllowedTable AllAllowed() {
  AllowedTable table;
  table.fill(1);
  return table;
}

// A record list buffer of the given records.
inline std::vector<uint8_t> RecordList(const std::vector<std::vector<uint8_t>>& records) {
  std::vector<uint8_t> out;
  for (const auto& r : records) {
    out.insert(out.end(), r.begin(), r.end());
    out.push_back(kTerminator);
  }
  return out;
}

// A record of `size` bytes with a recognisable pattern and no 0xFF.
inline std::vector<uint8_t> PatternRecord(size_t size, uint8_t seed = 0) {
  std::vector<uint8_t> r(size);
  for (size_t i = 0; i < size; ++i) r[i] = static_cast<uint8_t>((i * 7 + seed) % 251);
  return r;
}

namespace test {

// Record builders in the organizer's coding, with the fields tests vary.
inline std::vector<uint8_t> Schedule(int y, int mo, int d, int sh, int sm, int eh, int em,
                                     bool alarm, int reminder, std::string description) {
  ScheduleRecord r;
  r.date = BcdDate::FromYmd(y, mo, d);
  r.start_time = BcdTime::FromHm(sh, sm);
  r.end_time = BcdTime::FromHm(eh, em);
  r.flags = alarm ? ScheduleRecord::kAlarmOn : 0;
  r.reminder = ToBcd(reminder);
  r.description = std::move(description);
  return EncodeScheduleRecord(r);
}

inline std::vector<uint8_t> ToDo(int priority, bool done, int y, int mo, int d,
                                 std::string description) {
  ToDoRecord r;
  r.state = ToDoRecord::MakeState(done, priority);
  r.due_date = BcdDate::FromYmd(y, mo, d);
  r.description = std::move(description);
  return EncodeToDoRecord(r);
}

inline std::vector<uint8_t> Anniversary(int y, int mo, int d, int reminder,
                                        std::string description) {
  AnniversaryRecord r;
  r.date = BcdDate::FromYmd(y, mo, d);
  r.reminder = static_cast<uint8_t>(reminder);
  r.description = std::move(description);
  return EncodeAnniversaryRecord(r);
}

inline std::vector<uint8_t> Memo(std::string text) {
  MemoRecord r;
  r.text = std::move(text);
  return EncodeMemoRecord(r);
}

inline std::vector<uint8_t> Expense(int y, int mo, int d, int category, double amount, int payment,
                                    bool receipt, std::string memo) {
  ExpenseRecord r;
  r.date = BcdDate::FromYmd(y, mo, d);
  r.flags = ExpenseRecord::MakeFlags(receipt, category, payment);
  EncodeAmount(&r, amount);
  r.memo = std::move(memo);
  return EncodeExpenseRecord(r);
}

inline std::vector<uint8_t> Telephone(int category, std::string last, std::string first = "",
                                      std::string company = "", std::string home = "") {
  TelephoneRecord r;
  r.category = static_cast<uint8_t>(category);
  r.texts[kLastName] = std::move(last);
  r.texts[kFirstName] = std::move(first);
  r.texts[kCompany] = std::move(company);
  r.texts[kHomeNumber] = std::move(home);
  return EncodeTelephoneRecord(r);
}

// A store with every application present and the default category names,
// without character conversion.
class TestStore {
 public:
  TestStore() : store_(CodeTables::Identity()) {
    (void)store_.GetAppliBuf(kStoreSlots);
    store_.ResetAppli(kAllAppli);
    (void)SetDefaultCategoryNames(store_);
  }
  AppliStore& operator*() { return store_; }
  AppliStore* operator->() { return &store_; }

  void Add(AppliId id, const std::vector<uint8_t>& record) {
    (void)store_.PutRecord(id, std::max(store_.GetRecordCount(id), 0), record);
  }
  std::vector<std::vector<uint8_t>> Records(AppliId id) const { return StoreRecords(store_, id); }

 private:
  AppliStore store_{ProgramTables().code};
};

}  // namespace test
}  // namespace kivo

#endif  // KIVO_TESTS_SUPPORT_RECORDS_H_

#ifndef KIVO_VIEW_APPLI_RECORDS_H_
#define KIVO_VIEW_APPLI_RECORDS_H_

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "store/appli_id.h"

namespace kivo {

class AppliStore;
class MainViewModel;

// The records of one application as they stand, each with or without its
// terminator. A record's index in this list is its position: what the
// calendar and the search hand back to name a record.
using RecordViews = std::vector<std::span<const uint8_t>>;

// Where the calendar and the search read the records of an application from.
// The spans must stay valid until the caller changes the model or the store.
using RecordSource = std::function<RecordViews(AppliId)>;

// The store's records of the application, in store order; none when it is
// absent.
[[nodiscard]] RecordViews StoreRecordList(const AppliStore& store, AppliId id);

// The desktop's records: for the application on screen its list's rows, which
// are the authoritative copy while it is shown (Telephone: after the records
// the category filter hides, which the store holds meanwhile); for the others
// the store's.
[[nodiscard]] RecordViews CurrentRecordList(const MainViewModel& model, const AppliStore& store,
                                            AppliId id);
[[nodiscard]] RecordSource CurrentRecords(const MainViewModel& model, const AppliStore& store);

// The first row of the list on screen that holds the record (terminator or
// not), or -1.
[[nodiscard]] int RowOfRecord(const MainViewModel& model, std::span<const uint8_t> record);

// The bytes of a record without its terminator.
[[nodiscard]] std::span<const uint8_t> RecordBody(std::span<const uint8_t> record);

// A copy of one application's records that tells whether they changed: the
// views read an application again only then.
class RecordSnapshot {
 public:
  // Takes the records over; true when they differ from the ones held in
  // count, order or any byte.
  bool Update(const RecordViews& records);
  void Clear();

  int count() const { return static_cast<int>(ends_.size()); }
  // The record at the position, without terminator; empty out of range.
  [[nodiscard]] std::span<const uint8_t> record(int position) const;

 private:
  bool Equals(const RecordViews& records) const;

  std::vector<uint8_t> bytes_;
  std::vector<uint32_t> ends_;
};

}  // namespace kivo

#endif  // KIVO_VIEW_APPLI_RECORDS_H_

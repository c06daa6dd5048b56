#include "view/appli_records.h"

#include <algorithm>

#include "store/appli_store.h"
#include "view/main_view_model.h"

namespace kivo {

std::span<const uint8_t> RecordBody(std::span<const uint8_t> record) {
  if (!record.empty() && record.back() == kTerminator) return record.first(record.size() - 1);
  return record;
}

RecordViews StoreRecordList(const AppliStore& store, AppliId id) {
  RecordViews records;
  const int count = std::max(store.GetRecordCount(id), 0);
  records.reserve(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) records.push_back(store.Record(id, i));
  return records;
}

RecordViews CurrentRecordList(const MainViewModel& model, const AppliStore& store, AppliId id) {
  if (id != model.appli()) return StoreRecordList(store, id);
  RecordViews records;
  if (id == kTelephone) records = StoreRecordList(store, id);
  records.reserve(records.size() + model.rows().size());
  for (const ListRow& row : model.rows()) records.emplace_back(row.origin);
  return records;
}

RecordSource CurrentRecords(const MainViewModel& model, const AppliStore& store) {
  return [&model, &store](AppliId id) { return CurrentRecordList(model, store, id); };
}

int RowOfRecord(const MainViewModel& model, std::span<const uint8_t> record) {
  const std::span<const uint8_t> wanted = RecordBody(record);
  const std::vector<ListRow>& rows = model.rows();
  for (size_t row = 0; row < rows.size(); ++row) {
    const std::span<const uint8_t> body = RecordBody(rows[row].origin);
    if (std::equal(body.begin(), body.end(), wanted.begin(), wanted.end())) {
      return static_cast<int>(row);
    }
  }
  return -1;
}

bool RecordSnapshot::Equals(const RecordViews& records) const {
  if (records.size() != ends_.size()) return false;
  size_t begin = 0;
  for (size_t i = 0; i < records.size(); ++i) {
    const std::span<const uint8_t> body = RecordBody(records[i]);
    const size_t end = ends_[i];
    if (!std::equal(body.begin(), body.end(), bytes_.begin() + static_cast<ptrdiff_t>(begin),
                    bytes_.begin() + static_cast<ptrdiff_t>(end))) {
      return false;
    }
    begin = end;
  }
  return true;
}

bool RecordSnapshot::Update(const RecordViews& records) {
  if (Equals(records)) return false;
  bytes_.clear();
  ends_.clear();
  ends_.reserve(records.size());
  for (const std::span<const uint8_t> record : records) {
    const std::span<const uint8_t> body = RecordBody(record);
    bytes_.insert(bytes_.end(), body.begin(), body.end());
    ends_.push_back(static_cast<uint32_t>(bytes_.size()));
  }
  return true;
}

void RecordSnapshot::Clear() {
  bytes_.clear();
  ends_.clear();
}

std::span<const uint8_t> RecordSnapshot::record(int position) const {
  if (position < 0 || position >= count()) return {};
  const size_t begin = position == 0 ? 0 : ends_[static_cast<size_t>(position) - 1];
  return std::span<const uint8_t>(bytes_).subspan(begin,
                                                  ends_[static_cast<size_t>(position)] - begin);
}

}  // namespace kivo

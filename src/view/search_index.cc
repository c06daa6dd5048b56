#include "view/search_index.h"

#include <string.h>

#include <algorithm>

#include "format/date_format.h"
#include "format/time_format.h"
#include "store/record_codec.h"

namespace kivo {
namespace {

constexpr std::string_view kJoin = " \xB7 ";  // " · " in Windows-1252

void Join(std::string* text, std::string_view part) {
  if (part.empty()) return;
  if (!text->empty()) text->append(kJoin);
  text->append(part);
}

}  // namespace

std::string SearchText(AppliId id, std::span<const uint8_t> record, const RowContext& context) {
  // A record too short to decode has no text to find.
  switch (id) {
    case kSchedule: {
      ScheduleRecord r;
      return DecodeScheduleRecord(record, &r) == 0 ? r.description : std::string();
    }
    case kAnniversary: {
      AnniversaryRecord r;
      return DecodeAnniversaryRecord(record, &r) == 0 ? r.description : std::string();
    }
    case kToDo: {
      ToDoRecord r;
      return DecodeToDoRecord(record, &r) == 0 ? r.description : std::string();
    }
    case kMemo: {
      MemoRecord r;
      return DecodeMemoRecord(record, &r) == 0 ? r.text : std::string();
    }
    case kExpense: {
      ExpenseRecord r;
      if (DecodeExpenseRecord(record, &r) != 0) return {};
      std::string text;
      const size_t index = static_cast<size_t>(r.category_index());
      if (index < context.category_names.size()) Join(&text, context.category_names[index]);
      Join(&text, r.memo);
      return text;
    }
    case kTelephone: {
      TelephoneRecord r;
      if (DecodeTelephoneRecord(record, &r) != 0) return {};
      std::string text;
      for (const std::string& field : r.texts) Join(&text, field);
      return text;
    }
    default:
      return {};
  }
}

std::string SearchDate(AppliId id, std::span<const uint8_t> record, const RowContext& context) {
  switch (id) {
    case kSchedule: {
      ScheduleRecord r;
      if (DecodeScheduleRecord(record, &r) != 0) return {};
      return FormatDate(r.date.bytes, context.display_date, true) + " " +
             FormatTime(r.start_time.bytes, context.display_hour);
    }
    case kAnniversary: {
      AnniversaryRecord r;
      if (DecodeAnniversaryRecord(record, &r) != 0) return {};
      return FormatDate(r.date.bytes, context.display_date, false);
    }
    case kToDo: {
      ToDoRecord r;
      if (DecodeToDoRecord(record, &r) != 0) return {};
      return FormatDate(r.due_date.bytes, context.display_date, true);
    }
    case kExpense: {
      ExpenseRecord r;
      if (DecodeExpenseRecord(record, &r) != 0) return {};
      return FormatDate(r.date.bytes, context.display_date, true);
    }
    default:
      return {};
  }
}

void SearchIndex::Read(AppliId id, Appli& appli) const {
  appli.folded.clear();
  appli.starts.clear();
  const int count = appli.snapshot.count();
  appli.starts.reserve(static_cast<size_t>(count) + 1);
  for (int position = 0; position < count; ++position) {
    appli.starts.push_back(static_cast<uint32_t>(appli.folded.size()));
    AppendFolded(SearchText(id, appli.snapshot.record(position), context_), &appli.folded);
    appli.folded.push_back('\0');
  }
  appli.starts.push_back(static_cast<uint32_t>(appli.folded.size()));
}

bool SearchIndex::Sync(const RecordSource& source, const RowContext& context) {
  // Only the Expense text holds something of the context (its category name).
  const bool names_changed = !synced_ || context.category_names != context_.category_names;
  context_ = context;
  synced_ = true;
  bool changed = false;
  for (AppliId id = 0; id < kTabCount; ++id) {
    Appli& appli = applis_[id];
    const bool records_changed = appli.snapshot.Update(source(id));
    if (records_changed || (id == kExpense && names_changed)) {
      Read(id, appli);
      changed = true;
    }
  }
  return changed;
}

std::vector<SearchHit> SearchIndex::Find(std::string_view text, uint8_t appli_mask) const {
  std::vector<SearchHit> hits;
  const std::string query = Folded(text);
  if (query.empty()) return hits;
  for (const AppliId id : kTabAppli) {
    if ((appli_mask & (1u << id)) == 0) continue;
    const Appli& appli = applis_[id];
    const char* const base = appli.folded.data();
    const size_t size = appli.folded.size();
    size_t at = 0;
    while (at < size) {
      const void* found = memmem(base + at, size - at, query.data(), query.size());
      if (found == nullptr) break;
      const size_t offset = static_cast<size_t>(static_cast<const char*>(found) - base);
      // The record holding the match: the last one starting at or before it.
      const auto next =
          std::upper_bound(appli.starts.begin(), appli.starts.end(), static_cast<uint32_t>(offset));
      const int position = static_cast<int>(next - appli.starts.begin()) - 1;
      hits.push_back({id, position,
                      static_cast<uint32_t>(offset - appli.starts[static_cast<size_t>(position)])});
      // One hit per record: go on with the next record.
      at = *next;
    }
  }
  return hits;
}

SearchIndex::Shown SearchIndex::Show(const SearchHit& hit, size_t folded_length) const {
  Shown shown;
  const std::span<const uint8_t> record = Record(hit.appli, hit.position);
  shown.text = SearchText(hit.appli, record, context_);
  std::replace(shown.text.begin(), shown.text.end(), '\r', ' ');
  std::replace(shown.text.begin(), shown.text.end(), '\n', ' ');
  shown.match = UnfoldSpan(shown.text, {hit.folded, folded_length});
  shown.date = SearchDate(hit.appli, record, context_);
  return shown;
}

std::span<const uint8_t> SearchIndex::Record(AppliId id, int position) const {
  if (id >= kTabCount) return {};
  return applis_[id].snapshot.record(position);
}

int SearchIndex::record_count() const {
  int count = 0;
  for (const Appli& appli : applis_) count += appli.snapshot.count();
  return count;
}

}  // namespace kivo

#include "sync/settle.h"

#include <algorithm>
#include <deque>
#include <string>
#include <unordered_map>
#include <unordered_set>

namespace kivo {

namespace {

// A field of a record's header: `size` bytes from `offset`, or the bits of
// `mask` in one byte. Each field is kept from the base or taken from the edit
// on its own.
struct HeaderField {
  uint8_t offset;
  uint8_t size;
  uint8_t mask = 0xFF;
};

constexpr HeaderField kScheduleFields[] = {{0, 4},  {4, 2},  {6, 2},        {8, 3},
                                           {11, 1}, {12, 1}, {13, 1, 0x40}, {13, 1, 0xBF}};
constexpr HeaderField kAnniversaryFields[] = {{0, 4}, {4, 8}, {12, 1}, {13, 1}};
constexpr HeaderField kToDoFields[] = {{0, 1, 0x80}, {0, 1, 0x0F}, {0, 1, 0x70}, {1, 4}};
constexpr HeaderField kExpenseFields[] = {{0, 4},       {4, 1, 0x80}, {4, 1, 0x70}, {4, 1, 0x03},
                                          {4, 1, 0x0C}, {5, 8},       {13, 20}};
constexpr HeaderField kTelephoneFields[] = {{0, 1}};

std::span<const HeaderField> HeaderFields(AppliId id) {
  switch (id) {
    case kSchedule:
      return kScheduleFields;
    case kAnniversary:
      return kAnniversaryFields;
    case kToDo:
      return kToDoFields;
    case kExpense:
      return kExpenseFields;
    case kTelephone:
      return kTelephoneFields;
    default:
      return {};
  }
}

// The texts of a record in the organizer's form, without their NULs.
std::vector<std::span<const uint8_t>> Texts(AppliId id, const Record& record) {
  std::vector<std::span<const uint8_t>> texts;
  const std::span<const uint8_t> bytes(record);
  size_t pos = static_cast<size_t>(TextOffset(id));
  const size_t end = record.empty() ? 0 : record.size() - 1;  // the terminator
  while (pos < end) {
    const size_t begin = pos;
    while (pos < end && record[pos] != 0) ++pos;
    texts.push_back(bytes.subspan(begin, pos - begin));
    ++pos;
  }
  return texts;
}

bool HasLayout(AppliId id, const Record& record) {
  return id <= kCategoryList && !record.empty() && record.back() == kTerminator &&
         record.size() > static_cast<size_t>(TextOffset(id));
}

std::string Key(const Record& record) { return std::string(record.begin(), record.end()); }

}  // namespace

Record CompleteFromBase(AppliId id, const Record& edited, const Record& read_back,
                        const Record& base) {
  if (!HasLayout(id, edited) || !HasLayout(id, read_back) || !HasLayout(id, base)) return edited;
  const size_t offset = static_cast<size_t>(TextOffset(id));
  Record out(edited.begin(), edited.begin() + static_cast<ptrdiff_t>(offset));
  for (const HeaderField& f : HeaderFields(id)) {
    if (f.size == 1 && f.mask != 0xFF) {
      if (((edited[f.offset] ^ read_back[f.offset]) & f.mask) == 0) {
        out[f.offset] = static_cast<uint8_t>((out[f.offset] & ~f.mask) | (base[f.offset] & f.mask));
      }
    } else if (std::equal(edited.begin() + f.offset, edited.begin() + f.offset + f.size,
                          read_back.begin() + f.offset)) {
      std::copy_n(base.begin() + f.offset, f.size, out.begin() + f.offset);
    }
  }
  const auto texts = Texts(id, edited);
  const auto back = Texts(id, read_back);
  const auto was = Texts(id, base);
  for (size_t j = 0; j < texts.size(); ++j) {
    const bool kept = j < back.size() && j < was.size() &&
                      std::equal(texts[j].begin(), texts[j].end(), back[j].begin(), back[j].end());
    const std::span<const uint8_t> text = kept ? was[j] : texts[j];
    out.insert(out.end(), text.begin(), text.end());
    out.push_back(0);
  }
  out.push_back(kTerminator);
  return out;
}

SettledAppli SettleAppli(AppliId id, const Records& read, const Records& base, const Records& other,
                         const OrganizerForm& form, const ReadBackForm& read_back) {
  SettledAppli out;
  out.records = read;
  for (Record& record : out.records) form.Canonicalize(id, record);
  if (read_back) {
    auto back_of = [&](const Record& record) {
      std::optional<Record> back = read_back(id, record);
      Record form_of = back ? std::move(*back) : record;
      form.Canonicalize(id, form_of);
      return form_of;
    };
    auto index_of = [&](const Record* record) {
      return static_cast<size_t>(record - out.records.data());
    };
    // Each list of records as what the side reads back of it, so that a
    // record read can find the one it stands for.
    auto by_back_form = [&](const std::vector<const Record*>& records) {
      std::unordered_map<std::string, std::deque<const Record*>> map;
      for (const Record* record : records) map[Key(back_of(*record))].push_back(record);
      return map;
    };
    std::unordered_set<const Record*> used;
    auto take = [&](std::unordered_map<std::string, std::deque<const Record*>>& map,
                    Record& record) {
      auto found = map.find(Key(record));
      if (found == map.end() || found->second.empty()) return false;
      used.insert(found->second.front());
      record = *found->second.front();
      found->second.pop_front();
      return true;
    };

    std::vector<size_t> open;
    for (const Record* record : Surplus(out.records, base)) open.push_back(index_of(record));
    const std::vector<const Record*> gone =
        open.empty() ? std::vector<const Record*>{} : Surplus(base, out.records);
    if (!gone.empty()) {
      auto map = by_back_form(gone);
      std::vector<size_t> still;
      for (size_t i : open) {
        if (!take(map, out.records[i])) still.push_back(i);
      }
      std::vector<const Record*> left_over;
      for (const Record* record : gone) {
        if (!used.contains(record)) left_over.push_back(record);
      }
      std::vector<const Record*> edited;
      for (size_t i : still) edited.push_back(&out.records[i]);
      const Pairing pairing = PairByKey(id, left_over, edited);
      for (const auto& [g, e] : pairing.edits) {
        Record& record = out.records[still[e]];
        record = CompleteFromBase(id, record, back_of(*left_over[g]), *left_over[g]);
      }
      open.clear();
      for (size_t e : pairing.added_alone) open.push_back(still[e]);
    }
    if (!open.empty()) {
      const std::vector<const Record*> added = Surplus(other, base);
      if (!added.empty()) {
        auto map = by_back_form(added);
        for (size_t i : open) (void)take(map, out.records[i]);
      }
    }
  }
  for (size_t i = 0; i < read.size(); ++i) {
    if (out.records[i] != read[i]) out.taken.push_back({read[i], out.records[i]});
  }
  return out;
}

}  // namespace kivo

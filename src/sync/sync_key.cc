#include "sync/sync_key.h"

#include <algorithm>

#include "store/appli_id.h"

namespace kivo {

namespace {

// The keys are taken from the bytes as the record codec lays them out
// (record_codec.h), without decoding whole records: pairing runs over every
// changed record, and a sync that replaced a side's records has many.

std::string Bytes(std::span<const uint8_t> bytes) {
  return std::string(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

// The record without its terminator (and anything after one).
std::span<const uint8_t> Body(std::span<const uint8_t> record) {
  const auto end = std::find(record.begin(), record.end(), kTerminator);
  return record.first(static_cast<size_t>(end - record.begin()));
}

// Text `n` (0 the first) of the NUL-separated texts from `offset`.
std::span<const uint8_t> TextAt(std::span<const uint8_t> body, size_t offset, int n) {
  std::span<const uint8_t> rest = body.subspan(std::min(offset, body.size()));
  for (int i = 0; i < n && !rest.empty(); ++i) {
    const auto nul = std::find(rest.begin(), rest.end(), 0);
    rest = rest.subspan(std::min(static_cast<size_t>(nul - rest.begin()) + 1, rest.size()));
  }
  return rest.first(static_cast<size_t>(std::find(rest.begin(), rest.end(), 0) - rest.begin()));
}

// The text up to its first line break, cut to the key length.
std::string TextStart(std::span<const uint8_t> text) {
  size_t end = std::min(text.size(), kKeyTextLength);
  for (size_t i = 0; i < end; ++i) {
    if (text[i] == '\r' || text[i] == '\n') end = i;
  }
  return Bytes(text.first(end));
}

// Fields joined with a byte no text holds, so ("ab", "c") and ("a", "bc")
// differ.
std::string Join(const std::string& a, const std::string& b) { return a + '\xFF' + b; }

// Built by appending: g++ 12 at -O3 warns falsely about the copy behind
// "literal" + string.
std::string OwnKey(std::span<const uint8_t> record) {
  std::string key(1, '\xFE');
  key.append(reinterpret_cast<const char*>(record.data()), record.size());
  return key;
}

std::string_view View(std::span<const uint8_t> bytes) {
  return std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

}  // namespace

std::vector<EntryMark> EntryMarks(AppliId id, std::span<const uint8_t> record) {
  std::vector<EntryMark> marks;
  const std::span<const uint8_t> body = Body(record);
  if (id > kCategoryList || body.size() < static_cast<size_t>(TextOffset(id))) return marks;
  auto text = [&](uint8_t kind, std::span<const uint8_t> bytes) {
    if (!bytes.empty()) marks.push_back({kind, View(bytes)});
  };
  switch (id) {
    case kSchedule:
    case kToDo:
      text('t', TextAt(body, static_cast<size_t>(TextOffset(id)), 0));
      break;
    case kAnniversary:
      text('t', TextAt(body, 14, 0));
      text('d', body.subspan(2, 2));
      break;
    case kTelephone:
      for (int field : {3, 4, 5, 6}) text('n', TextAt(body, 1, field));  // the numbers
      text('e', TextAt(body, 1, 12));
      break;
    default:
      break;
  }
  return marks;
}

std::string SyncKey(AppliId id, std::span<const uint8_t> record) {
  const std::span<const uint8_t> body = Body(record);
  if (id > kCategoryList || body.size() < static_cast<size_t>(TextOffset(id))) {
    return OwnKey(record);
  }
  switch (id) {
    case kSchedule:  // date and start time: the first six bytes
      return Bytes(body.first(6));
    case kAnniversary:
      return Join(Bytes(body.first(4)), TextStart(TextAt(body, 14, 0)));
    case kToDo:
      return Join(Bytes(body.subspan(1, 4)), TextStart(TextAt(body, 5, 0)));
    case kMemo:
      return TextStart(TextAt(body, 0, 0));
    case kExpense:  // date, and the category's bits of the flags
      return Join(Bytes(body.first(4)), std::string(1, static_cast<char>((body[4] >> 4) & 7)));
    case kTelephone:
      return Join(Bytes(TextAt(body, 1, 0)), Bytes(TextAt(body, 1, 1)));
    default:  // the category list: one record
      return std::string();
  }
}

}  // namespace kivo

#include "store/record_codec.h"

#include <algorithm>

#include "store/appli_store.h"
#include "store/result_code.h"

namespace kivo {

namespace {

constexpr size_t kScheduleHeader = 14;
constexpr size_t kAnniversaryHeader = 14;
constexpr size_t kToDoHeader = 5;
constexpr size_t kExpenseHeader = 33;
constexpr size_t kTelephoneHeader = 1;

// The bytes of a record before its terminator; the whole span when it has none.
std::span<const uint8_t> Body(std::span<const uint8_t> bytes) {
  auto end = std::find(bytes.begin(), bytes.end(), kTerminator);
  return bytes.first(static_cast<size_t>(end - bytes.begin()));
}

// Appends a text with its NUL: at most `capacity` characters, ending at an
// embedded NUL; 0xFF becomes a blank so it cannot end the record.
void PutText(std::vector<uint8_t>& out, std::string_view text, size_t capacity) {
  text = text.substr(0, std::min(text.find('\0'), capacity));
  // One resize, then plain stores: a push_back per character made the
  // encoders the larger part of a CSV import.
  const size_t at = out.size();
  out.resize(at + text.size() + 1);
  uint8_t* to = out.data() + at;
  for (char c : text) {
    const auto b = static_cast<uint8_t>(c);
    *to++ = b == kTerminator ? ' ' : b;
  }
  *to = 0;
}

// Reads the text at *pos up to its NUL or the end of body, keeping at most
// `capacity` characters, and moves *pos past the NUL.
std::string GetText(std::span<const uint8_t> body, size_t* pos, size_t capacity) {
  size_t begin = std::min(*pos, body.size());
  size_t end = begin;
  while (end < body.size() && body[end] != 0) ++end;
  *pos = end < body.size() ? end + 1 : end;
  size_t keep = std::min(end - begin, capacity);
  return std::string(reinterpret_cast<const char*>(body.data() + begin), keep);
}

template <size_t N>
void PutBytes(std::vector<uint8_t>& out, const std::array<uint8_t, N>& bytes) {
  // Byte by byte: g++ 12 at -O3 misreads a range insert after a push_back as
  // an out-of-bounds copy.
  for (uint8_t b : bytes) out.push_back(b);
}

template <size_t N>
std::array<uint8_t, N> GetBytes(std::span<const uint8_t> body, size_t pos) {
  std::array<uint8_t, N> bytes{};
  std::copy_n(body.begin() + static_cast<std::ptrdiff_t>(pos), N, bytes.begin());
  return bytes;
}

}  // namespace

uint8_t ToBcd(int value) {
  value = std::clamp(value, 0, 99);
  return static_cast<uint8_t>((value / 10) * 16 + value % 10);
}

int FromBcd(uint8_t byte) { return (byte >> 4) * 10 + (byte & 0x0F); }

bool IsBcd(uint8_t byte) { return (byte >> 4) <= 9 && (byte & 0x0F) <= 9; }

BcdDate BcdDate::FromYmd(int year, int month, int day) {
  BcdDate date;
  date.bytes = {ToBcd(year / 100), ToBcd(year % 100), ToBcd(month), ToBcd(day)};
  return date;
}

BcdTime BcdTime::FromHm(int hour, int minute) {
  BcdTime time;
  time.bytes = {ToBcd(hour), ToBcd(minute)};
  return time;
}

int CompareBcd(std::span<const uint8_t> a, std::span<const uint8_t> b, int digits) {
  int available = static_cast<int>(std::min(a.size(), b.size()) * 2);
  digits = std::min(digits, available);
  for (int i = 0; i < digits; ++i) {
    size_t byte = static_cast<size_t>(i / 2);
    int shift = i % 2 == 0 ? 4 : 0;
    int da = (a[byte] >> shift) & 0x0F;
    int db = (b[byte] >> shift) & 0x0F;
    if (da != db) return da < db ? -1 : 1;
  }
  return 0;
}

uint8_t ToDoRecord::MakeState(bool done, int priority) {
  int low = std::clamp(priority, 1, 16) - 1;
  return static_cast<uint8_t>((done ? kDone : 0) | low);
}

uint8_t ExpenseRecord::MakeFlags(bool receipt, int category_index, int payment_kind) {
  return static_cast<uint8_t>((receipt ? kReceipt : 0) | ((category_index & 0x07) << 4) |
                              (payment_kind & 0x03));
}

CategoryNames DefaultCategoryNames() {
  CategoryNames names;
  for (int i = 0; i < kCategoryCount; ++i) names.names[i] = std::string(kDefaultCategoryNames[i]);
  return names;
}

std::vector<uint8_t> EncodeScheduleRecord(const ScheduleRecord& record) {
  std::vector<uint8_t> out;
  PutBytes(out, record.date.bytes);
  PutBytes(out, record.start_time.bytes);
  PutBytes(out, record.end_time.bytes);
  PutBytes(out, record.reserved);
  out.push_back(record.reminder);
  out.push_back(record.reserved2);
  out.push_back(record.flags);
  PutText(out, record.description, kTextCapacity);
  out.push_back(kTerminator);
  return out;
}

StoreResult DecodeScheduleRecord(std::span<const uint8_t> bytes, ScheduleRecord* out) {
  std::span<const uint8_t> body = Body(bytes);
  if (body.size() < kScheduleHeader || out == nullptr) return kStoreInvalid;
  out->date.bytes = GetBytes<4>(body, 0);
  out->start_time.bytes = GetBytes<2>(body, 4);
  out->end_time.bytes = GetBytes<2>(body, 6);
  out->reserved = GetBytes<3>(body, 8);
  out->reminder = body[11];
  out->reserved2 = body[12];
  out->flags = body[13];
  size_t pos = kScheduleHeader;
  out->description = GetText(body, &pos, kTextCapacity);
  return kStoreOk;
}

std::vector<uint8_t> EncodeAnniversaryRecord(const AnniversaryRecord& record) {
  std::vector<uint8_t> out;
  PutBytes(out, record.date.bytes);
  PutBytes(out, record.reserved);
  out.push_back(record.reminder);
  out.push_back(record.reserved2);
  PutText(out, record.description, kTextCapacity);
  out.push_back(kTerminator);
  return out;
}

StoreResult DecodeAnniversaryRecord(std::span<const uint8_t> bytes, AnniversaryRecord* out) {
  std::span<const uint8_t> body = Body(bytes);
  if (body.size() < kAnniversaryHeader || out == nullptr) return kStoreInvalid;
  out->date.bytes = GetBytes<4>(body, 0);
  out->reserved = GetBytes<8>(body, 4);
  out->reminder = body[12];
  out->reserved2 = body[13];
  size_t pos = kAnniversaryHeader;
  out->description = GetText(body, &pos, kTextCapacity);
  return kStoreOk;
}

std::vector<uint8_t> EncodeToDoRecord(const ToDoRecord& record) {
  std::vector<uint8_t> out;
  out.push_back(record.state);
  PutBytes(out, record.due_date.bytes);
  PutText(out, record.description, kTextCapacity);
  out.push_back(kTerminator);
  return out;
}

StoreResult DecodeToDoRecord(std::span<const uint8_t> bytes, ToDoRecord* out) {
  std::span<const uint8_t> body = Body(bytes);
  if (body.size() < kToDoHeader || out == nullptr) return kStoreInvalid;
  out->state = body[0];
  out->due_date.bytes = GetBytes<4>(body, 1);
  size_t pos = kToDoHeader;
  out->description = GetText(body, &pos, kTextCapacity);
  return kStoreOk;
}

std::vector<uint8_t> EncodeMemoRecord(const MemoRecord& record) {
  std::vector<uint8_t> out;
  PutText(out, record.text, kTextCapacity);
  out.push_back(kTerminator);
  return out;
}

StoreResult DecodeMemoRecord(std::span<const uint8_t> bytes, MemoRecord* out) {
  if (out == nullptr) return kStoreInvalid;
  size_t pos = 0;
  out->text = GetText(Body(bytes), &pos, kTextCapacity);
  return kStoreOk;
}

std::vector<uint8_t> EncodeExpenseRecord(const ExpenseRecord& record) {
  std::vector<uint8_t> out;
  PutBytes(out, record.date.bytes);
  out.push_back(record.flags);
  PutBytes(out, record.amount);
  PutBytes(out, record.reserved);
  PutText(out, record.memo, kTextCapacity);
  out.push_back(kTerminator);
  return out;
}

StoreResult DecodeExpenseRecord(std::span<const uint8_t> bytes, ExpenseRecord* out) {
  std::span<const uint8_t> body = Body(bytes);
  if (body.size() < kExpenseHeader || out == nullptr) return kStoreInvalid;
  out->date.bytes = GetBytes<4>(body, 0);
  out->flags = body[4];
  out->amount = GetBytes<8>(body, 5);
  out->reserved = GetBytes<20>(body, 13);
  size_t pos = kExpenseHeader;
  out->memo = GetText(body, &pos, kTextCapacity);
  return kStoreOk;
}

std::vector<uint8_t> EncodeTelephoneRecord(const TelephoneRecord& record) {
  std::vector<uint8_t> out;
  out.push_back(record.category);
  for (int i = 0; i < kTelephoneTextCount; ++i) {
    PutText(out, record.texts[i], kTelephoneCapacity[i]);
  }
  out.push_back(kTerminator);
  return out;
}

StoreResult DecodeTelephoneRecord(std::span<const uint8_t> bytes, TelephoneRecord* out) {
  std::span<const uint8_t> body = Body(bytes);
  if (body.size() < kTelephoneHeader || out == nullptr) return kStoreInvalid;
  out->category = body[0];
  size_t pos = kTelephoneHeader;
  for (int i = 0; i < kTelephoneTextCount; ++i) {
    out->texts[i] = GetText(body, &pos, kTelephoneCapacity[i]);
  }
  return kStoreOk;
}

std::vector<uint8_t> EncodeCategoryNames(const CategoryNames& names) {
  std::vector<uint8_t> out;
  for (const std::string& name : names.names) PutText(out, name, kCategoryNameCapacity);
  out.push_back(kTerminator);
  return out;
}

StoreResult DecodeCategoryNames(std::span<const uint8_t> bytes, CategoryNames* out) {
  if (out == nullptr) return kStoreInvalid;
  std::span<const uint8_t> body = Body(bytes);
  size_t pos = 0;
  for (std::string& name : out->names) name = GetText(body, &pos, kCategoryNameCapacity);
  return kStoreOk;
}

std::string TelephoneLastName(std::span<const uint8_t> bytes) {
  std::span<const uint8_t> body = Body(bytes);
  size_t pos = kTelephoneHeader;
  return GetText(body, &pos, body.size());
}

}  // namespace kivo

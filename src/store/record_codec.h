#ifndef KIVO_STORE_RECORD_CODEC_H_
#define KIVO_STORE_RECORD_CODEC_H_

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "store/result_code.h"

namespace kivo {

// Field views of the organizer's records and their byte encodings.
//
// A record is a binary header whose length depends on the application, one or
// more NUL-terminated texts and the terminator 0xFF. Texts are held in the
// PC's coding. Encoders never write more than a text's capacity, stop a text
// at an embedded NUL and turn 0xFF (which would end the record) into a blank.
// Decoders take untrusted bytes: they read nothing past the span, stop at the
// first 0xFF, and keep at most a text's capacity; reserved header bytes pass
// through a decode and an encode unchanged.

// Text capacities in characters, without the NUL.
inline constexpr size_t kTextCapacity = 96;
inline constexpr size_t kShortTextCapacity = 48;
inline constexpr size_t kCategoryNameCapacity = 7;
inline constexpr int kCategoryCount = 8;

// A BCD byte holds two decimal digits, tens in the high nibble. ToBcd clamps
// to 0..99. FromBcd reads (high * 10 + low) whatever the nibbles, so a byte
// with a nibble above 9 gives a value up to 165, never an error.
uint8_t ToBcd(int value);
int FromBcd(uint8_t byte);
bool IsBcd(uint8_t byte);  // both nibbles 0..9

// Century, year within the century, month, day: 31 December 2001 is
// 20 01 12 31.
struct BcdDate {
  std::array<uint8_t, 4> bytes{};

  static BcdDate FromYmd(int year, int month, int day);
  int year() const { return FromBcd(bytes[0]) * 100 + FromBcd(bytes[1]); }
  int month() const { return FromBcd(bytes[2]); }
  int day() const { return FromBcd(bytes[3]); }
  bool operator==(const BcdDate&) const = default;
};

// Hour 0..23 and minute 0..59; an empty time is 00:00.
struct BcdTime {
  std::array<uint8_t, 2> bytes{};

  static BcdTime FromHm(int hour, int minute);
  int hour() const { return FromBcd(bytes[0]); }
  int minute() const { return FromBcd(bytes[1]); }
  bool operator==(const BcdTime&) const = default;
};

// Order of two BCD fields of `digits` digits (dates 8, times 4): -1, 0 or 1.
// The first differing digit decides; with an odd count only the high nibble of
// the last byte counts. Digits beyond the shorter span are not compared.
int CompareBcd(std::span<const uint8_t> a, std::span<const uint8_t> b, int digits);

// Schedule: date, start, end, 3 reserved, reminder (BCD minutes), 1 reserved,
// flags (0x40 alarm on): 14 bytes, then the description.
struct ScheduleRecord {
  static constexpr uint8_t kAlarmOn = 0x40;
  BcdDate date;
  BcdTime start_time;
  BcdTime end_time;
  std::array<uint8_t, 3> reserved{};
  uint8_t reminder = 0;  // BCD byte
  uint8_t reserved2 = 0;
  uint8_t flags = 0;
  std::string description;

  bool alarm_on() const { return (flags & kAlarmOn) != 0; }
  int reminder_minutes() const { return FromBcd(reminder); }
};

// Anniversary: date, 8 reserved, reminder (days 0..9, plain binary),
// 1 reserved: 14 bytes, then the description.
struct AnniversaryRecord {
  BcdDate date;
  std::array<uint8_t, 8> reserved{};
  uint8_t reminder = 0;
  uint8_t reserved2 = 0;
  std::string description;
};

// To Do: state (0x80 done, low nibble priority - 1), due date: 5 bytes, then
// the description.
struct ToDoRecord {
  static constexpr uint8_t kDone = 0x80;
  uint8_t state = 0;
  BcdDate due_date;
  std::string description;

  bool done() const { return (state & kDone) != 0; }
  int priority() const { return (state & 0x0F) + 1; }
  static uint8_t MakeState(bool done, int priority);
};

// Memo: the text alone.
struct MemoRecord {
  std::string text;
};

// Expense: date, flags, amount (8 bytes), 20 reserved: 33 bytes, then the
// memo. Flags: 0x80 receipt kept, bits 4..6 category index, bits 0..1 payment
// kind (0 Cash, 1 Check, 2 Card, 3 Others).
struct ExpenseRecord {
  static constexpr uint8_t kReceipt = 0x80;
  BcdDate date;
  uint8_t flags = 0;
  std::array<uint8_t, 8> amount{};
  std::array<uint8_t, 20> reserved{};
  std::string memo;

  bool receipt() const { return (flags & kReceipt) != 0; }
  int category_index() const { return (flags >> 4) & 0x07; }
  int payment_kind() const { return flags & 0x03; }
  static uint8_t MakeFlags(bool receipt, int category_index, int payment_kind);
};

// Telephone: category byte (0 Personal, 1 Business, 2 Others), then fourteen
// texts in this order.
enum TelephoneField : int {
  kLastName = 0,
  kFirstName,
  kCompany,
  kHomeNumber,
  kOfficeNumber,
  kFaxNumber,
  kOtherNumber,
  kAddress,
  kCity,
  kState,
  kZipCode,
  kCountry,
  kEmail,
  kNotes,
  kTelephoneTextCount
};
inline constexpr std::array<size_t, kTelephoneTextCount> kTelephoneCapacity{
    48, 48, 96, 48, 48, 48, 48, 96, 48, 48, 48, 48, 48, 96};

struct TelephoneRecord {
  uint8_t category = 0;
  std::array<std::string, kTelephoneTextCount> texts;
};

// The eight expense category names, each at most 7 characters.
struct CategoryNames {
  std::array<std::string, kCategoryCount> names;
  bool operator==(const CategoryNames&) const = default;
};
CategoryNames DefaultCategoryNames();

// Encoders: the record bytes with the terminator.
std::vector<uint8_t> EncodeScheduleRecord(const ScheduleRecord& record);
std::vector<uint8_t> EncodeAnniversaryRecord(const AnniversaryRecord& record);
std::vector<uint8_t> EncodeToDoRecord(const ToDoRecord& record);
std::vector<uint8_t> EncodeMemoRecord(const MemoRecord& record);
std::vector<uint8_t> EncodeExpenseRecord(const ExpenseRecord& record);
std::vector<uint8_t> EncodeTelephoneRecord(const TelephoneRecord& record);
std::vector<uint8_t> EncodeCategoryNames(const CategoryNames& names);

// Decoders: kStoreOk, or kStoreInvalid when the bytes before the first 0xFF
// (or the whole span, without one) are shorter than the application's header;
// *out is then left as it was. A text without NUL ends at the record's end;
// texts missing at the end come out empty; characters beyond a text's
// capacity are dropped.
[[nodiscard]] StoreResult DecodeScheduleRecord(std::span<const uint8_t> bytes, ScheduleRecord* out);
[[nodiscard]] StoreResult DecodeAnniversaryRecord(std::span<const uint8_t> bytes,
                                                  AnniversaryRecord* out);
[[nodiscard]] StoreResult DecodeToDoRecord(std::span<const uint8_t> bytes, ToDoRecord* out);
[[nodiscard]] StoreResult DecodeMemoRecord(std::span<const uint8_t> bytes, MemoRecord* out);
[[nodiscard]] StoreResult DecodeExpenseRecord(std::span<const uint8_t> bytes, ExpenseRecord* out);
[[nodiscard]] StoreResult DecodeTelephoneRecord(std::span<const uint8_t> bytes,
                                                TelephoneRecord* out);
[[nodiscard]] StoreResult DecodeCategoryNames(std::span<const uint8_t> bytes, CategoryNames* out);

// The first text of a Telephone record (the last name) straight from its
// bytes, as the telephone order check of a transfer reads it.
std::string TelephoneLastName(std::span<const uint8_t> bytes);

}  // namespace kivo

#endif  // KIVO_STORE_RECORD_CODEC_H_

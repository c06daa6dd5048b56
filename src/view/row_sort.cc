#include "view/row_sort.h"

#include <algorithm>
#include <string_view>
#include <variant>

#include "format/record_words.h"
#include "store/amount.h"
#include "store/record_codec.h"
#include "store/store_records.h"
#include "view/appli_columns.h"

namespace kivo {
namespace {

void MergeSort(std::vector<int>& order, std::vector<int>& scratch, size_t begin, size_t end,
               const std::function<int(int, int)>& compare) {
  if (end - begin < 2) return;
  const size_t middle = begin + (end - begin) / 2;
  MergeSort(order, scratch, begin, middle, compare);
  MergeSort(order, scratch, middle, end, compare);
  size_t left = begin;
  size_t right = middle;
  size_t out = begin;
  while (left < middle && right < end) {
    // Equal elements keep their order: the left one goes first.
    if (compare(order[left], order[right]) > 0) {
      scratch[out++] = order[right++];
    } else {
      scratch[out++] = order[left++];
    }
  }
  while (left < middle) scratch[out++] = order[left++];
  while (right < end) scratch[out++] = order[right++];
  std::copy(scratch.begin() + begin, scratch.begin() + end, order.begin() + begin);
}

int Sign(int value) { return (value > 0) - (value < 0); }

// Flag words and numbers as text compare byte by byte.
int CompareBytes(std::string_view a, std::string_view b) { return Sign(a.compare(b)); }

int CompareText(const std::string& a, const std::string& b, const RowContext& context) {
  if (context.sort_table == nullptr) return CompareBytes(a, b);
  return Sign(CompareSorted(a, b, *context.sort_table));
}

template <typename T>
int CompareNumbers(T a, T b) {
  return (a > b) - (a < b);
}

int CompareDates(const BcdDate& a, const BcdDate& b) { return CompareBcd(a.bytes, b.bytes, 8); }

int CompareSchedule(int column, const ScheduleRecord& a, const ScheduleRecord& b,
                    const RowContext& context) {
  switch (column) {
    case 0:
      return CompareDates(a.date, b.date);
    case 1:
      return CompareBcd(a.start_time.bytes, b.start_time.bytes, 4);
    case 2:
      return CompareBcd(a.end_time.bytes, b.end_time.bytes, 4);
    case 3:
      return CompareBytes(AlarmWord(a.flags), AlarmWord(b.flags));
    case 4:
      return CompareNumbers(a.reminder, b.reminder);
    case 5:
      return CompareText(a.description, b.description, context);
    default:
      return 0;
  }
}

int CompareAnniversary(int column, const AnniversaryRecord& a, const AnniversaryRecord& b,
                       const RowContext& context) {
  switch (column) {
    case 0:  // month and day; the year plays no part
      return CompareBcd(std::span(a.date.bytes).subspan(2), std::span(b.date.bytes).subspan(2), 4);
    case 1:
      return CompareNumbers(a.reminder, b.reminder);
    case 2:
      return CompareText(a.description, b.description, context);
    default:
      return 0;
  }
}

int CompareToDo(int column, const ToDoRecord& a, const ToDoRecord& b, const RowContext& context) {
  switch (column) {
    case 0:
      return CompareBytes(ToDoPriorityText(a.state), ToDoPriorityText(b.state));
    case 1:
      return CompareBytes(ToDoStatusWord(a.state), ToDoStatusWord(b.state));
    case 2:
      return CompareDates(a.due_date, b.due_date);
    case 3:
      return CompareText(a.description, b.description, context);
    default:
      return 0;
  }
}

int CompareMemo(int column, const MemoRecord& a, const MemoRecord& b, const RowContext& context) {
  if (column != 0) return 0;
  return CompareText(a.text, b.text, context);
}

std::string CategoryName(int index, const RowContext& context) {
  return index < static_cast<int>(context.category_names.size()) ? context.category_names[index]
                                                                 : std::string();
}

int CompareExpense(int column, const ExpenseRecord& a, const ExpenseRecord& b,
                   const RowContext& context) {
  switch (column) {
    case 0:
      return CompareDates(a.date, b.date);
    case 1:
      return CompareText(CategoryName(a.category_index(), context),
                         CategoryName(b.category_index(), context), context);
    case 2:
      // Equal stored amounts compare equal.
      if (a.amount == b.amount) return 0;
      return CompareNumbers(DecodeAmount(a), DecodeAmount(b));
    case 3:
      return CompareBytes(PaymentWord(a.payment_kind()), PaymentWord(b.payment_kind()));
    case 4:
      return CompareBytes(a.receipt() ? "Yes" : "No", b.receipt() ? "Yes" : "No");
    case 5:
      return CompareText(a.memo, b.memo, context);
    default:
      return 0;
  }
}

int CompareTelephone(int column, const TelephoneRecord& a, const TelephoneRecord& b,
                     const RowContext& context) {
  if (column == 0) {
    return CompareBytes(TelephoneCategoryWord(a.category), TelephoneCategoryWord(b.category));
  }
  if (column >= 1 && column <= kTelephoneTextCount) {
    return CompareText(a.texts[column - 1], b.texts[column - 1], context);
  }
  return 0;
}

// A record decoded once for all the comparisons of a sort.
using DecodedRecord = std::variant<std::monostate, ScheduleRecord, AnniversaryRecord, ToDoRecord,
                                   MemoRecord, ExpenseRecord, TelephoneRecord>;

template <typename T, typename Decoder>
DecodedRecord DecodeAs(std::span<const uint8_t> bytes, Decoder decode) {
  T record;
  (void)decode(bytes, &record);  // a short record compares as an empty one
  return record;
}

DecodedRecord Decode(AppliId id, std::span<const uint8_t> bytes) {
  switch (id) {
    case kSchedule:
      return DecodeAs<ScheduleRecord>(bytes, DecodeScheduleRecord);
    case kAnniversary:
      return DecodeAs<AnniversaryRecord>(bytes, DecodeAnniversaryRecord);
    case kToDo:
      return DecodeAs<ToDoRecord>(bytes, DecodeToDoRecord);
    case kMemo:
      return DecodeAs<MemoRecord>(bytes, DecodeMemoRecord);
    case kExpense:
      return DecodeAs<ExpenseRecord>(bytes, DecodeExpenseRecord);
    case kTelephone:
      return DecodeAs<TelephoneRecord>(bytes, DecodeTelephoneRecord);
    default:
      return std::monostate{};
  }
}

std::vector<DecodedRecord> DecodeAll(AppliId id, const std::vector<std::vector<uint8_t>>& records) {
  std::vector<DecodedRecord> decoded;
  decoded.reserve(records.size());
  for (const auto& record : records) decoded.push_back(Decode(id, record));
  return decoded;
}

int CompareDecoded(AppliId id, int column, const DecodedRecord& a, const DecodedRecord& b,
                   const RowContext& context) {
  switch (id) {
    case kSchedule:
      return CompareSchedule(column, std::get<ScheduleRecord>(a), std::get<ScheduleRecord>(b),
                             context);
    case kAnniversary:
      return CompareAnniversary(column, std::get<AnniversaryRecord>(a),
                                std::get<AnniversaryRecord>(b), context);
    case kToDo:
      return CompareToDo(column, std::get<ToDoRecord>(a), std::get<ToDoRecord>(b), context);
    case kMemo:
      return CompareMemo(column, std::get<MemoRecord>(a), std::get<MemoRecord>(b), context);
    case kExpense:
      return CompareExpense(column, std::get<ExpenseRecord>(a), std::get<ExpenseRecord>(b),
                            context);
    case kTelephone:
      return CompareTelephone(column, std::get<TelephoneRecord>(a), std::get<TelephoneRecord>(b),
                              context);
    default:
      return 0;
  }
}

constexpr int kScheduleOrder[] = {0, 1};
constexpr int kAnniversaryOrder[] = {0, 1};
constexpr int kToDoOrder[] = {2, 0, 1};
constexpr int kMemoOrder[] = {0};
constexpr int kExpenseOrder[] = {0};
constexpr int kTelephoneOrder[] = {1, 3};

}  // namespace

SortDirection NextDirection(SortDirection current) {
  return current == SortDirection::kAscending ? SortDirection::kDescending
                                              : SortDirection::kAscending;
}

std::vector<int> MergeSortOrder(int count, const std::function<int(int, int)>& compare,
                                SortDirection direction) {
  std::vector<int> order = IdentityOrder(static_cast<size_t>(std::max(count, 0)));
  std::vector<int> scratch(order.size());
  MergeSort(order, scratch, 0, order.size(), compare);
  if (direction == SortDirection::kDescending) std::reverse(order.begin(), order.end());
  return order;
}

int CompareColumn(AppliId id, int column, std::span<const uint8_t> a, std::span<const uint8_t> b,
                  const RowContext& context) {
  return CompareDecoded(id, column, Decode(id, a), Decode(id, b), context);
}

std::span<const int> DefaultOrderColumns(AppliId id) {
  switch (id) {
    case kSchedule:
      return kScheduleOrder;
    case kAnniversary:
      return kAnniversaryOrder;
    case kToDo:
      return kToDoOrder;
    case kMemo:
      return kMemoOrder;
    case kExpense:
      return kExpenseOrder;
    case kTelephone:
      return kTelephoneOrder;
    default:
      return {};
  }
}

std::vector<int> ColumnOrder(AppliId id, int column, SortDirection direction,
                             const std::vector<std::vector<uint8_t>>& records,
                             const RowContext& context) {
  const std::vector<DecodedRecord> decoded = DecodeAll(id, records);
  return MergeSortOrder(
      static_cast<int>(records.size()),
      [&](int a, int b) { return CompareDecoded(id, column, decoded[a], decoded[b], context); },
      direction);
}

std::vector<int> DefaultOrder(AppliId id, const std::vector<std::vector<uint8_t>>& records,
                              const RowContext& context) {
  const std::vector<DecodedRecord> decoded = DecodeAll(id, records);
  std::vector<int> order = IdentityOrder(records.size());
  const auto keys = DefaultOrderColumns(id);
  // Minor key first: each stable pass keeps the order of the passes before it
  // among its equal elements.
  for (auto key = keys.rbegin(); key != keys.rend(); ++key) {
    const int column = *key;
    const std::vector<int> pass = MergeSortOrder(
        static_cast<int>(order.size()),
        [&](int a, int b) {
          return CompareDecoded(id, column, decoded[order[a]], decoded[order[b]], context);
        },
        SortDirection::kAscending);
    std::vector<int> next(order.size());
    for (size_t i = 0; i < pass.size(); ++i) next[i] = order[pass[i]];
    order = std::move(next);
  }
  return order;
}

std::vector<int> PlaceInDefaultOrder(AppliId id, const std::vector<std::vector<uint8_t>>& records,
                                     size_t first_new, const RowContext& context) {
  first_new = std::min(first_new, records.size());
  const std::vector<DecodedRecord> decoded = DecodeAll(id, records);
  const auto keys = DefaultOrderColumns(id);
  auto compare = [&](int a, int b) {
    for (const int column : keys) {
      if (const int c = CompareDecoded(id, column, decoded[a], decoded[b], context); c != 0) {
        return c;
      }
    }
    return 0;
  };
  const int base = static_cast<int>(first_new);
  const std::vector<int> added = MergeSortOrder(
      static_cast<int>(records.size() - first_new),
      [&](int a, int b) { return compare(base + a, base + b); }, SortDirection::kAscending);
  // One pass: the new records in their order go before the first earlier
  // record that sorts after them; with the new ones sorted, a record that
  // stays behind keeps every later one behind too.
  std::vector<int> order;
  order.reserve(records.size());
  size_t next = 0;
  for (int old = 0; old < base; ++old) {
    while (next < added.size() && compare(base + added[next], old) < 0) {
      order.push_back(base + added[next++]);
    }
    order.push_back(old);
  }
  for (; next < added.size(); ++next) order.push_back(base + added[next]);
  return order;
}

}  // namespace kivo

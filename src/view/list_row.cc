#include "view/list_row.h"

#include <cstdlib>
#include <string_view>

#include "format/amount_format.h"
#include "format/date_format.h"
#include "format/record_words.h"
#include "format/time_format.h"
#include "store/amount.h"
#include "store/appli_store.h"
#include "store/record_access.h"
#include "store/record_codec.h"
#include "view/appli_columns.h"

namespace kivo {
namespace {

const std::string_view kYes = "Yes";
const std::string_view kNo = "No";

// A number cell: leading blanks, then an optional sign and digits; anything
// else after them is ignored, and no digits read as 0.
int CellNumber(const std::string& text) { return std::atoi(text.c_str()); }

BcdDate ParsedDate(const std::string& text, const RowContext& context, bool with_year) {
  DateValue date;
  // The values read are taken even when the check fails, as the list wrote them.
  (void)ParseDate(text, context.display_date, with_year, /*year_check=*/false, context.today,
                  &date);
  return BcdDate::FromYmd(date.year, date.month, date.day);
}

BcdTime ParsedTime(const std::string& text) {
  TimeValue time;
  // As for dates: the values read are taken even when the check fails.
  (void)ParseTime(text, /*raw_hour=*/false, &time);
  return BcdTime::FromHm(time.hour, time.minute);
}

std::vector<std::string> ScheduleCells(const ScheduleRecord& r, const RowContext& context) {
  return {FormatDate(r.date.bytes, context.display_date, true),
          FormatTime(r.start_time.bytes, context.display_hour),
          FormatTime(r.end_time.bytes, context.display_hour),
          std::string(AlarmWord(r.flags)),
          ReminderText(r.reminder),
          r.description};
}

std::vector<std::string> ToDoCells(const ToDoRecord& r, const RowContext& context) {
  return {ToDoPriorityText(r.state), std::string(ToDoStatusWord(r.state)),
          FormatDate(r.due_date.bytes, context.display_date, true), r.description};
}

std::vector<std::string> AnniversaryCells(const AnniversaryRecord& r, const RowContext& context) {
  return {FormatDate(r.date.bytes, context.display_date, false), std::to_string(r.reminder),
          r.description};
}

std::vector<std::string> ExpenseCells(const ExpenseRecord& r, const RowContext& context) {
  const int index = r.category_index();
  std::string category = index < static_cast<int>(context.category_names.size())
                             ? context.category_names[index]
                             : std::string();
  return {FormatDate(r.date.bytes, context.display_date, true),
          std::move(category),
          FormatAmount(DecodeAmount(r)),
          std::string(PaymentWord(r.payment_kind())),
          std::string(r.receipt() ? kYes : kNo),
          r.memo};
}

std::vector<std::string> TelephoneCells(const TelephoneRecord& r) {
  std::vector<std::string> cells;
  cells.reserve(1 + kTelephoneTextCount);
  cells.emplace_back(TelephoneCategoryWord(r.category));
  for (const std::string& text : r.texts) cells.push_back(text);
  return cells;
}

// Tells which cells differ from the texts the origin record shows: only those
// are parsed back, so an unchanged cell can never alter its field.
class ChangedCells {
 public:
  ChangedCells(AppliId id, const ListRow& row, const RowContext& context) : row_(row) {
    if (!row.origin.empty()) origin_cells_ = RecordToRow(id, row.origin, context).cells;
  }
  bool operator()(size_t column) const {
    if (column >= row_.cells.size()) return false;
    if (row_.origin.empty() || column >= origin_cells_.size()) return true;
    return row_.cells[column] != origin_cells_[column];
  }
  const std::string& cell(size_t column) const { return row_.cells[column]; }

 private:
  const ListRow& row_;
  std::vector<std::string> origin_cells_;
};

std::vector<uint8_t> ScheduleFromRow(const ListRow& row, const RowContext& context) {
  ScheduleRecord r;
  // A record too short to decode keeps the defaults, as an empty one.
  if (!row.origin.empty()) (void)DecodeScheduleRecord(row.origin, &r);
  const ChangedCells changed(kSchedule, row, context);
  if (changed(0)) r.date = ParsedDate(changed.cell(0), context, true);
  if (changed(1)) r.start_time = ParsedTime(changed.cell(1));
  if (changed(2)) r.end_time = ParsedTime(changed.cell(2));
  if (changed(3)) {
    r.flags = changed.cell(3) == kYes ? (r.flags | ScheduleRecord::kAlarmOn)
                                      : (r.flags & ~ScheduleRecord::kAlarmOn);
  }
  if (changed(4)) r.reminder = ToBcd(CellNumber(changed.cell(4)));
  if (changed(5)) r.description = changed.cell(5);
  return EncodeScheduleRecord(r);
}

std::vector<uint8_t> ToDoFromRow(const ListRow& row, const RowContext& context) {
  ToDoRecord r;
  // A record too short to decode keeps the defaults, as an empty one.
  if (!row.origin.empty()) (void)DecodeToDoRecord(row.origin, &r);
  const ChangedCells changed(kToDo, row, context);
  if (changed(0)) {
    r.state = static_cast<uint8_t>((r.state & 0xF0) | ((CellNumber(changed.cell(0)) - 1) & 0x0F));
  }
  if (changed(1)) {
    r.state =
        changed.cell(1) == "Done" ? (r.state | ToDoRecord::kDone) : (r.state & ~ToDoRecord::kDone);
  }
  if (changed(2)) r.due_date = ParsedDate(changed.cell(2), context, true);
  if (changed(3)) r.description = changed.cell(3);
  return EncodeToDoRecord(r);
}

std::vector<uint8_t> AnniversaryFromRow(const ListRow& row, const RowContext& context) {
  AnniversaryRecord r;
  const bool has_origin = !row.origin.empty() && DecodeAnniversaryRecord(row.origin, &r) == 0;
  const ChangedCells changed(kAnniversary, row, context);
  if (changed(0)) {
    const BcdDate parsed = ParsedDate(changed.cell(0), context, false);
    // The column shows month and day only, so the record keeps its year; a new
    // one takes the parser's (this year).
    const size_t first_taken = has_origin ? 2 : 0;
    for (size_t i = first_taken; i < parsed.bytes.size(); ++i) r.date.bytes[i] = parsed.bytes[i];
  }
  if (changed(1)) r.reminder = static_cast<uint8_t>(CellNumber(changed.cell(1)));
  if (changed(2)) r.description = changed.cell(2);
  return EncodeAnniversaryRecord(r);
}

std::vector<uint8_t> MemoFromRow(const ListRow& row, const RowContext& context) {
  MemoRecord r;
  // A record too short to decode keeps the defaults, as an empty one.
  if (!row.origin.empty()) (void)DecodeMemoRecord(row.origin, &r);
  const ChangedCells changed(kMemo, row, context);
  if (changed(0)) r.text = changed.cell(0);
  return EncodeMemoRecord(r);
}

std::vector<uint8_t> ExpenseFromRow(const ListRow& row, const RowContext& context) {
  ExpenseRecord r;
  // A record too short to decode keeps the defaults, as an empty one.
  if (!row.origin.empty()) (void)DecodeExpenseRecord(row.origin, &r);
  const ChangedCells changed(kExpense, row, context);
  if (changed(0)) r.date = ParsedDate(changed.cell(0), context, true);
  // The index list decides the category: names may have been renamed meanwhile.
  r.flags = static_cast<uint8_t>((r.flags & ~0x70) | ((row.category_index & 0x07) << 4));
  if (changed(2)) {
    // The column shows the magnitude only; a negative amount keeps its sign.
    const double magnitude = std::strtod(changed.cell(2).c_str(), nullptr);
    const bool negative = !row.origin.empty() && DecodeAmount(r) < 0;
    const double value = negative ? -magnitude : magnitude;
    // An amount the bytes cannot hold leaves the stored one.
    if (IsEncodableAmount(value)) EncodeAmount(&r, value);
  }
  if (changed(3)) {
    const int payment = PaymentOfWord(changed.cell(3));
    if (payment >= 0) r.flags = static_cast<uint8_t>((r.flags & ~0x03) | payment);
  }
  if (changed(4)) {
    r.flags = changed.cell(4) == kYes ? (r.flags | ExpenseRecord::kReceipt)
                                      : (r.flags & ~ExpenseRecord::kReceipt);
  }
  if (changed(5)) r.memo = changed.cell(5);
  return EncodeExpenseRecord(r);
}

std::vector<uint8_t> TelephoneFromRow(const ListRow& row, const RowContext& context) {
  TelephoneRecord r;
  // A record too short to decode keeps the defaults, as an empty one.
  if (!row.origin.empty()) (void)DecodeTelephoneRecord(row.origin, &r);
  const ChangedCells changed(kTelephone, row, context);
  if (changed(0)) r.category = static_cast<uint8_t>(TelephoneCategoryOfWord(changed.cell(0)));
  for (int text = 0; text < kTelephoneTextCount; ++text) {
    if (changed(1 + text)) r.texts[text] = changed.cell(1 + text);
  }
  return EncodeTelephoneRecord(r);
}

}  // namespace

std::vector<std::string> CategoryNamesOf(const AppliStore& store) {
  CategoryNames names;
  if (GetCategoryNames(store, &names) != 0) names = DefaultCategoryNames();
  return {names.names.begin(), names.names.end()};
}

ListRow RecordToRow(AppliId id, std::span<const uint8_t> record, const RowContext& context) {
  ListRow row;
  row.origin.assign(record.begin(), record.end());
  if (row.origin.empty() || row.origin.back() != kTerminator) row.origin.push_back(kTerminator);
  // A record too short to decode shows as an empty one.
  switch (id) {
    case kSchedule: {
      ScheduleRecord r;
      (void)DecodeScheduleRecord(record, &r);
      row.cells = ScheduleCells(r, context);
      break;
    }
    case kToDo: {
      ToDoRecord r;
      (void)DecodeToDoRecord(record, &r);
      row.cells = ToDoCells(r, context);
      break;
    }
    case kAnniversary: {
      AnniversaryRecord r;
      (void)DecodeAnniversaryRecord(record, &r);
      row.cells = AnniversaryCells(r, context);
      break;
    }
    case kMemo: {
      MemoRecord r;
      (void)DecodeMemoRecord(record, &r);
      row.cells = {r.text};
      break;
    }
    case kExpense: {
      ExpenseRecord r;
      (void)DecodeExpenseRecord(record, &r);
      row.cells = ExpenseCells(r, context);
      row.category_index = r.category_index();
      break;
    }
    case kTelephone: {
      TelephoneRecord r;
      (void)DecodeTelephoneRecord(record, &r);
      row.cells = TelephoneCells(r);
      break;
    }
    default:
      break;
  }
  return row;
}

std::vector<uint8_t> RowToRecord(AppliId id, const ListRow& row, const RowContext& context) {
  switch (id) {
    case kSchedule:
      return ScheduleFromRow(row, context);
    case kToDo:
      return ToDoFromRow(row, context);
    case kAnniversary:
      return AnniversaryFromRow(row, context);
    case kMemo:
      return MemoFromRow(row, context);
    case kExpense:
      return ExpenseFromRow(row, context);
    case kTelephone:
      return TelephoneFromRow(row, context);
    default:
      return row.origin;
  }
}

}  // namespace kivo

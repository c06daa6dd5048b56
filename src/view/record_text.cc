#include "view/record_text.h"

#include "format/amount_format.h"
#include "format/date_format.h"
#include "format/record_words.h"
#include "format/time_format.h"
#include "store/amount.h"
#include "store/record_codec.h"
#include "view/appli_columns.h"

namespace kivo {
namespace {

constexpr const char* kEol = "\r\n";
// Lines up "Before." under the values of the labelled lines; written in both
// forms, so a Find for it matches.
constexpr const char* kBeforeLine = "              Before.\r\n";

class TextBuilder {
 public:
  explicit TextBuilder(bool labelled) : labelled_(labelled) {}

  // A label and its value on one line.
  void Line(const char* label, const std::string& value) {
    if (labelled_) text_ += label;
    text_ += value;
    text_ += kEol;
  }
  // A label on its own line; the value follows on the next line.
  void Block(const char* label, const std::string& value, bool end_line) {
    if (labelled_) text_ += label;
    text_ += value;
    if (end_line) text_ += kEol;
  }
  void Raw(const char* text) { text_ += text; }
  std::string Take() { return std::move(text_); }

 private:
  bool labelled_;
  std::string text_;
};

std::string ScheduleText(std::span<const uint8_t> bytes, TextBuilder& out,
                         const RowContext& context) {
  ScheduleRecord r;
  // A record too short to decode shows as an empty one.
  (void)DecodeScheduleRecord(bytes, &r);
  out.Line("[Date       ] ", FormatDate(r.date.bytes, context.display_date, true));
  out.Line("[Start Time ] ", FormatTime(r.start_time.bytes, context.display_hour));
  out.Line("[End Time   ] ", FormatTime(r.end_time.bytes, context.display_hour));
  out.Line("[Alarm      ] ", std::string(AlarmWord(r.flags)));
  if (r.alarm_on()) {
    out.Line("[Reminder   ] ", ReminderText(r.reminder) + " Min.");
    out.Raw(kBeforeLine);
  }
  if (!r.description.empty()) out.Block("[Description]\r\n", r.description, false);
  return out.Take();
}

std::string AnniversaryText(std::span<const uint8_t> bytes, TextBuilder& out,
                            const RowContext& context) {
  AnniversaryRecord r;
  // A record too short to decode shows as an empty one.
  (void)DecodeAnniversaryRecord(bytes, &r);
  out.Line("[Date       ] ", FormatDate(r.date.bytes, context.display_date, false));
  out.Line("[Reminder   ] ", std::to_string(r.reminder) + " Days");
  out.Raw(kBeforeLine);
  if (!r.description.empty()) out.Block("[Description]\r\n", r.description, false);
  return out.Take();
}

std::string ToDoText(std::span<const uint8_t> bytes, TextBuilder& out, const RowContext& context) {
  ToDoRecord r;
  // A record too short to decode shows as an empty one.
  (void)DecodeToDoRecord(bytes, &r);
  out.Line("[Priority   ] ", ToDoPriorityText(r.state));
  out.Line("[Status     ] ", std::string(ToDoStatusWord(r.state)));
  out.Line("[Due Date   ] ", FormatDate(r.due_date.bytes, context.display_date, true));
  if (!r.description.empty()) out.Block("[Description]\r\n", r.description, false);
  return out.Take();
}

std::string MemoText(std::span<const uint8_t> bytes, TextBuilder& out) {
  MemoRecord r;
  // A record too short to decode shows as an empty one.
  (void)DecodeMemoRecord(bytes, &r);
  out.Block("[Memo]\r\n", r.text, false);
  return out.Take();
}

std::string ExpenseText(std::span<const uint8_t> bytes, TextBuilder& out,
                        const RowContext& context) {
  ExpenseRecord r;
  // A record too short to decode shows as an empty one.
  (void)DecodeExpenseRecord(bytes, &r);
  const int index = r.category_index();
  out.Line("[Date    ] ", FormatDate(r.date.bytes, context.display_date, true));
  out.Line("[Category] ", index < static_cast<int>(context.category_names.size())
                              ? context.category_names[index]
                              : std::string());
  out.Line("[Amount  ] ", FormatAmount(DecodeAmount(r)));
  out.Line("[Payment ] ", std::string(PaymentWord(r.payment_kind())));
  out.Line("[Receipt ] ", r.receipt() ? "Yes" : "No");
  if (!r.memo.empty()) out.Block("[Memo    ]\r\n", r.memo, false);
  return out.Take();
}

constexpr const char* kTelephoneLabels[kTelephoneTextCount] = {
    "[Last name ]\r\n", "[First name]\r\n", "[Company   ]\r\n", "[Home#     ]\r\n",
    "[Office#   ]\r\n", "[Fax#      ]\r\n", "[Other#    ]\r\n", "[Address   ]\r\n",
    "[City      ]\r\n", "[State     ]\r\n", "[Zip Code  ]\r\n", "[Country   ]\r\n",
    "[E-mail    ]\r\n", "[Notes     ]\r\n"};

std::string TelephoneText(std::span<const uint8_t> bytes, TextBuilder& out) {
  TelephoneRecord r;
  // A record too short to decode shows as an empty one.
  (void)DecodeTelephoneRecord(bytes, &r);
  out.Block("[Category  ]\r\n", std::string(TelephoneCategoryWord(r.category)), true);
  for (int field = 0; field < kTelephoneTextCount; ++field) {
    if (r.texts[field].empty()) continue;
    out.Block(kTelephoneLabels[field], r.texts[field], field != kNotes);
  }
  return out.Take();
}

}  // namespace

std::string RecordText(AppliId id, std::span<const uint8_t> record, bool labelled,
                       const RowContext& context) {
  TextBuilder out(labelled);
  switch (id) {
    case kSchedule:
      return ScheduleText(record, out, context);
    case kAnniversary:
      return AnniversaryText(record, out, context);
    case kToDo:
      return ToDoText(record, out, context);
    case kMemo:
      return MemoText(record, out);
    case kExpense:
      return ExpenseText(record, out, context);
    case kTelephone:
      return TelephoneText(record, out);
    default:
      return {};
  }
}

}  // namespace kivo

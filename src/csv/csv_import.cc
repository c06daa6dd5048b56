// The per-application rules that turn one CSV line into a record.

#include <algorithm>
#include <cstdlib>
#include <string>

#include "csv/csv_reader.h"
#include "format/date_format.h"
#include "format/time_format.h"
#include "store/amount.h"
#include "store/record_access.h"
#include "store/record_codec.h"

namespace kivo {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Payment words of other programs that mean a card.
constexpr std::string_view kCardWords[] = {"AMEX", "Visa", "MasterCard", "Diners Club", "Card"};
constexpr int kCash = 0;
constexpr int kCheck = 1;
constexpr int kCard = 2;
constexpr int kOthers = 3;

int PaymentKind(std::string_view word) {
  if (std::find(std::begin(kCardWords), std::end(kCardWords), word) != std::end(kCardWords)) {
    return kCard;
  }
  if (word == "Check") return kCheck;
  if (word == "Cash") return kCash;
  return kOthers;
}

// An amount as the import takes it: an optional leading minus, then at most 13
// characters, digits and at most one point; empty means 0.
bool ReadAmount(std::string_view value, double* amount) {
  const bool negative = !value.empty() && value.front() == '-';
  if (negative) {
    value.remove_prefix(1);
    if (value.empty()) return false;
  }
  if (value.size() > 13) return false;
  if (std::count(value.begin(), value.end(), '.') > 1) return false;
  if (!std::all_of(value.begin(), value.end(), [](char c) { return IsDigit(c) || c == '.'; })) {
    return false;
  }
  const double magnitude = std::strtod(std::string(value).c_str(), nullptr);
  *amount = negative ? -magnitude : magnitude;
  return true;
}

}  // namespace

std::string CsvReader::Text(std::string_view value, size_t capacity) const {
  std::string text = FilterAllowed(value, allowed_);
  if (text.size() > capacity) {
    text.resize(capacity);
    ++cut_texts_;
  }
  std::replace(text.begin(), text.end(), '\xFF', ' ');
  return text;
}

bool CsvReader::ReadDate(std::optional<std::string_view> value, bool with_year,
                         DateValue* date) const {
  return value && ParseDate(*value, display_date_, with_year, with_year, today_, date);
}

bool CsvReader::ReadTime(std::string_view value, TimeValue* time) const {
  bool no_marker = false;
  if (!ParseTime(value, false, time, &no_marker)) return false;
  // 12-hour files carry AM/PM on every time, 24-hour files on none.
  return display_hour_ == kHour12 ? !no_marker : no_marker;
}

template <typename Record, typename Put>
CsvReader::LineOutcome CsvReader::Store(AppliStore& store, AppliId id, const Record& record,
                                        Put put) {
  const int count = std::max(store.GetRecordCount(id), 0);
  if (count >= kImportRecordLimit) return LineOutcome::kStop;
  return put(store, record, count) == kStoreOk ? LineOutcome::kTaken : LineOutcome::kRejected;
}

int CsvReader::ImportCsv(AppliStore& store, AppliId id, int* lines_read) {
  if (id > kTelephone) {
    if (lines_read != nullptr) *lines_read = 0;
    return -1;
  }
  int taken = 0;
  while (file_ != nullptr && ReadFields()) {
    LineOutcome outcome = LineOutcome::kRejected;
    switch (id) {
      case kSchedule:
        outcome = ImportSchedule(store);
        break;
      case kAnniversary:
        outcome = ImportAnniversary(store);
        break;
      case kToDo:
        outcome = ImportToDo(store);
        break;
      case kMemo:
        outcome = ImportMemo(store);
        break;
      case kExpense:
        outcome = ImportExpense(store);
        break;
      default:
        outcome = ImportTelephone(store);
        break;
    }
    if (outcome == LineOutcome::kStop) {
      // The rest is counted, so that nobody is told all was taken; a broken
      // line among it is left out all the same.
      const int broken = broken_lines_;
      for (over_limit_ = 1; ReadFields();) ++over_limit_;
      over_limit_ += broken_lines_ - broken;
      broken_lines_ = broken;
      break;
    }
    if (outcome == LineOutcome::kTaken) {
      ++taken;
    } else {
      ++rejected_;
    }
  }
  if (lines_read != nullptr) *lines_read = taken + rejected_ + broken_lines_;
  return taken;
}

CsvReader::LineOutcome CsvReader::ImportSchedule(AppliStore& store) {
  ScheduleRecord r;
  DateValue date;
  if (!ReadDate(Value("Date"), true, &date)) return LineOutcome::kRejected;
  r.date = BcdDate::FromYmd(date.year, date.month, date.day);

  const std::optional<std::string_view> start = Value("Start Time");
  const std::optional<std::string_view> end = Value("End Time");
  if (start && end) {
    TimeValue start_time;
    TimeValue end_time;
    if (!ReadTime(*start, &start_time) || !ReadTime(*end, &end_time)) {
      return LineOutcome::kRejected;
    }
    r.start_time = BcdTime::FromHm(start_time.hour, start_time.minute);
    r.end_time = BcdTime::FromHm(end_time.hour, end_time.minute);
  }

  if (const std::optional<std::string_view> reminder = Value("Reminder")) {
    const bool digits = (reminder->size() == 1 || reminder->size() == 2) &&
                        std::all_of(reminder->begin(), reminder->end(), IsDigit);
    if (!digits) return LineOutcome::kRejected;
    r.reminder = ToBcd(std::atoi(std::string(*reminder).c_str()));
  }

  if (const std::optional<std::string_view> alarm = Value("Alarm")) {
    if (*alarm == "Yes") {
      r.flags = ScheduleRecord::kAlarmOn;
    } else if (*alarm != "No") {
      return LineOutcome::kRejected;
    }
  }

  r.description = Text(Value("Description").value_or(""), kTextCapacity);
  return Store(store, kSchedule, r, PutScheduleRecord);
}

CsvReader::LineOutcome CsvReader::ImportAnniversary(AppliStore& store) {
  AnniversaryRecord r;
  DateValue date;
  if (!ReadDate(Value("Date"), false, &date)) return LineOutcome::kRejected;
  r.date = BcdDate::FromYmd(date.year, date.month, date.day);

  if (const std::optional<std::string_view> notice = Value("Notice")) {
    // Another program's notice flag: none, or a week ahead.
    if (*notice == " " || *notice == "0") {
      r.reminder = 0;
    } else if (*notice == "1") {
      r.reminder = 7;
    } else {
      return LineOutcome::kRejected;
    }
  } else {
    const std::optional<std::string_view> days = Value("Reminder");
    if (!days || days->size() != 1 || !IsDigit((*days)[0])) return LineOutcome::kRejected;
    r.reminder = static_cast<uint8_t>((*days)[0] - '0');
  }

  r.description = Text(Value("Description").value_or(""), kTextCapacity);
  return Store(store, kAnniversary, r, PutAnniversaryRecord);
}

CsvReader::LineOutcome CsvReader::ImportToDo(AppliStore& store) {
  ToDoRecord r;
  DateValue due;
  if (!ReadDate(Value("Due Date"), true, &due)) due = today_;
  r.due_date = BcdDate::FromYmd(due.year, due.month, due.day);

  const std::optional<std::string_view> priority = Value("Priority");
  bool done = false;
  int level = 0;
  if (const std::optional<std::string_view> status = Value("Status")) {
    if (!priority || priority->size() != 1 || (*priority)[0] < '1' || (*priority)[0] > '9') {
      return LineOutcome::kRejected;
    }
    level = (*priority)[0] - '0';
    done = *status == "Done" || *status == "done";
  } else {
    // Without a status column the priority column may say "Done".
    if (!priority || priority->empty()) return LineOutcome::kRejected;
    const char first = (*priority)[0];
    if (first == ' ') {
      level = 1;
    } else if (first >= '1' && first <= '9') {
      level = first - '0';
    } else if (*priority == "Done") {
      done = true;
      level = 1;
    } else {
      return LineOutcome::kRejected;
    }
  }
  r.state = ToDoRecord::MakeState(done, level);

  r.description = Text(Value("Description").value_or(""), kTextCapacity);
  return Store(store, kToDo, r, PutToDoRecord);
}

CsvReader::LineOutcome CsvReader::ImportMemo(AppliStore& store) {
  const std::optional<std::string_view> text =
      ColumnIndex("Memo") >= 0 ? Value("Memo") : Value("Description");
  if (!text) return LineOutcome::kRejected;
  MemoRecord r;
  r.text = Text(*text, kTextCapacity);
  return Store(store, kMemo, r, PutMemoRecord);
}

CsvReader::LineOutcome CsvReader::ImportExpense(AppliStore& store) {
  ExpenseRecord r;
  const std::optional<std::string_view> amount_text = Value("Amount");
  double amount = 0;
  if (!amount_text || !ReadAmount(*amount_text, &amount) || !IsEncodableAmount(amount)) {
    return LineOutcome::kRejected;
  }

  DateValue date;
  if (!ReadDate(Value("Date"), true, &date)) return LineOutcome::kRejected;
  r.date = BcdDate::FromYmd(date.year, date.month, date.day);

  ParseReceipt(&r, Value("Receipt").value_or("No"));
  // The store's names decide; a store without the list gets the default names
  // with this very put, so those are the names to match (matching nothing
  // would file every record under the first category).
  CategoryNames names;
  if (GetCategoryNames(store, &names) != kStoreOk) names = DefaultCategoryNames();
  const std::string_view category = Value("Category").value_or("Meals");
  const auto found = std::find(names.names.begin(), names.names.end(), category);
  if (found != names.names.end()) {
    r.flags = ExpenseRecord::MakeFlags(r.receipt(), static_cast<int>(found - names.names.begin()),
                                       r.payment_kind());
  }

  std::optional<std::string_view> payment = Value("Pay Type");
  if (!payment) payment = Value("Payment");
  if (!payment) return LineOutcome::kRejected;
  r.flags = static_cast<uint8_t>((r.flags & ~0x03) | PaymentKind(*payment));

  EncodeAmount(&r, amount);

  std::optional<std::string_view> memo = Value("Memo");
  if (!memo) memo = Value("Description");
  if (!memo) return LineOutcome::kRejected;
  r.memo = Text(*memo, kTextCapacity);
  return Store(store, kExpense, r, PutExpenseRecord);
}

CsvReader::LineOutcome CsvReader::ImportTelephone(AppliStore& store) {
  TelephoneRecord r;
  const std::string_view category = Value("Category").value_or("");
  r.category = category == "Personal" ? 0 : category == "Business" ? 1 : 2;

  auto fill = [&](int field, std::optional<std::string_view> value) {
    if (value) r.texts[field] = Text(*value, kTelephoneCapacity[field]);
    return value.has_value();
  };

  if (!fill(kLastName, Value("Name"))) {
    const bool last = fill(kLastName, Value("Last Name"));
    const bool first = fill(kFirstName, Value("First Name"));
    const bool company = fill(kCompany, Value("Company"));
    if (!last && !first && !company) return LineOutcome::kRejected;
  }

  if (fill(kHomeNumber, Value("Number"))) {
    fill(kAddress, Value("Address"));
  } else {
    bool any = false;
    any |= fill(kHomeNumber, Value("Home#"));
    any |= fill(kOfficeNumber, Value("Office#"));
    any |= fill(kFaxNumber, Value("Fax#"));
    any |= fill(kOtherNumber, Value("Other#"));
    any |= fill(kAddress, Value("Address"));
    if (!any && !fill(kAddress, Value("URL"))) return LineOutcome::kRejected;
  }

  fill(kCity, Value("City"));
  fill(kState, Value("State"));
  fill(kZipCode, Value("Zip Code"));
  fill(kCountry, Value("Country"));
  fill(kEmail, ColumnIndex("E-mail") >= 0 ? Value("E-mail") : Value("Email"));
  if (!fill(kNotes, Value("Notes"))) fill(kNotes, Value("Remark"));
  return Store(store, kTelephone, r, PutTelephoneRecord);
}

}  // namespace kivo

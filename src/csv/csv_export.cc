#include "csv/csv_export.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

#include "format/amount_format.h"
#include "format/date_format.h"
#include "format/record_words.h"
#include "format/time_format.h"
#include "platform/atomic_file.h"
#include "platform/free_space.h"
#include "platform/prompter.h"
#include "store/amount.h"
#include "store/record_access.h"
#include "store/record_codec.h"

namespace kivo {

namespace {

constexpr char kLineEnd[] = "\r\n";
constexpr std::string_view kTelephoneCategoryWords[] = {"Personal", "Business", "Others"};

int RecordCount(const AppliStore& store, AppliId id) {
  const int count = store.GetRecordCount(id);
  return count > 0 ? count : 0;
}

// Joins the fields of one line with commas and ends it.
void AppendLine(std::initializer_list<std::string_view> fields, std::string* text) {
  bool first = true;
  for (std::string_view field : fields) {
    if (!first) *text += ',';
    *text += field;
    first = false;
  }
  *text += kLineEnd;
}

PromptAnswer AskError(Prompter& prompter, const std::string& text) {
  return prompter.Ask(
      PromptBox{text, "Error", PromptIcon::kExclamation, PromptButtons::kRetryCancel});
}

}  // namespace

std::string QuoteCsvField(std::string_view text) {
  if (text.find('"') != std::string_view::npos) {
    std::string quoted = "\"";
    for (char c : text) {
      if (c == '"') quoted += '"';
      quoted += c;
    }
    quoted += '"';
    return quoted;
  }
  if (text.find_first_of(",\r\n") != std::string_view::npos) {
    std::string quoted;
    quoted.reserve(text.size() + 2);
    quoted.append(1, '"').append(text).append(1, '"');
    return quoted;
  }
  return std::string(text);
}

CsvExporter::CsvExporter(const AppliStore& store, int display_hour, int display_date,
                         CsvEncoding encoding)
    : store_(store),
      display_hour_(display_hour),
      display_date_(display_date),
      encoding_(encoding) {}

int CsvExporter::BuildSchedule(std::string* text) const {
  *text = "Date,Start Time,End Time,Alarm,Reminder,Description\r\n";
  int lines = 0;
  for (int i = 0; i < RecordCount(store_, kSchedule); ++i) {
    ScheduleRecord r;
    if (GetScheduleRecord(store_, &r, i) != kStoreOk) continue;
    AppendLine(
        {FormatDate(r.date.bytes, display_date_, true),
         FormatTime(r.start_time.bytes, display_hour_), FormatTime(r.end_time.bytes, display_hour_),
         AlarmWord(r.flags), ReminderText(r.reminder), QuoteCsvField(r.description)},
        text);
    ++lines;
  }
  return lines;
}

int CsvExporter::BuildAnniversary(std::string* text) const {
  *text = "Date,Reminder,Description\r\n";
  int lines = 0;
  for (int i = 0; i < RecordCount(store_, kAnniversary); ++i) {
    AnniversaryRecord r;
    if (GetAnniversaryRecord(store_, &r, i) != kStoreOk) continue;
    AppendLine({FormatDate(r.date.bytes, display_date_, false),
                QuoteCsvField(std::to_string(r.reminder)), QuoteCsvField(r.description)},
               text);
    ++lines;
  }
  return lines;
}

int CsvExporter::BuildToDo(std::string* text) const {
  *text = "Priority,Status,Due Date,Description\r\n";
  int lines = 0;
  for (int i = 0; i < RecordCount(store_, kToDo); ++i) {
    ToDoRecord r;
    if (GetToDoRecord(store_, &r, i) != kStoreOk) continue;
    AppendLine({QuoteCsvField(ToDoPriorityText(r.state)), QuoteCsvField(ToDoStatusWord(r.state)),
                FormatDate(r.due_date.bytes, display_date_, true), QuoteCsvField(r.description)},
               text);
    ++lines;
  }
  return lines;
}

int CsvExporter::BuildMemo(std::string* text) const {
  *text = "Memo\r\n";
  int lines = 0;
  for (int i = 0; i < RecordCount(store_, kMemo); ++i) {
    MemoRecord r;
    if (GetMemoRecord(store_, &r, i) != kStoreOk) continue;
    AppendLine({QuoteCsvField(r.text)}, text);
    ++lines;
  }
  return lines;
}

int CsvExporter::BuildExpense(std::string* text) const {
  *text = "Date,Category,Amount,Payment,Receipt,Memo\r\n";
  int lines = 0;
  for (int i = 0; i < RecordCount(store_, kExpense); ++i) {
    ExpenseRecord r;
    if (GetExpenseRecord(store_, &r, i) != kStoreOk) continue;
    std::string receipt;
    std::string category;
    std::string payment;
    // Without the category list the record has no complete line.
    if (GetExpenseTexts(store_, r, &receipt, &category, &payment) == 0) continue;
    AppendLine({FormatDate(r.date.bytes, display_date_, true), QuoteCsvField(category),
                QuoteCsvField(FormatSignedAmount(DecodeAmount(r))), QuoteCsvField(payment),
                QuoteCsvField(receipt), QuoteCsvField(r.memo)},
               text);
    ++lines;
  }
  return lines;
}

int CsvExporter::BuildTelephone(std::string* text) const {
  *text =
      "Category,Last Name,First Name,Company,Home#,Office#,Fax#,Other#,Address,City,State,"
      "Zip Code,Country,E-mail,Notes\r\n";
  int lines = 0;
  for (int i = 0; i < RecordCount(store_, kTelephone); ++i) {
    TelephoneRecord r;
    if (GetTelephoneRecord(store_, &r, i) != kStoreOk) continue;
    // A category byte beyond the three kinds (a damaged record) reads as
    // "Others", which is also what the import makes of an unknown word.
    *text += kTelephoneCategoryWords[r.category < 3 ? r.category : 2];
    for (const std::string& field : r.texts) {
      *text += ',';
      *text += QuoteCsvField(field);
    }
    *text += kLineEnd;
    ++lines;
  }
  return lines;
}

int CsvExporter::Build(AppliId id, std::string* text) const {
  switch (id) {
    case kSchedule:
      return BuildSchedule(text);
    case kAnniversary:
      return BuildAnniversary(text);
    case kToDo:
      return BuildToDo(text);
    case kMemo:
      return BuildMemo(text);
    case kExpense:
      return BuildExpense(text);
    case kTelephone:
      return BuildTelephone(text);
    default:
      text->clear();
      return -1;
  }
}

int CsvExporter::ExportCsv(const std::filesystem::path& path, AppliId id, Prompter& prompter) {
  return ExportCsv(path, id, prompter, SystemFreeSpace());
}

int CsvExporter::ExportCsv(const std::filesystem::path& path, AppliId id, Prompter& prompter,
                           FreeSpace& free_space, FileWriter& writer) {
  replaced_ = 0;
  std::string text;
  const int count = Build(id, &text);
  if (encoding_ == CsvEncoding::kUtf8) text = Cp1252ToUtf8(text, &replaced_);

  return WriteExportText(path, text, prompter, free_space, writer) ? count : -1;
}

bool WriteExportText(const std::filesystem::path& path, const std::string& text, Prompter& prompter,
                     FreeSpace& free_space, FileWriter& writer) {
  // Whether the path can be written at all: opened for writing, created when
  // absent, not truncated.
  std::error_code ec;
  const bool existed = std::filesystem::exists(path, ec);
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
  if (fd < 0) {
    const int error = errno;
    prompter.Ask(
        PromptBox{SystemErrorText(error), "Error", PromptIcon::kInformation, PromptButtons::kOk});
    return false;
  }
  struct stat st {};
  const uint64_t old_size = ::fstat(fd, &st) == 0 ? static_cast<uint64_t>(st.st_size) : 0;
  ::close(fd);
  // An export that ends without writing leaves no empty file behind.
  auto give_up = [&] {
    if (!existed) std::filesystem::remove(path, ec);
    return false;
  };

  // Rewriting a file needs only the bytes it grows by.
  const uint64_t needed = text.size() > old_size ? text.size() - old_size : 0;
  const std::filesystem::path root = FreeSpace::RootOf(path);
  while (free_space.QueryFreeSpace(root) < needed) {
    const std::string message = "Out of disk space writing to drive " + root.string() + ".";
    const PromptAnswer answer = prompter.Ask(
        PromptBox{message, "Error", PromptIcon::kQuestion, PromptButtons::kRetryCancel});
    if (answer != PromptAnswer::kRetry) return give_up();
  }

  // The new contents go to a temporary file that replaces the target only
  // when complete, so a failed or cancelled write keeps the previous file.
  for (;;) {
    AtomicFile file(path, writer);
    if (!file.Open()) {
      if (AskError(prompter, file.ErrorText()) == PromptAnswer::kRetry) continue;
      return give_up();
    }
    if (file.Write(text) && file.Commit()) return true;
    const std::string error = file.ErrorText();
    file.Discard();
    if (AskError(prompter, error) != PromptAnswer::kRetry) return give_up();
  }
}

std::string ExportMessage(int count) {
  if (count <= 0) return {};
  return std::to_string(count) + (count == 1 ? " record was" : " records were") +
         " successfully exported.";
}

}  // namespace kivo

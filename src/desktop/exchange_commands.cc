// The exchange commands: Import and Export of CSV, vCard and iCalendar files.

#include <algorithm>
#include <ctime>

#include "csv/csv_export.h"
#include "csv/csv_reader.h"
#include "desktop/exchange_filters.h"
#include "desktop/file_names.h"
#include "desktop/main_commands.h"
#include "exchange/exchange.h"
#include "format/today.h"
#include "platform/free_space.h"
#include "store/app_settings.h"
#include "store/record_access.h"
#include "store/result_code.h"
#include "store/store_records.h"

namespace kivo {
namespace {

constexpr const char* kFailedToImport = "Failed to Import";

std::string PresentQuestion(int present, AppliId id) {
  return (present == 1 ? std::string("1 record of the file is")
                       : std::to_string(present) + " records of the file are") +
         " already in " + std::string(AppliName(id)) + ". Add " + (present == 1 ? "it" : "them") +
         " again?";
}

// Shows the wait cursor for as long as it lives.
class Busy {
 public:
  explicit Busy(DesktopUser* user) : user_(user) {
    if (user_ != nullptr) user_->SetBusy(true);
  }
  ~Busy() {
    if (user_ != nullptr) user_->SetBusy(false);
  }
  Busy(const Busy&) = delete;
  Busy& operator=(const Busy&) = delete;

 private:
  DesktopUser* user_;
};

}  // namespace

void MainCommands::Import() {
  CloseFind();
  if (user_ == nullptr) return;
  const std::optional<ImportChoice> choice = user_->ChooseImport(
      model_->appli(), settings_->backup_dir, EncodingOfKey(settings_->import_encoding));
  if (!choice) return;
  settings_->import_encoding = EncodingKey(choice->encoding);
  CommitList(/*ordered=*/false);
  const PromptBox failed{kFailedToImport, "Import", PromptIcon::kExclamation, PromptButtons::kOk};
  if (choice->appli < 0) {
    Tell(failed);
    return;
  }
  const AppliId id = static_cast<AppliId>(choice->appli);
  const std::string& file = choice->file;
  // A file without a known extension is read as CSV, as it always was.
  const ExchangeFormat format = FormatOfPath(file).value_or(ExchangeFormat::kCsv);
  std::optional<ImportBatch> batch;
  ExchangeOptions options;
  options.display_hour = settings_->display_hour;
  options.display_date = settings_->display_date;
  options.encoding = choice->encoding;
  options.today = SystemToday();
  {
    Busy busy(user_);
    batch = ReadImportFile(file, format, id, options, store_, AllowedCharacters());
  }
  if (!batch) {
    Tell(failed);
    RefreshList(/*resort=*/false);
    return;
  }
  // Nothing has changed yet: the user may still say no.
  const std::string question = UnmappableQuestion(*batch);
  if (!question.empty() && !Ask(question, "Import")) {
    RefreshList(/*resort=*/false);
    return;
  }
  // Cards and events read a second time would double the records; CSV files
  // are taken as they come.
  if (format != ExchangeFormat::kCsv) {
    const int present = CountPresent(store_, *batch);
    if (present > 0 && !Ask(PresentQuestion(present, id), "Import")) DropPresent(store_, &*batch);
  }
  // One step for Edit > Undo; the new records take their places in the
  // application's order.
  model_->KeepForUndo(id, "Import");
  const int first_new = std::max(store_.GetRecordCount(id), 0);
  const AppendResult result = AppendBatch(store_, *batch, options.today);
  model_->PlaceNewRecords(id, first_new);
  Tell({ImportSummary(*batch, result, options.display_date), "Import", PromptIcon::kInformation,
        PromptButtons::kOk});
  RefreshList(/*resort=*/true);
}

void MainCommands::Export() {
  CloseFind();
  if (user_ == nullptr) return;
  const AppliId id = model_->appli();
  // The formats that fit the application; CSV in the coding chosen last.
  const std::vector<ExportFilter> filters = ExportFilters(id);
  FileQuestion question;
  question.save = true;
  question.caption = "Save As";
  question.dir = settings_->backup_dir;
  for (const ExportFilter& filter : filters) {
    question.filters.push_back(filter.text);
    if (filter.encoding && EncodingKey(filter.encoding) == settings_->export_encoding) {
      question.selected_filter = static_cast<int>(question.filters.size()) - 1;
    }
  }
  question.default_suffix = "csv";
  const std::optional<FileAnswer> chosen = user_->ChooseFile(question);
  if (!chosen || chosen->path.empty()) return;
  settings_->backup_dir = FolderOf(chosen->path);
  const int index = std::clamp(chosen->filter, 0, static_cast<int>(filters.size()) - 1);
  const ExportFilter& filter = filters[index];
  // A name that says a fitting format is written in it; any other gets the
  // filter's extension.
  std::string path = chosen->path;
  const std::optional<ExchangeFormat> named = FormatOfPath(path);
  const bool fits = named && FormatFits(*named, id, ExchangeWay::kExport);
  const ExchangeFormat format = fits ? *named : filter.format;
  if (!fits) path = WithExtension(path, FormatExtension(format));
  if (filter.encoding) settings_->export_encoding = EncodingKey(filter.encoding);

  ExchangeOptions options;
  options.display_hour = settings_->display_hour;
  options.display_date = settings_->display_date;
  options.encoding = EncodingOfKey(settings_->export_encoding);
  options.now = std::time(nullptr);
  int count = 0;
  {
    Busy busy(user_);
    // Several rows selected: those alone. Telephone: the rows the filter
    // shows. Both in list order.
    const bool picked = model_->selected_rows().size() > 1;
    if (id == kTelephone || picked) {
      AppliStore rows(store_.code_tables());
      const std::vector<std::vector<uint8_t>> records =
          picked ? model_->SelectedRecords() : ListRecords();
      CategoryNames names;
      if (rows.InitAppliBuf(id) < 0 ||
          PutInOrder(rows, id, records, IdentityOrder(records.size())) != kStoreOk) {
        return;
      }
      if (id == kExpense && GetCategoryNames(store_, &names) == kStoreOk) {
        (void)SetCategoryNames(rows, names);
      }
      count = ExportFile(path, format, rows, id, options, *user_, SystemFreeSpace());
    } else {
      CommitList(/*ordered=*/false);
      count = ExportFile(path, format, store_, id, options, *user_, SystemFreeSpace());
    }
  }
  const std::string message = ExportMessage(count);
  if (!message.empty()) Tell({message, "Export", PromptIcon::kInformation, PromptButtons::kOk});
}

}  // namespace kivo

// Commands that exchange one application of a backup file with a CSV, vCard
// or iCalendar file: export and import.

#include <cstdio>
#include <ctime>
#include <ostream>

#include "backup_access.h"
#include "command_table.h"
#include "csv/csv_export.h"
#include "exchange/exchange.h"
#include "format/today.h"
#include "platform/free_space.h"
#include "store/backup_file.h"
#include "terminal_prompter.h"

namespace kivo::cli {

namespace {

// The six applications with records of their own; the category list has no
// file form.
std::optional<AppliId> ParseExchangeAppli(const CliContext& context, std::string_view text) {
  std::optional<AppliId> id = ParseAppliArgument(context, text);
  if (id && *id == kCategoryList) {
    (void)context.UsageFailure(
        "the category list has no file form; name one of the six "
        "applications");
    return std::nullopt;
  }
  return id;
}

// The format given by --format, else by the file's extension (CSV for an
// extension that names none, as before there were other formats); it must
// fit the application. A usage failure names the formats that do.
std::optional<ExchangeFormat> ChooseFormat(const CliContext& context,
                                           const std::filesystem::path& file, AppliId id,
                                           ExchangeWay way) {
  const std::optional<ExchangeFormat> format =
      context.options.format ? context.options.format
                             : FormatOfPath(file).value_or(ExchangeFormat::kCsv);
  if (!FormatFits(*format, id, way)) {
    (void)context.UsageFailure(std::string(FormatName(*format)) + " does not fit " +
                               std::string(AppliName(id)) + "; its formats: " + FitNames(id, way));
    return std::nullopt;
  }
  return format;
}

// Box texts use CR LF between lines.
std::string TerminalLines(std::string text) {
  for (size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at)) {
    text.erase(at, 1);
  }
  return text;
}

ExchangeOptions Options(const CliContext& context) {
  ExchangeOptions options;
  options.display_hour = context.settings.display_hour;
  options.display_date = context.settings.display_date;
  options.encoding = context.options.encoding;
  options.now = std::time(nullptr);
  options.today = SystemToday();
  return options;
}

int RunExport(CliContext& context, std::span<const std::string> args) {
  const std::optional<AppliId> id = ParseExchangeAppli(context, args[1]);
  if (!id) return kExitUsage;
  const std::filesystem::path file = args[0];
  const std::filesystem::path out = args[2];
  const std::optional<ExchangeFormat> format =
      ChooseFormat(context, out, *id, ExchangeWay::kExport);
  if (!format) return kExitUsage;
  if (!CheckTables(context)) return kExitFailure;
  AppliStore store{context.tables.code};
  if (int status = ReadBackupForViewing(context, file, store, true); status != kExitOk) {
    return status;
  }
  TerminalPrompter prompter(*context.err, stdin);
  int replaced = 0;
  const int count = ExportFile(out, *format, store, *id, Options(context), prompter,
                               SystemFreeSpace(), &replaced);
  if (replaced > 0) {
    *context.err << kToolName << ": " << out.string() << ": " << replaced
                 << (replaced == 1 ? " character without a Unicode form was"
                                   : " characters without a Unicode form were")
                 << " replaced by \"?\"\n";
  }
  if (count < 0) return context.FileFailure(out, "not written");
  std::string message = ExportMessage(count);
  if (!message.empty()) *context.out << message << "\n";
  return kExitOk;
}

int RunImport(CliContext& context, std::span<const std::string> args) {
  const std::optional<AppliId> id = ParseExchangeAppli(context, args[1]);
  if (!id) return kExitUsage;
  const std::filesystem::path file = args[0];
  const std::filesystem::path in = args[2];
  const std::optional<ExchangeFormat> format = ChooseFormat(context, in, *id, ExchangeWay::kImport);
  if (!format) return kExitUsage;
  if (!CheckTables(context)) return kExitFailure;
  AppliStore store{context.tables.code};
  if (int status = ReadBackupForChange(context, file, store); status != kExitOk) return status;

  const ExchangeOptions options = Options(context);
  std::optional<ImportBatch> batch =
      ReadImportFile(in, *format, *id, options, store, context.tables.allowed);
  if (!batch) {
    return context.FileFailure(
        in, *format == ExchangeFormat::kCsv
                ? "Failed to Import (cannot be read, is empty, or its header does not name "
                  "the columns of " +
                      std::string(AppliName(*id)) + ")"
                : "Failed to Import (cannot be read)");
  }
  // What the question of the desktop program asks, as a warning.
  std::string question = UnmappableQuestion(*batch);
  if (const size_t ask = question.rfind(" Import anyway?"); ask != std::string::npos) {
    question.erase(ask);
  }
  if (!question.empty()) *context.err << kToolName << ": warning: " << question << "\n";

  // A second import of the same cards or events adds nothing; CSV files are
  // taken as they come.
  if (*format != ExchangeFormat::kCsv && !context.options.duplicates) DropPresent(store, &*batch);
  const AppendResult result = AppendBatch(store, *batch, options.today);
  *context.out << TerminalLines(ImportSummary(*batch, result, options.display_date)) << "\n";
  // Nothing taken leaves the backup file as it was.
  if (result.taken == 0) return context.FileFailure(in, "no record was imported");
  const StoreStatus saved = SaveBackupFile(store, file, context.scramble());
  if (!saved.ok()) {
    return context.FileFailure(file,
                               saved.error_text.empty() ? "File write error" : saved.error_text);
  }
  return kExitOk;
}

constexpr CliCommand kExchangeCommands[] = {
    {"export", "FILE.bkf APP OUT.csv|OUT.vcf|OUT.ics",
     "one application's records as a CSV, vCard or iCalendar file",
     "The format follows OUT's extension (csv when it names none) or --format: csv\n"
     "for every application, vcard (vCard 4.0) for telephone, ical (iCalendar) for\n"
     "schedule, anniversary and todo. CSV dates, times and amounts are written in\n"
     "the display modes of the settings or of --date-format and --hour-format, in\n"
     "UTF-8 unless --encoding cp1252 is given.",
     3, 3, RunExport},
    {"import", "FILE.bkf APP IN.csv|IN.vcf|IN.ics",
     "appends the records of a CSV, vCard or iCalendar file to one application",
     "FILE.bkf is read (an empty store when it does not exist), the accepted entries\n"
     "of the file are appended to APP (at most 920 records in all) and the file is\n"
     "saved again, inverted unless --plain is given. Its device code must match the\n"
     "settings or --device-code. A CSV file is read in the coding --encoding names,\n"
     "else in the one it is found to have (UTF-8 or Windows-1252). Characters the\n"
     "organizer cannot store are listed in a warning. A vCard or iCalendar import\n"
     "leaves out the records APP already holds unless --duplicates is given; a\n"
     "vCard import into anniversary takes the cards' birthdays and anniversaries.\n"
     "When no record is taken the file is left as it was and the exit status is 1.",
     3, 3, RunImport},
};

}  // namespace

std::span<const CliCommand> ExchangeCommands() { return kExchangeCommands; }

}  // namespace kivo::cli

// Commands that exchange one application of a backup file with a CSV file:
// export and import.

#include <cstdio>
#include <ostream>

#include "backup_access.h"
#include "command_table.h"
#include "csv/csv_export.h"
#include "csv/csv_reader.h"
#include "store/backup_file.h"
#include "terminal_prompter.h"

namespace kivo::cli {

namespace {

// The six applications with records of their own; the category list has no
// CSV form.
std::optional<AppliId> ParseCsvAppli(const CliContext& context, std::string_view text) {
  std::optional<AppliId> id = ParseAppliArgument(context, text);
  if (id && *id == kCategoryList) {
    (void)context.UsageFailure("the category list has no CSV form; name one of the six "
                               "applications");
    return std::nullopt;
  }
  return id;
}

// Box texts use CR LF between lines.
std::string TerminalLines(std::string text) {
  for (size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at)) {
    text.erase(at, 1);
  }
  return text;
}

void ReportReplaced(const CliContext& context, const std::filesystem::path& csv, int replaced) {
  if (replaced <= 0) return;
  *context.err << kToolName << ": " << csv.string() << ": " << replaced
               << " character(s) without a Windows-1252 form were replaced by \"?\"\n";
}

int RunExport(CliContext& context, std::span<const std::string> args) {
  std::optional<AppliId> id = ParseCsvAppli(context, args[1]);
  if (!id) return kExitUsage;
  if (!CheckTables(context)) return kExitFailure;
  const std::filesystem::path file = args[0];
  const std::filesystem::path csv = args[2];
  AppliStore store;
  if (int status = ReadBackupForViewing(context, file, store, true); status != kExitOk) {
    return status;
  }
  CsvExporter exporter(store, context.settings.display_hour, context.settings.display_date,
                       context.encoding);
  TerminalPrompter prompter(*context.err, stdin);
  int count = exporter.ExportCsv(csv, *id, prompter);
  ReportReplaced(context, csv, exporter.replaced_characters());
  if (count < 0) return context.FileFailure(csv, "not written");
  std::string message = ExportMessage(count);
  if (!message.empty()) *context.out << message << "\n";
  return kExitOk;
}

int RunImport(CliContext& context, std::span<const std::string> args) {
  std::optional<AppliId> id = ParseCsvAppli(context, args[1]);
  if (!id) return kExitUsage;
  if (!CheckTables(context)) return kExitFailure;
  const std::filesystem::path file = args[0];
  const std::filesystem::path csv = args[2];
  AppliStore store;
  if (int status = ReadBackupForChange(context, file, store); status != kExitOk) return status;

  CsvReader reader(context.settings.display_hour, context.settings.display_date,
                   context.encoding);
  if (!reader.Open(csv, *id)) {
    return context.FileFailure(csv, "Failed to Import (cannot be read, is empty, or its header "
                                    "does not name the columns of " +
                                        std::string(AppliName(*id)) + ")");
  }
  int lines_read = 0;
  int taken = reader.ImportCsv(store, *id, &lines_read);
  reader.Close();
  ReportReplaced(context, csv, reader.replaced_characters());
  if (taken < 0) return context.FileFailure(csv, "Failed to Import");
  *context.out << TerminalLines(ImportMessage(taken, lines_read)) << "\n";
  // Nothing taken leaves the backup file as it was.
  if (taken == 0) return kExitOk;
  std::string error;
  if (SaveBackupFile(store, file, context.scramble(), &error) != kStoreOk) {
    return context.FileFailure(file, error.empty() ? "File write error" : error);
  }
  return kExitOk;
}

constexpr CliCommand kCsvCommands[] = {
    {"export", "FILE.bkf APP OUT.csv", "one application's records as a CSV file",
     "Dates, times and amounts are written in the display modes of the settings or of\n"
     "--date-format and --hour-format; the file holds Windows-1252 text unless\n"
     "--encoding utf-8 is given.",
     3, 3, RunExport},
    {"import", "FILE.bkf APP IN.csv", "appends the records of a CSV file to one application",
     "FILE.bkf is read (an empty store when it does not exist), the accepted lines of\n"
     "IN.csv are appended to APP and the file is saved again, inverted unless\n"
     "--plain is given. Its device code must match the settings or --device-code.\n"
     "When no record is taken the file is left as it was.",
     3, 3, RunImport},
};

}  // namespace

std::span<const CliCommand> CsvCommands() { return kCsvCommands; }

}  // namespace kivo::cli

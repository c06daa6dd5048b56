#ifndef KIVO_EXCHANGE_EXCHANGE_H_
#define KIVO_EXCHANGE_EXCHANGE_H_

#include <ctime>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "csv/cp1252.h"
#include "exchange/exchange_format.h"
#include "exchange/import_rules.h"
#include "format/display_modes.h"
#include "store/appli_store.h"
#include "store/char_tables.h"

namespace kivo {

class FreeSpace;
class Prompter;

// What an export or import needs beside the file and the application.
struct ExchangeOptions {
  int display_hour = 0;
  int display_date = 0;
  // CSV only. Export: the file's coding (UTF-8 when not given). Import: the
  // coding to read in; when not given it is detected: a byte-order mark or
  // valid UTF-8 mean UTF-8, anything else Windows-1252.
  std::optional<CsvEncoding> encoding;
  // vCard and iCalendar exports: the time that stamps the file.
  std::time_t now = 0;
  // Imports: today's date, for dates that lack a year or a due date (and
  // for AppendBatch's choice at the record limit).
  DateValue today;
};

// Writes one application's records in the format, replacing the file as a
// whole, with the messages and retries of the CSV export (prompter; free
// space). Returns the number of records written or -1 when no file was
// written. *replaced (when given) receives the characters written as "?"
// (CSV in UTF-8).
[[nodiscard]] int ExportFile(const std::filesystem::path& path, ExchangeFormat format,
                             const AppliStore& store, AppliId id, const ExchangeOptions& options,
                             Prompter& prompter, FreeSpace& free_space, int* replaced = nullptr);

// Reads a file of the format into a batch for application `id`; nothing in
// `store` changes (the CSV rules read it for the record limit and the
// category names). nullopt when the file cannot be read or, for CSV, its
// header does not fit the application: the caller's "Failed to Import".
[[nodiscard]] std::optional<ImportBatch> ReadImportFile(const std::filesystem::path& path,
                                                        ExchangeFormat format, AppliId id,
                                                        const ExchangeOptions& options,
                                                        const AppliStore& store,
                                                        const AllowedTable& allowed);

// The coding a CSV file's bytes are read in when none is forced.
[[nodiscard]] CsvEncoding DetectCsvEncoding(std::string_view bytes);
// "UTF-8", "Windows-1252": the names the program shows and --encoding takes
// ("utf-8", "cp1252" and "windows-1252" in any case).
[[nodiscard]] std::string_view EncodingName(CsvEncoding encoding);
[[nodiscard]] std::optional<CsvEncoding> ParseEncodingName(std::string_view name);

}  // namespace kivo

#endif  // KIVO_EXCHANGE_EXCHANGE_H_

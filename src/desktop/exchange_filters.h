#ifndef KIVO_DESKTOP_EXCHANGE_FILTERS_H_
#define KIVO_DESKTOP_EXCHANGE_FILTERS_H_

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "csv/cp1252.h"
#include "exchange/exchange_format.h"
#include "store/appli_id.h"

namespace kivo {

// One entry of the Export dialog's filter list: a format, and for CSV the
// coding it is written in.
struct ExportFilter {
  std::string text;  // "CSV Files, UTF-8 (*.csv)"
  ExchangeFormat format;
  std::optional<CsvEncoding> encoding;
};

// CSV in UTF-8, CSV in Windows-1252, then vCard or iCalendar where they fit
// the application.
[[nodiscard]] std::vector<ExportFilter> ExportFilters(AppliId id);

// The Import dialog's Browse filters: every file the application takes,
// then one filter per format ("Telephone Files (*.csv *.vcf);;CSV Files
// (*.csv);;vCard Files (*.vcf)").
[[nodiscard]] std::string ImportFilters(AppliId id);

// The reason a file cannot be imported into the application because of its
// extension ("A vCard file does not fit Memo. Memo takes CSV files."); empty
// when it fits or its extension names no format (read as CSV).
[[nodiscard]] std::string FormatMismatch(std::string_view path, AppliId id);

// Why the Import dialog cannot take the file: the system's reason why it
// cannot be opened for reading, else the reason its extension does not fit
// the application (appli < 0: none chosen, no reason); empty when it can.
[[nodiscard]] std::string ImportProblem(const std::string& path, int appli);

// The settings' words for a CSV coding ("utf-8", "cp1252"; "detect" for
// none), and back.
[[nodiscard]] std::string_view EncodingKey(std::optional<CsvEncoding> encoding);
[[nodiscard]] std::optional<CsvEncoding> EncodingOfKey(std::string_view key);

}  // namespace kivo

#endif  // KIVO_DESKTOP_EXCHANGE_FILTERS_H_

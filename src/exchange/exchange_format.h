#ifndef KIVO_EXCHANGE_EXCHANGE_FORMAT_H_
#define KIVO_EXCHANGE_EXCHANGE_FORMAT_H_

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "store/appli_id.h"

namespace kivo {

// The file formats one application's records are exchanged in.
enum class ExchangeFormat { kCsv, kVCard, kICal };

// "csv", "vcard", "ical": the names --format takes.
[[nodiscard]] std::string_view FormatName(ExchangeFormat format);
[[nodiscard]] std::optional<ExchangeFormat> ParseFormatName(std::string_view name);
// ".csv", ".vcf", ".ics".
[[nodiscard]] std::string_view FormatExtension(ExchangeFormat format);
// The format of a file name's extension in any letter case (".vcard" and
// ".ical" too); nullopt for any other.
[[nodiscard]] std::optional<ExchangeFormat> FormatOfPath(const std::filesystem::path& path);

// Which way a file goes: written from the application or read into it.
enum class ExchangeWay { kExport, kImport };

// The formats an application's records fit: CSV for the six applications,
// vCard for Telephone, iCalendar for Schedule, Anniversary and To Do; an
// import into Anniversary takes the birthdays and anniversaries of vCards
// as well.
[[nodiscard]] std::vector<ExchangeFormat> FormatsFor(AppliId id, ExchangeWay way);
[[nodiscard]] bool FormatFits(ExchangeFormat format, AppliId id, ExchangeWay way);
// "csv or vcard": the names of FormatsFor joined for a message.
[[nodiscard]] std::string FitNames(AppliId id, ExchangeWay way);

// A file dialog's filter of a format: "vCard Files (*.vcf)".
[[nodiscard]] std::string FormatFilter(ExchangeFormat format);

}  // namespace kivo

#endif  // KIVO_EXCHANGE_EXCHANGE_FORMAT_H_

#include "desktop/exchange_filters.h"

#include <cerrno>
#include <cstring>

#include "exchange/exchange.h"
#include "platform/file_handle.h"

namespace kivo {

std::vector<ExportFilter> ExportFilters(AppliId id) {
  std::vector<ExportFilter> filters = {
      {"CSV Files, UTF-8 (*.csv)", ExchangeFormat::kCsv, CsvEncoding::kUtf8},
      {"CSV Files, Windows-1252 (*.csv)", ExchangeFormat::kCsv, CsvEncoding::kWindows1252}};
  for (ExchangeFormat format : FormatsFor(id, ExchangeWay::kExport)) {
    if (format != ExchangeFormat::kCsv) filters.push_back({FormatFilter(format), format, {}});
  }
  return filters;
}

std::string ImportFilters(AppliId id) {
  std::string patterns;
  std::string each;
  const std::vector<ExchangeFormat> formats = FormatsFor(id, ExchangeWay::kImport);
  for (ExchangeFormat format : formats) {
    if (!patterns.empty()) patterns += ' ';
    patterns += '*';
    patterns += FormatExtension(format);
    each += ";;";
    each += FormatFilter(format);
  }
  if (formats.size() == 1) return each.substr(2);
  return std::string(AppliName(id)) + " Files (" + patterns + ")" + each;
}

namespace {

std::string_view FormatTitle(ExchangeFormat format) {
  switch (format) {
    case ExchangeFormat::kVCard:
      return "vCard";
    case ExchangeFormat::kICal:
      return "iCalendar";
    default:
      return "CSV";
  }
}

}  // namespace

std::string FormatMismatch(std::string_view path, AppliId id) {
  const std::optional<ExchangeFormat> format = FormatOfPath(std::string(path));
  if (!format || FormatFits(*format, id, ExchangeWay::kImport)) return {};
  std::string takes;
  const std::vector<ExchangeFormat> fits = FormatsFor(id, ExchangeWay::kImport);
  for (size_t i = 0; i < fits.size(); ++i) {
    if (i > 0) takes += i + 1 == fits.size() ? " or " : ", ";
    takes += FormatTitle(fits[i]);
  }
  const std::string_view title = FormatTitle(*format);
  return std::string(title == "iCalendar" ? "An " : "A ") + std::string(title) +
         " file does not fit " + std::string(AppliName(id)) + ". " + std::string(AppliName(id)) +
         " takes " + takes + " files.";
}

std::string ImportProblem(const std::string& path, int appli) {
  if (OpenFile(path, "rb") == nullptr) {
    const int error = errno;
    return std::strerror(error != 0 ? error : ENOENT);
  }
  return appli < 0 ? std::string() : FormatMismatch(path, static_cast<AppliId>(appli));
}

std::string_view EncodingKey(std::optional<CsvEncoding> encoding) {
  if (!encoding) return "detect";
  return *encoding == CsvEncoding::kUtf8 ? "utf-8" : "cp1252";
}

std::optional<CsvEncoding> EncodingOfKey(std::string_view key) { return ParseEncodingName(key); }

}  // namespace kivo

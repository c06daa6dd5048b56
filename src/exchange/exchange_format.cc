#include "exchange/exchange_format.h"

#include <algorithm>
#include <cctype>

namespace kivo {

namespace {

struct FormatInfo {
  ExchangeFormat format;
  std::string_view name;
  std::string_view extension;
  std::string_view other_extension;
  std::string_view filter;
};

constexpr FormatInfo kFormats[] = {
    {ExchangeFormat::kCsv, "csv", ".csv", ".csv", "CSV Files (*.csv)"},
    {ExchangeFormat::kVCard, "vcard", ".vcf", ".vcard", "vCard Files (*.vcf)"},
    {ExchangeFormat::kICal, "ical", ".ics", ".ical", "iCalendar Files (*.ics)"},
};

const FormatInfo& Info(ExchangeFormat format) {
  return *std::find_if(std::begin(kFormats), std::end(kFormats),
                       [&](const FormatInfo& info) { return info.format == format; });
}

}  // namespace

std::string_view FormatName(ExchangeFormat format) { return Info(format).name; }

std::optional<ExchangeFormat> ParseFormatName(std::string_view name) {
  for (const FormatInfo& info : kFormats) {
    if (info.name == name) return info.format;
  }
  return std::nullopt;
}

std::string_view FormatExtension(ExchangeFormat format) { return Info(format).extension; }

std::optional<ExchangeFormat> FormatOfPath(const std::filesystem::path& path) {
  std::string extension = path.extension().string();
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  for (const FormatInfo& info : kFormats) {
    if (extension == info.extension || extension == info.other_extension) return info.format;
  }
  return std::nullopt;
}

std::vector<ExchangeFormat> FormatsFor(AppliId id, ExchangeWay way) {
  switch (id) {
    case kTelephone:
      return {ExchangeFormat::kCsv, ExchangeFormat::kVCard};
    case kAnniversary:
      if (way == ExchangeWay::kImport) {
        return {ExchangeFormat::kCsv, ExchangeFormat::kICal, ExchangeFormat::kVCard};
      }
      return {ExchangeFormat::kCsv, ExchangeFormat::kICal};
    case kSchedule:
    case kToDo:
      return {ExchangeFormat::kCsv, ExchangeFormat::kICal};
    case kMemo:
    case kExpense:
      return {ExchangeFormat::kCsv};
    default:
      return {};
  }
}

bool FormatFits(ExchangeFormat format, AppliId id, ExchangeWay way) {
  const std::vector<ExchangeFormat> fits = FormatsFor(id, way);
  return std::find(fits.begin(), fits.end(), format) != fits.end();
}

std::string FitNames(AppliId id, ExchangeWay way) {
  std::string names;
  for (ExchangeFormat format : FormatsFor(id, way)) {
    if (!names.empty()) names += " or ";
    names += FormatName(format);
  }
  return names;
}

std::string FormatFilter(ExchangeFormat format) { return std::string(Info(format).filter); }

}  // namespace kivo

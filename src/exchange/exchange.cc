#include "exchange/exchange.h"

#include <algorithm>
#include <cctype>

#include "csv/csv_export.h"
#include "csv/csv_reader.h"
#include "exchange/ical.h"
#include "exchange/vcard.h"
#include "platform/atomic_file.h"
#include "platform/free_space.h"
#include "platform/prompter.h"

namespace kivo {

namespace {

std::optional<ImportBatch> ReadCsv(const std::filesystem::path& path, AppliId id,
                                   const ExchangeOptions& options, const AppliStore& store,
                                   const AllowedTable& allowed) {
  const std::optional<std::string> bytes = ReadWholeFile(path);
  if (!bytes) return std::nullopt;
  ImportBatch batch;
  batch.id = id;
  const CsvEncoding encoding = options.encoding.value_or(DetectCsvEncoding(*bytes));
  const bool bom = bytes->starts_with("\xEF\xBB\xBF");
  batch.encoding = bom ? "UTF-8 with byte-order mark" : std::string(EncodingName(encoding));
  if (!options.encoding) batch.encoding += " (detected)";
  // The characters of the lines after the header, which become texts.
  TextTaker scan(allowed, &batch);
  std::string_view body(*bytes);
  const size_t header_end = body.find_first_of("\r\n");
  body.remove_prefix(header_end == std::string_view::npos ? body.size() : header_end);
  if (encoding == CsvEncoding::kUtf8 || bom) {
    scan.Scan(body);
  } else {
    scan.ScanCp1252(body);
  }

  // The reader appends to a copy of the store, so that the record limit and
  // the category names are the store's; what it adds becomes the batch.
  AppliStore scratch(store.code_tables());
  CopyAppliStore(scratch, store);
  const int before = std::max(scratch.GetRecordCount(id), 0);
  CsvReader reader(options.display_hour, options.display_date, encoding, allowed);
  reader.SetToday(options.today);
  if (!reader.Open(path, id)) return std::nullopt;
  int lines_read = 0;
  const int taken = reader.ImportCsv(scratch, id, &lines_read);
  reader.Close();
  if (taken < 0) return std::nullopt;
  batch.rejected = lines_read - taken;
  batch.cut_texts = reader.cut_texts();
  batch.over_limit = reader.over_limit_lines();
  for (int i = before; i < scratch.GetRecordCount(id); ++i) {
    const std::span<const uint8_t> record = scratch.Record(id, i);
    batch.records.emplace_back(record.begin(), record.end());
  }
  return batch;
}

}  // namespace

CsvEncoding DetectCsvEncoding(std::string_view bytes) {
  if (bytes.starts_with("\xEF\xBB\xBF")) return CsvEncoding::kUtf8;
  return IsValidUtf8(bytes) ? CsvEncoding::kUtf8 : CsvEncoding::kWindows1252;
}

std::string_view EncodingName(CsvEncoding encoding) {
  return encoding == CsvEncoding::kUtf8 ? "UTF-8" : "Windows-1252";
}

std::optional<CsvEncoding> ParseEncodingName(std::string_view name) {
  std::string lower(name);
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  if (lower == "utf-8" || lower == "utf8") return CsvEncoding::kUtf8;
  if (lower == "cp1252" || lower == "windows-1252") return CsvEncoding::kWindows1252;
  return std::nullopt;
}

int ExportFile(const std::filesystem::path& path, ExchangeFormat format, const AppliStore& store,
               AppliId id, const ExchangeOptions& options, Prompter& prompter,
               FreeSpace& free_space, int* replaced) {
  if (replaced != nullptr) *replaced = 0;
  if (!FormatFits(format, id, ExchangeWay::kExport)) return -1;
  if (format == ExchangeFormat::kCsv) {
    CsvExporter exporter(store, options.display_hour, options.display_date,
                         options.encoding.value_or(CsvEncoding::kUtf8));
    const int count = exporter.ExportCsv(path, id, prompter, free_space);
    if (replaced != nullptr) *replaced = exporter.replaced_characters();
    return count;
  }
  std::string text;
  const int count = format == ExchangeFormat::kVCard
                        ? BuildVCards(store, &text)
                        : BuildICalendar(store, id, options.now, &text);
  if (count < 0) return -1;
  return WriteExportText(path, text, prompter, free_space) ? count : -1;
}

std::optional<ImportBatch> ReadImportFile(const std::filesystem::path& path, ExchangeFormat format,
                                          AppliId id, const ExchangeOptions& options,
                                          const AppliStore& store, const AllowedTable& allowed) {
  if (!FormatFits(format, id, ExchangeWay::kImport)) return std::nullopt;
  if (format == ExchangeFormat::kCsv) return ReadCsv(path, id, options, store, allowed);
  const std::optional<std::string> text = ReadWholeFile(path);
  if (!text) return std::nullopt;
  if (format == ExchangeFormat::kVCard) {
    return id == kTelephone ? ReadVCards(*text, allowed)
                            : ReadVCardDates(*text, allowed, options.today);
  }
  return ReadICalendar(*text, id, allowed, options.today);
}

}  // namespace kivo

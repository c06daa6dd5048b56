#ifndef KIVO_CSV_CSV_EXPORT_H_
#define KIVO_CSV_CSV_EXPORT_H_

#include <filesystem>
#include <string>
#include <string_view>

#include "csv/cp1252.h"
#include "format/display_modes.h"
#include "platform/atomic_file.h"
#include "store/appli_id.h"
#include "store/appli_store.h"

namespace kivo {

class FreeSpace;
class Prompter;

// A text as one CSV field: with a double quote, every double quote doubled and
// the whole enclosed in double quotes; else with a comma or a line break (CR
// or LF), enclosed, so that the reader takes the text as one field of one
// line; else as it is.
[[nodiscard]] std::string QuoteCsvField(std::string_view text);

// Writes the records of one application of a store as CSV text: a header line
// of column names, then one line per record, every line ending "\r\n", with
// dates, times and amounts in the display modes given at construction. The
// import reads every header name written here.
//
// The store is only read; it must outlive the exporter.
class CsvExporter {
 public:
  CsvExporter(const AppliStore& store, int display_hour, int display_date,
              CsvEncoding encoding = CsvEncoding::kWindows1252);

  // The builders: fill *text with the header and the lines of all records of
  // the application (none when it is absent) and return the number of lines
  // after the header. A record whose bytes cannot be decoded is left out. An
  // Expense record is left out when the store holds no category list.
  int BuildSchedule(std::string* text) const;
  int BuildAnniversary(std::string* text) const;
  int BuildToDo(std::string* text) const;
  int BuildMemo(std::string* text) const;
  int BuildExpense(std::string* text) const;
  int BuildTelephone(std::string* text) const;
  // The builder of the application; -1 and an empty text for ids outside 0..5.
  int Build(AppliId id, std::string* text) const;

  // Builds the text and writes it to `path`, replacing the file as a whole:
  // the previous contents stay until the new ones are complete. Every failure
  // is shown through `prompter` ("Error" boxes with the system's error text;
  // "Out of disk space writing to drive %s." while `free_space` reports less
  // than needed), and Retry tries again. Returns the builder's count, or -1
  // when the file was not written (the user cancelled or the file cannot be
  // opened). In UTF-8 mode characters without a Unicode form are written as
  // "?" and counted in replaced_characters(). The bytes go through `writer`.
  [[nodiscard]] int ExportCsv(const std::filesystem::path& path, AppliId id, Prompter& prompter,
                              FreeSpace& free_space, FileWriter& writer = SystemFileWriter());
  // The same with the system's free-space query.
  [[nodiscard]] int ExportCsv(const std::filesystem::path& path, AppliId id, Prompter& prompter);

  int replaced_characters() const { return replaced_; }

 private:
  const AppliStore& store_;
  int display_hour_;
  int display_date_;
  CsvEncoding encoding_;
  int replaced_ = 0;
};

// Writes an export's text to `path`: first whether the path can be written
// at all (created when absent, never truncated), then the free space the file
// grows by, then the whole text through a temporary file that replaces the
// target only when complete. Each failure is shown through `prompter` with
// Retry or Cancel; a file that did not exist before is removed again when
// nothing was written. False when nothing was written. The bytes go through
// `writer`.
[[nodiscard]] bool WriteExportText(const std::filesystem::path& path, const std::string& text,
                                   Prompter& prompter, FreeSpace& free_space,
                                   FileWriter& writer = SystemFileWriter());

// The message the caller shows after an export: "%d records were successfully
// exported." ("1 record was", caption "Export"); empty when the count is 0 or less, for which
// nothing is shown.
[[nodiscard]] std::string ExportMessage(int count);

}  // namespace kivo

#endif  // KIVO_CSV_CSV_EXPORT_H_

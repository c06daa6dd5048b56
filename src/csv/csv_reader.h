#ifndef KIVO_CSV_CSV_READER_H_
#define KIVO_CSV_CSV_READER_H_

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "csv/cp1252.h"
#include "format/display_modes.h"
#include "platform/file_handle.h"
#include "store/appli_id.h"
#include "store/appli_store.h"
#include "store/char_tables.h"

namespace kivo {

// At most this many records of one application are taken from a file; the
// import stops when the application holds them.
inline constexpr int kImportRecordLimit = kOrganizerRecordLimit;

// Reads a CSV file into one application of a store: Open (reads and checks
// the header line), ImportCsv (the remaining lines), Close. One reader serves
// one file.
//
// Lines end with LF, CR or CR LF. Fields are split at commas; a field that
// starts with a double quote runs to the closing quote ("" inside stands for
// one quote) and keeps what follows the quote up to the next comma. A quoted
// field whose closing quote is missing continues on the next line of the
// file, joined with one blank; at the end of the file such a line is a broken
// line and ends the import. Blanks are never trimmed.
//
// Every text taken into a record is filtered through the allowed-character
// table, cut to its field's capacity and has 0xFF replaced by a blank.
class CsvReader {
 public:
  CsvReader(int display_hour, int display_date, CsvEncoding encoding, const AllowedTable& allowed);
  ~CsvReader();

  CsvReader(const CsvReader&) = delete;
  CsvReader& operator=(const CsvReader&) = delete;

  // Opens the file and reads its first line as the header. False when the
  // file cannot be opened, is empty, or the header does not name the columns
  // the application needs; the caller then shows "Failed to Import". A file
  // starting with a UTF-8 byte-order mark is read as UTF-8 whatever the
  // encoding given.
  [[nodiscard]] bool Open(const std::filesystem::path& path, AppliId id);
  // The same on a stream opened for reading (fuzzing and tests read from
  // memory this way).
  [[nodiscard]] bool Open(FileHandle file, AppliId id);

  // Reads the remaining lines and appends every accepted record to the
  // application in the store (index = its record count). Returns the number
  // of records taken, or -1 for an id outside 0..5. *lines_read (when given)
  // receives taken + rejected + broken lines; lines after the record limit
  // are not read.
  [[nodiscard]] int ImportCsv(AppliStore& store, AppliId id, int* lines_read);

  void Close();

  // The date the import takes as today: the year of an Anniversary date
  // written without year, the due date of a To Do line without one. The
  // system's date unless set.
  void SetToday(const DateValue& today) { today_ = today; }

  int broken_lines() const { return broken_lines_; }
  int rejected_lines() const { return rejected_; }
  // Characters replaced by "?" while reading UTF-8.
  int replaced_characters() const { return decoder_.replaced(); }
  // Texts cut at their field's capacity.
  int cut_texts() const { return cut_texts_; }

 private:
  enum class LineOutcome { kTaken, kRejected, kStop };

  // The next character of the file in Windows-1252, or EOF.
  int NextChar();
  void PutBack(int c) { put_back_ = c; }
  // One physical line without its end; false at the end of the file when
  // nothing was read.
  bool ReadLine(std::string* line);
  // The next logical line split into fields_; false at the end of the file
  // (or when a quoted field stays open at the end: a broken line).
  bool ReadFields();
  bool HeaderFits(AppliId id) const;

  // The field under a column name; nullopt when the header lacks the column
  // or the line has fewer fields.
  std::optional<std::string_view> Value(std::string_view column) const;
  int ColumnIndex(std::string_view column) const;
  std::string Text(std::string_view value, size_t capacity) const;
  bool ReadDate(std::optional<std::string_view> value, bool with_year, DateValue* date) const;
  bool ReadTime(std::string_view value, TimeValue* time) const;

  LineOutcome ImportSchedule(AppliStore& store);
  LineOutcome ImportAnniversary(AppliStore& store);
  LineOutcome ImportToDo(AppliStore& store);
  LineOutcome ImportMemo(AppliStore& store);
  LineOutcome ImportExpense(AppliStore& store);
  LineOutcome ImportTelephone(AppliStore& store);
  // The record limit and the put shared by every application.
  template <typename Record, typename Put>
  LineOutcome Store(AppliStore& store, AppliId id, const Record& record, Put put);

  int display_hour_;
  int display_date_;
  CsvEncoding encoding_;
  DateValue today_;
  bool utf8_ = false;
  AllowedTable allowed_;
  FileHandle file_;
  int put_back_ = -1;
  Utf8ToCp1252Decoder decoder_;
  std::string line_;
  std::vector<std::string> fields_;
  std::vector<std::string> header_;
  bool too_long_ = false;
  int broken_lines_ = 0;
  int rejected_ = 0;
  mutable int cut_texts_ = 0;
};

// The message the caller shows after an import (caption "Import"):
// "%d records were successfully imported." ("1 record was") when every line
// read was taken,
// the same with "\r\nOther records were rejected due to error." when some
// were not, and "Failed to Import" for a negative count.
[[nodiscard]] std::string ImportMessage(int taken, int lines_read);

}  // namespace kivo

#endif  // KIVO_CSV_CSV_READER_H_

#include "csv/csv_reader.h"

#include <algorithm>
#include <new>
#include <utility>

#include "format/today.h"

namespace kivo {

namespace {

// No record comes near this; a longer line (a file that is no CSV at all, or a
// quote that never closes) ends the import instead of eating memory.
constexpr size_t kMaxLineBytes = 1 << 20;

}  // namespace

CsvReader::CsvReader(int display_hour, int display_date, CsvEncoding encoding,
                     const AllowedTable& allowed)
    : display_hour_(NormalDisplayHour(display_hour)),
      display_date_(NormalDisplayDate(display_date)),
      encoding_(encoding),
      today_(SystemToday()),
      allowed_(allowed) {}

CsvReader::~CsvReader() { Close(); }

void CsvReader::Close() {
  file_.reset();
  put_back_ = -1;
}

bool CsvReader::Open(const std::filesystem::path& path, AppliId id) {
  return Open(OpenFile(path, "rb"), id);
}

bool CsvReader::Open(FileHandle file, AppliId id) {
  Close();
  broken_lines_ = 0;
  rejected_ = 0;
  too_long_ = false;
  decoder_ = Utf8ToCp1252Decoder();
  header_.clear();
  file_ = std::move(file);
  if (file_ == nullptr) return false;

  // A byte-order mark can only mean UTF-8; read that way, the first column
  // name is found instead of carrying the mark.
  unsigned char mark[3] = {};
  utf8_ = encoding_ == CsvEncoding::kUtf8;
  if (std::fread(mark, 1, 3, file_.get()) == 3 && mark[0] == 0xEF && mark[1] == 0xBB &&
      mark[2] == 0xBF) {
    utf8_ = true;
  } else {
    std::rewind(file_.get());
  }

  if (!ReadFields()) {
    Close();
    broken_lines_ = 0;  // a header line is no record line
    return false;
  }
  header_ = fields_;
  if (!HeaderFits(id)) {
    Close();
    return false;
  }
  return true;
}

int CsvReader::NextChar() {
  if (put_back_ >= 0) {
    const int c = put_back_;
    put_back_ = -1;
    return c;
  }
  if (file_ == nullptr) return EOF;
  // The reader alone uses its stream: no lock per character.
  if (!utf8_) return getc_unlocked(file_.get());
  for (;;) {
    const int b = getc_unlocked(file_.get());
    if (b == EOF) {
      const std::optional<uint8_t> last = decoder_.Finish();
      return last ? *last : EOF;
    }
    bool again = false;
    const std::optional<uint8_t> c = decoder_.Feed(static_cast<uint8_t>(b), &again);
    if (again) std::ungetc(b, file_.get());
    if (c) return *c;
  }
}

bool CsvReader::ReadLine(std::string* line) {
  line->clear();
  int c = NextChar();
  if (c == EOF) return false;
  for (; c != EOF; c = NextChar()) {
    if (c == '\n') break;
    if (c == '\r') {
      const int next = NextChar();
      if (next != '\n' && next != EOF) PutBack(next);
      break;
    }
    if (line->size() >= kMaxLineBytes) {
      too_long_ = true;
      break;
    }
    *line += static_cast<char>(c);
  }
  return true;
}

bool CsvReader::ReadFields() {
  fields_.clear();
  try {
    if (too_long_ || !ReadLine(&line_)) return false;
    for (;;) {
      if (too_long_) {
        ++broken_lines_;
        return false;
      }
      fields_.clear();
      if (line_.empty()) return true;
      bool joined = false;
      size_t pos = 0;
      while (!joined) {
        std::string field;
        if (pos < line_.size() && line_[pos] == '"') {
          ++pos;
          bool closed = false;
          while (pos < line_.size()) {
            if (line_[pos] == '"') {
              if (pos + 1 < line_.size() && line_[pos + 1] == '"') {
                field += '"';
                pos += 2;
                continue;
              }
              ++pos;
              closed = true;
              break;
            }
            field += line_[pos++];
          }
          // What follows the closing quote belongs to the field too.
          const size_t end = std::min(line_.find(',', pos), line_.size());
          field.append(line_, pos, end - pos);
          pos = end;
          // A field whose quote is still open goes on in the next line. Only
          // the missing closing quote counts: judging by the field's last
          // character would join every following line of the file to a
          // field like "ab"cd and lose them all as one broken line, and would
          // take a field ending in a doubled quote for a closed one.
          if (!closed) {
            std::string next;
            if (!ReadLine(&next)) {
              ++broken_lines_;
              return false;
            }
            if (line_.size() + next.size() >= kMaxLineBytes) too_long_ = true;
            line_ += ' ';
            line_ += next;
            joined = true;
            continue;
          }
        } else {
          const size_t end = std::min(line_.find(',', pos), line_.size());
          field.assign(line_, pos, end - pos);
          pos = end;
        }
        fields_.push_back(std::move(field));
        if (pos >= line_.size()) return true;
        ++pos;  // the comma: another field follows, empty at the line's end
      }
    }
  } catch (const std::bad_alloc&) {
    // Out of memory ends the import like the end of the file.
    fields_.clear();
    too_long_ = true;
    return false;
  }
}

int CsvReader::ColumnIndex(std::string_view column) const {
  const auto found = std::find(header_.begin(), header_.end(), column);
  return found == header_.end() ? -1 : static_cast<int>(found - header_.begin());
}

std::optional<std::string_view> CsvReader::Value(std::string_view column) const {
  const int index = ColumnIndex(column);
  if (index < 0 || static_cast<size_t>(index) >= fields_.size()) return std::nullopt;
  return fields_[index];
}

bool CsvReader::HeaderFits(AppliId id) const {
  auto has = [this](std::initializer_list<std::string_view> names) {
    return std::any_of(names.begin(), names.end(),
                       [this](std::string_view name) { return ColumnIndex(name) >= 0; });
  };
  switch (id) {
    case kSchedule:
      // A To Do or Expense file has a Date column too.
      return has({"Date"}) && !has({"Amount"}) && !has({"Priority"});
    case kAnniversary:
      return has({"Date"});
    case kToDo:
      return has({"Priority"}) && has({"Description"});
    case kMemo:
      return header_.size() == 1 && (header_[0] == "Memo" || header_[0] == "Description");
    case kExpense:
      return has({"Date"}) && has({"Amount"});
    case kTelephone:
      return has({"Name", "Last Name", "First Name", "Company"}) &&
             has({"Home#", "Office#", "Fax#", "Other#", "Address", "Number", "URL"});
    default:
      return false;
  }
}

std::string ImportMessage(int taken, int lines_read) {
  if (taken < 0) return "Failed to Import";
  std::string text = std::to_string(taken) + (taken == 1 ? " record was" : " records were") +
                     " successfully imported.";
  if (lines_read - taken > 0) text += "\r\nOther records were rejected due to error.";
  return text;
}

}  // namespace kivo

#ifndef KIVO_EXCHANGE_IMPORT_RULES_H_
#define KIVO_EXCHANGE_IMPORT_RULES_H_

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "format/display_modes.h"
#include "store/appli_id.h"
#include "store/appli_store.h"
#include "store/char_tables.h"

namespace kivo {

// The rules every import follows, whatever the file's format. A reader first
// turns the whole file into an ImportBatch without touching the store; the
// caller then shows what the batch reports (characters without an organizer
// form, before anything changes) and appends it with AppendBatch.

// Entries rejected for one reason: "card without a name or company" and
// its plural.
struct RejectReason {
  std::string one;
  std::string many;
  int count = 0;
};

// What one file gave: the records in the store's coding, and the counts the
// user is told about.
struct ImportBatch {
  AppliId id = 0;
  std::vector<std::vector<uint8_t>> records;
  int rejected = 0;   // entries that could not become a record
  int skipped = 0;    // entries of a kind the application cannot hold
  int recurring = 0;  // recurring entries of which the first occurrence was taken
  int cut_texts = 0;  // texts cut at their field's capacity
  int adjusted = 0;   // values moved into the organizer's range (a reminder of 3 hours)
  int cancelled = 0;  // cancelled events and to-dos, skipped
  // Dates the entry did not give, taken from today: the due date of a to-do
  // without one, the year of a birthday before the organizer's years.
  int undated = 0;
  // Entries whose UID comes again later in the file: only the last is taken.
  int superseded = 0;
  // Records the application already held, left out by DropPresent.
  int present = 0;
  // Entries a reader left out because the application was full already (the
  // CSV reader stops appending at the limit; AppendBatch counts its own).
  int over_limit = 0;
  // Birthdays and anniversaries of cards read into Telephone, which has no
  // place for them.
  int dates_not_held = 0;
  // Why entries were rejected, where the reader knows (the CSV reader only
  // counts them).
  std::vector<RejectReason> reasons;
  // Per card: the name and the telephone numbers that did not fit anywhere.
  std::vector<std::string> lost_numbers;
  // Character sets named by a file that this program cannot read; the texts
  // in them were left out. Each listed once.
  std::vector<std::string> unknown_charsets;
  // Characters without a Windows-1252 form (stored as "?") and characters the
  // organizer refuses ("char.dat"; left out), each listed once in the order
  // met.
  std::vector<char32_t> unmappable;
  std::vector<char32_t> refused;
  // How the file's bytes were read ("UTF-8", "Windows-1252"); empty for
  // formats whose coding is fixed.
  std::string encoding;
};

// Turns texts of a file into texts of records: line breaks become CR LF,
// NUL is left out and other control characters but the tab (DEL too) become blanks,
// characters without a Windows-1252 form become "?", characters the
// allowed-character table refuses are left out, the rest is cut to the
// field's capacity and 0xFF becomes a blank. Everything it changes is noted
// in the batch.
class TextTaker {
 public:
  TextTaker(const AllowedTable& allowed, ImportBatch* batch) : allowed_(allowed), batch_(batch) {}

  // From UTF-8 (malformed bytes count as characters without a form).
  [[nodiscard]] std::string FromUtf8(std::string_view text, size_t capacity);
  // Notes the characters of a UTF-8 text without storing anything (a file
  // scanned as a whole before a reader that converts by itself).
  void Scan(std::string_view utf8);
  // The same for Windows-1252 text.
  void ScanCp1252(std::string_view text);

 private:
  void Note(std::vector<char32_t>* list, char32_t c);

  const AllowedTable& allowed_;
  ImportBatch* batch_;
};

// Counts an entry rejected for the reason (singular and plural wording).
void Reject(ImportBatch* batch, std::string_view one, std::string_view many);

// Code points of UTF-8 text; each malformed byte gives U+FFFD.
[[nodiscard]] std::vector<char32_t> DecodeUtf8(std::string_view text);
[[nodiscard]] bool IsValidUtf8(std::string_view text);
[[nodiscard]] std::string EncodeUtf8(char32_t c);

// How many of the batch's records the application already holds, as
// multisets: each equal record of the store answers for one of the batch
// (a file with a card twice, against a store holding it once, has one
// present).
[[nodiscard]] int CountPresent(const AppliStore& store, const ImportBatch& batch);
// Leaves those records out of the batch and counts them in batch->present.
void DropPresent(const AppliStore& store, ImportBatch* batch);

// What AppendBatch did.
struct AppendResult {
  int taken = 0;
  int over_limit = 0;  // left out because the application holds 920 records
  int failed = 0;      // records that could not be put
  // When records were left out at the limit: the first and last date of
  // those kept (Schedule, Anniversary, To Do and Expense).
  std::optional<DateValue> kept_from;
  std::optional<DateValue> kept_to;
};

// Entries of the batch left out because the application was full, by the
// reader or by AppendBatch.
[[nodiscard]] int LeftOutAtLimit(const ImportBatch& batch, const AppendResult& result);

// Appends the batch's records to its application up to the organizer's 920.
// When not all fit, the dated applications keep the records nearest to
// `today`: upcoming ones first (the earliest first), then the most recent
// past; anniversaries by their next return. Others keep the file's first.
// The records taken keep the file's order.
[[nodiscard]] AppendResult AppendBatch(AppliStore& store, const ImportBatch& batch,
                                       const DateValue& today);

// The question asked before an import that would change characters, e.g.
// "3 characters cannot be stored on the organizer and become '?': ő ł ž.
// Import anyway?"; empty when nothing changes. UTF-8.
[[nodiscard]] std::string UnmappableQuestion(const ImportBatch& batch);

// The message after an import: the imported-count message of the CSV import
// ("%d records were successfully imported." and, when some entries were
// rejected, "\r\nOther records were rejected due to error."), then one line
// per further count (why entries were rejected, texts cut, numbers lost,
// recurring, cancelled, repeated and present entries, skipped entries, the
// record limit with the dates kept in the display mode).
[[nodiscard]] std::string ImportSummary(const ImportBatch& batch, const AppendResult& result,
                                        int display_date);

}  // namespace kivo

#endif  // KIVO_EXCHANGE_IMPORT_RULES_H_

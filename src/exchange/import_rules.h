#ifndef KIVO_EXCHANGE_IMPORT_RULES_H_
#define KIVO_EXCHANGE_IMPORT_RULES_H_

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "store/appli_id.h"
#include "store/appli_store.h"
#include "store/char_tables.h"

namespace kivo {

// The rules every import follows, whatever the file's format. A reader first
// turns the whole file into an ImportBatch without touching the store; the
// caller then shows what the batch reports (characters without an organizer
// form, before anything changes) and appends it with AppendBatch.

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

// Code points of UTF-8 text; each malformed byte gives U+FFFD.
[[nodiscard]] std::vector<char32_t> DecodeUtf8(std::string_view text);
[[nodiscard]] bool IsValidUtf8(std::string_view text);
[[nodiscard]] std::string EncodeUtf8(char32_t c);

// Appends the batch's records to its application while it holds fewer than
// the organizer's 920; a record that cannot be put is counted in *failed.
// Returns the number taken; *over_limit receives the records left out
// because the application was full.
int AppendBatch(AppliStore& store, const ImportBatch& batch, int* over_limit, int* failed);

// The question asked before an import that would change characters, e.g.
// "3 characters cannot be stored on the organizer and become '?': ő ł ž.
// Import anyway?"; empty when nothing changes. UTF-8.
[[nodiscard]] std::string UnmappableQuestion(const ImportBatch& batch);

// The message after an import: the imported-count message of the CSV import
// ("%d records were successfully imported." and, when some entries were
// rejected, "\r\nOther records were rejected due to error."), then one line
// per further count (texts cut, recurring entries, skipped entries, the
// record limit).
[[nodiscard]] std::string ImportSummary(const ImportBatch& batch, int taken, int over_limit,
                                        int failed);

}  // namespace kivo

#endif  // KIVO_EXCHANGE_IMPORT_RULES_H_

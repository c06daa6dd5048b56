#ifndef KIVO_STORE_CHAR_TABLES_H_
#define KIVO_STORE_CHAR_TABLES_H_

#include <array>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>

#include "store/appli_id.h"

namespace kivo {

// "code.dat": two 128-entry tables for the bytes 127..254. Entry k of table A
// is the organizer byte for the PC byte 127 + k; entry k of table B the PC
// byte for the organizer byte 127 + k. Bytes 0..126 and 255 never change.
struct CodeTables {
  std::array<uint8_t, 128> a{};
  std::array<uint8_t, 128> b{};

  static CodeTables Blank();     // every entry 0x20, what a missing file gives
  static CodeTables Identity();  // every byte maps to itself (tests)
};

// "char.dat": entry c is 0 when character c must not be entered.
using AllowedTable = std::array<uint8_t, 256>;
// Every entry 1, what a missing char.dat gives.
[[nodiscard]] AllowedTable EveryCharAllowed();

// One model's collating table: weights in bytes 0..255, fold map in 256..511.
using SortTable = std::array<uint8_t, 512>;

// Reads code.dat (table A, then table B). A missing file leaves both tables blank, a short one the
// rest of the table it ends in.
CodeTables LoadCodeTables(const std::filesystem::path& file);

// Reads char.dat over an all-allowed table. *read (if given) tells whether the
// file could be read.
AllowedTable LoadAllowedTable(const std::filesystem::path& file, bool* read = nullptr);

// Reads sort.dat: model 0's table, then model 1's. True when both were read.
bool LoadSortTables(const std::filesystem::path& file, SortTable& model0, SortTable& model1);

// The text part of a record (from the application's text offset up to and
// including the terminator) converted in place for a file or the organizer:
// table A, then bytes 1..31 and 192..254 become blanks.
void ToOrganizerCoding(AppliId id, std::span<uint8_t> record, const CodeTables& tables);
// The same on the way in: table B only.
// In both directions a table entry 0 or 0xFF gives a blank instead, so no
// table can cut a text short or end the record early.
void ToPcCoding(AppliId id, std::span<uint8_t> record, const CodeTables& tables);
// Bytes 127..254 replaced by table entry (byte - 127), in place.
void ConvertWithTable(std::span<uint8_t> bytes, const std::array<uint8_t, 128>& table);

// The text without the characters whose table entry is 0.
std::string FilterAllowed(std::string_view text, const AllowedTable& allowed);
bool IsAllowed(uint8_t c, const AllowedTable& allowed);
// A key typed into a filtered text field: allowed characters, and always the
// editing keys Ctrl+A, Ctrl+C, Backspace, Tab, Ctrl+V, Ctrl+X and Ctrl+Z
// (1, 3, 8, 9, 22, 24, 26). Enter (13) follows the table like any character.
bool IsTypedCharAllowed(uint8_t c, const AllowedTable& allowed);

// Organizer collating order: -1, 0 or 1. Folded texts compare by weight first;
// on a tie the unfolded texts decide, so names differing only in case keep a
// fixed order. A text that is a prefix of the other by weight is less.
int CompareSorted(std::string_view a, std::string_view b, const SortTable& table);

}  // namespace kivo

#endif  // KIVO_STORE_CHAR_TABLES_H_

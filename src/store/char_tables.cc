#include "store/char_tables.h"

#include <fstream>
#include <vector>

namespace kivo {

namespace {

constexpr uint8_t kBlank = 0x20;
constexpr uint8_t kFirstConverted = 127;
constexpr uint8_t kLastConverted = 254;

// Reads up to out.size() bytes; the number read.
size_t ReadInto(std::ifstream& in, std::span<uint8_t> out) {
  if (!in) return 0;
  in.read(reinterpret_cast<char*>(out.data()), static_cast<std::streamsize>(out.size()));
  return static_cast<size_t>(in.gcount());
}

// A table entry that would end a text (0) or the record (0xFF) inside the
// text part would change the record's structure; such entries give a blank.
uint8_t Mapped(uint8_t b, const std::array<uint8_t, 128>& table) {
  uint8_t c = table[b - kFirstConverted];
  return (c == 0 || c == kTerminator) ? kBlank : c;
}

std::span<uint8_t> TextPart(AppliId id, std::span<uint8_t> record) {
  size_t offset = static_cast<size_t>(TextOffset(id));
  if (record.size() <= offset) return {};
  return record.subspan(offset);
}

}  // namespace

CodeTables CodeTables::Blank() {
  CodeTables t;
  t.a.fill(kBlank);
  t.b.fill(kBlank);
  return t;
}

CodeTables CodeTables::Identity() {
  CodeTables t;
  for (size_t k = 0; k < t.a.size(); ++k) {
    t.a[k] = static_cast<uint8_t>(kFirstConverted + k);
    t.b[k] = static_cast<uint8_t>(kFirstConverted + k);
  }
  return t;
}

CodeTables LoadCodeTables(const std::filesystem::path& file) {
  CodeTables tables = CodeTables::Blank();
  std::ifstream in(file, std::ios::binary);
  // A short file leaves the rest of the table it ends in blank: the bytes read
  // land over the blanks.
  std::array<uint8_t, 128> part{};
  size_t n = ReadInto(in, part);
  std::copy(part.begin(), part.begin() + static_cast<std::ptrdiff_t>(n), tables.a.begin());
  n = ReadInto(in, part);
  std::copy(part.begin(), part.begin() + static_cast<std::ptrdiff_t>(n), tables.b.begin());
  return tables;
}

AllowedTable EveryCharAllowed() {
  AllowedTable table;
  table.fill(1);
  return table;
}

AllowedTable LoadAllowedTable(const std::filesystem::path& file, bool* read) {
  AllowedTable table = EveryCharAllowed();
  std::ifstream in(file, std::ios::binary);
  std::array<uint8_t, 256> part{};
  size_t n = ReadInto(in, part);
  std::copy(part.begin(), part.begin() + static_cast<std::ptrdiff_t>(n), table.begin());
  if (read != nullptr) *read = n > 0;
  return table;
}

bool LoadSortTables(const std::filesystem::path& file, SortTable& model0, SortTable& model1) {
  std::ifstream in(file, std::ios::binary);
  // A half that cannot be read whole leaves its table as it was.
  SortTable part{};
  bool first = ReadInto(in, part) == part.size();
  if (first) model0 = part;
  bool second = first && ReadInto(in, part) == part.size();
  if (second) model1 = part;
  return first && second;
}

void ToOrganizerCoding(AppliId id, std::span<uint8_t> record, const CodeTables& tables) {
  for (uint8_t& b : TextPart(id, record)) {
    if (b >= kFirstConverted && b <= kLastConverted) b = Mapped(b, tables.a);
    // The organizer shows neither control characters nor the bytes above 191:
    // line breaks and tabs arrive as blanks.
    if ((b >= 1 && b <= 31) || (b >= 192 && b <= kLastConverted)) b = kBlank;
  }
}

void ToPcCoding(AppliId id, std::span<uint8_t> record, const CodeTables& tables) {
  ConvertWithTable(TextPart(id, record), tables.b);
}

void ConvertWithTable(std::span<uint8_t> bytes, const std::array<uint8_t, 128>& table) {
  for (uint8_t& b : bytes) {
    if (b >= kFirstConverted && b <= kLastConverted) b = Mapped(b, table);
  }
}

std::string FilterAllowed(std::string_view text, const AllowedTable& allowed) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    if (IsAllowed(static_cast<uint8_t>(c), allowed)) out.push_back(c);
  }
  return out;
}

bool IsAllowed(uint8_t c, const AllowedTable& allowed) { return allowed[c] != 0; }

bool IsTypedCharAllowed(uint8_t c, const AllowedTable& allowed) {
  switch (c) {
    case 1:   // Ctrl+A
    case 3:   // Ctrl+C
    case 8:   // Backspace
    case 9:   // Tab
    case 22:  // Ctrl+V
    case 24:  // Ctrl+X
    case 26:  // Ctrl+Z
      return true;
    default:
      return IsAllowed(c, allowed);
  }
}

namespace {

// Weight order of two byte strings: the first differing weight decides, then
// the shorter string is less.
int CompareWeights(std::span<const uint8_t> a, std::span<const uint8_t> b, const SortTable& table) {
  size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    uint8_t wa = table[a[i]];
    uint8_t wb = table[b[i]];
    if (wa != wb) return wa < wb ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

std::span<const uint8_t> Bytes(std::string_view text) {
  return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}

}  // namespace

int CompareSorted(std::string_view a, std::string_view b, const SortTable& table) {
  std::vector<uint8_t> fa(a.size());
  std::vector<uint8_t> fb(b.size());
  for (size_t i = 0; i < a.size(); ++i) fa[i] = table[256 + static_cast<uint8_t>(a[i])];
  for (size_t i = 0; i < b.size(); ++i) fb[i] = table[256 + static_cast<uint8_t>(b[i])];
  int folded = CompareWeights(fa, fb, table);
  if (folded != 0) return folded;
  return CompareWeights(Bytes(a), Bytes(b), table);
}

}  // namespace kivo

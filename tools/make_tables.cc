// make_tables SOURCE_DIR OUTPUT_DIR
//
// Builds the three data tables of the program directory from the readable
// sources in SOURCE_DIR:
//   codepage.txt -> code.dat (table A and table B, 128 bytes each) and
//                   char.dat (256 bytes, 1 = the character may be entered)
//   sort.txt     -> sort.dat (two 512-byte tables: weights, then fold map)
// The formats of the sources are described at the top of each file. Any fault
// in a source stops the tool with "file:line: reason" and exit status 1, so a
// broken table never reaches the program directory.

#include <array>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace {

namespace fs = std::filesystem;

constexpr int kFirstConverted = 127;  // bytes 127..254 go through the tables
constexpr int kLastConverted = 254;
constexpr int kLastOrganizerChar = 191;  // 192..254 are blanked on the way out
constexpr uint8_t kUnknown = '?';

struct Line {
  int number;
  std::string text;
};

class SourceError : public std::runtime_error {
 public:
  SourceError(const fs::path& file, int line, const std::string& what)
      : std::runtime_error(file.string() + ":" + std::to_string(line) + ": " + what) {}
};

// The lines that carry content: no blank lines, no "#" comment lines.
std::vector<Line> ReadSource(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) throw std::runtime_error(file.string() + ": cannot be read");
  std::vector<Line> lines;
  std::string text;
  int number = 0;
  while (std::getline(in, text)) {
    ++number;
    if (!text.empty() && text.back() == '\r') text.pop_back();
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos || text[first] == '#') continue;
    lines.push_back({number, text});
  }
  return lines;
}

std::vector<std::string> Tokens(const std::string& text) {
  std::istringstream in(text);
  std::vector<std::string> tokens;
  for (std::string token; in >> token;) tokens.push_back(token);
  return tokens;
}

// "0xNN" -> NN; anything else nullopt.
std::optional<int> HexByte(std::string_view token) {
  if (token.size() != 4 || token[0] != '0' || token[1] != 'x') return std::nullopt;
  int value = 0;
  for (char c : token.substr(2)) {
    int digit;
    if (c >= '0' && c <= '9') {
      digit = c - '0';
    } else if (c >= 'A' && c <= 'F') {
      digit = c - 'A' + 10;
    } else if (c >= 'a' && c <= 'f') {
      digit = c - 'a' + 10;
    } else {
      return std::nullopt;
    }
    value = value * 16 + digit;
  }
  return value;
}

// The code points of a UTF-8 text; nullopt when it is not valid UTF-8.
std::optional<std::vector<char32_t>> DecodeUtf8(std::string_view text) {
  std::vector<char32_t> out;
  for (size_t i = 0; i < text.size();) {
    const auto lead = static_cast<uint8_t>(text[i]);
    int extra;
    char32_t cp;
    if (lead < 0x80) {
      extra = 0;
      cp = lead;
    } else if ((lead & 0xE0) == 0xC0) {
      extra = 1;
      cp = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
      extra = 2;
      cp = lead & 0x0F;
    } else if ((lead & 0xF8) == 0xF0) {
      extra = 3;
      cp = lead & 0x07;
    } else {
      return std::nullopt;
    }
    if (i + static_cast<size_t>(extra) >= text.size() && extra > 0) return std::nullopt;
    for (int k = 1; k <= extra; ++k) {
      const auto next = static_cast<uint8_t>(text[i + k]);
      if ((next & 0xC0) != 0x80) return std::nullopt;
      cp = (cp << 6) | (next & 0x3F);
    }
    out.push_back(cp);
    i += static_cast<size_t>(extra) + 1;
  }
  return out;
}

// What codepage.txt says about the PC bytes 127..254.
struct CodePage {
  std::array<uint8_t, 128> table_a{};
  std::array<uint8_t, 128> table_b{};
  std::array<uint8_t, 256> allowed{};
  std::map<char32_t, uint8_t> pc_byte;  // character -> Windows-1252 byte
};

CodePage ReadCodePage(const fs::path& file) {
  CodePage page;
  std::array<bool, 256> seen{};
  std::array<int, 256> paired_with{};  // organizer byte -> PC byte, 0 when free
  std::array<bool, 256> named{};       // PC byte has a character

  for (const Line& line : ReadSource(file)) {
    const std::vector<std::string> tokens = Tokens(line.text);
    if (tokens.size() < 3)
      throw SourceError(file, line.number, "expected PC-BYTE CHARACTER TARGET");
    const std::optional<int> pc = HexByte(tokens[0]);
    if (!pc || *pc < kFirstConverted || *pc > kLastConverted) {
      throw SourceError(file, line.number, "PC byte must be 0x7F..0xFE: " + tokens[0]);
    }
    if (seen[*pc]) throw SourceError(file, line.number, "PC byte listed twice: " + tokens[0]);
    seen[*pc] = true;

    if (tokens[1] != "none") {
      const auto chars = DecodeUtf8(tokens[1]);
      if (!chars || chars->size() != 1 || (*chars)[0] < 0x80) {
        throw SourceError(file, line.number, "expected one non-ASCII character: " + tokens[1]);
      }
      if (!page.pc_byte.emplace((*chars)[0], static_cast<uint8_t>(*pc)).second) {
        throw SourceError(file, line.number, "character listed twice: " + tokens[1]);
      }
      named[*pc] = true;
    }

    const std::string& target = tokens[2];
    uint8_t organizer;
    if (const std::optional<int> org = HexByte(target)) {
      if (*org < kFirstConverted || *org > kLastOrganizerChar) {
        throw SourceError(file, line.number, "organizer byte must be 0x7F..0xBF: " + target);
      }
      if (paired_with[*org] != 0) {
        throw SourceError(file, line.number, "organizer byte paired twice: " + target);
      }
      paired_with[*org] = *pc;
      organizer = static_cast<uint8_t>(*org);
    } else if (target == "=SP") {
      organizer = ' ';
    } else if (target.size() == 2 && target[0] == '=' && target[1] > ' ' && target[1] < 0x7F) {
      organizer = static_cast<uint8_t>(target[1]);
    } else {
      throw SourceError(file, line.number, "target must be 0xNN, =X or =SP: " + target);
    }
    page.table_a[*pc - kFirstConverted] = organizer;
  }
  for (int pc = kFirstConverted; pc <= kLastConverted; ++pc) {
    if (!seen[pc]) {
      char hex[8];
      std::snprintf(hex, sizeof hex, "0x%02X", pc);
      throw SourceError(file, 0, std::string("PC byte missing: ") + hex);
    }
  }

  // Table B: the pairs back, every other organizer byte to "?".
  for (int org = kFirstConverted; org <= kLastConverted; ++org) {
    page.table_b[org - kFirstConverted] =
        paired_with[org] != 0 ? static_cast<uint8_t>(paired_with[org]) : kUnknown;
  }

  // A character may be entered when it is printable and comes back unchanged
  // from the organizer.
  for (int c = 0x20; c < 0x7F; ++c) page.allowed[c] = 1;
  for (int c = kFirstConverted; c <= kLastConverted; ++c) {
    const uint8_t a = page.table_a[c - kFirstConverted];
    const bool round_trip = a >= kFirstConverted && page.table_b[a - kFirstConverted] == c;
    page.allowed[c] = named[c] && round_trip ? 1 : 0;
  }
  for (char32_t ascii = 0x20; ascii < 0x7F; ++ascii) {
    page.pc_byte.emplace(ascii, static_cast<uint8_t>(ascii));
  }
  return page;
}

// The PC bytes an order or fold token names.
std::vector<uint8_t> TokenBytes(const std::string& token, const CodePage& page,
                                const fs::path& file, int line) {
  if (token == "SP") return {' '};
  if (const std::optional<int> byte = HexByte(token)) return {static_cast<uint8_t>(*byte)};
  if (token.size() == 9 && token[4] == '-') {
    const std::optional<int> first = HexByte(token.substr(0, 4));
    const std::optional<int> last = HexByte(token.substr(5));
    if (first && last && *first <= *last) {
      std::vector<uint8_t> bytes;
      for (int b = *first; b <= *last; ++b) bytes.push_back(static_cast<uint8_t>(b));
      return bytes;
    }
  }
  const auto chars = DecodeUtf8(token);
  if (!chars) throw SourceError(file, line, "not UTF-8: " + token);
  std::vector<uint8_t> bytes;
  for (char32_t c : *chars) {
    const auto found = page.pc_byte.find(c);
    if (found == page.pc_byte.end()) {
      throw SourceError(file, line, "character has no Windows-1252 byte in: " + token);
    }
    bytes.push_back(found->second);
  }
  return bytes;
}

using SortTable = std::array<uint8_t, 512>;

std::array<SortTable, 2> ReadSortTables(const fs::path& file, const CodePage& page) {
  std::array<SortTable, 2> tables{};
  std::array<bool, 2> done{};
  int model = -1;
  std::array<bool, 256> weighed{};
  int next_weight = 1;

  for (const Line& line : ReadSource(file)) {
    const std::vector<std::string> tokens = Tokens(line.text);
    const std::string& keyword = tokens[0];
    if (keyword == "model") {
      if (model >= 0) throw SourceError(file, line.number, "model inside a model");
      if (tokens.size() != 2 || (tokens[1] != "0" && tokens[1] != "1")) {
        throw SourceError(file, line.number, "expected model 0 or model 1");
      }
      model = tokens[1][0] - '0';
      if (done[model]) throw SourceError(file, line.number, "model given twice");
      SortTable& table = tables[model];
      for (int c = 0; c < 256; ++c) table[256 + c] = static_cast<uint8_t>(c);
      weighed = {};
      weighed[0] = true;
      table[0] = 0;
      next_weight = 1;
      continue;
    }
    if (model < 0) throw SourceError(file, line.number, "expected model N first");
    SortTable& table = tables[model];
    if (keyword == "end") {
      // The bytes no order line names follow, in byte order.
      for (int c = 1; c < 256; ++c) {
        if (!weighed[c]) table[c] = static_cast<uint8_t>(next_weight++);
      }
      done[model] = true;
      model = -1;
    } else if (keyword == "fold") {
      if (tokens.size() != 3) throw SourceError(file, line.number, "expected fold FROM TO");
      const std::vector<uint8_t> from = TokenBytes(tokens[1], page, file, line.number);
      const std::vector<uint8_t> to = TokenBytes(tokens[2], page, file, line.number);
      if (from.size() != to.size()) {
        throw SourceError(file, line.number, "fold runs differ in length");
      }
      for (size_t i = 0; i < from.size(); ++i) table[256 + from[i]] = to[i];
    } else if (keyword == "order") {
      for (size_t t = 1; t < tokens.size(); ++t) {
        for (uint8_t c : TokenBytes(tokens[t], page, file, line.number)) {
          if (weighed[c]) {
            throw SourceError(file, line.number, "character ordered twice in: " + tokens[t]);
          }
          weighed[c] = true;
          table[c] = static_cast<uint8_t>(next_weight++);
        }
      }
    } else {
      throw SourceError(file, line.number, "unknown keyword: " + keyword);
    }
  }
  if (model >= 0) throw SourceError(file, 0, "model without end");
  if (!done[0] || !done[1]) throw SourceError(file, 0, "both model 0 and model 1 are needed");
  return tables;
}

void WriteFile(const fs::path& file, const std::vector<uint8_t>& bytes) {
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  out.close();
  if (!out) throw std::runtime_error(file.string() + ": cannot be written");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: make_tables SOURCE_DIR OUTPUT_DIR\n");
    return 2;
  }
  const fs::path sources = argv[1];
  const fs::path output = argv[2];
  try {
    const CodePage page = ReadCodePage(sources / "codepage.txt");
    const std::array<SortTable, 2> sort = ReadSortTables(sources / "sort.txt", page);

    std::vector<uint8_t> code(page.table_a.begin(), page.table_a.end());
    code.insert(code.end(), page.table_b.begin(), page.table_b.end());
    std::vector<uint8_t> allowed(page.allowed.begin(), page.allowed.end());
    std::vector<uint8_t> sort_bytes(sort[0].begin(), sort[0].end());
    sort_bytes.insert(sort_bytes.end(), sort[1].begin(), sort[1].end());

    fs::create_directories(output);
    WriteFile(output / "code.dat", code);
    WriteFile(output / "char.dat", allowed);
    WriteFile(output / "sort.dat", sort_bytes);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "make_tables: %s\n", e.what());
    return 1;
  }
  return 0;
}

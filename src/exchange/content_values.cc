// The values of content lines: how a value is coded (quoted-printable,
// character sets), TEXT escapes and structured values.

#include <iconv.h>

#include <algorithm>
#include <cctype>
#include <cerrno>

#include "csv/cp1252.h"
#include "exchange/content_lines.h"
#include "exchange/import_rules.h"

namespace kivo {

namespace {

std::string Lower(std::string_view text) {
  std::string out(text);
  std::transform(out.begin(), out.end(), out.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return out;
}

// What the parameters say of the value's coding, each the last said.
struct Coding {
  std::string encoding;  // lower case
  std::string charset;   // lower case
  bool uri = false;
};

Coding CodingOf(const ContentLine& line) {
  Coding coding;
  for (const ContentParam& param : line.params) {
    std::string value = Lower(param.value);
    std::erase(value, '"');
    if (param.name == "ENCODING" || value == "quoted-printable" || value == "base64") {
      coding.encoding = value;
    } else if (param.name == "VALUE") {
      coding.uri = value == "uri";
    } else if (param.name == "CHARSET") {
      coding.charset = value;
    }
  }
  return coding;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

std::string DecodeQuotedPrintable(std::string_view text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '=' && i + 2 < text.size() && HexDigit(text[i + 1]) >= 0 &&
        HexDigit(text[i + 2]) >= 0) {
      out += static_cast<char>(HexDigit(text[i + 1]) * 16 + HexDigit(text[i + 2]));
      i += 2;
    } else {
      out += text[i];
    }
  }
  return out;
}

// Bytes in a character set other than UTF-8 and Windows-1252 as UTF-8,
// through the C library's converters (Shift_JIS, ISO-8859-x, KOI8-R, ...).
// Bytes the set does not define become U+FFFD, which the text rules then
// count. nullopt when the C library does not know the set.
std::optional<std::string> ConvertToUtf8(std::string_view bytes, const std::string& charset) {
  // Set names are letters, digits and a few marks; anything else (a "//"
  // suffix that asks for transliteration, say) is no name we read.
  const bool name = !charset.empty() && charset.size() <= 40 &&
                    std::all_of(charset.begin(), charset.end(), [](unsigned char c) {
                      return std::isalnum(c) || c == '-' || c == '_' || c == '.' || c == ':';
                    });
  if (!name) return std::nullopt;
  const iconv_t cd = iconv_open("UTF-8", charset.c_str());
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
  std::string out;
  std::string input(bytes);
  char* in = input.data();
  size_t in_left = input.size();
  char buffer[256];
  while (in_left > 0) {
    char* to = buffer;
    size_t to_left = sizeof buffer;
    const size_t done = iconv(cd, &in, &in_left, &to, &to_left);
    out.append(buffer, static_cast<size_t>(to - buffer));
    if (done != static_cast<size_t>(-1) || errno == E2BIG) continue;
    out += "\xEF\xBF\xBD";
    if (errno != EILSEQ) break;  // a sequence cut off at the end
    ++in;
    --in_left;
  }
  iconv_close(cd);
  return out;
}

}  // namespace

std::string ContentLine::Encoding() const { return CodingOf(*this).encoding; }

std::string ContentLine::Charset() const { return CodingOf(*this).charset; }

bool ContentLine::IsUri() const { return CodingOf(*this).uri; }

std::optional<std::string> ContentLine::Utf8Value() const {
  const Coding coding = CodingOf(*this);
  std::string bytes = coding.encoding == "quoted-printable" ? DecodeQuotedPrintable(value) : value;
  const std::string& set = coding.charset;
  if (set == "iso-8859-1" || set == "latin1" || set == "windows-1252" || set == "cp1252") {
    return Cp1252ToUtf8(bytes);
  }
  if (!set.empty() && set != "utf-8" && set != "utf8" && set != "us-ascii") {
    return ConvertToUtf8(bytes, set);
  }
  return IsValidUtf8(bytes) ? bytes : Cp1252ToUtf8(bytes);
}

std::string EscapeText(std::string_view text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    switch (c) {
      case '\\':
      case ',':
      case ';':
        out += '\\';
        out += c;
        break;
      case '\r':
        if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
        out += "\\n";
        break;
      case '\n':
        out += "\\n";
        break;
      default:
        out += c;
    }
  }
  return out;
}

std::string UnescapeText(std::string_view value) {
  std::string out;
  for (size_t i = 0; i < value.size(); ++i) {
    if (value[i] == '\\' && i + 1 < value.size()) {
      const char next = value[++i];
      out += next == 'n' || next == 'N' ? '\n' : next;
    } else {
      out += value[i];
    }
  }
  return out;
}

std::vector<std::string> SplitValue(std::string_view value, char separator) {
  std::vector<std::string> parts(1);
  for (size_t i = 0; i < value.size(); ++i) {
    if (value[i] == '\\' && i + 1 < value.size()) {
      parts.back() += value[i];
      parts.back() += value[++i];
    } else if (value[i] == separator) {
      parts.emplace_back();
    } else {
      parts.back() += value[i];
    }
  }
  return parts;
}

std::string JoinValue(const std::vector<std::string>& parts, char separator) {
  std::string out;
  for (size_t i = 0; i < parts.size(); ++i) {
    if (i > 0) out += separator;
    out += parts[i];
  }
  return out;
}

}  // namespace kivo

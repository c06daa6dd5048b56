#include "csv/cp1252.h"

#include <array>

namespace kivo {

namespace {

// 0x80..0x9F are where Windows-1252 differs from Latin-1; 0 marks the unused
// bytes. 0xA0..0xFF equal their Unicode code points.
constexpr std::array<char32_t, 32> kHigh{
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80..87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,       // 88..8F
    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90..97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,  // 98..9F
};

void AppendUtf8(char32_t c, std::string* out) {
  if (c < 0x80) {
    *out += static_cast<char>(c);
  } else if (c < 0x800) {
    *out += static_cast<char>(0xC0 | (c >> 6));
    *out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    *out += static_cast<char>(0xE0 | (c >> 12));
    *out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    *out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

}  // namespace

std::optional<char32_t> Cp1252ToUnicode(uint8_t byte) {
  if (byte < 0x80 || byte >= 0xA0) return byte;
  const char32_t c = kHigh[byte - 0x80];
  if (c == 0) return std::nullopt;
  return c;
}

std::optional<uint8_t> UnicodeToCp1252(char32_t c) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<uint8_t>(c);
  for (size_t i = 0; i < kHigh.size(); ++i) {
    if (kHigh[i] != 0 && kHigh[i] == c) return static_cast<uint8_t>(0x80 + i);
  }
  return std::nullopt;
}

std::string Cp1252ToUtf8(std::string_view text, int* replaced) {
  std::string out;
  out.reserve(text.size());
  for (char ch : text) {
    const std::optional<char32_t> c = Cp1252ToUnicode(static_cast<uint8_t>(ch));
    if (c) {
      AppendUtf8(*c, &out);
    } else {
      out += '?';
      if (replaced != nullptr) ++*replaced;
    }
  }
  return out;
}

std::optional<uint8_t> Utf8ToCp1252Decoder::Feed(uint8_t byte, bool* again) {
  *again = false;
  if (pending_ > 0) {
    if ((byte & 0xC0) != 0x80) {
      // The sequence was cut short; the byte starts something new.
      pending_ = 0;
      *again = true;
      return Replace();
    }
    code_point_ = (code_point_ << 6) | (byte & 0x3F);
    if (--pending_ > 0) return std::nullopt;
    const bool malformed = code_point_ < minimum_ || code_point_ > 0x10FFFF ||
                           (code_point_ >= 0xD800 && code_point_ <= 0xDFFF);
    if (malformed) return Replace();
    const std::optional<uint8_t> b = UnicodeToCp1252(code_point_);
    return b ? *b : Replace();
  }
  if (byte < 0x80) return byte;
  if ((byte & 0xE0) == 0xC0) {
    code_point_ = byte & 0x1F;
    pending_ = 1;
    minimum_ = 0x80;
  } else if ((byte & 0xF0) == 0xE0) {
    code_point_ = byte & 0x0F;
    pending_ = 2;
    minimum_ = 0x800;
  } else if ((byte & 0xF8) == 0xF0) {
    code_point_ = byte & 0x07;
    pending_ = 3;
    minimum_ = 0x10000;
  } else {
    return Replace();  // a continuation byte without a lead, or 0xF8..0xFF
  }
  return std::nullopt;
}

std::optional<uint8_t> Utf8ToCp1252Decoder::Finish() {
  if (pending_ == 0) return std::nullopt;
  pending_ = 0;
  return Replace();
}

std::string Utf8ToCp1252(std::string_view text, int* replaced) {
  Utf8ToCp1252Decoder decoder;
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    bool again = false;
    const std::optional<uint8_t> b = decoder.Feed(static_cast<uint8_t>(text[i]), &again);
    if (b) out += static_cast<char>(*b);
    if (!again) ++i;
  }
  if (const std::optional<uint8_t> b = decoder.Finish()) out += static_cast<char>(*b);
  if (replaced != nullptr) *replaced += decoder.replaced();
  return out;
}

}  // namespace kivo

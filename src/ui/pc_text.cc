#include "ui/pc_text.h"

namespace kivo {
namespace {

// Bytes 0x80..0x9F of Windows-1252; 0 marks the five bytes it leaves unused.
constexpr char16_t kHighControls[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

}  // namespace

QString FromPcText(std::string_view text) {
  QString out;
  out.reserve(static_cast<qsizetype>(text.size()));
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x80 && byte < 0xA0 && kHighControls[byte - 0x80] != 0) {
      out.append(QChar(kHighControls[byte - 0x80]));
    } else {
      out.append(QChar(byte));
    }
  }
  return out;
}

std::string ToPcText(const QString& text) {
  std::string out;
  out.reserve(static_cast<size_t>(text.size()));
  for (const QChar ch : text) {
    const char16_t unit = ch.unicode();
    const bool unused_control = unit >= 0x80 && unit < 0xA0 && kHighControls[unit - 0x80] == 0;
    if (unit < 0x80 || (unit >= 0xA0 && unit <= 0xFF) || unused_control) {
      out.push_back(static_cast<char>(unit));
      continue;
    }
    char mapped = '?';
    for (int i = 0; i < 32; ++i) {
      if (kHighControls[i] != 0 && kHighControls[i] == unit) mapped = static_cast<char>(0x80 + i);
    }
    out.push_back(mapped);
  }
  return out;
}

}  // namespace kivo

#include "ui/pc_text.h"

#include "csv/cp1252.h"

namespace kivo {

// The five bytes Windows-1252 leaves unused pass as the characters of the
// same number, so that every byte comes back from the widgets as it went.
QString FromPcText(std::string_view text) {
  QString out;
  out.reserve(static_cast<qsizetype>(text.size()));
  for (const char c : text) {
    const auto byte = static_cast<uint8_t>(c);
    out.append(QChar(static_cast<char16_t>(Cp1252ToUnicode(byte).value_or(byte))));
  }
  return out;
}

std::string ToPcText(const QString& text) {
  std::string out;
  out.reserve(static_cast<size_t>(text.size()));
  for (const QChar ch : text) {
    const char16_t unit = ch.unicode();
    if (const std::optional<uint8_t> byte = UnicodeToCp1252(unit)) {
      out.push_back(static_cast<char>(*byte));
    } else if (unit >= 0x80 && unit < 0xA0 && !Cp1252ToUnicode(static_cast<uint8_t>(unit))) {
      out.push_back(static_cast<char>(unit));
    } else {
      out.push_back('?');
    }
  }
  return out;
}

}  // namespace kivo

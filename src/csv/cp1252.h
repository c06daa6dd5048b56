#ifndef KIVO_CSV_CP1252_H_
#define KIVO_CSV_CP1252_H_

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kivo {

// How the bytes of a CSV file are read and written. Records hold Windows-1252
// text, which is what a CSV file holds by default; with kUtf8 the file is
// UTF-8 and every text is converted on the way.
enum class CsvEncoding { kWindows1252, kUtf8 };

// The Unicode character of a Windows-1252 byte; nullopt for the five bytes
// Windows-1252 leaves unused (0x81, 0x8D, 0x8F, 0x90, 0x9D).
[[nodiscard]] std::optional<char32_t> Cp1252ToUnicode(uint8_t byte);
// The Windows-1252 byte of a Unicode character; nullopt when it has none.
[[nodiscard]] std::optional<uint8_t> UnicodeToCp1252(char32_t c);

// Windows-1252 text as UTF-8. The unused bytes become "?"; *replaced (when
// given) is raised by their number.
[[nodiscard]] std::string Cp1252ToUtf8(std::string_view text, int* replaced = nullptr);

// Decodes UTF-8 one character at a time, so a file can be read as a stream.
// Characters without a Windows-1252 form and malformed sequences (a stray
// continuation byte, a sequence cut short, an overlong form, a surrogate) each
// give one "?" and are counted.
class Utf8ToCp1252Decoder {
 public:
  // Feeds one byte. Returns the Windows-1252 byte when a character is
  // complete, nullopt while a sequence is still open. A byte that breaks an
  // open sequence ends it as "?" and must be fed again: *again is then set.
  [[nodiscard]] std::optional<uint8_t> Feed(uint8_t byte, bool* again);
  // The end of the input: an open sequence becomes "?".
  [[nodiscard]] std::optional<uint8_t> Finish();
  int replaced() const { return replaced_; }

 private:
  uint8_t Replace() {
    ++replaced_;
    return '?';
  }

  char32_t code_point_ = 0;
  char32_t minimum_ = 0;
  int pending_ = 0;
  int replaced_ = 0;
};

// UTF-8 text as Windows-1252, as the decoder reads it.
[[nodiscard]] std::string Utf8ToCp1252(std::string_view text, int* replaced = nullptr);

}  // namespace kivo

#endif  // KIVO_CSV_CP1252_H_

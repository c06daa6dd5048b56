#include "view/text_fold.h"

#include <array>

namespace kivo {
namespace {

// The folds of the Windows-1252 bytes 0x80..0xFF; null: the byte itself.
constexpr std::array<const char*, 128> kHighFolds = {
    // 0x80: € (none) ‚ ƒ „ … † ‡ ˆ ‰ Š ‹ Œ (none) Ž (none)
    nullptr, nullptr, ",", "f", "\"", "...", nullptr, nullptr, "^", nullptr, "s", "<", "oe",
    nullptr, "z", nullptr,
    // 0x90: (none) ‘ ’ “ ” • – — ˜ ™ š › œ (none) ž Ÿ
    nullptr, "'", "'", "\"", "\"", nullptr, "-", "-", "~", "tm", "s", ">", "oe", nullptr, "z", "y",
    // 0xA0: NBSP ¡ ¢ £ ¤ ¥ ¦ § ¨ © ª « ¬ SHY ® ¯
    " ", nullptr, nullptr, nullptr, nullptr, nullptr, "|", nullptr, nullptr, nullptr, "a", "\"",
    nullptr, nullptr, nullptr, nullptr,
    // 0xB0: ° ± ² ³ ´ µ ¶ · ¸ ¹ º » ¼ ½ ¾ ¿
    nullptr, nullptr, "2", "3", "'", nullptr, nullptr, nullptr, nullptr, "1", "o", "\"", nullptr,
    nullptr, nullptr, nullptr,
    // 0xC0: À Á Â Ã Ä Å Æ Ç È É Ê Ë Ì Í Î Ï
    "a", "a", "a", "a", "a", "a", "ae", "c", "e", "e", "e", "e", "i", "i", "i", "i",
    // 0xD0: Ð Ñ Ò Ó Ô Õ Ö × Ø Ù Ú Û Ü Ý Þ ß
    "d", "n", "o", "o", "o", "o", "o", nullptr, "o", "u", "u", "u", "u", "y", "th", "ss",
    // 0xE0: à á â ã ä å æ ç è é ê ë ì í î ï
    "a", "a", "a", "a", "a", "a", "ae", "c", "e", "e", "e", "e", "i", "i", "i", "i",
    // 0xF0: ð ñ ò ó ô õ ö ÷ ø ù ú û ü ý þ ÿ
    "d", "n", "o", "o", "o", "o", "o", nullptr, "o", "u", "u", "u", "u", "y", "th", "y"};

// One view per byte, built once: the table above, ASCII capitals to small
// letters, everything else to itself.
struct FoldTable {
  std::array<char, 256> self{};
  std::array<std::string_view, 256> folds{};

  FoldTable() {
    for (int b = 0; b < 256; ++b) {
      char c = static_cast<char>(b);
      if (b >= 'A' && b <= 'Z') c = static_cast<char>(b - 'A' + 'a');
      self[static_cast<size_t>(b)] = c;
      const char* high = b >= 0x80 ? kHighFolds[static_cast<size_t>(b - 0x80)] : nullptr;
      folds[static_cast<size_t>(b)] = high != nullptr
                                          ? std::string_view(high)
                                          : std::string_view(&self[static_cast<size_t>(b)], 1);
    }
  }
};

const FoldTable& Table() {
  static const FoldTable table;
  return table;
}

}  // namespace

std::string_view FoldOf(uint8_t byte) { return Table().folds[byte]; }

void AppendFolded(std::string_view text, std::string* out) {
  const FoldTable& table = Table();
  for (char c : text) {
    const std::string_view fold = table.folds[static_cast<uint8_t>(c)];
    if (fold.size() == 1) {
      out->push_back(fold[0]);
    } else {
      out->append(fold);
    }
  }
}

std::string Folded(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  AppendFolded(text, &out);
  return out;
}

TextSpan UnfoldSpan(std::string_view text, TextSpan folded) {
  const size_t last = folded.begin + (folded.length > 0 ? folded.length - 1 : 0);
  TextSpan span{text.size(), 0};
  size_t at = 0;  // folded position of the current byte's fold
  for (size_t i = 0; i < text.size(); ++i) {
    const size_t next = at + FoldOf(static_cast<uint8_t>(text[i])).size();
    if (span.begin == text.size() && folded.begin < next) span.begin = i;
    if (last < next) {
      if (span.begin == text.size()) span.begin = i;
      span.length = folded.length == 0 ? 0 : i + 1 - span.begin;
      return span;
    }
    at = next;
  }
  if (span.begin < text.size()) span.length = text.size() - span.begin;
  return span;
}

}  // namespace kivo

#ifndef KIVO_VIEW_TEXT_FOLD_H_
#define KIVO_VIEW_TEXT_FOLD_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace kivo {

// Matching that ignores case and accents, over the PC coding of record texts
// (Windows-1252), so "muller" finds "Müller" and "ZOE" finds "Zoë".
//
// Every byte folds to a short text: a letter to its small base letter ("Ü" and
// "ü" to "u", "Ç" to "c"), the ligatures and letters without a base letter to
// the letters users type for them ("ß" "ss", "Æ" "ae", "Œ" "oe", "Þ" "th", "Ø"
// "o", "Ð" "d"), the typographic quotes and dashes to their ASCII twins, the
// superscript digits, ordinal indicators and "™" to digits and letters, the
// no-break space to a blank, the ellipsis to three dots. Every other byte folds to
// itself, so a query of any text matches itself.

// The fold of one byte: one to three bytes, never empty.
[[nodiscard]] std::string_view FoldOf(uint8_t byte);

// The folded text appended to *out.
void AppendFolded(std::string_view text, std::string* out);
[[nodiscard]] std::string Folded(std::string_view text);

// A stretch of a text: where it begins and how long it is.
struct TextSpan {
  size_t begin = 0;
  size_t length = 0;
  bool operator==(const TextSpan&) const = default;
};

// The stretch of `text` that a match at `folded` of the folded text covers: from
// the byte whose fold holds the match's first byte to the byte whose fold holds
// its last one (a match of "s" inside the "ss" of "ß" covers the "ß").
[[nodiscard]] TextSpan UnfoldSpan(std::string_view text, TextSpan folded);

}  // namespace kivo

#endif  // KIVO_VIEW_TEXT_FOLD_H_

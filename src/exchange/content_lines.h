#ifndef KIVO_EXCHANGE_CONTENT_LINES_H_
#define KIVO_EXCHANGE_CONTENT_LINES_H_

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "exchange/exchange_format.h"

namespace kivo {

// A vCard or iCalendar text as its content lines: what the import reads
// cards from, and what a sync changes a few properties of, passing every
// other byte of the item through as it came.
//
// A content line is "[group.]NAME[;PARAM=value...]:value", folded over
// physical lines that go on with a blank or a tab (and, in vCard 2.1, a
// quoted-printable value whose physical line ends with '='). A line keeps its
// bytes as read (folds and line ends included) until it is changed; a changed
// or new line is written folded after 75 octets, ending like the text's first
// LF does (CR LF or LF; in a card without LF, a lone CR). BEGIN and END lines
// are content lines like the others; Block finds what lies between them.
//
// In a calendar a line ends at LF only (CR LF included). Cards, which
// address books of every age write more loosely, end a line at CR LF, LF or
// a lone CR, may start with a UTF-8 byte-order mark, and may hold blank
// lines, which never end a line (not even a folded one).

struct ContentParam {
  std::string name;   // upper case; empty for a vCard 2.1 bare type ("TEL;HOME:")
  std::string value;  // as written, quotes kept
};

struct ContentLine {
  std::string raw;    // the bytes read; empty for a line changed or made here
  std::string group;  // "item1" of "item1.TEL"
  std::string name;   // upper case; empty for a line without a colon
  std::vector<ContentParam> params;
  std::string value;  // as written: escapes, quoted-printable and all

  // How the value is coded, as cards of every version say it, in lower case
  // (empty when not said); of several such parameters the last counts.
  // Encoding: ENCODING, or a parameter that is just QUOTED-PRINTABLE or
  // BASE64 (vCard 2.1). Charset: CHARSET.
  [[nodiscard]] std::string Encoding() const;
  [[nodiscard]] std::string Charset() const;
  // VALUE=uri.
  [[nodiscard]] bool IsUri() const;
  // The value as UTF-8 text with its escapes: quoted-printable decoded, then
  // ISO-8859-1 and Windows-1252 read as Windows-1252, UTF-8 and US-ASCII
  // taken as they are, any other set through the C library's converters
  // (bytes it does not define become U+FFFD); without a set, UTF-8 when the
  // bytes are, else Windows-1252 (what files without one mostly are).
  // nullopt for a set the C library does not know.
  [[nodiscard]] std::optional<std::string> Utf8Value() const;
  // The parameter's value (quotes taken off); nullopt when absent.
  [[nodiscard]] std::optional<std::string> Param(std::string_view name) const;
  // Whether TYPE (or a bare 2.1 type) lists `type`, in any letter case.
  [[nodiscard]] bool HasType(std::string_view type) const;
  // Drops `type` from the TYPE values and the bare types; a parameter left
  // empty goes.
  void RemoveType(std::string_view type);
  void RemoveParam(std::string_view name);
  void SetParam(std::string_view name, std::string value);
  void SetValue(std::string value);
};

// A line made here: the name and an escaped value.
[[nodiscard]] ContentLine MakeLine(std::string name, std::string value,
                                   std::vector<ContentParam> params = {});

// The lines between a BEGIN line and its END, those lines excluded.
struct ContentBlock {
  size_t begin = 0;  // index of the BEGIN line
  size_t end = 0;    // index of its END line
};

class ContentDoc {
 public:
  // `format` picks the rules above: kVCard those of cards, any other those
  // of calendars.
  static ContentDoc Parse(std::string_view text, ExchangeFormat format = ExchangeFormat::kICal);
  [[nodiscard]] std::string Text() const;

  std::vector<ContentLine>& lines() { return lines_; }
  const std::vector<ContentLine>& lines() const { return lines_; }

  // The blocks of `name` (upper case) directly inside `outer` (the whole text
  // when nullopt), in order. A block without its END is not one.
  [[nodiscard]] std::vector<ContentBlock> Blocks(std::string_view name,
                                                 std::optional<ContentBlock> outer) const;
  // The lines of `name` directly inside the block (not inside its nested
  // blocks), in order.
  [[nodiscard]] std::vector<size_t> Properties(const ContentBlock& block,
                                               std::string_view name) const;
  // The first of them; nullopt when there is none.
  [[nodiscard]] std::optional<size_t> First(const ContentBlock& block, std::string_view name) const;

  // A line keeps its bytes when it is moved (erased and inserted elsewhere)
  // unchanged. Line indexes at and after `at` move one down; blocks found
  // before are stale afterwards.
  void Insert(size_t at, ContentLine line);
  void Erase(size_t at, size_t count = 1);

 private:
  std::vector<ContentLine> lines_;
  std::string line_end_ = "\r\n";
  bool cr_ends_lines_ = false;  // a lone CR ends a line
};

// Whether two names or words (of properties, parameters, types, blocks) are
// the same in any letter case.
[[nodiscard]] bool SameWord(std::string_view a, std::string_view b);

// A text as a TEXT value: backslash, comma, semicolon and line breaks
// (LF, CR LF, CR) escaped.
[[nodiscard]] std::string EscapeText(std::string_view text);
// A TEXT value as text: "\n" and "\N" give LF, any other escaped character itself.
[[nodiscard]] std::string UnescapeText(std::string_view value);
// A structured value (N, ADR, ORG) cut at the separators that are not
// escaped; the pieces keep their escapes.
[[nodiscard]] std::vector<std::string> SplitValue(std::string_view value, char separator);
[[nodiscard]] std::string JoinValue(const std::vector<std::string>& parts, char separator);

}  // namespace kivo

#endif  // KIVO_EXCHANGE_CONTENT_LINES_H_

#ifndef KIVO_EXCHANGE_CONTENT_LINES_H_
#define KIVO_EXCHANGE_CONTENT_LINES_H_

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kivo {

// A vCard or iCalendar text as its content lines, for changing a few
// properties of an item and passing every other byte through as it came.
//
// A content line is "[group.]NAME[;PARAM=value...]:value", folded over
// physical lines that go on with a blank or a tab (and, in vCard 2.1, a
// quoted-printable value whose physical line ends with '='). A line keeps its
// bytes as read (folds and line ends included) until it is changed; a changed
// or new line is written folded after 75 octets, ending like the text's first
// line. BEGIN and END lines are content lines like the others; Block finds
// what lies between them.

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

  // The parameter's value (quotes taken off); nullopt when absent.
  [[nodiscard]] std::optional<std::string> Param(std::string_view name) const;
  // Whether TYPE (or a bare 2.1 type) lists `type`, in any letter case.
  [[nodiscard]] bool HasType(std::string_view type) const;
  // Drops `type` from the TYPE values and the bare types; a TYPE left empty goes.
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
  static ContentDoc Parse(std::string_view text);
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
};

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

#include "exchange/content_lines.h"

#include <string>

#include <gtest/gtest.h>

namespace kivo {
namespace {

// The lines as "[group.]NAME:value" joined by "|"; a line without a name is "-".
std::string Describe(const ContentDoc& doc) {
  std::string out;
  for (const ContentLine& line : doc.lines()) {
    if (!out.empty()) out += '|';
    if (line.name.empty()) {
      out += '-';
      continue;
    }
    out += (line.group.empty() ? "" : line.group + ".") + line.name + ":" + line.value;
  }
  return out;
}

struct PartCase {
  const char* text;
  ExchangeFormat format;
  const char* lines;
};

// Every text parts into lines that give back its bytes.
TEST(ContentDoc, PartsCardsAndCalendarsByTheirRules) {
  constexpr ExchangeFormat kCard = ExchangeFormat::kVCard;
  constexpr ExchangeFormat kCalendar = ExchangeFormat::kICal;
  const PartCase kCases[] = {
      {"NOTE:a\r\n b\r\n\tc\r\nFN:x\r\n", kCalendar, "NOTE:abc|FN:x"},
      {"NOTE:a\n b\nFN:x", kCard, "NOTE:ab|FN:x"},
      // A soft line break of quoted-printable: the next line's blank is the value's.
      {"NOTE;ENCODING=QUOTED-PRINTABLE:a=\r\n b=\r\n\r\nFN:x\r\n", kCard, "NOTE:a b|FN:x"},
      {"item1.TEL;TYPE=\"a:b\";X=y:1;2\r\n", kCard, "item1.TEL:1;2"},
      {"FN:a\rN:b\r\n\rEND:VCARD", kCard, "FN:a|N:b|END:VCARD"},
      {"FN:a\rN:b\r\n", kCalendar, "FN:a\rN:b"},
      {"NOTE:a\r\n\r\n\r\n b\r\nFN:x\r\n", kCard, "NOTE:ab|FN:x"},
      {"NOTE:a\r\n\r\n b\r\n", kCalendar, "NOTE:a|-|-"},
      {"\xEF\xBB\xBF"
       "BEGIN:VCARD\r\n",
       kCard, "BEGIN:VCARD"},
      {"\r\n\r\nFN:x\r\nno colon\r\n", kCard, "-|-|FN:x|-"},
  };
  for (const PartCase& c : kCases) {
    SCOPED_TRACE(c.text);
    const ContentDoc doc = ContentDoc::Parse(c.text, c.format);
    EXPECT_EQ(Describe(doc), c.lines);
    EXPECT_EQ(doc.Text(), c.text);
  }
}

// A line made here ends as the text's first line does, a lone CR included.
TEST(ContentDoc, NewLinesEndAsTheFirstLine) {
  for (const char* end : {"\r\n", "\n", "\r"}) {
    const std::string text = std::string("BEGIN:VCARD") + end + "END:VCARD";
    ContentDoc doc = ContentDoc::Parse(text, ExchangeFormat::kVCard);
    doc.Insert(1, MakeLine("FN", "x"));
    EXPECT_EQ(doc.Text(), std::string("BEGIN:VCARD") + end + "FN:x" + end + "END:VCARD");
  }
}

struct EscapeCase {
  const char* text;
  const char* value;
  const char* back;  // line breaks as LF
};

TEST(TextValue, EscapesAndUnescapesEveryMarkedCharacter) {
  const EscapeCase kCases[] = {
      {"", "", ""},
      {"a\\b", "a\\\\b", "a\\b"},
      {"x, y; z", "x\\, y\\; z", "x, y; z"},
      {"1\r\n2\n3\r4\r", "1\\n2\\n3\\n4\\n", "1\n2\n3\n4\n"},
      {"\\n", "\\\\n", "\\n"},
  };
  for (const EscapeCase& c : kCases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(EscapeText(c.text), c.value);
    EXPECT_EQ(UnescapeText(c.value), c.back);
  }
  EXPECT_EQ(UnescapeText("A\\NB\\:C\\"), "A\nB:C\\");
  EXPECT_EQ(SplitValue("a\\;b;c\\\\;", ';'), (std::vector<std::string>{"a\\;b", "c\\\\", ""}));
}

}  // namespace
}  // namespace kivo

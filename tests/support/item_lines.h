#ifndef KIVO_TESTS_SUPPORT_ITEM_LINES_H_
#define KIVO_TESTS_SUPPORT_ITEM_LINES_H_

#include <set>
#include <string>

#include "exchange/content_lines.h"
#include "platform/atomic_file.h"

namespace kivo {

// The lines of a vCard or iCalendar text, each with its bytes as they stand,
// but those of the properties `names` ("TEL REV"); a line written anew shows
// as its name, so two texts compare equal only where every other line came
// through byte for byte.
inline std::multiset<std::string> LinesBesides(const std::string& text, const std::string& names) {
  std::multiset<std::string> lines;
  const ContentDoc doc = ContentDoc::Parse(text);
  for (const ContentLine& line : doc.lines()) {
    if ((" " + names + " ").find(" " + line.name + " ") != std::string::npos) continue;
    lines.insert(line.raw.empty() ? "rewritten " + line.name : line.raw);
  }
  return lines;
}

// An item of tests/exchange/fixtures/items.
inline std::string ItemFixture(const std::string& name) {
  return ReadWholeFile(KIVO_SOURCE_DIR "/tests/exchange/fixtures/items/" + name).value_or("");
}

}  // namespace kivo

#endif  // KIVO_TESTS_SUPPORT_ITEM_LINES_H_

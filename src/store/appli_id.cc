#include "store/appli_id.h"

#include <algorithm>
#include <array>
#include <cctype>

namespace kivo {

namespace {
struct AppliInfo {
  int text_offset;
  uint8_t mask;
  std::string_view name;
  std::string_view keyword;
};
constexpr std::array<AppliInfo, 7> kInfo{{
    {14, 0x01, "Schedule", "schedule"},
    {14, 0x02, "Anniversary", "anniversary"},
    {5, 0x04, "To Do", "todo"},
    {0, 0x08, "Memo", "memo"},
    {33, 0x10, "Expense", "expense"},
    {1, 0x20, "Telephone", "telephone"},
    {0, 0x00, "Expense Category", "category"},
}};
}  // namespace

int TextOffset(AppliId id) { return id < kInfo.size() ? kInfo[id].text_offset : 0; }

uint8_t EnsureMaskBit(AppliId id) { return id < kInfo.size() ? kInfo[id].mask : 0; }

std::string_view AppliName(AppliId id) { return id < kInfo.size() ? kInfo[id].name : "?"; }

std::string_view AppliKeyword(AppliId id) { return id < kInfo.size() ? kInfo[id].keyword : "?"; }

std::optional<AppliId> ParseAppliName(std::string_view text) {
  // "Memo" as the tabs write it is as good as "memo".
  auto same = [](std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
             return std::tolower(static_cast<unsigned char>(x)) == y;
           });
  };
  for (AppliId id = 0; id < kInfo.size(); ++id) {
    if (same(text, kInfo[id].keyword)) return id;
  }
  if (text.size() == 1 && text[0] >= '0' && text[0] <= '6') {
    return static_cast<AppliId>(text[0] - '0');
  }
  return std::nullopt;
}

}  // namespace kivo

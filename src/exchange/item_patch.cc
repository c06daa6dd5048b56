#include "exchange/item_patch.h"

#include <cstdio>

namespace kivo {

std::optional<std::string> PatchItem(AppliId id, std::string_view item,
                                     std::span<const uint8_t> before,
                                     std::span<const uint8_t> after, const ItemContext& context) {
  const ExchangeFormat format = id == kTelephone ? ExchangeFormat::kVCard : ExchangeFormat::kICal;
  return PatchItem(id, ContentDoc::Parse(item, format), before, after, context);
}

std::optional<std::string> PatchItem(AppliId id, const ContentDoc& item,
                                     std::span<const uint8_t> before,
                                     std::span<const uint8_t> after, const ItemContext& context) {
  if (id == kTelephone) return PatchVCard(item, before, after, context);
  return PatchICalendar(id, item, before, after, context);
}

std::string UtcStamp(std::time_t now) {
  std::tm tm{};
  gmtime_r(&now, &tm);
  char text[80];
  std::snprintf(text, sizeof text, "%04d%02d%02dT%02d%02d%02dZ", tm.tm_year + 1900, tm.tm_mon + 1,
                tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec);
  return text;
}

}  // namespace kivo

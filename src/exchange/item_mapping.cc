#include "exchange/item_mapping.h"

#include <algorithm>
#include <cctype>

#include "exchange/ical.h"
#include "exchange/vcard.h"
#include "store/record_codec.h"

namespace kivo {

namespace {

std::string Upper(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return text;
}

bool IsDateValue(const ContentLine& line) {
  const std::optional<std::string> type = line.Param("VALUE");
  if (type) return Upper(*type) == "DATE";
  return line.value.size() == 8 &&
         std::all_of(line.value.begin(), line.value.end(),
                     [](unsigned char c) { return std::isdigit(c) != 0; });
}

bool RepeatsYearly(const ContentLine& rule) {
  for (const std::string& part : SplitValue(rule.value, ';')) {
    if (Upper(part) == "FREQ=YEARLY") return true;
  }
  return false;
}

// The application a VEVENT or VTODO block maps to.
AppliId EntryAppli(const ContentDoc& doc, const ContentBlock& block) {
  if (Upper(doc.lines()[block.begin].value) == "VTODO") return kToDo;
  const std::optional<size_t> start = doc.First(block, "DTSTART");
  const std::optional<size_t> rule = doc.First(block, "RRULE");
  if (start && rule && IsDateValue(doc.lines()[*start]) && RepeatsYearly(doc.lines()[*rule])) {
    return kAnniversary;
  }
  return kSchedule;
}

// libical reads a C string: what follows a NUL would go unseen, and a
// patch that rewrote a line holding one would change the record.
bool HoldsNul(const ContentDoc& doc) {
  auto holds = [](std::string_view text) { return text.find('\0') != std::string_view::npos; };
  for (const ContentLine& line : doc.lines()) {
    if (holds(line.raw) || holds(line.group) || holds(line.name) || holds(line.value)) return true;
    for (const ContentParam& param : line.params) {
      if (holds(param.name) || holds(param.value)) return true;
    }
  }
  return false;
}

}  // namespace

std::optional<MainComponent> FindMainComponent(const ContentDoc& doc) {
  std::vector<ContentBlock> outers = doc.Blocks("VCALENDAR", std::nullopt);
  std::vector<std::optional<ContentBlock>> scopes(outers.begin(), outers.end());
  if (scopes.empty()) scopes.push_back(std::nullopt);  // a bare component
  std::optional<MainComponent> found;
  int count = 0;
  for (const std::optional<ContentBlock>& scope : scopes) {
    for (const char* kind : {"VEVENT", "VTODO"}) {
      for (const ContentBlock& block : doc.Blocks(kind, scope)) {
        if (doc.First(block, "RECURRENCE-ID")) continue;
        ++count;
        found = MainComponent{block, EntryAppli(doc, block)};
      }
    }
  }
  if (count != 1) return std::nullopt;
  return found;
}

namespace {

// `text`: the calendar object's text (libical reads it); unused for a card.
std::optional<MappedItem> MapParsed(ExchangeFormat format, const ContentDoc& doc,
                                    std::string_view text, const ItemContext& context) {
  ImportBatch batch;
  if (format == ExchangeFormat::kVCard) {
    if (doc.Blocks("VCARD", std::nullopt).size() != 1) return std::nullopt;
    batch = ReadVCards(doc, context.allowed);
  } else if (format == ExchangeFormat::kICal) {
    const std::optional<MainComponent> main = FindMainComponent(doc);
    if (!main) return std::nullopt;
    batch = ReadICalendar(text, main->id, context.allowed, context.today);
  } else {
    return std::nullopt;
  }
  if (batch.records.size() != 1) return std::nullopt;
  std::vector<uint8_t>& record = batch.records.front();
  if (context.tables != nullptr) {
    ToOrganizerCoding(batch.id, record, *context.tables);
    ToPcCoding(batch.id, record, *context.tables);
  }
  return MappedItem{batch.id, std::move(record)};
}

}  // namespace

std::optional<MappedItem> MapItem(ExchangeFormat format, std::string_view text,
                                  const ItemContext& context) {
  if (text.find('\0') != std::string_view::npos) return std::nullopt;
  return MapParsed(format, ContentDoc::Parse(text, format), text, context);
}

std::optional<MappedItem> MapItem(ExchangeFormat format, const ContentDoc& item,
                                  const ItemContext& context) {
  if (HoldsNul(item)) return std::nullopt;
  return MapParsed(format, item, format == ExchangeFormat::kICal ? item.Text() : "", context);
}

std::string OrganizerText(std::string text, const ItemContext& context) {
  if (context.tables == nullptr) return text;
  // A memo is all text: the conversion of any field, byte for byte.
  const std::span<uint8_t> bytes(reinterpret_cast<uint8_t*>(text.data()), text.size());
  ToOrganizerCoding(kMemo, bytes, *context.tables);
  ToPcCoding(kMemo, bytes, *context.tables);
  return text;
}

std::string ItemUid(const ContentDoc& doc) {
  std::optional<ContentBlock> block;
  if (const std::vector<ContentBlock> cards = doc.Blocks("VCARD", std::nullopt); !cards.empty()) {
    block = cards.front();
  } else if (const std::optional<MainComponent> main = FindMainComponent(doc)) {
    block = main->block;
  }
  if (!block) return {};
  const std::optional<size_t> uid = doc.First(*block, "UID");
  return uid ? doc.lines()[*uid].value : std::string();
}

std::string NewItem(AppliId id, std::span<const uint8_t> record, const std::string& uid,
                    const ItemContext& context) {
  if (id != kTelephone) return BuildICalendarItem(id, record, uid, context.now);
  TelephoneRecord r;
  if (DecodeTelephoneRecord(record, &r) != kStoreOk) return {};
  std::string text;
  AppendVCard(r, uid, &text);
  return text;
}

}  // namespace kivo

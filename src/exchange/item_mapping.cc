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

// The calendars of a document, or the document itself for a bare component.
std::vector<std::optional<ContentBlock>> Scopes(const ContentDoc& doc) {
  std::vector<ContentBlock> outers = doc.Blocks("VCALENDAR", std::nullopt);
  std::vector<std::optional<ContentBlock>> scopes(outers.begin(), outers.end());
  if (scopes.empty()) scopes.push_back(std::nullopt);
  return scopes;
}

// The entries (VEVENT and VTODO that are no changed occurrence) of a
// document; the last one in *last.
int CountEntries(const ContentDoc& doc, std::optional<MainComponent>* last) {
  int count = 0;
  for (const std::optional<ContentBlock>& scope : Scopes(doc)) {
    for (const char* kind : {"VEVENT", "VTODO"}) {
      for (const ContentBlock& block : doc.Blocks(kind, scope)) {
        if (doc.First(block, "RECURRENCE-ID")) continue;
        ++count;
        if (last != nullptr) *last = MainComponent{block, EntryAppli(doc, block)};
      }
    }
  }
  return count;
}

}  // namespace

std::optional<MainComponent> FindMainComponent(const ContentDoc& doc) {
  std::optional<MainComponent> found;
  if (CountEntries(doc, &found) != 1) return std::nullopt;
  return found;
}

namespace {

// Why a calendar object has no entry to stand for a record.
std::string NoEntry(const ContentDoc& doc) {
  const int entries = CountEntries(doc, nullptr);
  if (entries > 1) return "holds " + std::to_string(entries) + " entries, not one";
  for (const std::optional<ContentBlock>& scope : Scopes(doc)) {
    if (!doc.Blocks("VJOURNAL", scope).empty()) {
      return "a journal entry, which no application holds";
    }
  }
  return "holds no event or to-do";
}

// `text`: the calendar object's text (libical reads it); unused for a card.
std::optional<MappedItem> MapParsed(ExchangeFormat format, const ContentDoc& doc,
                                    std::string_view text, const ItemContext& context,
                                    std::string* why) {
  auto none = [why](std::string reason) -> std::optional<MappedItem> {
    if (why != nullptr) *why = std::move(reason);
    return std::nullopt;
  };
  ImportBatch batch;
  if (format == ExchangeFormat::kVCard) {
    const size_t cards = doc.Blocks("VCARD", std::nullopt).size();
    if (cards == 0) return none("holds no card");
    if (cards > 1) return none("holds " + std::to_string(cards) + " cards, not one");
    batch = ReadVCards(doc, context.allowed);
  } else if (format == ExchangeFormat::kICal) {
    const std::optional<MainComponent> main = FindMainComponent(doc);
    if (!main) return none(NoEntry(doc));
    batch = ReadICalendar(text, main->id, context.allowed, context.today);
  } else {
    return none("is no card or calendar entry");
  }
  if (batch.records.size() != 1) {
    if (batch.cancelled > 0) return none("a cancelled entry");
    if (!batch.reasons.empty()) {
      const std::string& reason = batch.reasons.front().one;
      const bool vowel =
          !reason.empty() && std::string_view("aeiou").find(reason[0]) != std::string_view::npos;
      return none((vowel ? "an " : "a ") + reason);
    }
    return none("holds nothing the organizer can take");
  }
  MappedItem item{batch.id, std::move(batch.records.front()), batch.undated > 0, {}};
  if (context.tables != nullptr) {
    ToOrganizerCoding(batch.id, item.record, *context.tables);
    ToPcCoding(batch.id, item.record, *context.tables);
  }
  if (batch.recurring > 0) {
    item.note = batch.id == kToDo ? "a repeating to-do, taken as its first occurrence"
                                  : "a repeating event, taken as its first occurrence";
  }
  return item;
}

}  // namespace

std::optional<MappedItem> MapItem(ExchangeFormat format, std::string_view text,
                                  const ItemContext& context, std::string* why) {
  if (text.find('\0') != std::string_view::npos) {
    if (why != nullptr) *why = "holds a NUL byte";
    return std::nullopt;
  }
  return MapParsed(format, ContentDoc::Parse(text, format), text, context, why);
}

std::optional<MappedItem> MapItem(ExchangeFormat format, const ContentDoc& item,
                                  const ItemContext& context, std::string* why) {
  if (HoldsNul(item)) {
    if (why != nullptr) *why = "holds a NUL byte";
    return std::nullopt;
  }
  return MapParsed(format, item, format == ExchangeFormat::kICal ? item.Text() : "", context, why);
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

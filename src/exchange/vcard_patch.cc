// PatchItem for Telephone cards: the card's properties that carry the
// organizer's fields, changed in place.

#include <algorithm>
#include <array>

#include "csv/cp1252.h"
#include "exchange/content_lines.h"
#include "exchange/item_patch.h"
#include "exchange/vcard.h"
#include "store/record_codec.h"

namespace kivo {

namespace {

constexpr std::array<int, 4> kNumberFields{kHomeNumber, kOfficeNumber, kFaxNumber, kOtherNumber};
constexpr std::array<const char*, 3> kNumberTypes{"home", "work", "fax"};

// Parts of a card that change together.
enum Part : unsigned {
  kNameLines = 1,
  kCompanyLine = 2,
  kNumberLines = 4,
  kAddressLine = 8,
  kEmailLine = 16,
  kNoteLines = 32,
  kCategoryWords = 64,
};

// A record's text (Windows-1252, CR LF) as an escaped vCard value.
std::string Value(const std::string& text) { return EscapeText(Cp1252ToUtf8(text)); }

// A value written here is plain UTF-8, whatever coding the line had.
void SetText(ContentLine& line, std::string value) {
  line.RemoveParam("ENCODING");
  line.RemoveParam("CHARSET");
  line.RemoveType("QUOTED-PRINTABLE");
  line.RemoveType("BASE64");
  line.SetValue(std::move(value));
}

std::string Number(const ContentLine& line) { return CardNumber(line.value, line.IsUri()); }

void SetNumber(ContentLine& line, const std::string& record_text) {
  const std::string number = Cp1252ToUtf8(record_text);
  SetText(line, line.IsUri() ? "tel:" + number : EscapeText(number));
}

ContentLine NewNumber(int field, const std::string& record_text) {
  ContentLine line = MakeLine("TEL", "");
  for (size_t i = 0; i < kNumberTypes.size(); ++i) {
    if (kNumberFields[i] == field) line.params.push_back({"TYPE", kNumberTypes[i]});
  }
  SetNumber(line, record_text);
  return line;
}

// The card as the patch sees it: where each number went.
struct CardView {
  ContentBlock card;
  std::vector<size_t> tels;  // the TEL lines with a number, in order
  std::vector<int> places;   // PlaceCardNumbers of them
  std::string prefix;        // the notes' "Tel: " lines as the record holds them
  std::string line_break;    // a line break of the notes as the record holds it
};

std::optional<CardView> ViewCard(const ContentDoc& doc, const ItemContext& context) {
  const AllowedTable& allowed = context.allowed;
  const std::vector<ContentBlock> cards = doc.Blocks("VCARD", std::nullopt);
  if (cards.size() != 1) return std::nullopt;
  CardView view{cards.front(), {}, {}, {}, OrganizerText("\r\n", context)};
  std::vector<std::pair<int, std::string>> numbers;
  for (size_t i : doc.Properties(view.card, "TEL")) {
    std::string number = Number(doc.lines()[i]);
    if (number.empty()) continue;
    view.tels.push_back(i);
    numbers.emplace_back(CardNumberField(doc.lines()[i]), std::move(number));
  }
  std::string lines;
  view.places = PlaceCardNumbers(numbers, allowed, &lines);
  ImportBatch scratch;
  view.prefix =
      OrganizerText(TextTaker(allowed, &scratch).FromUtf8(lines, std::string::npos), context);
  return view;
}

// A record's numbers and notes, parted as the card holds them: the notes'
// leading "Tel: " lines (numbers of the card beyond the four fields) and the
// note itself.
struct Parted {
  std::array<std::string, 4> fields;
  std::vector<std::string> extra;  // record coding
  std::string note;
  bool operator==(const Parted&) const = default;
};

std::vector<std::string> Lines(const std::string& text, const std::string& line_break) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start <= text.size()) {
    const size_t end = text.find(line_break, start);
    lines.push_back(text.substr(start, end == std::string::npos ? end : end - start));
    if (end == std::string::npos) break;
    start = end + line_break.size();
  }
  return lines;
}

// Parted at the card's prefix; when the record's differs, its leading "Tel: "
// lines are the numbers (edited on the organizer).
Parted Part(const TelephoneRecord& r, const CardView& view) {
  Parted parted;
  for (size_t i = 0; i < kNumberFields.size(); ++i) parted.fields[i] = r.texts[kNumberFields[i]];
  const std::string& notes = r.texts[kNotes];
  const std::string& prefix = view.prefix;
  const std::string& line_break = view.line_break;
  parted.note = notes;
  if (prefix.empty()) return parted;
  std::vector<std::string> lines;
  if (notes == prefix || notes.starts_with(prefix + line_break)) {
    lines = Lines(prefix, line_break);
    parted.note = notes.substr(std::min(notes.size(), prefix.size() + line_break.size()));
  } else {
    const std::vector<std::string> all = Lines(notes, line_break);
    size_t taken = 0;
    while (taken < all.size() && all[taken].starts_with("Tel: ") && all[taken].size() > 5) ++taken;
    lines.assign(all.begin(), all.begin() + static_cast<ptrdiff_t>(taken));
    parted.note.clear();
    for (size_t i = taken; i < all.size(); ++i) {
      parted.note += (i > taken ? line_break : "") + all[i];
    }
  }
  // A number holding a line break of its own gives a line without "Tel: ".
  for (const std::string& line : lines)
    parted.extra.push_back(line.substr(std::min<size_t>(5, line.size())));
  return parted;
}

unsigned Differing(const TelephoneRecord& a, const TelephoneRecord& b, const CardView& view) {
  const auto& x = a.texts;
  const auto& y = b.texts;
  const Parted pa = Part(a, view);
  const Parted pb = Part(b, view);
  unsigned groups = 0;
  if (x[kLastName] != y[kLastName] || x[kFirstName] != y[kFirstName]) groups |= kNameLines;
  if (x[kCompany] != y[kCompany]) groups |= kCompanyLine;
  if (pa.fields != pb.fields || pa.extra != pb.extra) groups |= kNumberLines;
  for (int f : {kAddress, kCity, kState, kZipCode, kCountry}) {
    if (x[f] != y[f]) groups |= kAddressLine;
  }
  if (x[kEmail] != y[kEmail]) groups |= kEmailLine;
  if (pa.note != pb.note) groups |= kNoteLines;
  if (std::min<int>(a.category, 2) != std::min<int>(b.category, 2)) groups |= kCategoryWords;
  return groups;
}

class CardPatch {
 public:
  CardPatch(ContentDoc& doc, const TelephoneRecord& from, const TelephoneRecord& to, bool force,
            const ItemContext& context)
      : doc_(doc), from_(from), to_(to), force_(force), context_(context) {}

  void Apply(unsigned groups) {
    const CardView view = View();
    const Parted to = Part(to_, view);
    const Parted from = Part(from_, view);
    if (groups & kNameLines) Names();
    if (groups & kCompanyLine) Company();
    if (groups & (kNameLines | kCompanyLine)) FullName();
    if (groups & kNumberLines) Numbers(from, to);
    if (groups & kAddressLine) Address();
    if (groups & kEmailLine) Single("EMAIL", kEmail);
    if (groups & kNoteLines) Note(to.note);
    if (groups & kCategoryWords) Category();
  }

 private:
  CardView View() const { return *ViewCard(doc_, context_); }
  ContentLine& Line(size_t i) { return doc_.lines()[i]; }
  std::optional<size_t> First(std::string_view name) const { return doc_.First(View().card, name); }
  bool Changed(int field) const { return force_ || from_.texts[field] != to_.texts[field]; }
  std::string To(int field) const { return Value(to_.texts[field]); }
  void AtEnd(ContentLine line) { doc_.Insert(View().card.end, std::move(line)); }

  void Names() {
    const bool none = to_.texts[kLastName].empty() && to_.texts[kFirstName].empty();
    const std::optional<size_t> n = First("N");
    if (!n) {
      if (!none) AtEnd(MakeLine("N", To(kLastName) + ";" + To(kFirstName) + ";;;"));
      return;
    }
    std::vector<std::string> parts = SplitValue(Line(*n).value, ';');
    parts.resize(std::max<size_t>(parts.size(), 5));
    if (Changed(kLastName)) parts[0] = To(kLastName);
    if (Changed(kFirstName)) {
      parts[1] = To(kFirstName);
      parts[2].clear();  // the import joins the middle names into the first
    }
    SetText(Line(*n), JoinValue(parts, ';'));
  }

  void Company() {
    const std::optional<size_t> org = First("ORG");
    if (!org) {
      if (!to_.texts[kCompany].empty()) AtEnd(MakeLine("ORG", To(kCompany)));
      return;
    }
    std::vector<std::string> parts = SplitValue(Line(*org).value, ';');
    if (to_.texts[kCompany].empty() && parts.size() == 1) {
      doc_.Erase(*org);
      return;
    }
    parts[0] = To(kCompany);
    SetText(Line(*org), JoinValue(parts, ';'));
  }

  // FN as the export makes it, once the names or the company change.
  void FullName() {
    const auto& t = to_.texts;
    const bool names = (force_ || from_.texts[kLastName] != t[kLastName] ||
                        from_.texts[kFirstName] != t[kFirstName]);
    if (!names && (!t[kLastName].empty() || !t[kFirstName].empty())) return;
    std::string full = t[kFirstName];
    if (!full.empty() && !t[kLastName].empty()) full += ' ';
    full += t[kLastName];
    if (full.empty()) full = t[kCompany];
    if (full.empty()) return;
    if (const std::optional<size_t> fn = First("FN")) {
      SetText(Line(*fn), Value(full));
    } else {
      AtEnd(MakeLine("FN", Value(full)));
    }
  }

  void Numbers(const Parted& from, const Parted& to) {
    if (force_ || from.extra != to.extra || !ChangeNumbersInPlace(to)) RebuildNumbers(to);
  }

  // Each changed field's line takes the new number, goes or comes; false
  // (nothing changed) when a line that goes would let another move up.
  bool ChangeNumbersInPlace(const Parted& to) {
    const CardView view = View();
    for (size_t k = 0; k < kNumberFields.size(); ++k) {
      const int field = kNumberFields[k];
      if (!to.fields[k].empty() || from_.texts[field].empty()) continue;
      for (size_t i = 0; i < view.tels.size(); ++i) {
        const bool holder = view.places[i] == field;
        const bool follows = field == kOtherNumber ? view.places[i] == kNotes || view.places[i] < 0
                                                   : CardNumberField(Line(view.tels[i])) == field;
        if (!holder && follows) return false;
      }
    }
    std::vector<size_t> gone;
    for (size_t k = 0; k < kNumberFields.size(); ++k) {
      const int field = kNumberFields[k];
      if (from_.texts[field] == to.fields[k]) continue;
      const auto at = std::find(view.places.begin(), view.places.end(), field);
      if (at == view.places.end()) {
        if (!to.fields[k].empty()) AtEnd(NewNumber(field, to.fields[k]));
      } else if (to.fields[k].empty()) {
        gone.push_back(view.tels[static_cast<size_t>(at - view.places.begin())]);
      } else {
        SetNumber(Line(view.tels[static_cast<size_t>(at - view.places.begin())]), to.fields[k]);
      }
    }
    std::sort(gone.rbegin(), gone.rend());
    for (size_t i : gone) doc_.Erase(i);
    return true;
  }

  // The TEL lines again in the order that puts each number where the record
  // has it: the four fields, the notes' numbers, then numbers the organizer
  // never held. Lines keep their parameters, but a type that would pull a
  // number into a field the record leaves empty.
  void RebuildNumbers(const Parted& to) {
    const CardView view = View();
    std::vector<bool> used(view.tels.size());
    std::vector<ContentLine> sequence;
    // The line a field's number keeps: the one that held it.
    for (size_t k = 0; k < kNumberFields.size(); ++k) {
      if (to.fields[k].empty()) continue;
      const auto at = std::find(view.places.begin(), view.places.end(), kNumberFields[k]);
      if (at == view.places.end()) {
        sequence.push_back(NewNumber(kNumberFields[k], to.fields[k]));
        continue;
      }
      const size_t i = static_cast<size_t>(at - view.places.begin());
      used[i] = true;
      sequence.push_back(Line(view.tels[i]));
      if (Number(sequence.back()) != Cp1252ToUtf8(to.fields[k])) {
        SetNumber(sequence.back(), to.fields[k]);
      }
    }
    // The notes' numbers: a line with the same number, else the next line
    // that held a notes number (an edited one), else a new line.
    std::vector<size_t> holders;
    for (size_t i = 0; i < view.tels.size(); ++i) {
      if (view.places[i] == kNotes) holders.push_back(i);
    }
    std::vector<std::optional<size_t>> chosen(to.extra.size());
    for (size_t n = 0; n < to.extra.size(); ++n) {
      for (size_t i : holders) {
        if (!used[i] && Number(Line(view.tels[i])) == Cp1252ToUtf8(to.extra[n])) {
          used[i] = true;
          chosen[n] = i;
          break;
        }
      }
    }
    for (size_t n = 0; n < to.extra.size(); ++n) {
      for (size_t i : holders) {
        if (chosen[n] || used[i]) continue;
        used[i] = true;
        chosen[n] = i;
      }
      if (!chosen[n]) {
        sequence.push_back(NewNumber(kOtherNumber, to.extra[n]));
        continue;
      }
      sequence.push_back(Line(view.tels[*chosen[n]]));
      if (Number(sequence.back()) != Cp1252ToUtf8(to.extra[n])) {
        SetNumber(sequence.back(), to.extra[n]);
      }
    }
    for (size_t i = 0; i < view.tels.size(); ++i) {
      if (view.places[i] < 0) sequence.push_back(Line(view.tels[i]));
    }
    for (ContentLine& line : sequence) {
      for (size_t k = 0; k < kNumberTypes.size(); ++k) {
        if (to.fields[k].empty()) line.RemoveType(kNumberTypes[k]);
      }
    }
    std::vector<size_t> all = doc_.Properties(view.card, "TEL");
    const size_t at = all.empty() ? view.card.end : all.front();
    std::sort(all.rbegin(), all.rend());
    // Lines without a number stay where they are, after the numbers.
    size_t kept_before = 0;
    for (size_t i : all) {
      if (!Number(Line(i)).empty()) {
        doc_.Erase(i);
      } else if (i < at) {
        ++kept_before;
      }
    }
    for (size_t i = 0; i < sequence.size(); ++i) {
      doc_.Insert(at - kept_before + i, std::move(sequence[i]));
    }
  }

  void Address() {
    const auto& t = to_.texts;
    const bool none = t[kAddress].empty() && t[kCity].empty() && t[kState].empty() &&
                      t[kZipCode].empty() && t[kCountry].empty();
    const std::vector<size_t> lines = doc_.Properties(View().card, "ADR");
    if (lines.empty()) {
      if (!none) {
        AtEnd(MakeLine("ADR", ";;" + To(kAddress) + ";" + To(kCity) + ";" + To(kState) + ";" +
                                  To(kZipCode) + ";" + To(kCountry)));
      }
      return;
    }
    if (none && lines.size() == 1) {
      doc_.Erase(lines.front());
      return;
    }
    ContentLine& adr = Line(lines.front());
    std::vector<std::string> parts = SplitValue(adr.value, ';');
    parts.resize(std::max<size_t>(parts.size(), 7));
    if (Changed(kAddress)) {
      parts[0].clear();  // post office box and extended address: the import
      parts[1].clear();  // joins them into the one address line
      parts[2] = To(kAddress);
    }
    const std::pair<size_t, int> rest[] = {{3, kCity}, {4, kState}, {5, kZipCode}, {6, kCountry}};
    for (const auto& [part, field] : rest) {
      if (Changed(field)) parts[part] = To(field);
    }
    SetText(adr, JoinValue(parts, ';'));
  }

  // A field held by the first line of its kind.
  void Single(const char* name, int field) {
    const std::optional<size_t> line = First(name);
    if (to_.texts[field].empty()) {
      if (line) doc_.Erase(*line);
    } else if (line) {
      SetText(Line(*line), To(field));
    } else {
      AtEnd(MakeLine(name, To(field)));
    }
  }

  // The import joins every NOTE: the new note replaces them all.
  void Note(const std::string& note) {
    std::vector<size_t> lines = doc_.Properties(View().card, "NOTE");
    if (lines.empty()) {
      if (!note.empty()) AtEnd(MakeLine("NOTE", Value(note)));
      return;
    }
    if (!note.empty()) SetText(Line(lines.front()), Value(note));
    for (size_t i = lines.size(); i-- > (note.empty() ? 0 : 1);) doc_.Erase(lines[i]);
  }

  // Personal and Business are words among the categories; other words stay.
  void Category() {
    std::vector<size_t> lines = doc_.Properties(View().card, "CATEGORIES");
    std::sort(lines.rbegin(), lines.rend());
    for (size_t i : lines) {
      std::vector<std::string> words = SplitValue(Line(i).value, ',');
      const size_t before = words.size();
      std::erase_if(words, [](const std::string& word) {
        const std::string text = UnescapeText(word);
        return SameWord(text, "personal") || SameWord(text, "business");
      });
      if (words.size() == before) continue;
      if (words.empty()) {
        doc_.Erase(i);
      } else {
        SetText(Line(i), JoinValue(words, ','));
      }
    }
    if (to_.category > 1) return;
    const char* word = to_.category == 0 ? "Personal" : "Business";
    if (const std::optional<size_t> first = First("CATEGORIES")) {
      SetText(Line(*first), Line(*first).value + "," + word);
    } else {
      AtEnd(MakeLine("CATEGORIES", word));
    }
  }

  ContentDoc& doc_;
  const TelephoneRecord& from_;
  const TelephoneRecord& to_;
  bool force_;
  const ItemContext& context_;
};

std::optional<TelephoneRecord> CardRecord(const ContentDoc& card, const ItemContext& context) {
  std::optional<MappedItem> mapped = MapItem(ExchangeFormat::kVCard, card, context);
  TelephoneRecord r;
  if (!mapped || DecodeTelephoneRecord(mapped->record, &r) != kStoreOk) return std::nullopt;
  return r;
}

}  // namespace

std::optional<std::string> PatchVCard(const ContentDoc& item, std::span<const uint8_t> before,
                                      std::span<const uint8_t> after, const ItemContext& context) {
  TelephoneRecord from;
  TelephoneRecord to;
  if (DecodeTelephoneRecord(before, &from) != kStoreOk ||
      DecodeTelephoneRecord(after, &to) != kStoreOk) {
    return std::nullopt;
  }
  ContentDoc doc = item;
  const std::optional<CardView> view = ViewCard(doc, context);
  if (!view) return std::nullopt;
  const TelephoneRecord fresh = CardRecord(item, context).value_or(from);
  const unsigned changed = Differing(from, to, *view);
  CardPatch(doc, from, to, false, context).Apply(changed);
  // A change that moved another field: write that one too, from what the
  // card now says.
  for (int round = 0; round < 2; ++round) {
    const std::optional<TelephoneRecord> now =
        CardRecord(ContentDoc::Parse(doc.Text(), ExchangeFormat::kVCard), context);
    if (!now) break;
    const CardView patched = *ViewCard(doc, context);
    const unsigned wrong =
        (Differing(*now, to, patched) & changed) | (Differing(*now, fresh, patched) & ~changed);
    if (wrong == 0) break;
    CardPatch(doc, *now, to, true, context).Apply(wrong);
  }
  if (const std::optional<size_t> rev = doc.First(ViewCard(doc, context)->card, "REV")) {
    SetText(doc.lines()[*rev], UtcStamp(context.now));
  }
  return doc.Text();
}

}  // namespace kivo

// The vCard import: cards of versions 2.1, 3.0 and 4.0.

#include <iconv.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "csv/cp1252.h"
#include "exchange/vcard.h"
#include "format/date_format.h"
#include "store/record_codec.h"

namespace kivo {

namespace {

std::string Lower(std::string_view text) {
  std::string out(text);
  std::transform(out.begin(), out.end(), out.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return out;
}

// Splits at every separator outside double quotes (parameters) or not
// preceded by a backslash (values); the pieces keep their escapes.
std::vector<std::string> Split(std::string_view text, char separator, bool quotes) {
  std::vector<std::string> parts(1);
  bool quoted = false;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (quotes && c == '"') {
      quoted = !quoted;
      continue;
    }
    if (!quotes && c == '\\' && i + 1 < text.size()) {
      parts.back() += c;
      parts.back() += text[++i];
      continue;
    }
    if (c == separator && !quoted) {
      parts.emplace_back();
    } else {
      parts.back() += c;
    }
  }
  return parts;
}

std::string Unescape(std::string_view text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\\' && i + 1 < text.size()) {
      const char next = text[++i];
      out += next == 'n' || next == 'N' ? '\n' : next;
    } else {
      out += text[i];
    }
  }
  return out;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

std::string DecodeQuotedPrintable(std::string_view text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '=' && i + 2 < text.size() && HexDigit(text[i + 1]) >= 0 &&
        HexDigit(text[i + 2]) >= 0) {
      out += static_cast<char>(HexDigit(text[i + 1]) * 16 + HexDigit(text[i + 2]));
      i += 2;
    } else {
      out += text[i];
    }
  }
  return out;
}

// One content line: name (without group), parameters, raw value.
struct ContentLine {
  std::string name;
  std::vector<std::string> types;  // lower case
  std::string encoding;            // lower case
  std::string charset;             // lower case
  bool uri = false;                // VALUE=uri
  std::string value;
};

std::optional<ContentLine> ParseLine(std::string_view line) {
  bool quoted = false;
  size_t colon = std::string_view::npos;
  for (size_t i = 0; i < line.size(); ++i) {
    if (line[i] == '"') quoted = !quoted;
    if (line[i] == ':' && !quoted) {
      colon = i;
      break;
    }
  }
  if (colon == std::string_view::npos) return std::nullopt;
  ContentLine out;
  std::vector<std::string> head = Split(line.substr(0, colon), ';', true);
  std::string name = Lower(head[0]);
  if (const size_t dot = name.rfind('.'); dot != std::string::npos) name.erase(0, dot + 1);
  out.name = name;
  for (size_t i = 1; i < head.size(); ++i) {
    const size_t eq = head[i].find('=');
    const std::string key = Lower(eq == std::string::npos ? "type" : head[i].substr(0, eq));
    const std::string value = Lower(eq == std::string::npos ? head[i] : head[i].substr(eq + 1));
    if (key == "encoding" || value == "quoted-printable" || value == "base64") {
      out.encoding = value;
    } else if (key == "value") {
      out.uri = value == "uri";
    } else if (key == "charset") {
      out.charset = value;
    } else if (key == "type") {
      for (const std::string& type : Split(value, ',', true)) out.types.push_back(type);
    }
  }
  out.value = std::string(line.substr(colon + 1));
  return out;
}

bool HasType(const ContentLine& line, std::string_view type) {
  return std::find(line.types.begin(), line.types.end(), type) != line.types.end();
}

// Bytes in a character set other than UTF-8 and Windows-1252 as UTF-8,
// through the C library's converters (Shift_JIS, ISO-8859-x, KOI8-R, ...).
// Bytes the set does not define become U+FFFD, which the text rules then
// count. nullopt when the C library does not know the set.
std::optional<std::string> ConvertToUtf8(std::string_view bytes, const std::string& charset) {
  // Set names are letters, digits and a few marks; anything else (a "//"
  // suffix that asks for transliteration, say) is no name we read.
  const bool name = !charset.empty() && charset.size() <= 40 &&
                    std::all_of(charset.begin(), charset.end(), [](unsigned char c) {
                      return std::isalnum(c) || c == '-' || c == '_' || c == '.' || c == ':';
                    });
  if (!name) return std::nullopt;
  const iconv_t cd = iconv_open("UTF-8", charset.c_str());
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
  std::string out;
  std::string input(bytes);
  char* in = input.data();
  size_t in_left = input.size();
  char buffer[256];
  while (in_left > 0) {
    char* to = buffer;
    size_t to_left = sizeof buffer;
    const size_t done = iconv(cd, &in, &in_left, &to, &to_left);
    out.append(buffer, static_cast<size_t>(to - buffer));
    if (done != static_cast<size_t>(-1) || errno == E2BIG) continue;
    out += "\xEF\xBF\xBD";
    if (errno != EILSEQ) break;  // a sequence cut off at the end
    ++in;
    --in_left;
  }
  iconv_close(cd);
  return out;
}

// The value's bytes as UTF-8; nullopt (and the set listed in the batch) for
// a character set this program cannot read.
std::optional<std::string> ValueText(const ContentLine& line, ImportBatch* batch) {
  std::string bytes =
      line.encoding == "quoted-printable" ? DecodeQuotedPrintable(line.value) : line.value;
  const std::string& set = line.charset;
  if (set == "iso-8859-1" || set == "latin1" || set == "windows-1252" || set == "cp1252") {
    return Cp1252ToUtf8(bytes);
  }
  if (!set.empty() && set != "utf-8" && set != "utf8" && set != "us-ascii") {
    std::optional<std::string> text = ConvertToUtf8(bytes, set);
    if (!text) {
      auto& sets = batch->unknown_charsets;
      if (std::find(sets.begin(), sets.end(), set) == sets.end()) sets.push_back(set);
    }
    return text;
  }
  // Files without a set that are not UTF-8 are most often Windows-1252.
  return IsValidUtf8(bytes) ? bytes : Cp1252ToUtf8(bytes);
}

// A date of a card: "19850214", "1985-02-14", "--0214", "--02-14", any of
// them with a time after "T". The year is 0 when the card gives none.
std::optional<DateValue> CardDate(std::string_view text) {
  text = text.substr(0, text.find_first_of("Tt"));
  std::string digits;
  for (char c : text) {
    if (c >= '0' && c <= '9') {
      digits += c;
    } else if (c != '-') {
      return std::nullopt;
    }
  }
  DateValue date;
  if (text.starts_with("--") && digits.size() == 4) {
    date = {0, std::stoi(digits.substr(0, 2)), std::stoi(digits.substr(2, 2))};
  } else if (!text.starts_with("-") && digits.size() == 8) {
    date = {std::stoi(digits.substr(0, 4)), std::stoi(digits.substr(4, 2)),
            std::stoi(digits.substr(6, 2))};
  } else {
    return std::nullopt;
  }
  const int length = date.year == 0 ? (date.month == 2 ? 29 : DaysInMonth(2000, date.month))
                                    : DaysInMonth(date.year, date.month);
  if (date.day < 1 || date.day > length) return std::nullopt;
  return date;
}

// What one card said, in UTF-8.
struct Card {
  std::string uid, last, first, company, full_name, email, note, url;
  std::vector<std::string> address;                  // the ADR components
  std::vector<std::pair<int, std::string>> numbers;  // field, number
  std::vector<std::string> categories;
  // Birthday and anniversaries: the word of the description and the value.
  std::vector<std::pair<std::string_view, std::string>> dates;

  // The name a user knows the card by.
  std::string Name() const {
    if (!full_name.empty()) return full_name;
    std::string name = first;
    if (!name.empty() && !last.empty()) name += ' ';
    name += last;
    return name.empty() ? company : name;
  }
};

void TakeProperty(const ContentLine& line, Card* card, ImportBatch* batch) {
  if (line.encoding == "base64" || line.encoding == "b") return;
  const std::optional<std::string> value = ValueText(line, batch);
  if (!value) return;
  const std::string& text = *value;
  auto unescaped = [&](size_t i, const std::vector<std::string>& parts) {
    return i < parts.size() ? Unescape(parts[i]) : std::string();
  };
  if (line.name == "n") {
    const std::vector<std::string> parts = Split(text, ';', false);
    card->last = unescaped(0, parts);
    card->first = unescaped(1, parts);
    const std::string middle = unescaped(2, parts);
    if (!middle.empty()) card->first += (card->first.empty() ? "" : " ") + middle;
  } else if (line.name == "fn") {
    card->full_name = Unescape(text);
  } else if (line.name == "uid") {
    card->uid = text;
  } else if (line.name == "org" && card->company.empty()) {
    card->company = unescaped(0, Split(text, ';', false));
  } else if (line.name == "tel") {
    std::string number = Unescape(text);
    // vCard 4.0 may give the number as a tel: URI.
    if (line.uri && Lower(number.substr(0, 4)) == "tel:") number.erase(0, 4);
    const int field = HasType(line, "fax")    ? kFaxNumber
                      : HasType(line, "work") ? kOfficeNumber
                      : HasType(line, "home") ? kHomeNumber
                                              : kOtherNumber;
    if (!number.empty()) card->numbers.emplace_back(field, number);
  } else if (line.name == "adr" && card->address.empty()) {
    for (const std::string& part : Split(text, ';', false)) card->address.push_back(Unescape(part));
  } else if (line.name == "email" && card->email.empty()) {
    card->email = Unescape(text);
  } else if (line.name == "note") {
    if (!card->note.empty()) card->note += '\n';
    card->note += Unescape(text);
  } else if (line.name == "url" && card->url.empty()) {
    card->url = Unescape(text);
  } else if (line.name == "categories") {
    for (const std::string& part : Split(text, ',', false)) {
      card->categories.push_back(Lower(Unescape(part)));
    }
  } else if (line.name == "bday") {
    card->dates.emplace_back("Birthday", Unescape(text));
  } else if (line.name == "anniversary" || line.name == "x-anniversary" ||
             line.name == "x-evolution-anniversary" || line.name == "x-ms-anniversary") {
    card->dates.emplace_back("Anniversary", Unescape(text));
  }
}

std::string JoinAddress(const std::vector<std::string>& adr) {
  // Post office box, extended address, street.
  std::string out;
  for (size_t i : {size_t{0}, size_t{1}, size_t{2}}) {
    if (i >= adr.size() || adr[i].empty()) continue;
    if (!out.empty()) out += ", ";
    out += adr[i];
  }
  return out;
}

// The length a text of a file takes in a record.
size_t StoredLength(std::string_view utf8, const AllowedTable& allowed) {
  ImportBatch scratch;
  return TextTaker(allowed, &scratch).FromUtf8(utf8, std::string::npos).size();
}

}  // namespace

std::vector<int> PlaceCardNumbers(const std::vector<std::pair<int, std::string>>& numbers,
                                  const AllowedTable& allowed, std::string* notes_lines) {
  // Numbers beyond the four fields open the notes, so a note too long for
  // them costs its own end rather than a number; a number that does not fit
  // whole is lost (and named by the import).
  std::array<bool, kTelephoneTextCount> taken{};
  std::string lines;
  std::vector<int> places;
  for (const auto& [field, number] : numbers) {
    if (!taken[field]) {
      taken[field] = true;
      places.push_back(field);
    } else if (!taken[kOtherNumber]) {
      taken[kOtherNumber] = true;
      places.push_back(kOtherNumber);
    } else {
      const std::string more = (lines.empty() ? "" : lines + "\n") + "Tel: " + number;
      if (StoredLength(more, allowed) <= kTelephoneCapacity[kNotes]) {
        lines = more;
        places.push_back(kNotes);
      } else {
        places.push_back(-1);
      }
    }
  }
  if (notes_lines != nullptr) *notes_lines = lines;
  return places;
}

namespace {

void FinishCard(Card card, const AllowedTable& allowed, ImportBatch* batch) {
  batch->dates_not_held += static_cast<int>(card.dates.size());
  if (card.last.empty() && card.first.empty() && !card.full_name.empty() &&
      card.full_name != card.company) {
    card.last = card.full_name;
  }
  std::array<std::string, kTelephoneTextCount> u;
  u[kLastName] = card.last;
  u[kFirstName] = card.first;
  u[kCompany] = card.company;
  std::string numbers;
  std::string lost;
  const std::vector<int> places = PlaceCardNumbers(card.numbers, allowed, &numbers);
  for (size_t i = 0; i < places.size(); ++i) {
    const std::string& number = card.numbers[i].second;
    if (places[i] < 0) {
      lost += (lost.empty() ? "" : ", ") + number;
    } else if (places[i] != kNotes) {
      u[places[i]] = number;
    }
  }
  u[kAddress] = JoinAddress(card.address);
  auto component = [&](size_t i) { return i < card.address.size() ? card.address[i] : ""; };
  u[kCity] = component(3);
  u[kState] = component(4);
  u[kZipCode] = component(5);
  u[kCountry] = component(6);
  u[kEmail] = card.email;
  u[kNotes] =
      numbers.empty() || card.note.empty() ? numbers + card.note : numbers + "\n" + card.note;
  bool reachable = !u[kAddress].empty();
  for (int f : {kHomeNumber, kOfficeNumber, kFaxNumber, kOtherNumber}) reachable |= !u[f].empty();
  if (!reachable) u[kAddress] = card.url;

  // The texts as the record holds them decide; what they changed counts only
  // for a card that is taken.
  ImportBatch notes;
  TextTaker taker(allowed, &notes);
  TelephoneRecord r;
  for (int f = 0; f < kTelephoneTextCount; ++f) {
    r.texts[f] = taker.FromUtf8(u[f], kTelephoneCapacity[f]);
  }
  const auto& t = r.texts;
  if (t[kLastName].empty() && t[kFirstName].empty() && t[kCompany].empty()) {
    Reject(batch, "card without a name or company", "cards without a name or company");
    return;
  }
  if (t[kHomeNumber].empty() && t[kOfficeNumber].empty() && t[kFaxNumber].empty() &&
      t[kOtherNumber].empty() && t[kAddress].empty() && t[kEmail].empty()) {
    Reject(batch, "card without a number, address, e-mail or URL",
           "cards without a number, address, e-mail or URL");
    return;
  }
  batch->cut_texts += notes.cut_texts;
  for (auto [from, to] : {std::pair{&notes.unmappable, &batch->unmappable},
                          std::pair{&notes.refused, &batch->refused}}) {
    for (char32_t c : *from) {
      if (std::find(to->begin(), to->end(), c) == to->end()) to->push_back(c);
    }
  }
  if (!lost.empty()) batch->lost_numbers.push_back(card.Name() + " (" + lost + ")");
  r.category = 2;
  for (const std::string& word : card.categories) {
    if (word == "personal" || word == "business") {
      r.category = word == "personal" ? 0 : 1;
      break;
    }
  }
  batch->records.push_back(EncodeTelephoneRecord(r));
}

// A card's birthday and anniversaries as Anniversary records: "Birthday:
// Anna Müller" on the date, in the organizer's years (a year before them,
// or none, becomes this year's).
void FinishDates(const Card& card, const AllowedTable& allowed, const DateValue& today,
                 ImportBatch* batch) {
  if (card.dates.empty()) {
    ++batch->skipped;
    return;
  }
  TextTaker taker(allowed, batch);
  for (const auto& [word, value] : card.dates) {
    const std::optional<DateValue> date = CardDate(value);
    if (!date) {
      Reject(batch, "birthday or anniversary that is no date",
             "birthdays and anniversaries that are no dates");
      continue;
    }
    const int year = date->year >= kMinYear && date->year <= kMaxYear ? date->year : today.year;
    const int day = std::min(date->day, DaysInMonth(year, date->month));
    if (day != date->day) ++batch->adjusted;
    AnniversaryRecord r;
    r.date = BcdDate::FromYmd(year, date->month, day);
    const std::string name = card.Name();
    r.description = taker.FromUtf8(
        name.empty() ? std::string(word) : std::string(word) + ": " + name, kTextCapacity);
    batch->records.push_back(EncodeAnniversaryRecord(r));
  }
}

// The file's logical lines: folded lines joined, quoted-printable soft
// line breaks joined.
std::vector<std::string> LogicalLines(std::string_view text) {
  std::vector<std::string> lines;
  bool open = false;
  while (!text.empty()) {
    const size_t end = text.find_first_of("\r\n");
    std::string_view line = text.substr(0, end);
    if (end == std::string_view::npos) {
      text = {};
    } else {
      text.remove_prefix(end + (text.substr(end, 2) == "\r\n" ? 2 : 1));
    }
    // A soft line break of quoted-printable first: its next line may start
    // with a blank that belongs to the value.
    if (open && !lines.back().empty() && lines.back().back() == '=' &&
        Lower(lines.back().substr(0, lines.back().find(':'))).find("quoted-printable") !=
            std::string::npos) {
      lines.back().pop_back();
      lines.back() += line;
      continue;
    }
    if (open && !line.empty() && (line[0] == ' ' || line[0] == '\t')) {
      lines.back() += line.substr(1);
      continue;
    }
    if (line.empty()) continue;
    lines.emplace_back(line);
    open = true;
  }
  return lines;
}

// Every card of the file in order; of cards that share a UID only the last
// (a later version of the same contact), the others counted.
std::vector<Card> ReadCards(std::string_view text, ImportBatch* batch) {
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  std::vector<Card> cards;
  std::optional<Card> card;
  int depth = 0;
  for (const std::string& raw : LogicalLines(text)) {
    const std::optional<ContentLine> line = ParseLine(raw);
    if (!line) continue;
    const std::string value = Lower(line->value);
    if (line->name == "begin" && value == "vcard") {
      if (depth++ == 0) card.emplace();
    } else if (line->name == "end" && value == "vcard" && depth > 0) {
      if (--depth == 0 && card) {
        cards.push_back(std::move(*card));
        card.reset();
      }
    } else if (depth == 1 && card) {
      TakeProperty(*line, &*card, batch);
    }
  }
  std::map<std::string, size_t> last;
  for (size_t i = 0; i < cards.size(); ++i) {
    if (!cards[i].uid.empty()) last[cards[i].uid] = i;
  }
  std::vector<Card> kept;
  for (size_t i = 0; i < cards.size(); ++i) {
    if (!cards[i].uid.empty() && last[cards[i].uid] != i) {
      ++batch->superseded;
    } else {
      kept.push_back(std::move(cards[i]));
    }
  }
  return kept;
}

}  // namespace

ImportBatch ReadVCards(std::string_view text, const AllowedTable& allowed) {
  ImportBatch batch;
  batch.id = kTelephone;
  for (Card& card : ReadCards(text, &batch)) FinishCard(std::move(card), allowed, &batch);
  return batch;
}

ImportBatch ReadVCardDates(std::string_view text, const AllowedTable& allowed,
                           const DateValue& today) {
  ImportBatch batch;
  batch.id = kAnniversary;
  for (const Card& card : ReadCards(text, &batch)) FinishDates(card, allowed, today, &batch);
  return batch;
}

}  // namespace kivo

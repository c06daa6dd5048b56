// The vCard import: cards of versions 2.1, 3.0 and 4.0.

#include <algorithm>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "exchange/vcard.h"
#include "format/date_format.h"
#include "store/record_codec.h"

namespace kivo {

namespace {

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
  const std::string encoding = line.Encoding();
  if (encoding == "base64" || encoding == "b") return;
  const std::optional<std::string> value = line.Utf8Value();
  if (!value) {
    auto& sets = batch->unknown_charsets;
    const std::string set = line.Charset();
    if (std::find(sets.begin(), sets.end(), set) == sets.end()) sets.push_back(set);
    return;
  }
  const std::string& text = *value;
  auto unescaped = [&](size_t i, const std::vector<std::string>& parts) {
    return i < parts.size() ? UnescapeText(parts[i]) : std::string();
  };
  const std::string& name = line.name;
  if (name == "N") {
    const std::vector<std::string> parts = SplitValue(text, ';');
    card->last = unescaped(0, parts);
    card->first = unescaped(1, parts);
    const std::string middle = unescaped(2, parts);
    if (!middle.empty()) card->first += (card->first.empty() ? "" : " ") + middle;
  } else if (name == "FN") {
    card->full_name = UnescapeText(text);
  } else if (name == "UID") {
    card->uid = text;
  } else if (name == "ORG" && card->company.empty()) {
    card->company = unescaped(0, SplitValue(text, ';'));
  } else if (name == "TEL") {
    const std::string number = CardNumber(text, line.IsUri());
    if (!number.empty()) card->numbers.emplace_back(CardNumberField(line), number);
  } else if (name == "ADR" && card->address.empty()) {
    for (const std::string& part : SplitValue(text, ';')) {
      card->address.push_back(UnescapeText(part));
    }
  } else if (name == "EMAIL" && card->email.empty()) {
    card->email = UnescapeText(text);
  } else if (name == "NOTE") {
    if (!card->note.empty()) card->note += '\n';
    card->note += UnescapeText(text);
  } else if (name == "URL" && card->url.empty()) {
    card->url = UnescapeText(text);
  } else if (name == "CATEGORIES") {
    for (const std::string& part : SplitValue(text, ',')) {
      card->categories.push_back(UnescapeText(part));
    }
  } else if (name == "BDAY") {
    card->dates.emplace_back("Birthday", UnescapeText(text));
  } else if (name == "ANNIVERSARY" || name == "X-ANNIVERSARY" ||
             name == "X-EVOLUTION-ANNIVERSARY" || name == "X-MS-ANNIVERSARY") {
    card->dates.emplace_back("Anniversary", UnescapeText(text));
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

int CardNumberField(const ContentLine& tel) {
  return tel.HasType("fax")    ? kFaxNumber
         : tel.HasType("work") ? kOfficeNumber
         : tel.HasType("home") ? kHomeNumber
                               : kOtherNumber;
}

std::string CardNumber(std::string_view value, bool uri) {
  std::string number = UnescapeText(value);
  if (uri && SameWord(number.substr(0, 4), "tel:")) number.erase(0, 4);
  return number;
}

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
    const bool personal = SameWord(word, "personal");
    if (personal || SameWord(word, "business")) {
      r.category = personal ? 0 : 1;
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

// Every card of the file in order; of cards that share a UID only the last
// (a later version of the same contact), the others counted.
std::vector<Card> ReadCards(const ContentDoc& doc, ImportBatch* batch) {
  std::vector<Card> cards;
  std::optional<Card> card;
  int depth = 0;
  for (const ContentLine& line : doc.lines()) {
    const bool vcard = SameWord(line.value, "VCARD");
    if (line.name == "BEGIN" && vcard) {
      if (depth++ == 0) card.emplace();
    } else if (line.name == "END" && vcard && depth > 0) {
      if (--depth == 0 && card) {
        cards.push_back(std::move(*card));
        card.reset();
      }
    } else if (depth == 1 && card) {
      TakeProperty(line, &*card, batch);
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
  return ReadVCards(ContentDoc::Parse(text, ExchangeFormat::kVCard), allowed);
}

ImportBatch ReadVCards(const ContentDoc& cards, const AllowedTable& allowed) {
  ImportBatch batch;
  batch.id = kTelephone;
  for (Card& card : ReadCards(cards, &batch)) FinishCard(std::move(card), allowed, &batch);
  return batch;
}

ImportBatch ReadVCardDates(std::string_view text, const AllowedTable& allowed,
                           const DateValue& today) {
  ImportBatch batch;
  batch.id = kAnniversary;
  for (const Card& card : ReadCards(ContentDoc::Parse(text, ExchangeFormat::kVCard), &batch)) {
    FinishDates(card, allowed, today, &batch);
  }
  return batch;
}

}  // namespace kivo

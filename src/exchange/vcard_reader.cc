// The vCard import: cards of versions 2.1, 3.0 and 4.0.

#include <algorithm>
#include <cctype>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "csv/cp1252.h"
#include "exchange/vcard.h"
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

// The value's bytes as UTF-8.
std::string ValueText(const ContentLine& line) {
  std::string bytes =
      line.encoding == "quoted-printable" ? DecodeQuotedPrintable(line.value) : line.value;
  const bool single_byte = line.charset == "iso-8859-1" || line.charset == "latin1" ||
                           line.charset == "windows-1252" || line.charset == "cp1252";
  if (single_byte || !IsValidUtf8(bytes)) bytes = Cp1252ToUtf8(bytes);
  return bytes;
}

// What one card said, in UTF-8.
struct Card {
  std::string last, first, company, full_name, email, note, url;
  std::vector<std::string> address;                  // the ADR components
  std::vector<std::pair<int, std::string>> numbers;  // field, number
  std::vector<std::string> categories;
};

void TakeProperty(const ContentLine& line, Card* card) {
  if (line.encoding == "base64" || line.encoding == "b") return;
  const std::string text = ValueText(line);
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

void FinishCard(Card card, const AllowedTable& allowed, ImportBatch* batch) {
  if (card.last.empty() && card.first.empty() && !card.full_name.empty() &&
      card.full_name != card.company) {
    card.last = card.full_name;
  }
  std::array<std::string, kTelephoneTextCount> u;
  u[kLastName] = card.last;
  u[kFirstName] = card.first;
  u[kCompany] = card.company;
  std::string extra;
  for (const auto& [field, number] : card.numbers) {
    if (u[field].empty()) {
      u[field] = number;
    } else if (u[kOtherNumber].empty()) {
      u[kOtherNumber] = number;
    } else {
      extra += "\r\nTel: " + number;
    }
  }
  u[kAddress] = JoinAddress(card.address);
  auto component = [&](size_t i) { return i < card.address.size() ? card.address[i] : ""; };
  u[kCity] = component(3);
  u[kState] = component(4);
  u[kZipCode] = component(5);
  u[kCountry] = component(6);
  u[kEmail] = card.email;
  u[kNotes] = card.note.empty() && !extra.empty() ? extra.substr(2) : card.note + extra;
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
  const bool named = !t[kLastName].empty() || !t[kFirstName].empty() || !t[kCompany].empty();
  if (!named || (t[kHomeNumber].empty() && t[kOfficeNumber].empty() && t[kFaxNumber].empty() &&
                 t[kOtherNumber].empty() && t[kAddress].empty())) {
    ++batch->rejected;
    return;
  }
  batch->cut_texts += notes.cut_texts;
  for (auto [from, to] : {std::pair{&notes.unmappable, &batch->unmappable},
                          std::pair{&notes.refused, &batch->refused}}) {
    for (char32_t c : *from) {
      if (std::find(to->begin(), to->end(), c) == to->end()) to->push_back(c);
    }
  }
  r.category = 2;
  for (const std::string& word : card.categories) {
    if (word == "personal" || word == "business") {
      r.category = word == "personal" ? 0 : 1;
      break;
    }
  }
  batch->records.push_back(EncodeTelephoneRecord(r));
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

}  // namespace

ImportBatch ReadVCards(std::string_view text, const AllowedTable& allowed) {
  ImportBatch batch;
  batch.id = kTelephone;
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
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
        FinishCard(std::move(*card), allowed, &batch);
        card.reset();
      }
    } else if (depth == 1 && card) {
      TakeProperty(*line, &*card);
    }
  }
  return batch;
}

}  // namespace kivo

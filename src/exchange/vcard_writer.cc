// The vCard export.

#include <string_view>

#include "csv/cp1252.h"
#include "exchange/record_uid.h"
#include "exchange/vcard.h"
#include "store/record_access.h"

namespace kivo {

namespace {

constexpr size_t kFoldOctets = 75;
constexpr std::string_view kCategoryWords[] = {"Personal", "Business", "Others"};

// A text value with backslash, comma, semicolon and line breaks escaped.
std::string Escape(std::string_view utf8) {
  std::string out;
  for (size_t i = 0; i < utf8.size(); ++i) {
    const char c = utf8[i];
    switch (c) {
      case '\\':
      case ',':
      case ';':
        out += '\\';
        out += c;
        break;
      case '\r':
        if (i + 1 < utf8.size() && utf8[i + 1] == '\n') ++i;
        out += "\\n";
        break;
      case '\n':
        out += "\\n";
        break;
      default:
        out += c;
    }
  }
  return out;
}

// One content line folded after at most 75 octets, never inside a UTF-8
// sequence; continuation lines start with a blank.
void AppendLine(std::string_view line, std::string* text) {
  size_t limit = kFoldOctets;
  while (line.size() > limit) {
    size_t cut = limit;
    while (cut > 1 && (static_cast<uint8_t>(line[cut]) & 0xC0) == 0x80) --cut;
    text->append(line.substr(0, cut));
    text->append("\r\n ");
    line.remove_prefix(cut);
    limit = kFoldOctets - 1;  // the leading blank counts
  }
  text->append(line);
  text->append("\r\n");
}

}  // namespace

void AppendVCard(const TelephoneRecord& r, std::string_view uid, std::string* text) {
  std::array<std::string, kTelephoneTextCount> u;
  for (int f = 0; f < kTelephoneTextCount; ++f) u[f] = Cp1252ToUtf8(r.texts[f]);

  AppendLine("BEGIN:VCARD", text);
  AppendLine("VERSION:4.0", text);
  AppendLine("UID:urn:uuid:" + std::string(uid), text);
  std::string full = u[kFirstName];
  if (!full.empty() && !u[kLastName].empty()) full += ' ';
  full += u[kLastName];
  if (full.empty()) full = u[kCompany];
  AppendLine("FN:" + Escape(full), text);
  if (!u[kLastName].empty() || !u[kFirstName].empty()) {
    AppendLine("N:" + Escape(u[kLastName]) + ";" + Escape(u[kFirstName]) + ";;;", text);
  }
  if (!u[kCompany].empty()) AppendLine("ORG:" + Escape(u[kCompany]), text);
  const std::pair<int, std::string_view> numbers[] = {{kHomeNumber, "TEL;TYPE=home:"},
                                                      {kOfficeNumber, "TEL;TYPE=work:"},
                                                      {kFaxNumber, "TEL;TYPE=fax:"},
                                                      {kOtherNumber, "TEL:"}};
  for (const auto& [field, prefix] : numbers) {
    if (!u[field].empty()) AppendLine(std::string(prefix) + Escape(u[field]), text);
  }
  if (!u[kAddress].empty() || !u[kCity].empty() || !u[kState].empty() || !u[kZipCode].empty() ||
      !u[kCountry].empty()) {
    AppendLine("ADR:;;" + Escape(u[kAddress]) + ";" + Escape(u[kCity]) + ";" + Escape(u[kState]) +
                   ";" + Escape(u[kZipCode]) + ";" + Escape(u[kCountry]),
               text);
  }
  if (!u[kEmail].empty()) AppendLine("EMAIL:" + Escape(u[kEmail]), text);
  if (!u[kNotes].empty()) AppendLine("NOTE:" + Escape(u[kNotes]), text);
  AppendLine("CATEGORIES:" + std::string(kCategoryWords[r.category < 3 ? r.category : 2]), text);
  AppendLine("END:VCARD", text);
}

int BuildVCards(const AppliStore& store, std::string* text) {
  text->clear();
  int cards = 0;
  const std::vector<std::string> uids = RecordUids(store, kTelephone);
  for (int i = 0; i < static_cast<int>(uids.size()); ++i) {
    TelephoneRecord r;
    if (GetTelephoneRecord(store, &r, i) != kStoreOk) continue;
    AppendVCard(r, uids[i], text);
    ++cards;
  }
  return cards;
}

}  // namespace kivo

// The vCard export.

#include <string_view>

#include "csv/cp1252.h"
#include "exchange/content_lines.h"
#include "exchange/record_uid.h"
#include "exchange/vcard.h"
#include "store/record_access.h"

namespace kivo {

namespace {

constexpr std::string_view kCategoryWords[] = {"Personal", "Business", "Others"};

}  // namespace

void AppendVCard(const TelephoneRecord& r, std::string_view uid, std::string* text) {
  std::array<std::string, kTelephoneTextCount> u;  // as values: UTF-8, escaped
  for (int f = 0; f < kTelephoneTextCount; ++f) u[f] = EscapeText(Cp1252ToUtf8(r.texts[f]));

  ContentDoc card;  // its lines are written folded, ending in CR LF
  auto add = [&](std::string name, std::string value, std::string type = "") {
    std::vector<ContentParam> params;
    if (!type.empty()) params.push_back({"TYPE", std::move(type)});
    card.lines().push_back(MakeLine(std::move(name), std::move(value), std::move(params)));
  };
  add("BEGIN", "VCARD");
  add("VERSION", "4.0");
  add("UID", "urn:uuid:" + std::string(uid));
  std::string full = u[kFirstName];
  if (!full.empty() && !u[kLastName].empty()) full += ' ';
  full += u[kLastName];
  add("FN", full.empty() ? u[kCompany] : full);
  if (!u[kLastName].empty() || !u[kFirstName].empty()) {
    add("N", u[kLastName] + ";" + u[kFirstName] + ";;;");
  }
  if (!u[kCompany].empty()) add("ORG", u[kCompany]);
  const std::pair<int, const char*> numbers[] = {
      {kHomeNumber, "home"}, {kOfficeNumber, "work"}, {kFaxNumber, "fax"}, {kOtherNumber, ""}};
  for (const auto& [field, type] : numbers) {
    if (!u[field].empty()) add("TEL", u[field], type);
  }
  if (!u[kAddress].empty() || !u[kCity].empty() || !u[kState].empty() || !u[kZipCode].empty() ||
      !u[kCountry].empty()) {
    add("ADR",
        JoinValue({"", "", u[kAddress], u[kCity], u[kState], u[kZipCode], u[kCountry]}, ';'));
  }
  if (!u[kEmail].empty()) add("EMAIL", u[kEmail]);
  if (!u[kNotes].empty()) add("NOTE", u[kNotes]);
  add("CATEGORIES", std::string(kCategoryWords[r.category < 3 ? r.category : 2]));
  add("END", "VCARD");
  *text += card.Text();
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

// Items in the shapes other programs write (fixtures/items), each patched for
// one change of the record it maps to: the result maps to the changed record,
// and every line of a property the change does not concern comes through
// byte for byte. Then the reverse: edits of what the organizer has no place
// for leave the record as it was.

#include "exchange/item_patch.h"

#include <array>
#include <cctype>
#include <functional>
#include <set>
#include <string>

#include <gtest/gtest.h>

#include "platform/atomic_file.h"
#include "store/record_codec.h"
#include "support/item_lines.h"
#include "support/records.h"

namespace kivo {
namespace {

using Record = std::vector<uint8_t>;

ExchangeFormat FormatOf(const std::string& name) {
  return name.ends_with(".vcf") ? ExchangeFormat::kVCard : ExchangeFormat::kICal;
}

// Records as an import makes them, or (`organizer`) as the organizer and its
// backup files keep them: line breaks as blanks.
ItemContext Context(bool organizer = false) {
  static const CodeTables tables = CodeTables::Identity();
  return {AllAllowed(), {2026, 5, 28}, 1780000000, organizer ? &tables : nullptr};
}

using Edit = std::function<Record(const Record&)>;

// A change of the record's fields in their decoded form.
template <typename R>
Edit Change(StoreResult (*decode)(std::span<const uint8_t>, R*),
            std::vector<uint8_t> (*encode)(const R&), std::function<void(R&)> change) {
  return [=](const Record& bytes) {
    R r;
    EXPECT_EQ(decode(bytes, &r), kStoreOk);
    change(r);
    return encode(r);
  };
}
Edit Tel(std::function<void(TelephoneRecord&)> f) {
  return Change(DecodeTelephoneRecord, EncodeTelephoneRecord, f);
}
Edit Text(int field, const char* text) {
  return Tel([=](TelephoneRecord& t) { t.texts[field] = text; });
}
Edit Sch(std::function<void(ScheduleRecord&)> f) {
  return Change(DecodeScheduleRecord, EncodeScheduleRecord, f);
}
Edit Ann(std::function<void(AnniversaryRecord&)> f) {
  return Change(DecodeAnniversaryRecord, EncodeAnniversaryRecord, f);
}
Edit Todo(std::function<void(ToDoRecord&)> f) {
  return Change(DecodeToDoRecord, EncodeToDoRecord, f);
}

struct PatchCase {
  const char* file;
  const char* change;
  const char* touched;  // the properties it may rewrite, add or remove
  Edit edit;
  bool organizer = false;
};

// Times with a zone convert to local time and back in whatever zone the
// test runs.
class ItemPatch : public ::testing::TestWithParam<PatchCase> {};

TEST_P(ItemPatch, RewritesOnlyWhatTheChangeConcerns) {
  const PatchCase& c = GetParam();
  const std::string item = ItemFixture(c.file);
  const std::optional<MappedItem> before = MapItem(FormatOf(c.file), item, Context(c.organizer));
  ASSERT_TRUE(before) << c.file;
  const Record after = c.edit(before->record);
  const std::optional<std::string> patched =
      PatchItem(before->id, item, before->record, after, Context(c.organizer));
  ASSERT_TRUE(patched);
  const std::optional<MappedItem> again = MapItem(FormatOf(c.file), *patched, Context(c.organizer));
  ASSERT_TRUE(again) << *patched;
  EXPECT_EQ(again->record, after) << *patched;
  const std::string besides = std::string(c.touched) + " DTSTAMP LAST-MODIFIED SEQUENCE REV";
  EXPECT_EQ(LinesBesides(*patched, besides), LinesBesides(item, besides)) << *patched;
}

const PatchCase kPatchCases[] = {
    {"rich.vcf", "nothing", "", Tel([](auto&) {})},
    {"rich.vcf", "home number", "TEL", Text(kHomeNumber, "555-9999")},
    {"rich.vcf", "office number cleared", "TEL", Text(kOfficeNumber, "")},
    {"rich.vcf", "fax added", "TEL", Text(kFaxNumber, "555-0199")},
    {"rich.vcf", "a number of the notes", "TEL",
     Text(kNotes, "Tel: 555-0104\r\nTel: 555-7777\r\nMet at the fair.\r\nLikes tea.")},
    {"rich.vcf", "note", "NOTE",
     Text(kNotes, "Tel: 555-0104\r\nTel: 555-0105\r\nMet at the fair.\r\nLikes coffee.")},
    {"rich.vcf", "a number of the notes, kept as the organizer does", "TEL",
     Text(kNotes, "Tel: 555-0104  Tel: 555-7777  Met at the fair.  Likes tea."), true},
    {"rich.vcf", "note, kept as the organizer does", "NOTE",
     Text(kNotes, "Tel: 555-0104  Tel: 555-0105  Met at the fair. Likes coffee."), true},
    {"rich.vcf", "last name", "N FN", Text(kLastName, "Leigh")},
    {"rich.vcf", "company", "ORG", Text(kCompany, "Acme Inc")},
    {"rich.vcf", "city and street", "ADR", Tel([](auto& t) {
       t.texts[kCity] = "Shelbyville";
       t.texts[kAddress] = "2 Elm St";
     })},
    {"rich.vcf", "e-mail", "EMAIL", Text(kEmail, "ann@new.example")},
    {"rich.vcf", "category", "CATEGORIES", Tel([](auto& t) { t.category = 0; })},
    {"uri.vcf", "home number as a URI", "TEL", Text(kHomeNumber, "+1-555-0299")},
    {"uri.vcf", "names into N", "N FN", Tel([](auto& t) {
       t.texts[kLastName] = "Stone";
       t.texts[kFirstName] = "Bob";
     })},
    {"qp21.vcf", "quoted-printable note", "NOTE", Text(kNotes, "Neu\r\nzwei")},
    {"qp21.vcf", "bare-typed number", "TEL", Text(kHomeNumber, "030 9876")},
    {"lossy.vcf", "number beside a cut note and a name without its letter", "TEL",
     Text(kOfficeNumber, "+48 22 111")},
    {"zoned.ics", "start in the entry's zone", "DTSTART DTEND",
     Sch([](auto& s) { s.start_time = BcdTime::FromHm(9, 0); })},
    {"zoned.ics", "date", "DTSTART DTEND",
     Sch([](auto& s) { s.date = BcdDate::FromYmd(2024, 7, 1); })},
    {"zoned.ics", "first alarm", "TRIGGER", Sch([](auto& s) { s.reminder = ToBcd(10); })},
    {"zoned.ics", "to a point in time", "DTEND DURATION",
     Sch([](auto& s) { s.end_time = s.start_time; })},
    {"zoned.ics", "summary", "SUMMARY", Sch([](auto& s) { s.description = "Planning, again"; })},
    {"utc.ics", "start in UTC", "DTSTART DURATION DTEND",
     Sch([](auto& s) { s.start_time = BcdTime::FromHm(15, 30); })},
    {"utc.ics", "alarm added", "BEGIN END ACTION DESCRIPTION TRIGGER", Sch([](auto& s) {
       s.flags = ScheduleRecord::kAlarmOn;
       s.reminder = ToBcd(5);
     })},
    {"days.ics", "days moved", "DTSTART DTEND",
     Sch([](auto& s) { s.date = BcdDate::FromYmd(2024, 6, 17); })},
    {"days.ics", "alarm removed", "BEGIN END ACTION DESCRIPTION TRIGGER", Sch([](auto& s) {
       s.flags = 0;
       s.reminder = 0;
     })},
    {"birthday.ics", "a year the organizer cannot hold stays", "SUMMARY",
     Ann([](auto& a) { a.description = "Oma"; })},
    {"birthday.ics", "notice", "TRIGGER", Ann([](auto& a) { a.reminder = 3; })},
    {"todo.ics", "done", "STATUS COMPLETED PERCENT-COMPLETE",
     Todo([](auto& t) { t.state = ToDoRecord::MakeState(true, t.priority()); })},
    {"todo.ics", "due date keeps its time and zone", "DUE",
     Todo([](auto& t) { t.due_date = BcdDate::FromYmd(2024, 4, 8); })},
    {"todo.ics", "priority", "PRIORITY",
     Todo([](auto& t) { t.state = ToDoRecord::MakeState(false, 1); })},
    {"someday.ics", "a missing due date stays missing", "SUMMARY",
     Todo([](auto& t) { t.description = "Soon"; })},
};
INSTANTIATE_TEST_SUITE_P(Shapes, ItemPatch, ::testing::ValuesIn(kPatchCases), [](const auto& info) {
  std::string name = std::string(info.param.file) + "_" + info.param.change;
  for (char& c : name) c = std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
  return name;
});

// Edits of what the organizer has no place for: the item maps to the same
// record bytes, so a sync takes them for no change.
TEST(ItemMapping, EditsTheOrganizerCannotHoldLeaveTheRecord) {
  const std::array<const char*, 3> kEdits[] = {
      // the file, a text of it, what replaces it
      {"rich.vcf", "bar\\, baz", "other"},
      {"rich.vcf", "END:VCARD", "EMAIL:third@example.org\r\nEND:VCARD"},
      {"rich.vcf", "friends,Business", "friends,golf,Business"},
      {"rich.vcf", "/9j/4AAQ", "/9j/5BBR"},
      {"rich.vcf", "BDAY:1980-02-14", "BDAY:1981-03-15"},
      {"zoned.ics", "Room 4", "Room 5"},
      {"zoned.ics", "TRIGGER:-PT2H", "TRIGGER:-PT3H"},
      {"zoned.ics", "CATEGORIES:WORK", "CATEGORIES:WORK,TRAVEL"},
      {"todo.ics", "PERCENT-COMPLETE:40", "PERCENT-COMPLETE:60"},
      {"uri.vcf", "URL:https://bob.example", "URL:https://stone.example"},
  };
  for (const auto& [file, from, to] : kEdits) {
    std::string edited = ItemFixture(file);
    ASSERT_NE(edited.find(from), std::string::npos) << from;
    edited.replace(edited.find(from), std::string(from).size(), to);
    const std::optional<MappedItem> a = MapItem(FormatOf(file), ItemFixture(file), Context());
    const std::optional<MappedItem> b = MapItem(FormatOf(file), edited, Context());
    ASSERT_TRUE(a && b) << to;
    EXPECT_EQ(a->record, b->record) << to;
  }
}

}  // namespace
}  // namespace kivo

#include "exchange/vcard.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "csv/cp1252.h"
#include "platform/atomic_file.h"
#include "platform/link_defaults.h"
#include "store/record_access.h"
#include "support/records.h"
#include "support/tables.h"

namespace kivo {
namespace {

std::vector<TelephoneRecord> Records(const ImportBatch& batch) {
  std::vector<TelephoneRecord> out;
  for (const std::vector<uint8_t>& bytes : batch.records) {
    TelephoneRecord r;
    EXPECT_EQ(DecodeTelephoneRecord(bytes, &r), kStoreOk);
    out.push_back(r);
  }
  return out;
}

// Every field a card carries comes back: texts with the characters vCard
// escapes, accents, line breaks, texts at full capacity (folded inside a
// UTF-8 sequence), each category, a record with Other# alone.
TEST(VCardTest, StoreToVCardToStoreKeepsEveryField) {
  AppliStore store{ProgramTables().code};
  ASSERT_EQ(store.GetAppliBuf(kStoreSlots), 0);
  std::vector<TelephoneRecord> records(3);
  records[0].category = 0;
  records[0].texts = {"M\xFCller",
                      "J\xFCrgen",
                      "Kr\xE4mer, Sohn; Co",
                      "+49 30 1",
                      "+49 30 2",
                      "+49 30 3",
                      "+49 30 4",
                      "Weg 5\\6",
                      "K\xF6ln",
                      "NRW",
                      "50667",
                      "Deutschland",
                      "j@example.com",
                      "Line 1\r\nLine 2, \x80 5"};
  records[1].category = 1;
  records[1].texts[kLastName] = std::string(48, '\xE9');
  records[1].texts[kCompany] = std::string(96, ';');
  records[1].texts[kOfficeNumber] = "555";
  records[1].texts[kNotes] = std::string(95, '\xDF') + "x";
  records[2].category = 2;
  records[2].texts[kFirstName] = "Solo";
  records[2].texts[kOtherNumber] = "123";
  for (int i = 0; i < 3; ++i) ASSERT_EQ(PutTelephoneRecord(store, records[i], i), kStoreOk);

  std::string text;
  ASSERT_EQ(BuildVCards(store, &text), 3);
  for (size_t at = 0; at < text.size();) {
    const size_t end = text.find("\r\n", at);
    ASSERT_NE(end, std::string::npos);
    EXPECT_LE(end - at, 75u) << text.substr(at, end - at);
    at = end + 2;
  }
  EXPECT_TRUE(IsValidUtf8(text));
  EXPECT_NE(text.find("CATEGORIES:Business\r\n"), std::string::npos);

  const ImportBatch batch = ReadVCards(text, AllAllowed());
  EXPECT_EQ(batch.rejected, 0);
  EXPECT_EQ(batch.cut_texts, 0);
  const std::vector<TelephoneRecord> back = Records(batch);
  ASSERT_EQ(back.size(), 3u);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(back[i].category, records[i].category);
    for (int f = 0; f < kTelephoneTextCount; ++f) {
      EXPECT_EQ(back[i].texts[f], records[i].texts[f]) << "record " << i << " field " << f;
    }
  }
}

struct FixtureCase {
  const char* file;
  int records;
  int rejected;
  int index;
  uint8_t category;
  std::vector<std::pair<int, std::string>> fields;  // UTF-8
};

TEST(VCardTest, ReadsCardsAsOtherProgramsWriteThem) {
  const std::vector<FixtureCase> cases = {
      {"v21_quoted_printable.vcf",
       2,  // the second card has only an e-mail address
       0,
       0,
       2,
       {{kLastName, "Müller"},
        {kFirstName, "Jürgen"},
        {kCompany, "Krämer & Co"},
        {kHomeNumber, "+49 30 1234"},
        {kOfficeNumber, "+49 30 5678"},
        {kFaxNumber, "+49 30 9999"},
        {kOtherNumber, "+49 170 1111"},
        {kAddress, "Hauptstraße 5"},
        {kCity, "Berlin"},
        {kState, ""},
        {kZipCode, "10115"},
        {kCountry, "Deutschland"},
        {kEmail, "juergen@example.com"},
        {kNotes, "Tel: +49 170 2222\r\nErste Zeile\r\nZweite Zeile, sehr lang und umbrochen"}}},
      {"v30_folded.vcf",
       2,
       0,
       0,
       1,
       {{kLastName, "Doe"},
        {kFirstName, "John Quinlan"},
        {kCompany, "Example, Inc."},
        {kHomeNumber, "+1 555 0101"},
        {kOfficeNumber, "+1 555 0100"},
        {kOtherNumber, "+1 555 0102"},
        {kAddress, "Suite 5, 123 Main Street, Building 2"},
        {kCity, "Any Town"},
        {kState, "CA"},
        {kZipCode, "91921-1234"},
        {kCountry, "U.S.A."},
        {kNotes,
         "Tel: +1 555 0103\r\nFolded by the program that wrote it; a comma, a line\r\nbreak."}}},
      {"v30_folded.vcf",
       2,
       0,
       1,
       2,
       {{kLastName, ""}, {kCompany, "Only A Company"}, {kAddress, "http://example.com/"}}},
      {"v40_rfc6350.vcf",
       1,
       1,
       0,
       0,
       {{kLastName, "Perreault"},
        {kFirstName, "Simon"},
        {kCompany, "Viagenie"},
        {kOfficeNumber, "+1-418-656-9254;ext=102"},
        {kOtherNumber, "+1-418-262-6501"},
        {kAddress, "Suite D2-630, 2875 Laurier"},
        {kCity, "Quebec"},
        {kZipCode, "G1V 2M2"},
        {kEmail, "simon.perreault@viagenie.ca"}}},
  };
  for (const FixtureCase& c : cases) {
    SCOPED_TRACE(c.file);
    const std::optional<std::string> text =
        ReadWholeFile(std::string(KIVO_SOURCE_DIR "/tests/exchange/fixtures/") + c.file);
    ASSERT_TRUE(text);
    const ImportBatch batch = ReadVCards(*text, AllAllowed());
    EXPECT_EQ(batch.rejected, c.rejected);
    const std::vector<TelephoneRecord> records = Records(batch);
    ASSERT_EQ(static_cast<int>(records.size()), c.records);
    const TelephoneRecord& r = records[c.index];
    EXPECT_EQ(r.category, c.category);
    for (const auto& [field, value] : c.fields) {
      EXPECT_EQ(Cp1252ToUtf8(r.texts[field]), value) << "field " << field;
    }
  }
}

// The shared text rules: characters without a Windows-1252 form become "?"
// and are listed once, refused ones are left out, long texts are cut and
// counted.
TEST(VCardTest, TextsFollowTheImportRules) {
  AllowedTable allowed = AllAllowed();
  allowed['#'] = 0;
  const std::string card =
      "BEGIN:VCARD\r\nVERSION:4.0\r\nN:W\xC5\x91sz#;\xC5\x82ukasz \xC5\x91\r\nTEL:1\r\n"
      "NOTE:" +
      std::string(100, 'n') + "\r\nEND:VCARD\r\n";
  const ImportBatch batch = ReadVCards(card, allowed);
  const std::vector<TelephoneRecord> records = Records(batch);
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].texts[kLastName], "W?sz");
  EXPECT_EQ(records[0].texts[kFirstName], "?ukasz ?");
  EXPECT_EQ(records[0].texts[kNotes], std::string(96, 'n'));
  EXPECT_EQ(batch.cut_texts, 1);
  EXPECT_EQ(batch.unmappable, (std::vector<char32_t>{0x151, 0x142}));
  EXPECT_EQ(batch.refused, (std::vector<char32_t>{'#'}));
  EXPECT_EQ(UnmappableQuestion(batch),
            "2 characters cannot be stored on the organizer and become '?': ő ł. 1 character is "
            "not allowed on the organizer and is left out: #. Import anyway?");
}

}  // namespace
}  // namespace kivo

#include "exchange/exchange.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/link_defaults.h"
#include "store/record_access.h"
#include "support/records.h"
#include "support/scripted.h"
#include "support/tables.h"
#include "support/temp_dir.h"

namespace kivo {
namespace {

constexpr char kHeader[] = "Category,Last Name,First Name,Home#\r\n";

// The same contact list as a UTF-8 file (with and without byte-order mark)
// and as a Windows-1252 file: each is read as what it is, or as what the
// user forces.
TEST(ExchangeTest, CsvImportReadsTheFilesEncoding) {
  struct Case {
    std::string bytes;
    std::optional<CsvEncoding> forced;
    const char* encoding;
    const char* last_name;  // as stored: Windows-1252
  };
  const std::string utf8 = std::string(kHeader) + "Personal,M\xC3\xBCller,Ren\xC3\xA9\x65,1\r\n";
  const std::string cp1252 = std::string(kHeader) + "Personal,M\xFCller,Ren\xE9\x65,1\r\n";
  const std::vector<Case> cases = {
      {utf8, std::nullopt, "UTF-8 (detected)", "M\xFCller"},
      {"\xEF\xBB\xBF" + utf8, std::nullopt, "UTF-8 with byte-order mark (detected)", "M\xFCller"},
      {cp1252, std::nullopt, "Windows-1252 (detected)", "M\xFCller"},
      {cp1252, CsvEncoding::kWindows1252, "Windows-1252", "M\xFCller"},
      {utf8, CsvEncoding::kWindows1252, "Windows-1252", "M\xC3\xBCller"},
  };
  TempDir dir;
  AppliStore store{ProgramTables().code};
  ASSERT_EQ(store.GetAppliBuf(kStoreSlots), 0);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.encoding);
    WriteText(dir / "in.csv", c.bytes);
    ExchangeOptions options;
    options.encoding = c.forced;
    const std::optional<ImportBatch> batch = ReadImportFile(
        dir / "in.csv", ExchangeFormat::kCsv, kTelephone, options, store, AllAllowed());
    ASSERT_TRUE(batch);
    EXPECT_EQ(batch->encoding, c.encoding);
    ASSERT_EQ(batch->records.size(), 1u);
    TelephoneRecord r;
    ASSERT_EQ(DecodeTelephoneRecord(batch->records[0], &r), kStoreOk);
    EXPECT_EQ(r.texts[kLastName], c.last_name);
    EXPECT_TRUE(batch->unmappable.empty());
    EXPECT_FALSE(store.IsPresent(kTelephone));  // nothing changed yet
  }
}

TEST(ExchangeTest, CsvListsCharactersWithoutOrganizerFormBeforeImport) {
  TempDir dir;
  AppliStore store{ProgramTables().code};
  ASSERT_EQ(store.GetAppliBuf(kStoreSlots), 0);
  AllowedTable allowed = AllAllowed();
  allowed[0x80] = 0;  // the euro sign
  WriteText(dir / "in.csv", std::string(kHeader) +
                                "Personal,Ha\xC5\x91,\xC5\x82\xC3\xA9,\xE2\x82\xAC 5\r\n"
                                "Business,\xC5\x91,x,\xE2\x82\xAC\r\n");
  const std::optional<ImportBatch> batch = ReadImportFile(
      dir / "in.csv", ExchangeFormat::kCsv, kTelephone, ExchangeOptions{}, store, allowed);
  ASSERT_TRUE(batch);
  EXPECT_EQ(UnmappableQuestion(*batch),
            "2 characters cannot be stored on the organizer and become '?': ő ł. 1 character is "
            "not allowed on the organizer and is left out: €. Import anyway?");
  TelephoneRecord r;
  ASSERT_EQ(DecodeTelephoneRecord(batch->records[0], &r), kStoreOk);
  EXPECT_EQ(r.texts[kLastName], "Ha?");
  EXPECT_EQ(r.texts[kHomeNumber], " 5");
}

// Exports default to UTF-8; what they write imports back unchanged.
TEST(ExchangeTest, CsvExportWritesUtf8UnlessToldOtherwise) {
  TempDir dir;
  AppliStore store{ProgramTables().code};
  ASSERT_EQ(store.GetAppliBuf(kStoreSlots), 0);
  TelephoneRecord r;
  r.texts[kLastName] = "M\xFCller";
  r.texts[kHomeNumber] = "1";
  ASSERT_EQ(PutTelephoneRecord(store, r, 0), kStoreOk);
  ScriptedPrompter prompter;
  ScriptedFreeSpace space({1u << 30});
  for (const std::optional<CsvEncoding> encoding :
       {std::optional<CsvEncoding>(), std::optional(CsvEncoding::kWindows1252)}) {
    ExchangeOptions options;
    options.encoding = encoding;
    ASSERT_EQ(ExportFile(dir / "out.csv", ExchangeFormat::kCsv, store, kTelephone, options,
                         prompter, space),
              1);
    const std::string bytes = ReadText(dir / "out.csv");
    EXPECT_NE(bytes.find(encoding ? "M\xFCller" : "M\xC3\xBCller"), std::string::npos);
    const std::optional<ImportBatch> batch = ReadImportFile(
        dir / "out.csv", ExchangeFormat::kCsv, kTelephone, ExchangeOptions{}, store, AllAllowed());
    ASSERT_TRUE(batch);
    ASSERT_EQ(batch->records.size(), 1u);
    const std::span<const uint8_t> original = store.Record(kTelephone, 0);
    EXPECT_EQ(batch->records[0], std::vector<uint8_t>(original.begin(), original.end()));
  }
}

TEST(ExchangeTest, AppendStopsAtTheRecordLimitAndSaysSo) {
  AppliStore store{ProgramTables().code};
  ASSERT_EQ(store.GetAppliBuf(kStoreSlots), 0);
  MemoRecord memo{"m"};
  for (int i = 0; i < kOrganizerRecordLimit - 1; ++i) ASSERT_EQ(PutMemoRecord(store, memo, i), 0);
  ImportBatch batch;
  batch.id = kMemo;
  batch.records.assign(3, EncodeMemoRecord(memo));
  batch.rejected = 1;
  batch.cut_texts = 2;
  batch.recurring = 1;
  const AppendResult result = AppendBatch(store, batch, DateValue{2026, 5, 28});
  EXPECT_EQ(result.taken, 1);
  EXPECT_EQ(result.over_limit, 2);
  EXPECT_EQ(store.GetRecordCount(kMemo), kOrganizerRecordLimit);
  EXPECT_EQ(ImportSummary(batch, result, 0),
            "1 record was successfully imported.\r\nOther records were rejected due to error."
            "\r\n2 texts were cut to fit their fields."
            "\r\n1 recurring entry: only its first occurrence was taken."
            "\r\n2 records were left out: the application holds 920 records.");
}

TEST(ExchangeTest, FormatsFitTheirApplications) {
  struct Case {
    const char* path;
    std::optional<ExchangeFormat> format;
  };
  for (const Case& c : std::vector<Case>{{"a.CSV", ExchangeFormat::kCsv},
                                         {"a.vcf", ExchangeFormat::kVCard},
                                         {"a.vcard", ExchangeFormat::kVCard},
                                         {"dir.ics/a.Ics", ExchangeFormat::kICal},
                                         {"a.txt", std::nullopt},
                                         {"ics", std::nullopt}}) {
    EXPECT_EQ(FormatOfPath(c.path), c.format) << c.path;
  }
  EXPECT_EQ(FitNames(kTelephone, ExchangeWay::kExport), "csv or vcard");
  EXPECT_EQ(FitNames(kToDo, ExchangeWay::kImport), "csv or ical");
  EXPECT_EQ(FitNames(kMemo, ExchangeWay::kImport), "csv");
  EXPECT_EQ(FitNames(kAnniversary, ExchangeWay::kExport), "csv or ical");
  EXPECT_EQ(FitNames(kAnniversary, ExchangeWay::kImport), "csv or ical or vcard");
  EXPECT_FALSE(FormatFits(ExchangeFormat::kVCard, kSchedule, ExchangeWay::kImport));
  EXPECT_FALSE(FormatFits(ExchangeFormat::kICal, kExpense, ExchangeWay::kExport));
}

}  // namespace
}  // namespace kivo

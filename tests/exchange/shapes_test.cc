// Files in the shapes other programs write, one small file per shape, read
// through the import as the CLI and the desktop program read them. Each
// "<file>.<application>.txt" beside them says what a user should get: the
// records taken as the main list shows them, one a line, "--", then the question about characters
// (when there is one) and the closing message. A first line "held N" fills the application with N
// other records first.

#include <stdlib.h>

#include <cstdio>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "csv/cp1252.h"
#include "exchange/exchange.h"
#include "support/records.h"
#include "view/list_row.h"

namespace kivo {
namespace {

namespace fs = std::filesystem;

// One record in a line as the main list shows it, cells joined by "|", in
// UTF-8.
std::string Describe(AppliId id, std::span<const uint8_t> record) {
  RowContext context;
  context.display_date = 2;
  context.display_hour = 1;
  std::string text;
  std::vector<std::string> cells = RecordToRow(id, record, context).cells;
  AnniversaryRecord a;  // whose year the list does not show
  if (id == kAnniversary && DecodeAnniversaryRecord(record, &a) == kStoreOk) {
    cells.push_back(std::to_string(a.date.year()));
  }
  for (const std::string& cell : cells) text.append("|").append(cell);
  for (size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at)) {
    text.replace(at, 2, " / ");
  }
  return Cp1252ToUtf8(text.substr(1));
}

TEST(ShapeTest, EachFileReadsAsAUserExpects) {
  // Local time is Central European, by a rule that needs no zone files.
  const char* tz = getenv("TZ");
  const std::string saved = tz == nullptr ? "" : tz;
  setenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3", 1);
  tzset();
  const fs::path dir = KIVO_SOURCE_DIR "/tests/exchange/fixtures/shapes";
  std::set<fs::path> expectations;
  for (const fs::directory_entry& e : fs::directory_iterator(dir)) {
    if (e.path().extension() == ".txt") expectations.insert(e.path());
  }
  ASSERT_GE(expectations.size(), 13u);
  for (const fs::path& expected : expectations) {
    SCOPED_TRACE(expected.filename().string());
    const fs::path file = dir / expected.stem().stem();
    const AppliId id = *ParseAppliName(expected.stem().extension().string().substr(1));
    std::ifstream in(expected);
    std::string want((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    test::TestStore store;
    int held = 0;
    if (std::sscanf(want.c_str(), "held %d\n", &held) == 1) want.erase(0, want.find('\n') + 1);
    for (int i = 0; i < held; ++i)
      store.Add(id, test::Schedule(2000, 1, 1, 0, 0, 0, 0, false, 0, ""));
    ExchangeOptions options;
    options.today = {2026, 5, 28};
    std::optional<ImportBatch> batch =
        ReadImportFile(file, *FormatOfPath(file), id, options, *store, AllAllowed());
    ASSERT_TRUE(batch);
    const AppendResult result = AppendBatch(*store, *batch, options.today);
    std::string got;
    for (int i = held; i < store->GetRecordCount(id); ++i) {
      got += Describe(id, store->Record(id, i)) + "\n";
    }
    std::string question = UnmappableQuestion(*batch);
    got += "--\n" + (question.empty() ? "" : question + "\n") + ImportSummary(*batch, result, 0) +
           "\n";
    for (size_t at = got.find("\r\n"); at != std::string::npos; at = got.find("\r\n", at)) {
      got.erase(at, 1);
    }
    EXPECT_EQ(got, want);
  }
  saved.empty() ? unsetenv("TZ") : setenv("TZ", saved.c_str(), 1);
  tzset();
}

}  // namespace
}  // namespace kivo

// Whole stores through every path that carries records out of the program and
// back: the backup file (plain and inverted), CSV (every display mode, both
// encodings), Restore to the virtual organizer and Backup, a row of the main
// list, and an edit dialog saved unchanged. The stores are random but
// reproducible: each is made from its seed, and a failure names the seed.
//
// KIVO_ROUNDTRIP_STORES sets the number of stores per path (default 1000).
// KIVO_ROUNDTRIP_SEED sets the first seed (default 1).
//
// The losses by design, and what the program says about them:
// - the organizer has no line breaks: a line break becomes a blank on the way
//   out of the program (backup file, organizer), and the CSV reader joins the
//   lines of a quoted text with a blank;
// - an Anniversary date in CSV carries no year: it comes back in this year;
// - an empty Memo is an empty CSV line and an amount beyond 13 characters
//   is no CSV amount: such lines are rejected, and the import's message says
//   that records were rejected;
// - the organizer keeps Telephone in its own order: the records come back,
//   in that order;
// - the Schedule dialog shows the reminder only with the alarm on: saved
//   unchanged, a record without alarm loses its reminder minutes;
// - the Telephone dialog saves only a card with a name and a number or an
//   address: for any other its Save button stays off;
// - an imported text loses a character without a Windows-1252 form (it
//   becomes "?") or one the organizer refuses (char.dat; left out), and is
//   cut at its field's capacity: the import names each such character before
//   it changes anything and counts the texts cut;
// - a Backup receives an application into a buffer of 256,000 bytes, more
//   than any organizer holds; a store made on the PC can hold more (920 long
//   Telephone records), and the Backup of such an application fails with 11
//   instead of coming back cut.

#include <unistd.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <vector>

#include <QPushButton>

#include <gtest/gtest.h>

#include "comm/comm_run.h"
#include "comm/link_settings.h"
#include "comm/progress_run.h"
#include "comm/virtual_organizer.h"
#include "csv/cp1252.h"
#include "csv/csv_export.h"
#include "csv/csv_reader.h"
#include "exchange/exchange.h"
#include "format/amount_format.h"
#include "format/display_modes.h"
#include "platform/link_defaults.h"
#include "store/amount.h"
#include "store/backup_file.h"
#include "store/record_access.h"
#include "store/store_diff.h"
#include "store/store_records.h"
#include "support/organizer_pair.h"
#include "support/tables.h"
#include "ui/edit_dialogs.h"
#include "view/list_row.h"

namespace kivo {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;
using Lists = std::map<AppliId, std::vector<Bytes>>;

int StoresPerPath() {
  const char* text = std::getenv("KIVO_ROUNDTRIP_STORES");
  return std::max(1, text != nullptr ? std::atoi(text) : 1000);
}

uint32_t FirstSeed() {
  const char* text = std::getenv("KIVO_ROUNDTRIP_SEED");
  return text != nullptr ? static_cast<uint32_t>(std::strtoul(text, nullptr, 10)) : 1;
}

struct TextTables {
  CodeTables code = ProgramTables().code;
  AllowedTable allowed = ProgramTables().allowed;
  // Every character a user may type that the organizer can hold and a CSV
  // file of either encoding can carry.
  std::string alphabet;
  // Characters a file can carry that the organizer refuses.
  std::string refused;
  TextTables() {
    for (int c = 128; c < 255; ++c) {
      const auto byte = static_cast<uint8_t>(c);
      if (allowed[byte] == 0 && Cp1252ToUnicode(byte)) refused += static_cast<char>(c);
    }
    for (int c = 32; c < 255; ++c) {
      if (allowed[static_cast<size_t>(c)] == 0 || !Cp1252ToUnicode(static_cast<uint8_t>(c))) {
        continue;
      }
      int organizer = c < 127 ? c : code.a[static_cast<size_t>(c - 127)];
      if ((organizer >= 1 && organizer <= 31) || (organizer >= 192 && organizer <= 254)) continue;
      const int back = organizer < 127 ? organizer : code.b[static_cast<size_t>(organizer - 127)];
      if (back == c) alphabet += static_cast<char>(c);
    }
  }
};
const TextTables& T() {
  static const TextTables tables;
  return tables;
}

// The field views a store is made from.
struct Model {
  std::vector<ScheduleRecord> schedule;
  std::vector<AnniversaryRecord> anniversary;
  std::vector<ToDoRecord> todo;
  std::vector<MemoRecord> memo;
  std::vector<ExpenseRecord> expense;
  std::vector<TelephoneRecord> telephone;
  CategoryNames names;
};

class Generator {
 public:
  explicit Generator(uint32_t seed) : rng_(seed) {}
  int Int(int low, int high) { return std::uniform_int_distribution<int>(low, high)(rng_); }
  bool Chance(int percent) { return Int(1, 100) <= percent; }

  // Empty, full or in between, now and then with line breaks.
  std::string Text(size_t capacity, bool breaks = true) {
    const int kind = Int(0, 9);
    const size_t length = kind == 0   ? 0
                          : kind <= 2 ? capacity
                                      : static_cast<size_t>(Int(1, static_cast<int>(capacity)));
    std::string text;
    for (size_t i = 0; i < length; ++i) {
      text += T().alphabet[static_cast<size_t>(Int(0, static_cast<int>(T().alphabet.size()) - 1))];
    }
    // A line break as the edit dialogs make it.
    if (breaks && length >= 1 && Chance(20))
      text[static_cast<size_t>(Int(0, static_cast<int>(length) - 1))] = '\n';
    return text;
  }
  BcdDate Date() { return BcdDate::FromYmd(Int(1990, 2099), Int(1, 12), Int(1, 28)); }
  // Up to twelve digits with the point anywhere, either sign; now and then
  // the largest amount of its sign.
  double Amount() {
    const bool negative = Chance(40);
    if (Chance(3)) return negative ? -9.99999999999e77 : 9.99999999999e78;
    const int digits = Int(1, 12);
    std::string text;
    for (int i = 0; i < digits; ++i) text += static_cast<char>('0' + Int(0, 9));
    text.insert(static_cast<size_t>(Int(0, digits)), 1, '.');
    const double value = std::strtod(text.c_str(), nullptr);
    return negative ? -value : value;
  }

 private:
  std::mt19937 rng_;
};

Model RandomModel(uint32_t seed) {
  Generator g(seed);
  Model m;
  for (int i = 0; i < kCategoryCount; ++i) {
    m.names.names[static_cast<size_t>(i)] =
        g.Text(kCategoryNameCapacity - 1, false) + static_cast<char>('0' + i);
  }
  // Now and then one application holds all the records the organizer can.
  const int full = seed % 25 == 0 ? static_cast<int>(seed / 25 % 6) : -1;
  auto count = [&](AppliId id) { return id == full ? kOrganizerRecordLimit : g.Int(0, 4); };
  for (int n = count(kSchedule); n > 0; --n) {
    ScheduleRecord r;
    r.date = g.Date();
    r.start_time = BcdTime::FromHm(g.Int(0, 23), g.Int(0, 59));
    r.end_time = BcdTime::FromHm(g.Int(0, 23), g.Int(0, 59));
    r.reminder = ToBcd(g.Int(0, 99));
    r.flags = g.Chance(50) ? ScheduleRecord::kAlarmOn : 0;
    r.description = g.Text(kTextCapacity);
    m.schedule.push_back(r);
  }
  for (int n = count(kAnniversary); n > 0; --n) {
    AnniversaryRecord r;
    r.date = g.Date();
    r.reminder = static_cast<uint8_t>(g.Int(0, 9));
    r.description = g.Text(kTextCapacity);
    m.anniversary.push_back(r);
  }
  for (int n = count(kToDo); n > 0; --n) {
    m.todo.push_back(
        {ToDoRecord::MakeState(g.Chance(50), g.Int(1, 9)), g.Date(), g.Text(kTextCapacity)});
  }
  for (int n = count(kMemo); n > 0; --n) m.memo.push_back({g.Text(kTextCapacity)});
  for (int n = count(kExpense); n > 0; --n) {
    ExpenseRecord r;
    r.date = g.Date();
    r.flags = ExpenseRecord::MakeFlags(g.Chance(50), g.Int(0, 7), g.Int(0, 3));
    EncodeAmount(&r, g.Amount());
    r.memo = g.Text(kTextCapacity);
    m.expense.push_back(r);
  }
  for (int n = count(kTelephone); n > 0; --n) {
    TelephoneRecord r;
    r.category = static_cast<uint8_t>(g.Int(0, 2));
    for (size_t i = 0; i < r.texts.size(); ++i) r.texts[i] = g.Text(kTelephoneCapacity[i]);
    m.telephone.push_back(r);
  }
  return m;
}

// The records of the model, with every text passed through `text` and every
// Anniversary date through `anniversary`.
template <typename TextFn, typename DateFn>
Lists Expected(const Model& m, TextFn text, DateFn anniversary) {
  Lists out;
  for (ScheduleRecord r : m.schedule) {
    r.description = text(r.description);
    out[kSchedule].push_back(EncodeScheduleRecord(r));
  }
  for (AnniversaryRecord r : m.anniversary) {
    r.description = text(r.description);
    r.date = anniversary(r.date);
    out[kAnniversary].push_back(EncodeAnniversaryRecord(r));
  }
  for (ToDoRecord r : m.todo) {
    r.description = text(r.description);
    out[kToDo].push_back(EncodeToDoRecord(r));
  }
  for (MemoRecord r : m.memo) out[kMemo].push_back(EncodeMemoRecord({text(r.text)}));
  for (ExpenseRecord r : m.expense) {
    r.memo = text(r.memo);
    out[kExpense].push_back(EncodeExpenseRecord(r));
  }
  for (TelephoneRecord r : m.telephone) {
    for (std::string& t : r.texts) t = text(t);
    out[kTelephone].push_back(EncodeTelephoneRecord(r));
  }
  out[kCategoryList].push_back(EncodeCategoryNames(m.names));
  return out;
}

std::string Replace(const std::string& text, std::string_view from, std::string_view to) {
  std::string out;
  size_t start = 0;
  for (size_t at; (at = text.find(from, start)) != std::string::npos; start = at + from.size()) {
    out.append(text, start, at - start);
    out.append(to);
  }
  out.append(text, start);
  return out;
}
std::string BreaksAsBlanks(const std::string& t) { return Replace(t, "\n", " "); }
BcdDate SameDate(BcdDate d) { return d; }

std::unique_ptr<AppliStore> NewStore() {
  auto store = std::make_unique<AppliStore>(T().code);
  EXPECT_EQ(store->GetAppliBuf(kStoreSlots), 0);
  return store;
}

std::unique_ptr<AppliStore> StoreOf(const Model& m) {
  auto store = NewStore();
  (void)store->EnsureAppli(kAllAppliMask, true);
  EXPECT_EQ(SetCategoryNames(*store, m.names), kStoreOk);
  int i = 0;
  for (const auto& r : m.schedule) EXPECT_EQ(PutScheduleRecord(*store, r, i++), kStoreOk);
  i = 0;
  for (const auto& r : m.anniversary) EXPECT_EQ(PutAnniversaryRecord(*store, r, i++), kStoreOk);
  i = 0;
  for (const auto& r : m.todo) EXPECT_EQ(PutToDoRecord(*store, r, i++), kStoreOk);
  i = 0;
  for (const auto& r : m.memo) EXPECT_EQ(PutMemoRecord(*store, r, i++), kStoreOk);
  i = 0;
  for (const auto& r : m.expense) EXPECT_EQ(PutExpenseRecord(*store, r, i++), kStoreOk);
  i = 0;
  for (const auto& r : m.telephone) EXPECT_EQ(PutTelephoneRecord(*store, r, i++), kStoreOk);
  return store;
}

std::vector<Bytes> Sorted(std::vector<Bytes> records) {
  std::sort(records.begin(), records.end(), RecordLess());
  return records;
}

// Checks every seed of a path; stops at the first store that fails.
template <typename Check>
void ForEachStore(int stores, Check check) {
  for (uint32_t seed = FirstSeed(); seed < FirstSeed() + static_cast<uint32_t>(stores); ++seed) {
    SCOPED_TRACE(testing::Message() << "seed " << seed << " (KIVO_ROUNDTRIP_SEED=" << seed
                                    << " KIVO_ROUNDTRIP_STORES=1 repeats it)");
    check(seed, RandomModel(seed));
    if (testing::Test::HasFailure()) return;
  }
}

TEST(RoundTrip, BackupFilePlainAndInverted) {
  ForEachStore(StoresPerPath(), [](uint32_t, const Model& m) {
    auto store = StoreOf(m);
    const Lists expected = Expected(m, BreaksAsBlanks, SameDate);
    for (bool scramble : {false, true}) {
      auto back = NewStore();
      ASSERT_EQ(
          DecodeBackupFile(*back, EncodeBackupFile(*store, scramble, BackupBlocks::kWithRecords)),
          kStoreOk);
      for (const auto& [id, records] : expected) {
        EXPECT_EQ(StoreRecords(*back, id), records) << "application " << int{id} << " " << scramble;
      }
    }
  });
}

TEST(RoundTrip, CsvInEveryDisplayModeAndBothEncodings) {
  const fs::path file =
      fs::path(testing::TempDir()) / ("kivo_round_trip_" + std::to_string(getpid()) + ".csv");
  const DateValue today{2026, 12, 7};
  const int this_year = today.year;
  ForEachStore(StoresPerPath(), [&](uint32_t seed, const Model& m) {
    auto store = StoreOf(m);
    Lists expected = Expected(m, BreaksAsBlanks, [&](BcdDate d) {
      return BcdDate::FromYmd(this_year, d.month(), d.day());
    });
    // Lines the import rejects, by design.
    std::erase_if(expected[kMemo], [](const Bytes& r) { return r.size() == 2; });
    std::erase_if(expected[kExpense], [](const Bytes& r) {
      ExpenseRecord e;
      return DecodeExpenseRecord(r, &e) != 0 || FormatAmount(DecodeAmount(e)).size() > 13;
    });
    const int hour = static_cast<int>(seed % 2);
    const int date = static_cast<int>(seed / 2 % 3);
    for (CsvEncoding encoding : {CsvEncoding::kWindows1252, CsvEncoding::kUtf8}) {
      for (AppliId id = kSchedule; id <= kTelephone; ++id) {
        SCOPED_TRACE(testing::Message() << "application " << int{id} << " hour " << hour << " date "
                                        << date << " utf-8 " << (encoding == CsvEncoding::kUtf8));
        std::string text;
        const int written = CsvExporter(*store, hour, date, encoding).Build(id, &text);
        if (encoding == CsvEncoding::kUtf8) text = Cp1252ToUtf8(text);
        std::ofstream(file, std::ios::binary | std::ios::trunc) << text;
        auto back = NewStore();
        (void)back->EnsureAppli(0, true);
        ASSERT_EQ(SetCategoryNames(*back, m.names), kStoreOk);
        CsvReader reader(hour, date, encoding, T().allowed);
        reader.SetToday(today);
        ASSERT_TRUE(reader.Open(file, id));
        int lines = 0;
        const int taken = reader.ImportCsv(*back, id, &lines);
        EXPECT_EQ(lines, written);
        EXPECT_EQ(StoreRecords(*back, id), expected[id]);
        // Every record lost is reported.
        const bool lost = taken < written;
        EXPECT_EQ(ImportMessage(taken, lines).find("rejected") != std::string::npos, lost);
      }
    }
  });
}

// Bytes no generated text holds. In the CSV file the first becomes a run of
// characters longer than any field, the others characters without a
// Windows-1252 form: o with double acute, l with stroke, omega.
constexpr char kOverCapacity = '\x01';
constexpr char32_t kForeign[] = {U'\u0151', U'\u0142', U'\u03A9'};

// What an import of one application must report.
struct Losses {
  int cut = 0;
  std::set<char32_t> refused, unmappable;
};

// Now and then one character of a text of the model becomes one of those
// marks (the foreign ones in UTF-8 only) or a character the organizer refuses.
std::array<Losses, 6> Spoil(Model& m, Generator& g, bool utf8) {
  std::array<Losses, 6> losses;
  auto spoil = [&](AppliId id, std::string& text) {
    const int kind = g.Int(0, 12);
    if (kind > 2 || (kind == 2 && !utf8)) return;
    if (text.empty()) text = " ";
    char& c = text[static_cast<size_t>(g.Int(0, static_cast<int>(text.size()) - 1))];
    if (kind == 0) {
      c = kOverCapacity;
      ++losses[id].cut;
    } else if (kind == 1) {
      c = T().refused[static_cast<size_t>(g.Int(0, static_cast<int>(T().refused.size()) - 1))];
      losses[id].refused.insert(*Cp1252ToUnicode(static_cast<uint8_t>(c)));
    } else {
      const int foreign = g.Int(0, 2);
      c = static_cast<char>(kOverCapacity + 1 + foreign);
      losses[id].unmappable.insert(kForeign[foreign]);
    }
  };
  for (auto& r : m.schedule) spoil(kSchedule, r.description);
  for (auto& r : m.anniversary) spoil(kAnniversary, r.description);
  for (auto& r : m.todo) spoil(kToDo, r.description);
  for (auto& r : m.memo) spoil(kMemo, r.text);
  for (auto& r : m.expense) {
    // A line whose amount the import refuses is never read for its memo.
    if (FormatAmount(DecodeAmount(r)).size() <= 13) spoil(kExpense, r.memo);
  }
  for (auto& r : m.telephone) spoil(kTelephone, r.texts[static_cast<size_t>(g.Int(0, 13))]);
  return losses;
}

// CSV files in both encodings with such losses: the import names every
// character it cannot keep before it changes anything, and counts the texts
// it cut.
TEST(RoundTrip, CsvImportReportsEveryCharacterAndTextItLoses) {
  const fs::path file =
      fs::path(testing::TempDir()) / ("kivo_round_trip_loss_" + std::to_string(getpid()) + ".csv");
  ForEachStore(StoresPerPath(), [&](uint32_t seed, Model m) {
    Generator g(seed * 7919);
    const bool utf8 = seed / 2 % 2 != 0;
    const std::array<Losses, 6> losses = Spoil(m, g, utf8);
    auto store = StoreOf(m);
    Model bare;  // what the import appends to: the category names alone
    bare.names = m.names;
    const auto names = StoreOf(bare);
    ExchangeOptions options;
    options.display_hour = static_cast<int>(seed % 2);
    options.encoding = utf8 ? CsvEncoding::kUtf8 : CsvEncoding::kWindows1252;
    for (AppliId id = kSchedule; id <= kTelephone; ++id) {
      SCOPED_TRACE(testing::Message() << "application " << int{id});
      std::string text;
      (void)CsvExporter(*store, options.display_hour, 0, *options.encoding).Build(id, &text);
      text = Replace(text, std::string(1, kOverCapacity), std::string(kTextCapacity + 4, 'x'));
      if (utf8) text = Cp1252ToUtf8(text);
      for (int i = 0; i < 3; ++i) {
        text = Replace(text, std::string(1, static_cast<char>(kOverCapacity + 1 + i)),
                       EncodeUtf8(kForeign[i]));
      }
      std::ofstream(file, std::ios::binary | std::ios::trunc) << text;
      const std::optional<ImportBatch> batch =
          ReadImportFile(file, ExchangeFormat::kCsv, id, options, *names, T().allowed);
      ASSERT_TRUE(batch);
      const Losses& lost = losses[id];
      EXPECT_EQ(batch->cut_texts, lost.cut);
      EXPECT_EQ(std::set<char32_t>(batch->refused.begin(), batch->refused.end()), lost.refused);
      EXPECT_EQ(std::set<char32_t>(batch->unmappable.begin(), batch->unmappable.end()),
                lost.unmappable);
      const std::string question = UnmappableQuestion(*batch);
      for (const std::set<char32_t>* each : {&lost.refused, &lost.unmappable}) {
        for (char32_t c : *each) EXPECT_NE(question.find(EncodeUtf8(c)), std::string::npos);
      }
      AppendResult taken;
      taken.taken = static_cast<int>(batch->records.size());
      EXPECT_EQ(ImportSummary(*batch, taken, 0).find("cut to fit") != std::string::npos,
                lost.cut > 0);
    }
  });
}

TEST(RoundTrip, RestoreToTheVirtualOrganizerThenBackup) {
  const fs::path dir =
      fs::path(testing::TempDir()) / ("kivo_round_trip_organizer_" + std::to_string(getpid()));
  // The pauses before each send run 100 times faster; the time-outs keep
  // their length, as the model query's second must on a loaded machine.
  ScaledClock clock(100, /*scale_waits=*/false);
  auto run = [&](RunMode mode, AppliStore& store) {
    VirtualOrganizerOptions options;
    options.model = VirtualModel::kM;
    options.data_dir = dir / "data";
    options.sample_dir = dir / "no_sample";
    options.tables = ProgramTables();
    ProgressRun progress(&clock);
    LinkSettings s;
    s.run_mode = mode;
    s.appli_mode = kAllAppli;
    s.store = &store;
    s.port_name = std::string(kVirtualPort);
    s.port_factory = VirtualOrganizerFactory(options);
    s.data_dir = dir;
    progress.ApplyLinkSettings(s);
    SilentPrompter prompter;
    LinkObserver window;
    EXPECT_TRUE(progress.Start(&window, &prompter));
    return progress.Wait();
  };
  ForEachStore(StoresPerPath(), [&](uint32_t, const Model& m) {
    fs::remove_all(dir);
    fs::create_directories(dir / "no_sample");
    auto store = StoreOf(m);
    ASSERT_EQ(run(RunMode::kRestore, *store), kResultSuccess);
    auto back = NewStore();
    const Lists expected = Expected(m, BreaksAsBlanks, SameDate);
    const bool fits = std::all_of(expected.begin(), expected.end(), [](const auto& list) {
      size_t bytes = 0;
      for (const Bytes& r : list.second) bytes += r.size() + 1;
      return bytes <= kAppliBufferSize;
    });
    if (!fits) {
      EXPECT_EQ(run(RunMode::kBackup, *back), kResultIoError) << "an application over the buffer";
      return;
    }
    ASSERT_EQ(run(RunMode::kBackup, *back), kResultSuccess);
    for (const auto& [id, records] : expected) {
      if (id == kTelephone) {
        EXPECT_EQ(Sorted(StoreRecords(*back, id)), Sorted(records));
      } else {
        EXPECT_EQ(StoreRecords(*back, id), records) << "application " << int{id};
      }
    }
  });
}

TEST(RoundTrip, ListRowGivesBackItsRecord) {
  ForEachStore(StoresPerPath(), [](uint32_t seed, const Model& m) {
    auto store = StoreOf(m);
    RowContext context;
    context.display_hour = static_cast<int>(seed % 2);
    context.display_date = static_cast<int>(seed / 2 % 3);
    context.category_names = CategoryNamesOf(*store);
    for (AppliId id = kSchedule; id <= kTelephone; ++id) {
      for (const Bytes& record : StoreRecords(*store, id)) {
        ASSERT_EQ(RowToRecord(id, RecordToRow(id, record, context), context), record)
            << "application " << int{id};
      }
    }
  });
}

// The Telephone dialog saves a card with a name (last, first or company) and
// a number or an address only.
bool Savable(const Bytes& record) {
  TelephoneRecord r;
  if (DecodeTelephoneRecord(record, &r) != 0) return false;
  auto any = [&r](std::initializer_list<int> fields) {
    return std::any_of(fields.begin(), fields.end(),
                       [&r](int f) { return !r.texts[static_cast<size_t>(f)].empty(); });
  };
  return any({kLastName, kFirstName, kCompany}) &&
         any({kHomeNumber, kOfficeNumber, kFaxNumber, kOtherNumber, kAddress});
}

// The Schedule dialog shows no reminder while the alarm is off, and saves 0.
Bytes AsTheDialogShowsIt(AppliId id, const Bytes& record) {
  ScheduleRecord r;
  if (id != kSchedule || DecodeScheduleRecord(record, &r) != 0 || r.flags != 0) return record;
  r.reminder = 0;
  return EncodeScheduleRecord(r);
}

TEST(RoundTrip, EditDialogSavedUnchangedGivesBackItsRecord) {
  ForEachStore(StoresPerPath(), [](uint32_t seed, const Model& m) {
    auto store = StoreOf(m);
    EditContext context;
    context.category_names = CategoryNamesOf(*store);
    context.allowed = T().allowed;
    const uint8_t modes = static_cast<uint8_t>((seed % 2 ? kEditFlagHour24 : 0) |
                                               (seed / 2 % 3 == 1   ? kEditFlagDateDmy
                                                : seed / 2 % 3 == 2 ? kEditFlagDateYmd
                                                                    : 0));
    for (AppliId id = kSchedule; id <= kTelephone; ++id) {
      const std::vector<Bytes> records = StoreRecords(*store, id);
      // A full application is checked at its ends: a dialog per record of it
      // would cost more than the rest of the suite.
      for (size_t i = 0; i<records.size(); i += records.size()> 8 ? records.size() - 1 : 1) {
        const uint8_t flags = id == kTelephone ? 0 : modes;
        auto dialog = CreateEditDialog(nullptr, id, &records[i], flags, context);
        ASSERT_NE(dialog, nullptr);
        if (id == kTelephone && !Savable(records[i])) {
          EXPECT_FALSE(dialog->save_button()->isEnabled()) << "a card without name or number";
          continue;
        }
        dialog->save_button()->click();
        ASSERT_EQ(dialog->result(), kEditSave) << "application " << int{id};
        const Bytes expected = AsTheDialogShowsIt(id, records[i]);
        ASSERT_EQ(dialog->record(), expected) << "application " << int{id};
      }
    }
  });
}

}  // namespace
}  // namespace kivo

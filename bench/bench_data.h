// Records for the benchmarks: every application filled with records of the
// lengths users keep (short schedule lines, memos of a few words to a few
// hundred characters, Telephone entries from a bare name to every field
// full, so some take several packets on the wire). Deterministic, so two runs
// measure the same bytes.

#ifndef KIVO_BENCH_BENCH_DATA_H_
#define KIVO_BENCH_BENCH_DATA_H_

#include <malloc.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "platform/link_defaults.h"
#include "platform/program_dir.h"
#include "store/appli_store.h"
#include "store/record_access.h"
#include "store/record_codec.h"
#include "store/tables.h"

namespace kivo::bench {

// The folder of code.dat, char.dat and sort.dat for the benchmarks. They live
// in <build>/bench while the build puts the tables in <build>/bin: that folder
// when the benchmark's own directory has no tables, else the program's
// tables' folder (TablesDirectory) as for an installed program.
inline const std::filesystem::path& TablesDir() {
  static const std::filesystem::path dir = [] {
    const std::filesystem::path own = ProgramDirectory();
    const std::filesystem::path bin = own.parent_path() / "bin";
    if (!std::filesystem::exists(own / "code.dat") && std::filesystem::exists(bin / "code.dat")) {
      return bin;
    }
    return TablesDirectory();
  }();
  return dir;
}

// The tables of TablesDir(), read once through the programs' own loader.
inline const Tables& BenchTables() {
  static const Tables tables = LoadTables(TablesDir());
  return tables;
}

// A text of `length` characters built from word-like runs, varied by `seed`.
inline std::string Words(uint32_t seed, size_t length) {
  static constexpr const char* kWords[] = {"Mill",  "Road", "north", "Anna",   "cafe",
                                           "visit", "Ltd",  "12",    "Bremen", "call"};
  std::string text;
  uint32_t s = seed * 2654435761u + 12345u;
  while (text.size() < length) {
    s = s * 1103515245u + 12345u;
    if (!text.empty()) text.push_back(' ');
    text += kWords[(s >> 16) % 10];
  }
  text.resize(length);
  return text;
}

// 0..n-1, spread so neighbouring records differ.
inline int Spread(int i, int n) { return static_cast<int>((static_cast<int64_t>(i) * 7919) % n); }

inline TelephoneRecord MakeTelephone(int i) {
  TelephoneRecord r;
  r.category = static_cast<uint8_t>(i % 3);
  r.texts[kLastName] = "Name" + std::to_string(Spread(i, 65521)) + Words(i, i % 9);
  r.texts[kFirstName] = Words(i + 1, 3 + i % 10);
  r.texts[kHomeNumber] = "+49 30 " + std::to_string(100000 + Spread(i, 899999));
  switch (i % 10) {
    case 0:  // every field full: 800 bytes, four packets
      for (int f = kFirstName; f < kTelephoneTextCount; ++f) {
        r.texts[static_cast<size_t>(f)] = Words(i + f, kTelephoneCapacity[static_cast<size_t>(f)]);
      }
      break;
    case 3:
    case 7:  // an address and notes: two packets
      r.texts[kCompany] = Words(i + 2, 40);
      r.texts[kAddress] = Words(i + 3, 90);
      r.texts[kCity] = Words(i + 4, 12);
      r.texts[kNotes] = Words(i + 5, 96);
      break;
    default:  // a name and a number or two
      if (i % 2 == 0) r.texts[kOfficeNumber] = "+49 40 " + std::to_string(200000 + i % 700000);
      break;
  }
  return r;
}

inline ScheduleRecord MakeSchedule(int i) {
  ScheduleRecord r;
  r.date = BcdDate::FromYmd(2020 + i % 8, 1 + i % 12, 1 + i % 28);
  r.start_time = BcdTime::FromHm(i % 24, (i * 7) % 60);
  r.end_time = BcdTime::FromHm((i + 1) % 24, (i * 7) % 60);
  r.description = Words(i, 10 + i % 60);
  return r;
}

inline AnniversaryRecord MakeAnniversary(int i) {
  AnniversaryRecord r;
  r.date = BcdDate::FromYmd(1950 + i % 70, 1 + i % 12, 1 + i % 28);
  r.description = Words(i, 8 + i % 40);
  return r;
}

inline ToDoRecord MakeToDo(int i) {
  ToDoRecord r;
  r.state = ToDoRecord::MakeState(i % 5 == 0, 1 + i % 3);
  r.due_date = BcdDate::FromYmd(2024 + i % 4, 1 + i % 12, 1 + i % 28);
  r.description = Words(i, 10 + i % 70);
  return r;
}

inline MemoRecord MakeMemo(int i) { return MemoRecord{Words(i, 10 + (i * 37) % 400)}; }

inline ExpenseRecord MakeExpense(int i) {
  ExpenseRecord r;
  r.date = BcdDate::FromYmd(2020 + i % 8, 1 + i % 12, 1 + i % 28);
  r.flags = ExpenseRecord::MakeFlags(i % 2 == 0, i % 8, i % 4);
  // Amount: twelve BCD digits, two of them after the point.
  const int cents = 100 + Spread(i, 9999900);
  int value = cents;
  for (int b = 7; b >= 0; --b) {
    r.amount[static_cast<size_t>(b)] = ToBcd(value % 100);
    value /= 100;
  }
  r.memo = Words(i, i % 50);
  return r;
}

// One record of the application as the store holds it (PC coding, with
// terminator).
inline std::vector<uint8_t> EncodeRecord(AppliId id, int i) {
  switch (id) {
    case kSchedule:
      return EncodeScheduleRecord(MakeSchedule(i));
    case kAnniversary:
      return EncodeAnniversaryRecord(MakeAnniversary(i));
    case kToDo:
      return EncodeToDoRecord(MakeToDo(i));
    case kMemo:
      return EncodeMemoRecord(MakeMemo(i));
    case kExpense:
      return EncodeExpenseRecord(MakeExpense(i));
    case kTelephone:
      return EncodeTelephoneRecord(MakeTelephone(i));
    default:
      return EncodeCategoryNames(DefaultCategoryNames());
  }
}

// `count` records of the application back to back, as AddAppliData takes them.
inline std::vector<uint8_t> RecordList(AppliId id, int count) {
  std::vector<uint8_t> list;
  for (int i = 0; i < count; ++i) {
    std::vector<uint8_t> record = EncodeRecord(id, i);
    list.insert(list.end(), record.begin(), record.end());
  }
  return list;
}

// The six applications with `count` records each and the category list with
// its one record; with full_category_list the category list holds `count`
// records as well (the store's worst case: seven full applications).
inline void FillStore(AppliStore& store, int count, bool full_category_list = false) {
  if (!store.has_slot_area()) (void)store.GetAppliBuf(kStoreSlots);
  store.ResetAppli(kAllAppli);
  for (AppliId id = kSchedule; id <= kTelephone; ++id) {
    for (int i = 0; i < count; ++i) (void)store.PutRecord(id, i, EncodeRecord(id, i));
  }
  const int categories = full_category_list ? count : 1;
  const std::vector<uint8_t> names = EncodeCategoryNames(DefaultCategoryNames());
  store.ResetAppli(kCategoryList);
  for (int i = 0; i < categories; ++i) (void)store.PutRecord(kCategoryList, i, names);
}

// A scratch directory of this process for the files a benchmark writes.
inline std::filesystem::path BenchDir() {
  static const std::filesystem::path dir = [] {
    auto d = std::filesystem::temp_directory_path() /
             ("kivo-bench-files-" + std::to_string(static_cast<long>(getpid())));
    std::filesystem::create_directories(d);
    return d;
  }();
  return dir;
}

// The main of a benchmark that writes files: runs what the command line
// picks, then removes BenchDir.
inline int RunThenRemoveBenchDir(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  std::error_code ignored;
  std::filesystem::remove_all(BenchDir(), ignored);
  return 0;
}

// Bytes the allocator has handed out and not taken back.
inline int64_t HeapInUse() {
  struct mallinfo2 info = mallinfo2();
  return static_cast<int64_t>(info.uordblks + info.hblkhd);
}

}  // namespace kivo::bench

#endif  // KIVO_BENCH_BENCH_DATA_H_

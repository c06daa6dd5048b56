// VirtualOrganizer: where its records come from (its own file, or the sample
// set on a first start) and where they go between runs.

#include <algorithm>
#include <fstream>
#include <string>
#include <system_error>
#include <vector>

#include "comm/virtual_organizer.h"
#include "csv/cp1252.h"
#include "csv/csv_reader.h"
#include "format/date_format.h"
#include "format/display_modes.h"
#include "format/today.h"
#include "platform/link_defaults.h"
#include "store/backup_file.h"
#include "store/record_access.h"

namespace kivo {
namespace {

constexpr const char* kCategoriesFile = "categories.txt";

// The eight names of categories.txt, one a line; missing lines keep the
// default names.
CategoryNames ReadCategoryNames(const std::filesystem::path& file) {
  CategoryNames names = DefaultCategoryNames();
  std::ifstream in(file, std::ios::binary);
  std::string line;
  for (size_t i = 0; i < names.names.size() && std::getline(in, line); ++i) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty()) names.names[i] = Utf8ToCp1252(line);
  }
  return names;
}

// A date moved by whole years; 29 February to the 28th in a common year.
BcdDate MovedDate(const BcdDate& date, int years) {
  if (date.year() == 0) return date;
  const int year = date.year() + years;
  return BcdDate::FromYmd(year, date.month(),
                          std::min(date.day(), DaysInMonth(year, date.month())));
}

template <typename Record, typename Get, typename Put>
void MoveRecords(AppliStore& seed, AppliId id, int years, BcdDate Record::*date, Get get, Put put) {
  std::vector<Record> records;
  for (int i = 0; i < seed.GetRecordCount(id); ++i) {
    Record record;
    if (get(seed, &record, i) != kStoreOk) return;  // left as it was
    record.*date = MovedDate(record.*date, years);
    records.push_back(std::move(record));
  }
  if (seed.ResetAppli(id) < 0) return;
  for (size_t i = 0; i < records.size(); ++i) (void)put(seed, records[i], static_cast<int>(i));
}

// The sample is written for one year; a first start moves its dated records
// by whole years so that the Schedule's last year is this one, and a first
// look at the calendar shows this month. Whole years keep every record on its
// day of the year, as the anniversaries (which have no year) are.
void MoveSampleToYear(AppliStore& seed, int this_year) {
  int latest = 0;
  for (int i = 0; i < seed.GetRecordCount(kSchedule); ++i) {
    ScheduleRecord record;
    if (GetScheduleRecord(seed, &record, i) == kStoreOk) {
      latest = std::max(latest, record.date.year());
    }
  }
  if (latest == 0 || latest == this_year) return;
  const int years = this_year - latest;
  MoveRecords(seed, kSchedule, years, &ScheduleRecord::date, GetScheduleRecord, PutScheduleRecord);
  MoveRecords(seed, kToDo, years, &ToDoRecord::due_date, GetToDoRecord, PutToDoRecord);
  MoveRecords(seed, kExpense, years, &ExpenseRecord::date, GetExpenseRecord, PutExpenseRecord);
}

}  // namespace

VirtualOrganizer::VirtualOrganizer(VirtualOrganizerOptions options)
    : options_(std::move(options)),
      // The store keeps the bytes as they travel: no conversion either way.
      store_(CodeTables::Identity()) {
  if (options_.tables.sort_loaded) {
    sort_table_ = &options_.tables.sort[options_.model == VirtualModel::kM ? 1 : 0];
  }
  // 1..255 slots are never refused.
  (void)store_.GetAppliBuf(kStoreSlots);
  store_.SetDeviceCode(device_code_high(), 0);
}

void VirtualOrganizer::Load() {
  store_.ClearAllAppli();
  if (!options_.data_dir.empty() && LoadFile(options_.data_dir / kVirtualOrganizerFile)) {
    changed_ = false;
    return;
  }
  store_.ClearAllAppli();
  LoadSample(options_.sample_dir);
  changed_ = true;
}

bool VirtualOrganizer::LoadFile(const std::filesystem::path& file) {
  std::error_code ec;
  if (!std::filesystem::exists(file, ec)) return false;
  if (LoadBackupFile(store_, file) != kStoreOk) return false;
  SortTelephone();
  return true;
}

void VirtualOrganizer::LoadSample(const std::filesystem::path& dir) {
  // The sample is UTF-8 CSV: read it into a store that converts, then take
  // the records over in the organizer's coding.
  AppliStore seed(options_.tables.code);
  // 1..255 slots are never refused.
  (void)seed.GetAppliBuf(kStoreSlots);
  seed.SetDeviceCode(device_code_high(), 0);
  // The sample is a courtesy: what does not fit or read is left out.
  (void)seed.EnsureAppli(0, true);
  if (!dir.empty()) {
    (void)SetCategoryNames(seed, ReadCategoryNames(dir / kCategoriesFile));
    // Expense after the category list, whose names its lines refer to.
    for (AppliId id : {kTelephone, kSchedule, kAnniversary, kToDo, kMemo, kExpense}) {
      CsvReader reader(kHour12, kDateMdy, CsvEncoding::kUtf8, options_.tables.allowed);
      const std::filesystem::path file = dir / (std::string(AppliKeyword(id)) + ".csv");
      if (!reader.Open(file, id)) continue;
      int lines = 0;
      (void)reader.ImportCsv(seed, id, &lines);
      reader.Close();
    }
    MoveSampleToYear(seed, SystemToday().year);
  }
  for (AppliId id : {kTelephone, kSchedule, kAnniversary, kToDo, kMemo, kCategoryList, kExpense}) {
    const int size = seed.GetAppliDataSize(id);
    if (seed.GetRecordCount(id) <= 0 || size <= 0) continue;
    std::vector<uint8_t> bytes(static_cast<size_t>(size));
    size_t used = 0;
    if (seed.GetAppliData(id, bytes, &used) < 0) continue;
    // Records from a store of the same size fit; a sample too big is cut.
    (void)store_.AddAppliData(id, std::span(bytes).first(used));
  }
  store_.EnsureAllAppli();
  SortTelephone();
}

bool VirtualOrganizer::Save() {
  if (options_.data_dir.empty()) return true;
  std::error_code ec;
  std::filesystem::create_directories(options_.data_dir, ec);
  SortTelephone();
  if (WriteBackupFile(store_, options_.data_dir / kVirtualOrganizerFile, true) != kStoreOk) {
    return false;
  }
  changed_ = false;
  return true;
}

}  // namespace kivo

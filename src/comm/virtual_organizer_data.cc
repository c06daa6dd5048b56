// VirtualOrganizer: where its records come from (its own file, or the sample
// set on a first start) and where they go between runs.

#include <fstream>
#include <string>
#include <system_error>
#include <vector>

#include "comm/virtual_organizer.h"
#include "csv/cp1252.h"
#include "csv/csv_reader.h"
#include "format/display_modes.h"
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

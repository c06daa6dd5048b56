#include "store/dump_file.h"

#include <algorithm>
#include <array>
#include <optional>
#include <string>
#include <vector>

#include "platform/atomic_file.h"

namespace kivo {

StoreResult ReadDumpFile(AppliStore& store, const std::filesystem::path& file, AppliId id) {
  store.FreeAllRecords();
  std::optional<std::string> contents = ReadWholeFile(file);
  if (!contents) return kStoreLoadError;
  const size_t count = static_cast<size_t>(
      std::count(contents->begin(), contents->end(), static_cast<char>(kTerminator)));
  // The block header carries the count in two bytes.
  if (count > static_cast<size_t>(kMaxRecords)) return kStoreLoadError;
  int slot = store.FindFreeSlot();
  if (slot < 0) return kStoreLoadError;
  if (store.slot_count() <= store.GetAppliCount()) return kStoreLoadError;
  // The file's bytes behind a made-up block header, so the block loader of
  // the backup file reads them.
  std::vector<uint8_t> block;
  block.reserve(contents->size() + 3);
  block.push_back(id);
  block.push_back(static_cast<uint8_t>(count >> 8));
  block.push_back(static_cast<uint8_t>(count & 0xFF));
  block.insert(block.end(), contents->begin(), contents->end());
  if (store.LoadBlock(block, 0, slot) < 0) return kStoreLoadError;
  store.set_magic({'I', 'M', '2', 'B', 'K', '0'});
  store.SetAppliCount(store.GetAppliCount() + 1);
  return kStoreOk;
}

StoreResult WriteDumpFile(const AppliStore& store, const std::filesystem::path& file, AppliId id) {
  int slot = store.FindAppli(id);
  if (slot < 0) return kStoreRefused;
  std::vector<uint8_t> image;
  for (int i = 0; i < store.slot_record_count(slot); ++i) {
    std::span<const uint8_t> record = store.SlotRecord(slot, i);
    if (record.empty()) continue;
    size_t at = image.size();
    image.insert(image.end(), record.begin(), record.end());
    ToOrganizerCoding(id, std::span(image).subspan(at), store.code_tables());
  }
  return WriteFileAtomically(file, image) ? kStoreOk : kStoreRefused;
}

std::string DumpFileName(AppliId appli_mode, std::string_view extension) {
  static constexpr std::array<std::string_view, 7> kNames{
      "schedule", "anniversary", "todo", "memo", "expense", "telephone", "expense_category"};
  std::string_view name = appli_mode < kNames.size() ? kNames[appli_mode] : kNames[0];
  return std::string(name) + std::string(extension);
}

}  // namespace kivo

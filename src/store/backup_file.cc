#include "store/backup_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <system_error>

#include "platform/atomic_file.h"
#include "platform/free_space.h"

namespace kivo {

namespace {

// The writers look at slots 0 .. count - 1 only; a count taken from a damaged
// file may exceed the slot area, which must not be walked past.
int WrittenSlotCount(const AppliStore& store) {
  return std::min(store.GetAppliCount(), store.slot_count());
}

void Complement(std::span<uint8_t> bytes) {
  for (uint8_t& b : bytes) b = static_cast<uint8_t>(~b);
}

// One block: id, record count high and low, then each record in the
// organizer's coding with its terminator.
void AppendBlock(const AppliStore& store, int slot, bool scramble, std::vector<uint8_t>& out) {
  size_t begin = out.size();
  AppliId id = store.slot_id(slot);
  int count = store.slot_record_count(slot);
  out.push_back(id);
  out.push_back(static_cast<uint8_t>(count >> 8));
  out.push_back(static_cast<uint8_t>(count & 0xFF));
  for (int i = 0; i < count; ++i) {
    std::span<const uint8_t> record = store.SlotRecord(slot, i);
    if (record.empty()) continue;  // an empty reference writes nothing
    size_t at = out.size();
    out.insert(out.end(), record.begin(), record.end());
    ToOrganizerCoding(id, std::span(out).subspan(at), store.code_tables());
  }
  if (scramble) Complement(std::span(out).subspan(begin));
}

StoreStatus WriteBackup(AppliStore& store, const std::filesystem::path& file, bool scramble,
                        BackupBlocks blocks, FileWriter& writer, FreeSpace& free_space) {
  // Only a save words the store's own refusals; a write leaves them to its
  // caller.
  const bool save = blocks == BackupBlocks::kWithRecords;
  if (!store.has_slot_area()) return {kStoreInvalid, save ? "Error" : ""};
  int64_t bound = BackupSizeBound(store);
  if (bound < 0) return {kStoreRefused, save ? "Error" : ""};
  uint64_t need = FreeSpaceNeeded(file, static_cast<uint64_t>(bound));
  std::filesystem::path root = FreeSpace::RootOf(file);
  if (free_space.QueryFreeSpace(root) < need) {
    if (!save) return kStoreRefused;
    char text[512];
    std::snprintf(text, sizeof text, "Out of disk space writing to drive %s.",
                  root.string().c_str());
    return {kStoreRefused, text};
  }
  // A read-only file must be refused although the rename could replace it.
  std::error_code ec;
  if (std::filesystem::exists(file, ec)) {
    int fd = open(file.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd < 0) return {kStoreRefused, SystemErrorText(errno)};
    close(fd);
  }
  AtomicFile out(file, writer);
  if (!out.Open()) return {kStoreRefused, out.ErrorText()};
  store.set_magic(scramble ? kInvertedMagic : kPlainMagic);
  std::vector<uint8_t> image = EncodeBackupFile(store, scramble, blocks);
  // Written in pieces; the first failing piece stops the write, and the
  // temporary file is dropped with the AtomicFile.
  constexpr size_t kPiece = 64 * 1024;
  for (size_t at = 0; at < image.size(); at += kPiece) {
    if (!out.Write(std::span(image).subspan(at, std::min(kPiece, image.size() - at)))) break;
  }
  if (out.error() != 0 || !out.Commit()) return {kStoreRefused, out.ErrorText()};
  return kStoreOk;
}

}  // namespace

int64_t BackupSizeBound(const AppliStore& store) {
  int64_t need = static_cast<int64_t>(kBackupHeaderSize) + 3 * int64_t{store.slot_count()};
  for (int slot = 0; slot < store.slot_count(); ++slot) {
    if (!store.slot_loaded(slot)) continue;
    int size = store.GetAppliDataSize(store.slot_id(slot));
    if (size < 0) return kStoreRefused;
    need += size;
  }
  return need;
}

uint64_t FreeSpaceNeeded(const std::filesystem::path& file, uint64_t need) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(file, ec)) return need;
  uint64_t existing = std::filesystem::file_size(file, ec);
  if (ec) return need;
  return existing >= need ? 0 : need - existing;
}

std::vector<uint8_t> EncodeBackupFile(const AppliStore& store, bool scramble, BackupBlocks blocks) {
  std::vector<uint8_t> out;
  // Room for the whole image at once: growing it step by step copied a
  // maximal image over and over.
  const int64_t bound = BackupSizeBound(store);
  if (bound > 0) out.reserve(static_cast<size_t>(bound));
  const std::array<char, 6>& magic = scramble ? kInvertedMagic : kPlainMagic;
  out.insert(out.end(), magic.begin(), magic.end());
  std::array<uint8_t, 2> device = store.device_code();
  out.insert(out.end(), device.begin(), device.end());
  const int slots = store.has_slot_area() ? WrittenSlotCount(store) : 0;
  auto wanted = [&](int slot) {
    return blocks == BackupBlocks::kAllPresent || store.slot_record_count(slot) != 0;
  };
  int count = 0;
  for (int slot = 0; slot < slots; ++slot) count += wanted(slot) ? 1 : 0;
  // With kAllPresent this is the store's application count.
  out.push_back(static_cast<uint8_t>(count));
  for (int slot = 0; slot < slots; ++slot) {
    if (wanted(slot)) AppendBlock(store, slot, scramble, out);
  }
  return out;
}

namespace {

// Both loaders. `own` is empty, or the image's bytes given over to the
// decoder (a file just read): an inverted body is then turned back where it
// lies instead of in a copy, which for a maximal file is half a gigabyte.
StoreStatus DecodeImage(AppliStore& store, std::span<const uint8_t> image, std::span<uint8_t> own) {
  if (!store.has_slot_area()) return kStoreInvalid;
  store.FreeAllRecords();
  if (image.size() < kBackupHeaderSize) return kStoreLoadError;
  std::array<char, 6> magic;
  std::memcpy(magic.data(), image.data(), magic.size());
  if (magic != kPlainMagic && magic != kInvertedMagic) return kStoreBadMagic;
  store.set_magic(magic);
  std::array<uint8_t, 2> device = store.device_code();
  if (image[kDeviceCodeOffset] != device[0] || image[kDeviceCodeOffset + 1] != device[1]) {
    return kStoreOtherDevice;
  }
  const int blocks = image[8];
  store.SetAppliCount(blocks);
  // A plain body is read where it lies.
  std::span<const uint8_t> body = image.subspan(kBackupHeaderSize);
  std::vector<uint8_t> inverted;
  if (magic == kInvertedMagic) {
    if (own.size() == image.size()) {
      Complement(own.subspan(kBackupHeaderSize));
    } else {
      inverted.assign(body.begin(), body.end());
      Complement(inverted);
      body = inverted;
    }
  }
  if (blocks > store.slot_count()) return kStoreLoadError;
  size_t pos = 0;
  for (int slot = 0; slot < blocks; ++slot) {
    if (body.size() - pos < 3) return kStoreLoadError;
    if (body[pos] > kCategoryList) {
      return {kStoreLoadError, "The backup file is not compatible. (block " +
                                   std::to_string(slot + 1) + " holds the unknown application id " +
                                   std::to_string(body[pos]) + ")"};
    }
    int used = store.LoadBlock(body, pos, slot);
    if (used <= 0) return kStoreLoadError;
    pos += static_cast<size_t>(used);
  }
  return store.CheckDuplicates();
}

}  // namespace

StoreStatus DecodeBackupFile(AppliStore& store, std::span<const uint8_t> image) {
  return DecodeImage(store, image, {});
}

namespace {

// Reads a file into the store; with `any_code` the store first takes the
// device code the file's header names.
StoreStatus ReadFile(AppliStore& store, const std::filesystem::path& file, bool any_code) {
  if (!store.has_slot_area()) return kStoreInvalid;
  int error = 0;
  std::optional<std::string> contents = ReadWholeFile(file, &error);
  if (!contents) return {kStoreLoadError, SystemErrorText(error)};
  if (any_code && contents->size() >= kBackupHeaderSize) {
    store.SetDeviceCode(static_cast<uint8_t>((*contents)[kDeviceCodeOffset]),
                        static_cast<uint8_t>((*contents)[kDeviceCodeOffset + 1]));
  }
  std::span<uint8_t> own(reinterpret_cast<uint8_t*>(contents->data()), contents->size());
  return DecodeImage(store, own, own);
}

}  // namespace

StoreStatus ReadBackupFile(AppliStore& store, const std::filesystem::path& file) {
  return ReadFile(store, file, /*any_code=*/false);
}

StoreStatus ReadAnyBackupFile(AppliStore& store, const std::filesystem::path& file) {
  return ReadFile(store, file, /*any_code=*/true);
}

StoreStatus LoadBackupFile(AppliStore& store, const std::filesystem::path& file) {
  StoreStatus read = ReadBackupFile(store, file);
  if (!read.ok()) return read;
  // Every application must be there afterwards; a store without room for them
  // all would show a file as loaded with an application missing.
  if (store.EnsureAppli(kAllAppliMask, true) != kStoreOk) {
    return {kStoreLoadError, "No room for every application."};
  }
  return kStoreOk;
}

StoreStatus WriteBackupFile(AppliStore& store, const std::filesystem::path& file, bool scramble,
                            FileWriter& writer, FreeSpace& free_space) {
  return WriteBackup(store, file, scramble, BackupBlocks::kAllPresent, writer, free_space);
}

StoreStatus SaveBackupFile(AppliStore& store, const std::filesystem::path& file, bool scramble,
                           FileWriter& writer, FreeSpace& free_space) {
  return WriteBackup(store, file, scramble, BackupBlocks::kWithRecords, writer, free_space);
}

std::string BackupReadFailure(const StoreStatus& status, std::array<uint8_t, 2> device_code) {
  const StoreResult code = status.code;
  const std::string& error_text = status.error_text;
  std::string reason = "The backup file is not compatible.";
  switch (code) {
    case kStoreLoadError:
      if (!error_text.empty()) return error_text;
      return reason + " (damaged: shorter than its header, or a block runs past its end)";
    case kStoreBadMagic:
      return reason + " (it does not start with IM2BK0 or IM2BK1)";
    case kStoreOtherDevice:
      return reason + " (written for another device code; this one is " +
             std::to_string(device_code[0]) + " " + std::to_string(device_code[1]) +
             ", see --device-code)";
    case kStoreDuplicate:
      return reason + " (an application occurs twice)";
    default:
      return reason + " (" + std::string(StoreResultName(code)) + ")";
  }
}

}  // namespace kivo

#ifndef KIVO_STORE_BACKUP_FILE_H_
#define KIVO_STORE_BACKUP_FILE_H_

#include <array>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

#include "platform/atomic_file.h"
#include "platform/free_space.h"
#include "store/appli_store.h"

namespace kivo {

// A backup file (".bkf", and the working data file) is a 9-byte header and one
// block per application:
//   0  6  magic: "IM2BK0" (plain body) or "IM2BK1" (inverted body)
//   6  2  device code of the store that wrote it, e.g. 2 0
//   8  1  block count
//   9  .. blocks: application id, record count (2 bytes, high first), then the
//         records, each with its 0xFF terminator, text in the organizer's coding
// In an inverted body every byte from offset 9 on is stored complemented
// (a terminator reads 0x00). There is no checksum and no trailer.
inline constexpr std::array<char, 6> kPlainMagic{'I', 'M', '2', 'B', 'K', '0'};
inline constexpr std::array<char, 6> kInvertedMagic{'I', 'M', '2', 'B', 'K', '1'};
inline constexpr size_t kBackupHeaderSize = 9;
// Where the header holds the device code (high byte first).
inline constexpr size_t kDeviceCodeOffset = 6;

// Which applications a writer puts into the file.
enum class BackupBlocks {
  kAllPresent,   // slots 0 .. application count - 1, empty ones included
  kWithRecords,  // only those of them that hold at least one record
};

// Loads a backup file into a store whose slots are all free (fresh from
// GetAppliBuf or ClearAllAppli). Results:
//   0 loaded; kStoreLoadError (-1) cannot be opened or read, shorter than the
//   header, more blocks than slots, a block running past the end, a record
//   without terminator; kStoreBadMagic (-2); kStoreOtherDevice (-3);
//   kStoreDuplicate (-8) an application twice; kStoreInvalid (-9) no slot area.
// The error text is the system's when the file cannot be opened or read, or
// the reason naming the id of a block that holds no application of the store
// (ids above 6), and empty otherwise. The application
// count read from the header stays in the store even when a later step fails:
// callers clear or discard the store after any failure.
StoreStatus ReadBackupFile(AppliStore& store, const std::filesystem::path& file);

// ReadBackupFile of a file of either device code: the store takes the code
// the file's header names, so a backup of either organizer model opens.
StoreStatus ReadAnyBackupFile(AppliStore& store, const std::filesystem::path& file);

// ReadBackupFile, then on success EnsureAllAppli, so that every application is
// present afterwards (absent ones empty, the category list with its defaults);
// kStoreLoadError with "No room for every application." when the store has no
// slot left for one of them.
StoreStatus LoadBackupFile(AppliStore& store, const std::filesystem::path& file);

// Writes slots 0 .. application count - 1, empty applications included, as
// used by a communication run that is given a file name. 0; kStoreRefused
// (-4) not enough free space, not writable, write error (with the system
// error text); kStoreInvalid (-9) no slot area. Sets the store's magic
// to the one written. The file is written through a temporary file and
// renamed into place, so a failed write leaves any previous file intact.
// The bytes go through `writer`.
StoreStatus WriteBackupFile(AppliStore& store, const std::filesystem::path& file, bool scramble,
                            FileWriter& writer = SystemFileWriter(),
                            FreeSpace& free_space = SystemFreeSpace());

// Writes only the applications that hold records (Save As, working data
// file). Codes as WriteBackupFile; in addition the error text is "Error" for a
// store without slot area or a failing size bound, and "Out of disk space
// writing to drive %s." with the drive root when the free space is short.
StoreStatus SaveBackupFile(AppliStore& store, const std::filesystem::path& file, bool scramble,
                           FileWriter& writer = SystemFileWriter(),
                           FreeSpace& free_space = SystemFreeSpace());

// Bytes a writer needs for the store: 9, 3 per slot, and GetAppliDataSize of
// every loaded slot's application. Negative (kStoreRefused) when a size bound
// fails.
[[nodiscard]] int64_t BackupSizeBound(const AppliStore& store);

// The free bytes a write of `need` bytes to `file` still requires: an existing
// file's size is taken off, since the new file replaces it.
uint64_t FreeSpaceNeeded(const std::filesystem::path& file, uint64_t need);

// The file image the writers produce (also for tests and fuzzers). Does not
// change the store.
std::vector<uint8_t> EncodeBackupFile(const AppliStore& store, bool scramble, BackupBlocks blocks);

// Loads a file image as ReadBackupFile does, without the file: 0 or the
// reader's codes except the open and read failures, with ReadBackupFile's
// reason for an unknown application id.
StoreStatus DecodeBackupFile(AppliStore& store, std::span<const uint8_t> image);

// The words after "FILE: " for a failing read of a backup file: the system's
// error text, or why the bytes are no backup file of `device_code` (the code
// the reading store expected).
[[nodiscard]] std::string BackupReadFailure(const StoreStatus& status,
                                            std::array<uint8_t, 2> device_code);

}  // namespace kivo

#endif  // KIVO_STORE_BACKUP_FILE_H_

#ifndef KIVO_STORE_DUMP_FILE_H_
#define KIVO_STORE_DUMP_FILE_H_

#include <filesystem>
#include <string_view>

#include "store/appli_store.h"

namespace kivo {

// A dump file holds the records of one application back to back, each with its
// 0xFF terminator, text in the organizer's coding; no header, never inverted.
// The line-test run modes serve them (".snd") and write them (".rcv").

// Loads the file into the first free slot as application `id` and sets the
// store's magic to "IM2BK0". Bytes after the last terminator are ignored.
// 0; kStoreLoadError (-1) when the file cannot be read, holds more than
// 65,535 records or a record longer than 1,024 bytes, or no slot is free.
[[nodiscard]] StoreResult ReadDumpFile(AppliStore& store, const std::filesystem::path& file,
                                       AppliId id);

// Writes the application's records, replacing any old file (through a
// temporary file, so a failed write leaves the old one intact). 0;
// kStoreRefused (-4) when the application is absent or the write fails.
[[nodiscard]] StoreResult WriteDumpFile(const AppliStore& store, const std::filesystem::path& file,
                                        AppliId id);

// "schedule", "anniversary", "todo", "memo", "expense", "telephone" or
// "expense_category" (Schedule for any other value), plus the extension.
std::string DumpFileName(AppliId appli_mode, std::string_view extension);

}  // namespace kivo

#endif  // KIVO_STORE_DUMP_FILE_H_

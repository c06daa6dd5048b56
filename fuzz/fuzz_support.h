#ifndef KIVO_FUZZ_FUZZ_SUPPORT_H_
#define KIVO_FUZZ_FUZZ_SUPPORT_H_

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "platform/memory_line.h"
#include "store/appli_store.h"
#include "store/char_tables.h"
#include "store/tables.h"

// Every fuzz target defines this; libFuzzer or the replay main calls it.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace kivo {

// Takes a fuzz input apart front to back. Past the end every byte reads 0 and
// every span is empty, so a short input is simply a plain one.
class FuzzInput {
 public:
  FuzzInput(const uint8_t* data, size_t size) : bytes_(data, size) {}

  uint8_t Byte() { return pos_ < bytes_.size() ? bytes_[pos_++] : 0; }
  std::span<const uint8_t> Bytes(size_t n) {
    n = std::min(n, bytes_.size() - pos_);
    std::span<const uint8_t> out = bytes_.subspan(pos_, n);
    pos_ += n;
    return out;
  }
  std::span<const uint8_t> Rest() { return Bytes(bytes_.size() - pos_); }
  bool empty() const { return pos_ >= bytes_.size(); }

 private:
  std::span<const uint8_t> bytes_;
  size_t pos_ = 0;
};

// The tables of the program directory, read once through the programs'
// loader.
const Tables& FuzzTables();
// Their conversion tables; the identity tables when code.dat is missing. The real tables
// map some bytes to blanks, which is where reader bugs like to hide.
const CodeTables& FuzzCodeTables();

// Records in the organizer's coding, each with its application.
using FuzzRecords = std::vector<std::pair<AppliId, std::vector<uint8_t>>>;

// A few plain records the link targets serve or send: a memo twice and a
// telephone entry with long notes.
FuzzRecords FuzzSampleRecords();

// Puts `records` into the slots of `store`, each after the ones of its
// application before it; aborts when the store refuses one.
void PutFuzzRecords(AppliStore& store, const FuzzRecords& records);

// Writes the rest of the input at `end` of the line as chunks of
// [delay in 10 ms][length][bytes]: each chunk arrives `delay` after the one
// before, so the bytes can answer what the other end sends in between.
// Returns the arrival time of the last chunk, in ms from now.
uint32_t SendChunks(FuzzInput& input, MemoryLine& line, SerialPort& port, int end);

// A file that lives in memory only (memfd), for readers that take a path.
// The path stays valid while the object lives; Write replaces the contents.
class MemoryFile {
 public:
  explicit MemoryFile(const char* name);
  ~MemoryFile();
  MemoryFile(const MemoryFile&) = delete;
  MemoryFile& operator=(const MemoryFile&) = delete;

  void Write(std::span<const uint8_t> bytes);
  const std::filesystem::path& path() const { return path_; }

 private:
  int fd_ = -1;
  std::filesystem::path path_;
};

}  // namespace kivo

#endif  // KIVO_FUZZ_FUZZ_SUPPORT_H_

#ifndef KIVO_SYNC_BYTE_CODING_H_
#define KIVO_SYNC_BYTE_CODING_H_

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "sync/sync_types.h"

namespace kivo {

// The plain encoding of the sync state's binary files: integers little-endian
// in fixed widths, texts as a 16-bit length and their bytes, records as a
// 16-bit length and their bytes (terminator included). Every file ends with
// an 8-byte FNV-1a hash of all the bytes before it, so a file cut short or
// changed anywhere is refused rather than half believed.

class ByteWriter {
 public:
  void U8(uint8_t value) { bytes_.push_back(value); }
  void U16(uint16_t value) { Fixed(value, 2); }
  void U32(uint32_t value) { Fixed(value, 4); }
  void U64(uint64_t value) { Fixed(value, 8); }
  void Raw(std::span<const uint8_t> bytes) {
    bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
  }
  void Raw(std::string_view text);
  // A 16-bit length, then the bytes; the caller keeps them below 65,536.
  void Text(std::string_view text);
  void Blob(std::span<const uint8_t> bytes);
  // Appends the hash trailer and hands the image over.
  [[nodiscard]] std::vector<uint8_t> Finish();

 private:
  void Fixed(uint64_t value, int width);
  std::vector<uint8_t> bytes_;
};

// Reads what a ByteWriter wrote. Every read checks the length left first; the
// first failure is kept as the reason (with the offset where it happened) and
// makes every later read fail too.
class ByteReader {
 public:
  // Checks and strips the hash trailer; a mismatch fails the reader at once.
  explicit ByteReader(std::span<const uint8_t> image);

  [[nodiscard]] bool U8(uint8_t* out);
  [[nodiscard]] bool U16(uint16_t* out);
  [[nodiscard]] bool U32(uint32_t* out);
  [[nodiscard]] bool U64(uint64_t* out);
  // Compares the next bytes with `expected` (a magic).
  [[nodiscard]] bool Expect(std::string_view expected, std::string_view what);
  // A text of at most `max` bytes.
  [[nodiscard]] bool Text(size_t max, std::string* out);
  // A record: 1..kRecordMax bytes, the last one the terminator and no other.
  [[nodiscard]] bool RecordBytes(Record* out);
  // Fails unless every byte was read.
  [[nodiscard]] bool AtEnd();

  [[nodiscard]] bool Fail(const std::string& reason);
  bool ok() const { return reason_.empty(); }
  const std::string& reason() const { return reason_; }
  size_t offset() const { return pos_; }

 private:
  [[nodiscard]] bool Fixed(int width, uint64_t* out);
  std::span<const uint8_t> body_;
  size_t pos_ = 0;
  std::string reason_;
};

}  // namespace kivo

#endif  // KIVO_SYNC_BYTE_CODING_H_

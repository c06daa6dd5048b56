#include "sync/byte_coding.h"

#include "store/appli_id.h"

namespace kivo {

namespace {

constexpr size_t kTrailerSize = 8;

uint64_t ReadLittle(std::span<const uint8_t> bytes) {
  uint64_t value = 0;
  for (size_t i = bytes.size(); i > 0; --i) value = (value << 8) | bytes[i - 1];
  return value;
}

}  // namespace

void ByteWriter::Fixed(uint64_t value, int width) {
  for (int i = 0; i < width; ++i) bytes_.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

void ByteWriter::Raw(std::string_view text) {
  bytes_.insert(bytes_.end(), text.begin(), text.end());
}

void ByteWriter::Text(std::string_view text) {
  U16(static_cast<uint16_t>(text.size()));
  Raw(text);
}

void ByteWriter::Blob(std::span<const uint8_t> bytes) {
  U16(static_cast<uint16_t>(bytes.size()));
  Raw(bytes);
}

std::vector<uint8_t> ByteWriter::Finish() {
  const uint64_t hash = HashBytes(bytes_);
  U64(hash);
  return std::move(bytes_);
}

ByteReader::ByteReader(std::span<const uint8_t> image) {
  if (image.size() < kTrailerSize) {
    reason_ = "shorter than its check sum";
    return;
  }
  body_ = image.first(image.size() - kTrailerSize);
  if (ReadLittle(image.last(kTrailerSize)) != HashBytes(body_)) {
    reason_ = "its check sum does not match (damaged or cut short)";
  }
}

bool ByteReader::Fail(const std::string& reason) {
  if (reason_.empty()) reason_ = reason + " at byte " + std::to_string(pos_);
  return false;
}

bool ByteReader::Fixed(int width, uint64_t* out) {
  if (!ok()) return false;
  if (body_.size() - pos_ < static_cast<size_t>(width)) return Fail("ends early");
  *out = ReadLittle(body_.subspan(pos_, static_cast<size_t>(width)));
  pos_ += static_cast<size_t>(width);
  return true;
}

bool ByteReader::U8(uint8_t* out) {
  uint64_t value = 0;
  if (!Fixed(1, &value)) return false;
  *out = static_cast<uint8_t>(value);
  return true;
}

bool ByteReader::U16(uint16_t* out) {
  uint64_t value = 0;
  if (!Fixed(2, &value)) return false;
  *out = static_cast<uint16_t>(value);
  return true;
}

bool ByteReader::U32(uint32_t* out) {
  uint64_t value = 0;
  if (!Fixed(4, &value)) return false;
  *out = static_cast<uint32_t>(value);
  return true;
}

bool ByteReader::U64(uint64_t* out) { return Fixed(8, out); }

bool ByteReader::Expect(std::string_view expected, std::string_view what) {
  if (!ok()) return false;
  if (body_.size() - pos_ < expected.size() ||
      std::string_view(reinterpret_cast<const char*>(body_.data() + pos_), expected.size()) !=
          expected) {
    return Fail("not " + std::string(what));
  }
  pos_ += expected.size();
  return true;
}

bool ByteReader::Text(size_t max, std::string* out) {
  uint16_t length = 0;
  if (!U16(&length)) return false;
  if (length > max) return Fail("a text of " + std::to_string(length) + " bytes");
  if (body_.size() - pos_ < length) return Fail("a text runs past the end");
  out->assign(reinterpret_cast<const char*>(body_.data() + pos_), length);
  pos_ += length;
  return true;
}

bool ByteReader::RecordBytes(Record* out) {
  uint16_t length = 0;
  if (!U16(&length)) return false;
  if (length == 0 || length > kRecordMax) {
    return Fail("a record of " + std::to_string(length) + " bytes");
  }
  if (body_.size() - pos_ < length) return Fail("a record runs past the end");
  std::span<const uint8_t> bytes = body_.subspan(pos_, length);
  for (size_t i = 0; i + 1 < bytes.size(); ++i) {
    if (bytes[i] == kTerminator) return Fail("a record with a terminator inside");
  }
  if (bytes.back() != kTerminator) return Fail("a record without its terminator");
  out->assign(bytes.begin(), bytes.end());
  pos_ += length;
  return true;
}

bool ByteReader::AtEnd() {
  if (!ok()) return false;
  if (pos_ != body_.size()) return Fail("bytes after the end");
  return true;
}

}  // namespace kivo

#ifndef KIVO_TESTS_STORE_FILE_FIXTURE_H_
#define KIVO_TESTS_STORE_FILE_FIXTURE_H_

#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/atomic_file.h"
#include "platform/free_space.h"
#include "store/appli_store.h"
#include "support/temp_dir.h"

namespace kivo::testing {

// A free-space query that reports a fixed number and remembers the root asked.
class FixedFreeSpace : public FreeSpace {
 public:
  explicit FixedFreeSpace(uint64_t bytes) : bytes_(bytes) {}
  uint64_t QueryFreeSpace(const std::filesystem::path& root) override {
    last_root_ = root;
    return bytes_;
  }
  uint64_t bytes_;
  std::filesystem::path last_root_;
};

using Bytes = std::vector<uint8_t>;

inline Bytes ToBytes(std::string_view text) { return Bytes(text.begin(), text.end()); }

// A record of the application: header bytes, the texts each with its NUL, and
// the terminator.
inline Bytes MakeRecord(Bytes header, std::initializer_list<std::string_view> texts) {
  Bytes record = std::move(header);
  for (std::string_view text : texts) {
    record.insert(record.end(), text.begin(), text.end());
    record.push_back(0);
  }
  record.push_back(0xFF);
  return record;
}

inline Bytes Concat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& part : parts) out.insert(out.end(), part.begin(), part.end());
  return out;
}

// A scratch directory per test, removed afterwards.
class TempDirTest : public ::testing::Test {
 protected:
  void PutFile(const std::filesystem::path& file, const Bytes& bytes) {
    ASSERT_TRUE(WriteFileAtomically(file, bytes));
  }
  Bytes GetFile(const std::filesystem::path& file) {
    std::string text = ReadWholeFile(file).value_or("");
    return Bytes(text.begin(), text.end());
  }

  TempDir scratch_;
  std::filesystem::path dir_ = scratch_.path();
};

}  // namespace kivo::testing

#endif  // KIVO_TESTS_STORE_FILE_FIXTURE_H_

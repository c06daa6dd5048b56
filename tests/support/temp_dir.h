#ifndef KIVO_TESTS_SUPPORT_TEMP_DIR_H_
#define KIVO_TESTS_SUPPORT_TEMP_DIR_H_

// Scratch files of a test.

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include <gtest/gtest.h>

namespace kivo {

// A fresh directory per test, removed afterwards; under `root` when given.
class TempDir {
 public:
  explicit TempDir(const std::filesystem::path& root = std::filesystem::temp_directory_path()) {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    path_ = root / ("kivo_test_" + std::to_string(::getpid()) + "_" + info->test_suite_name() +
                    "_" + info->name());
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
  }
  ~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  std::filesystem::path operator/(const std::string& name) const { return path_ / name; }
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

inline void WriteText(const std::filesystem::path& file, const std::string& text) {
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out << text;
}

inline std::string ReadText(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace kivo

#endif  // KIVO_TESTS_SUPPORT_TEMP_DIR_H_

#ifndef KIVO_TESTS_CSV_CSV_FIXTURE_H_
#define KIVO_TESTS_CSV_CSV_FIXTURE_H_

#include <unistd.h>

#include <cstdint>
#include <deque>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/free_space.h"
#include "platform/prompter.h"

namespace kivo::csv_testing {

// Answers boxes from a script (Cancel when it runs out) and keeps every box.
class ScriptedPrompter : public Prompter {
 public:
  explicit ScriptedPrompter(std::deque<PromptAnswer> answers = {}) : answers_(answers) {}
  PromptAnswer Ask(const PromptBox& box) override {
    boxes.push_back(box);
    if (answers_.empty()) return PromptAnswer::kCancel;
    const PromptAnswer answer = answers_.front();
    answers_.pop_front();
    return answer;
  }
  std::vector<PromptBox> boxes;

 private:
  std::deque<PromptAnswer> answers_;
};

// Reports the free bytes from a list, one per query, the last one repeated.
class ScriptedFreeSpace : public FreeSpace {
 public:
  explicit ScriptedFreeSpace(std::vector<uint64_t> answers) : answers_(std::move(answers)) {}
  uint64_t QueryFreeSpace(const std::filesystem::path& root) override {
    roots.push_back(root);
    const size_t i = std::min(queries_++, answers_.size() - 1);
    return answers_[i];
  }
  std::vector<std::filesystem::path> roots;

 private:
  std::vector<uint64_t> answers_;
  size_t queries_ = 0;
};

// A fresh directory per test, removed afterwards.
class TempDir {
 public:
  TempDir() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    path_ =
        std::filesystem::temp_directory_path() / ("kivo_csv_" + std::to_string(::getpid()) + "_" +
                                                  info->test_suite_name() + "_" + info->name());
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

}  // namespace kivo::csv_testing

#endif  // KIVO_TESTS_CSV_CSV_FIXTURE_H_

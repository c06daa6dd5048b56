#ifndef KIVO_TESTS_SUPPORT_SCRIPTED_H_
#define KIVO_TESTS_SUPPORT_SCRIPTED_H_

// Stand-ins for the user and the disk that answer from a script.

#include <cstdint>
#include <deque>
#include <filesystem>
#include <mutex>
#include <string>
#include <vector>

#include "platform/free_space.h"
#include "platform/prompter.h"

namespace kivo {

// Answers boxes from a script and keeps every box it was shown. When the
// script runs out: OK for a box with OK alone, Cancel for any other. Safe
// from any thread.
class ScriptedPrompter : public Prompter {
 public:
  explicit ScriptedPrompter(std::deque<PromptAnswer> answers = {});
  PromptAnswer Ask(const PromptBox& box) override;
  // One more answer at the end of the script.
  void Answer(PromptAnswer a);
  std::vector<PromptBox> boxes() const;
  std::vector<std::string> texts() const;

 private:
  mutable std::mutex mutex_;
  std::vector<PromptBox> boxes_;
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

}  // namespace kivo

#endif  // KIVO_TESTS_SUPPORT_SCRIPTED_H_

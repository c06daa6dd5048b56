#include "support/scripted.h"

#include <utility>

namespace kivo {

ScriptedPrompter::ScriptedPrompter(std::deque<PromptAnswer> answers)
    : answers_(std::move(answers)) {}

PromptAnswer ScriptedPrompter::Ask(const PromptBox& box) {
  std::lock_guard lock(mutex_);
  boxes_.push_back(box);
  if (answers_.empty())
    return box.buttons == PromptButtons::kOk ? PromptAnswer::kOk : PromptAnswer::kCancel;
  const PromptAnswer a = answers_.front();
  answers_.pop_front();
  return a;
}

void ScriptedPrompter::Answer(PromptAnswer a) {
  std::lock_guard lock(mutex_);
  answers_.push_back(a);
}

std::vector<PromptBox> ScriptedPrompter::boxes() const {
  std::lock_guard lock(mutex_);
  return boxes_;
}

std::vector<std::string> ScriptedPrompter::texts() const {
  std::lock_guard lock(mutex_);
  std::vector<std::string> out;
  for (const PromptBox& b : boxes_) out.push_back(b.text);
  return out;
}

}  // namespace kivo

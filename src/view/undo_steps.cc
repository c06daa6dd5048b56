#include "view/undo_steps.h"

#include <utility>

namespace kivo {
namespace {

size_t BytesOf(const UndoStep& step) {
  size_t bytes = step.selected.size();
  for (const std::vector<uint8_t>& record : step.records) bytes += record.size();
  return bytes;
}

}  // namespace

void UndoSteps::Push(UndoStep step) {
  bytes_ += BytesOf(step);
  steps_.push_back(std::move(step));
  // The newest step stays even when it alone is larger than the bound.
  while (steps_.size() > 1 && (steps_.size() > kMaxSteps || bytes_ > kMaxBytes)) {
    bytes_ -= BytesOf(steps_.front());
    steps_.pop_front();
  }
}

UndoStep UndoSteps::Pop() {
  UndoStep step = std::move(steps_.back());
  steps_.pop_back();
  bytes_ -= BytesOf(step);
  return step;
}

}  // namespace kivo

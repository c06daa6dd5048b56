#include "view/undo_steps.h"

#include <utility>

namespace kivo {
namespace {

size_t BytesOf(const UndoStep& step) {
  size_t bytes = step.selected.size();
  for (const std::vector<uint8_t>& record : step.records) bytes += record.size();
  return bytes;
}

// FNV-1a over the bytes, then mixed, so that summing the records' hashes
// does not let two small changes cancel out.
uint64_t RecordHash(const std::vector<uint8_t>& record) {
  uint64_t hash = 0xcbf29ce484222325ULL;
  for (const uint8_t byte : record) hash = (hash ^ byte) * 0x100000001b3ULL;
  hash ^= hash >> 33;
  hash *= 0xff51afd7ed558ccdULL;
  return hash ^ (hash >> 33);
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

uint64_t RecordsFingerprint(const std::vector<std::vector<uint8_t>>& records) {
  uint64_t sum = records.size();
  for (const std::vector<uint8_t>& record : records) sum += RecordHash(record);
  return sum;
}

}  // namespace kivo

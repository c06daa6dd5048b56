#include "comm/progress_state.h"

#include <algorithm>

#include "comm/messages.h"
#include "link/link_observer.h"

namespace kivo {
namespace {

constexpr const char* kBaseTitle = "PC Software for Norvale TR/VX-480";

bool IsTransferSource(int source) {
  return source == kSourceOneAppli || source == kSourceTelephone;
}

}  // namespace

std::string ProgressState::Title(RunMode run_mode) {
  std::string title = kBaseTitle;
  switch (run_mode) {
    case RunMode::kBackup:
      return title + " (Backup)";
    case RunMode::kRestore:
      return title + " (Restore)";
    case RunMode::kUpload:
      return title + " (Upload)";
    case RunMode::kDownload:
      return title + " (Download)";
    default:
      return title;
  }
}

bool ProgressState::OnStatus(int total, int source) {
  if (total == 0) {
    status_text_ = kStatusWaiting;
    return true;
  }
  if (source == kSourceSnapshot) {
    status_text_ = run_mode_ == RunMode::kDownload ? kStatusSnapshotDownload : kStatusSnapshot;
    return true;
  }
  switch (run_mode_) {
    case RunMode::kBackup:
      if (source != kSourceFullRun) return false;
      status_text_ = kStatusReceiving;
      break;
    case RunMode::kRestore:
      if (source != kSourceFullRun) return false;
      status_text_ = kStatusSending;
      break;
    case RunMode::kUpload:
      if (!IsTransferSource(source)) return false;
      status_text_ = kStatusReceiving;
      break;
    case RunMode::kDownload:
    case RunMode::kSendRecord:
      if (!IsTransferSource(source)) return false;
      status_text_ = kStatusSending;
      break;
    default:
      status_text_.clear();
      break;
  }
  finish_value_ = total;
  return true;
}

bool ProgressState::OnProgress(int value, int source) {
  const int p = position_;
  const int d = value / 10;
  const int unit = p % 10;
  // Telephone comes first in a full run and moves in steps of four between 10
  // and 46; it never moves the bar back.
  auto telephone_step = [&]() -> std::optional<int> {
    if (d >= 10) return std::nullopt;
    const int q = d * 4 + 10;
    if (q > p) return q;
    return std::nullopt;
  };
  std::optional<int> next;
  switch (run_mode_) {
    case RunMode::kBackup:
      if (source == kSourceFullRun) {
        next = value;
      } else if (source == kSourceOneAppli) {
        if (unit < 9 && d > unit) next = p + 1;
      } else if (source == kSourceTelephone) {
        next = telephone_step();
      }
      break;
    case RunMode::kRestore:
      if (source == kSourceFullRun) {
        next = value;
      } else if (source == kSourceOneAppli) {
        if (d < 10 && d > unit) next = p + 1;
      } else if (source == kSourceTelephone) {
        next = telephone_step();
      }
      break;
    case RunMode::kUpload:
    case RunMode::kDownload:
    case RunMode::kSendRecord:
      if (IsTransferSource(source)) next = value;
      break;
    default:
      break;
  }
  if (!next) return false;
  MoveTo(*next);
  return true;
}

void ProgressState::MoveTo(int value) {
  // The bar holds 0..100; a transfer of more than 920 records reports more.
  position_ = std::clamp(value, 0, 100);
  if (value == finish_value_) status_text_ = kStatusFinished;
}

std::optional<PromptBox> ProgressState::OutcomeBox(ResultCode result) {
  std::optional<MessageBoxText> end = RunEndMessage(result);
  if (!end) return std::nullopt;
  PromptBox box;
  box.text = std::string(end->text);
  box.caption = std::string(end->caption);
  box.icon =
      end->icon == MessageIcon::kInformation ? PromptIcon::kInformation : PromptIcon::kExclamation;
  box.buttons = PromptButtons::kOk;
  return box;
}

}  // namespace kivo

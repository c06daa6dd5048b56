// VirtualOrganizer: the organizer's side of one link session, built from the
// organizer-role record procedures, and the last-name order of Telephone.

#include "comm/virtual_organizer.h"

#include <algorithm>
#include <cctype>
#include <string>
#include <utility>
#include <vector>

#include "link/frames.h"

namespace kivo {
namespace {

// HandleCommand's "the PC ended the session".
constexpr int kSessionOver = -1;
// The PC asks for the model right after the negotiation; it waits 1 s for
// an answer, so a query later than that is not coming.
constexpr int kModelQueryMs = 2000;
// The first text field of a Telephone record (the last name), as far as the
// organizer's order goes.
constexpr size_t kLastNameKeyMax = 49;

// The last name of a Telephone record in the PC's coding: from offset 1 up to
// the first NUL.
std::string LastNameKey(std::span<const uint8_t> record, const std::array<uint8_t, 128>& table) {
  std::string key;
  for (size_t i = 1; i < record.size() && key.size() < kLastNameKeyMax; ++i) {
    uint8_t c = record[i];
    if (c == 0 || c == kTerminator) break;
    if (c >= 127) c = table[c - 127];
    key.push_back(static_cast<char>(c));
  }
  return key;
}

}  // namespace

std::optional<VirtualModel> ParseVirtualModel(std::string_view text) {
  std::string lower;
  for (char c : text)
    lower.push_back(static_cast<char>(std::tolower(static_cast<unsigned char>(c))));
  if (lower == "base" || lower == "e") return VirtualModel::kBase;
  if (lower == "e+") return VirtualModel::kBaseSecond;
  if (lower == "m") return VirtualModel::kM;
  return std::nullopt;
}

uint8_t VirtualOrganizer::device_code_high() const { return DeviceCodeHigh(options_.device_code); }

uint8_t VirtualOrganizer::device_code_low() const {
  return options_.model == VirtualModel::kBase ? 0 : 1;
}

void VirtualOrganizer::SortTelephone() {
  if (!sort_table_) return;
  const int count = store_.GetRecordCount(kTelephone);
  if (count < 2) return;
  std::vector<std::pair<std::string, std::vector<uint8_t>>> records;
  records.reserve(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) {
    std::span<const uint8_t> record = store_.Record(kTelephone, i);
    records.emplace_back(LastNameKey(record, options_.tables.code.b),
                         std::vector<uint8_t>(record.begin(), record.end()));
  }
  auto before = [this](const auto& x, const auto& y) {
    return CompareSorted(x.first, y.first, *sort_table_) < 0;
  };
  if (std::is_sorted(records.begin(), records.end(), before)) return;
  std::stable_sort(records.begin(), records.end(), before);
  // Cannot fail: the list is present and the same records go back in.
  (void)store_.ResetAppli(kTelephone);
  for (int i = 0; i < count; ++i) {
    (void)store_.PutRecord(kTelephone, i, records[static_cast<size_t>(i)].second);
  }
  changed_ = true;
}

ResultCode VirtualOrganizer::Serve(CommLink& link) {
  LinkConfig config = link.config();
  config.device_code_high = device_code_high();
  config.device_code_low = device_code_low();
  link.Configure(config);
  ResultCode r = link.NegotiationForDevice();
  if (r != kResultSuccess) return r;

  // Only the M model answers the model query; the others let it pass.
  std::array<uint8_t, 2> params{};
  r = link.WaitCommand(kGetDeviceInformation, &params, nullptr, kModelQueryMs, 0);
  if (r == kResultSuccess) {
    link.WriteLogIfEnabled("---HDD receives GET_DEVICE_INFORMATION\n\n");
    if (options_.model == VirtualModel::kM) {
      r = link.SendCommand(kDeviceInformation);
      if (r != kResultSuccess) return r;
      link.WriteLogIfEnabled("---HDD sends DEVICE_INFORMATION\n\n");
    }
  } else if (r != kResultTimeout) {
    return r;
  }

  for (;;) {
    int code = 0;
    r = link.WaitCommand(kAnyCommand, &params, &code);
    if (r != kResultSuccess) return r;
    const int handled = HandleCommand(link, code, params);
    if (handled == kSessionOver) return kResultSuccess;
    if (handled != kResultSuccess) return static_cast<ResultCode>(handled);
  }
}

int VirtualOrganizer::HandleCommand(CommLink& link, int code,
                                    const std::array<uint8_t, 2>& params) {
  auto log = [&link](const char* text) { link.WriteLogIfEnabled(text); };
  auto ack = [&link, &log]() {
    const ResultCode r = link.SendCommand(kAck);
    if (r == kResultSuccess) log("---HDD sends ACK\n\n");
    return r;
  };
  switch (code) {
    case kAck:
      log("---HDD receives ACK\n\n");
      return ack();
    case kEndCommunication:
      log("---HDD receives END_COMMUNICATION\n\n");
      return kSessionOver;
    case kNack:
      log("---HDD receives NACK\n\n");
      return kSessionOver;
    case kSend1Record:
      log("---HDD receives SEND_1_RECORD\n\n");
      return ReceiveRecord(link);
    case kDeleteAllRecords:
      log("---HDD receives DELETE_ALL_RECORDS\n\n");
      if (params[0] <= kTelephone) {
        // An organizer answers ACK whether or not the list was there.
        (void)store_.ResetAppli(params[0]);
        changed_ = true;
      }
      return ack();
    case kGetAllRecords:
      log("---HDD receives GET_ALL_RECORDS\n\n");
      // As the organizer reads it: Schedule for any code it does not know.
      return ServeAppli(link, params[0] <= kTelephone && params[1] == 0 ? params[0] : kSchedule);
    case kGetExpenseCategory:
      log("---HDD receives GET_EXPENSE_CATEGORY\n\n");
      return ServeAppli(link, kCategoryList);
    case kSendExpenseCategory: {
      log("---HDD receives SEND_EXPENSE_CATEGORY\n\n");
      std::vector<uint8_t> buffer(kPacketContentsMax + 1);
      int length = 0;
      const ResultCode r = link.GetExpenseCategory(buffer, &length, TransferRole::kOrganizer);
      if (r != kResultSuccess) return r;
      if (store_.AddAppliData(kCategoryList, std::span(buffer).first(static_cast<size_t>(length))) <
          0) {
        log("!!!Write AppliData Err\n\n");
        return kResultIoError;
      }
      changed_ = true;
      return kResultSuccess;
    }
    default:
      log("---!!!Receive Unknown Command\n\n");
      return kResultIoError;
  }
}

ResultCode VirtualOrganizer::ServeAppli(CommLink& link, AppliId id) {
  if (id == kTelephone) SortTelephone();
  // Without a free slot the list stays absent and goes out empty.
  if (id == kCategoryList && !store_.IsPresent(kCategoryList)) (void)store_.EnsureAppli(0, true);
  const int count = store_.GetRecordCount(id);
  if (count <= 0 && id != kCategoryList) {
    // Nothing to send: the transfer ends at once.
    const ResultCode r = link.SendCommand(kFinishAllRecords);
    if (r == kResultSuccess) link.WriteLogIfEnabled("---HDD sends FINISH_ALL_RECORDS\n\n");
    return r;
  }
  const int size = store_.GetAppliDataSize(id);
  if (size <= 0) return kResultIoError;
  std::vector<uint8_t> buffer(static_cast<size_t>(size));
  size_t used = 0;
  if (store_.GetAppliData(id, buffer, &used) < 0) return kResultIoError;
  return link.SendAllRecords(std::span(buffer).first(used), id, count, TransferRole::kOrganizer);
}

ResultCode VirtualOrganizer::ReceiveRecord(CommLink& link) {
  ResultCode r = link.SendCommand(kAck);
  if (r != kResultSuccess) return r;
  link.WriteLogIfEnabled("---HDD sends ACK\n\n");
  std::vector<uint8_t> record(kRecordMax);
  int received = 0;
  int lead = 0;
  // One byte stays free for the terminator.
  r = link.Receive1Record(std::span(record).first(kRecordMax - 1), &received, &lead,
                          TransferRole::kOrganizer);
  if (r != kResultSuccess) return r;
  if (lead < 0 || lead > kCategoryList || received <= 0) {
    link.WriteLogIfEnabled("---!!!Receive Another Command\n\n");
    return kResultIoError;
  }
  record[static_cast<size_t>(received)] = kTerminator;
  ++records_taken_;
  if (options_.lose_first_record && records_taken_ == 1) return kResultSuccess;
  if (store_.AddAppliData(static_cast<AppliId>(lead),
                          std::span(record).first(static_cast<size_t>(received) + 1)) < 0) {
    link.WriteLogIfEnabled("!!!Write AppliData Err\n\n");
    return kResultIoError;
  }
  changed_ = true;
  if (options_.hang_up_after_records > 0 && records_taken_ >= options_.hang_up_after_records) {
    link.WriteLogIfEnabled("!!!Line dropped\n\n");
    return kResultTimeout;
  }
  return kResultSuccess;
}

}  // namespace kivo

// CommLink: moving all records of one application, and the expense-category
// list, in either direction and on either side of the line.
//
// A record list buffer holds the records of one application back to back, each
// followed by 0xFF; a record never contains 0xFF itself.
//
// On the wire a record travels as one or more data packets. The first packet
// carries at most 241 bytes, each later one at most 252; every packet names the
// full record size, and the flag says first (0x00), middle (0xF0) or last
// (0xA0). A one-packet record keeps the flag 0x00: the receiver knows it is the
// last because its size equals its contents length.
//
// PC side, sending: SEND_1_RECORD / ACK / DATA / ACK for every packet.
// PC side, receiving: GET_ALL_RECORDS, then DATA / ACK per packet, and a
// FINISH_ALL_RECORDS that nobody acknowledges.

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "link/comm_link.h"
#include "link/link_observer.h"
#include "store/char_tables.h"

namespace kivo {
namespace {

constexpr size_t kFirstPieceMax = 241;
constexpr size_t kPieceMax = 252;
constexpr size_t kTelephoneKeyMax = 49;
// Room GetExpenseCategory needs: one packet and the separator.
constexpr size_t kCategoryBufferMin = kPieceMax + 1;

// SendAllRecords reports progress at most this often.
constexpr uint32_t kProgressIntervalMs = 500;

bool IsDeviceRole(TransferRole role) { return role == TransferRole::kOrganizer; }

void PostStatus(LinkObserver* window, int total, int source) {
  if (window != nullptr) window->OnStatus(total, source);
}

void PostProgress(LinkObserver* window, int value, int source) {
  if (window != nullptr) window->OnProgress(value, source);
}

int SourceOf(AppliId id) { return id == kTelephone ? kSourceTelephone : kSourceOneAppli; }

std::string IndexText(const char* pattern, int value) {
  char text[96];
  std::snprintf(text, sizeof text, pattern, value);
  return text;
}

}  // namespace

std::string TelephoneSortKey(std::span<const uint8_t> record,
                             const std::array<uint8_t, 128>* table_b) {
  std::string key;
  for (size_t i = 1; i < record.size() && key.size() < kTelephoneKeyMax; ++i) {
    uint8_t c = record[i];
    if (c == 0) break;
    if (c >= 127 && c <= 254 && table_b != nullptr) c = (*table_b)[c - 127];
    key.push_back(static_cast<char>(c));
  }
  return key;
}

int ReceivedPercent(int records) {
  if (records <= 200) return records / 4;
  return 50 + ((100 * (records - 200)) / 720) / 2;
}

ResultCode CommLink::Send1Record(std::span<const uint8_t> record, AppliId id, TransferRole role) {
  WriteLogIfEnabled("\n========== Start Send 1 Record ==========\n\n");
  const size_t length = record.size();
  size_t sent = 0;
  while (sent < length) {
    if (!IsDeviceRole(role)) {
      ResultCode r = SendCommand(kSend1Record, 0, 0);
      if (r != kResultSuccess) return r;
      WriteLogIfEnabled("---PC sends SEND_1_RECORD\n\n");
      r = ExpectAck();
      if (r != kResultSuccess) return r;
    }
    size_t n;
    uint8_t flag;
    if (sent == 0) {
      n = std::min(length, kFirstPieceMax);
      flag = kFlagFirst;
    } else if (length > sent + kPieceMax) {
      n = kPieceMax;
      flag = kFlagMiddle;
    } else {
      n = length - sent;
      flag = kFlagLast;
    }
    ResultCode r = SendDataPacket(record.subspan(sent, n), static_cast<int>(length), id, flag);
    if (r != kResultSuccess) {
      WriteLogIfEnabled("!!!DATA Send Err\n\n");
      return r;
    }
    WriteLogIfEnabled("---PC sends DATA\n\n");
    r = ExpectAck();
    if (r != kResultSuccess) return r;
    sent += n;
  }
  WriteLogIfEnabled("========== End Send 1 Record ==========\n\n");
  return kResultSuccess;
}

ResultCode CommLink::Receive1Record(std::span<uint8_t> buffer, int* received, int* lead,
                                    TransferRole role) {
  *received = 0;
  std::array<uint8_t, kPacketContentsMax> packet{};
  // The first piece fixes the record's application and size; every later piece
  // must agree with both, and the pieces must fill the size exactly.
  int record_id = -1;
  int record_size = 0;
  for (;;) {
    int n = 0;
    int packet_lead = 0;
    int flag = 0;
    int size = 0;
    ResultCode r = WaitDataPacket(kAllAppli, packet, &n, &packet_lead, &flag, -1, -1, &size);
    if (r != kResultSuccess) return r;
    if (packet_lead == kFinishAllRecords) {
      *lead = kFinishAllRecords;
      *received = 0;
      if (IsDeviceRole(role)) return Fail(kResultIoError, "!!!NOT Packet Data\n\n");
      // The sender gave up in the middle of a record: nothing of it is kept.
      if (record_id >= 0) return Fail(kResultIncomplete, "!!!Record Cut Short\n\n");
      return kResultSuccess;
    }
    if (record_id < 0) {
      record_id = packet_lead;
      record_size = size;
    } else if (packet_lead != record_id) {
      return Fail(kResultIoError, "!!!Another Appli Data\n\n");
    } else if (size != record_size) {
      return Fail(kResultIoError, "!!!Record Size Err\n\n");
    }
    if (*received + n > record_size) return Fail(kResultIoError, "!!!Record Size Err\n\n");
    WriteLogIfEnabled("---PC receives DATA\n\n");
    r = SendCommand(kAck, 0, 0);
    if (r != kResultSuccess) return r;
    WriteLogIfEnabled("---PC sends ACK\n\n");
    *lead = packet_lead;
    const size_t count = static_cast<size_t>(n);
    const size_t have = static_cast<size_t>(*received);
    if (have + count > buffer.size()) {
      SetResult(kResultIoError, -1);
      return kResultIoError;
    }
    std::copy_n(packet.begin(), count, buffer.begin() + static_cast<std::ptrdiff_t>(have));
    *received += n;
    if (flag == kFlagLast) {
      if (*received != record_size) return Fail(kResultIoError, "!!!Record Size Err\n\n");
      return kResultSuccess;
    }
    if (IsDeviceRole(role)) {
      r = WaitCommand(kSend1Record, nullptr, nullptr, -1, -1);
      if (r != kResultSuccess) {
        WriteLogIfEnabled("---!!!Receive Another Command\n\n");
        return r;
      }
      WriteLogIfEnabled("---HDD receives SEND_1_RECORD\n\n");
      r = SendCommand(kAck, 0, 0);
      if (r != kResultSuccess) return r;
      WriteLogIfEnabled("---HDD sends ACK\n\n");
    }
  }
}

ResultCode CommLink::GetAllRecords(std::span<uint8_t> buffer, int* end, AppliId id,
                                   TransferRole role, LinkObserver* window,
                                   const TelephoneCheck& check) {
  telephone_check_failed_ = false;
  if (id == kCategoryList) return GetExpenseCategory(buffer, end, role);
  *end = 0;
  if (!IsDeviceRole(role)) {
    WriteLogIfEnabled("\n========== Start Get All Record ==========\n\n");
    const ResultCode r = SendCommand(kGetAllRecords, id, 0);
    if (r != kResultSuccess) return r;
    WriteLogIfEnabled("---PC sends GET_ALL_RECORDS\n\n");
  }
  PostStatus(window, 100, kSourceOneAppli);
  std::fill(buffer.begin(), buffer.end(), 0);
  // Base-model telephone lists that arrive out of order or cut short are taken
  // for an incomplete reception.
  const bool checks =
      device_model_ == DeviceModel::kBase && id == kTelephone && check.records_min != 0;
  std::string previous_key;
  size_t pos = 0;
  int k = 0;
  for (;;) {
    if (IsDeviceRole(role)) {
      const ResultCode r = SendCommand(kAck, 0, 0);
      if (r != kResultSuccess) return r;
      WriteLogIfEnabled("---HDD sends ACK\n\n");
    }
    // Keep one byte for the separator after the record.
    const size_t room = buffer.size() > pos ? buffer.size() - pos - 1 : 0;
    int received = 0;
    int lead = 0;
    ResultCode r =
        Receive1Record(buffer.subspan(std::min(pos, buffer.size()), room), &received, &lead, role);
    if (r != kResultSuccess) {
      WriteLogIfEnabled(IndexText("!!!Abort (Now RecordIdx=%d)\n\n", k));
      return r;
    }
    if (lead == kFinishAllRecords) {
      if (checks && k >= 1 && k <= check.records_min) {
        telephone_check_failed_ = true;
        return Fail(kResultIncomplete, "!!!Receive Not Perfect2\n\n");
      }
      WriteLogIfEnabled("---PC receive FINISH_ALL_RECORDS\n\n");
      break;
    }
    const size_t n = static_cast<size_t>(received);
    // An empty record into a full buffer leaves no room for its separator.
    if (pos + n >= buffer.size()) {
      SetResult(kResultIoError, -1);
      return kResultIoError;
    }
    if (checks) {
      std::string key = TelephoneSortKey(buffer.subspan(pos, n), check.table_b);
      // Without a sort table the order cannot be judged; only the count check remains.
      if (k > 0 && check.sort_table != nullptr &&
          CompareSorted(key, previous_key, *check.sort_table) < 0) {
        telephone_check_failed_ = true;
        return Fail(kResultIncomplete, "!!!Receive Not Perfect1\n\n");
      }
      previous_key = std::move(key);
    }
    buffer[pos + n] = kTerminator;
    pos += n + 1;
    k = (k + 1) & 0xFFFF;
    PostProgress(window, ReceivedPercent(k), SourceOf(id));
    if (IsDeviceRole(role)) {
      int code = 0;
      r = WaitCommand(kAnyCommand, nullptr, &code, -1, -1);
      if (r != kResultSuccess) return r;
      if (code == kSend1Record) {
        WriteLogIfEnabled("---HDD receives CMD_SEND_1_RECORD\n\n");
        continue;
      }
      if (code == kEndCommunication) {
        WriteLogIfEnabled("---HDD receives END_COMMUNICATION\n\n");
        break;
      }
      return Fail(kResultIoError, "---!!!Receive Another Command\n\n");
    }
  }
  PostProgress(window, 100, kSourceOneAppli);
  if (!IsDeviceRole(role)) {
    WriteLogIfEnabled(IndexText("========== End Get All Record (%d)==========\n\n", k));
  }
  *end = static_cast<int>(pos);
  return kResultSuccess;
}

ResultCode CommLink::SendAllRecords(std::span<const uint8_t> buffer, AppliId id, int count,
                                    TransferRole role, LinkObserver* window) {
  if (id == kCategoryList) return SendExpenseCategory(buffer, role);
  if (!is_open() || buffer.empty()) return kResultIoError;
  // Cut the list at its separators; a list must end with one.
  std::vector<std::span<const uint8_t>> records;
  records.reserve(count > 0 ? static_cast<size_t>(count) : 0);
  size_t start = 0;
  for (size_t i = 0; i < buffer.size(); ++i) {
    if (buffer[i] != kTerminator) continue;
    records.push_back(buffer.subspan(start, i - start));
    start = i + 1;
  }
  if (records.empty() || buffer.back() != kTerminator) {
    SetResult(kResultIoError, -1);
    return kResultIoError;
  }
  if (static_cast<int>(records.size()) != count) {
    return Fail(kResultIoError, "!!! Record Data Err(number of records)\n");
  }
  PostStatus(window, 100, kSourceOneAppli);
  uint32_t last_progress = clock_->NowMs();
  const int total = static_cast<int>(records.size());
  for (int i = 0; i < total; ++i) {
    if (TakeHeldAbort()) {
      WriteLogIfEnabled(IndexText("!!!Abort (Now RecordIdx=%d)\n\n", i));
      return kResultAborted;
    }
    const ResultCode r = Send1Record(records[static_cast<size_t>(i)], id, role);
    if (r != kResultSuccess) {
      WriteLogIfEnabled(IndexText("!!!Abort (Now RecordIdx=%d)\n\n", i));
      return r;
    }
    const uint32_t now = clock_->NowMs();
    if (now - last_progress > kProgressIntervalMs) {
      PostProgress(window, 100 * (i + 1) / total, SourceOf(id));
      last_progress = now;
    }
  }
  PostProgress(window, 100, kSourceOneAppli);
  WriteLogIfEnabled(IndexText("---Total Send Records=%d\n\n", total));
  if (IsDeviceRole(role)) {
    const ResultCode r = SendCommand(kFinishAllRecords, 0, 0);
    if (r != kResultSuccess) return r;
    WriteLogIfEnabled("---HDD sends FINISH_ALL_RECORDS\n\n");
  }
  return kResultSuccess;
}

ResultCode CommLink::GetExpenseCategory(std::span<uint8_t> buffer, int* length, TransferRole role) {
  *length = 0;
  if (buffer.size() < kCategoryBufferMin) {
    SetResult(kResultIoError, -1);
    return kResultIoError;
  }
  ResultCode r;
  if (!IsDeviceRole(role)) {
    WriteLogIfEnabled("\n========== Start Get Expense Category ==========\n\n");
    r = SendCommand(kGetExpenseCategory, 0, 0);
    if (r != kResultSuccess) return r;
    WriteLogIfEnabled("---PC sends GET_EXPENSE_CATEGORY\n\n");
  } else {
    r = SendCommand(kAck, 0, 0);
    if (r != kResultSuccess) return r;
    WriteLogIfEnabled("---HDD sends ACK\n\n");
  }
  std::fill(buffer.begin(), buffer.end(), 0);
  int n = 0;
  // Asking for the lead byte makes a NACK fail the reception; a command frame
  // must never be taken for the category names.
  int lead = 0;
  r = WaitDataPacket(kCategoryList, buffer.first(kPacketContentsMax), &n, &lead, nullptr, -1, -1);
  if (r != kResultSuccess) return r;
  // An organizer without the list answers as for any empty application.
  if (lead == kFinishAllRecords && !IsDeviceRole(role)) {
    WriteLogIfEnabled("---PC receive FINISH_ALL_RECORDS\n\n");
    WriteLogIfEnabled("========== End Get Expense Category==========\n\n");
    std::fill(buffer.begin(), buffer.end(), 0);
    return kResultSuccess;
  }
  if (lead != kCategoryList) {
    return Fail(kResultIoError, "!!!NOT Packet Data\n\n");
  }
  WriteLogIfEnabled("---PC receives DATA\n\n");
  buffer[static_cast<size_t>(n)] = kTerminator;
  ++n;
  if (IsDeviceRole(role)) {
    r = SendCommand(kAck, 0, 0);
    if (r != kResultSuccess) return r;
    WriteLogIfEnabled("---HDD sends ACK\n\n");
  } else {
    WriteLogIfEnabled("========== End Get Expense Category==========\n\n");
  }
  *length = n;
  return kResultSuccess;
}

ResultCode CommLink::SendExpenseCategory(std::span<const uint8_t> buffer, TransferRole role) {
  if (!is_open() || buffer.empty()) return kResultIoError;
  const auto first = std::find(buffer.begin(), buffer.end(), kTerminator);
  if (first == buffer.end() || first + 1 != buffer.end()) {
    return Fail(kResultIoError, "!!! Record Data Err(DataSize)\n");
  }
  const size_t n = buffer.size() - 1;
  ResultCode r;
  if (!IsDeviceRole(role)) {
    r = SendCommand(kSendExpenseCategory, 0, 0);
    if (r != kResultSuccess) return r;
    WriteLogIfEnabled("---PC sends SEND_EXPENSE_CATEGORY\n\n");
    r = ExpectAck();
    if (r != kResultSuccess) return r;
  }
  r = SendDataPacket(buffer.first(n), static_cast<int>(n), kCategoryList, kFlagFirst);
  if (r != kResultSuccess) {
    WriteLogIfEnabled("!!!DATA Send Err\n\n");
    return r;
  }
  WriteLogIfEnabled("---PC sends DATA\n\n");
  if (IsDeviceRole(role)) return kResultSuccess;
  r = ExpectAck();
  if (r != kResultSuccess) return r;
  return kResultSuccess;
}

}  // namespace kivo

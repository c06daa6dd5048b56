// Data packets: sending one and waiting for one.

#include <algorithm>
#include <array>

#include "link/comm_link.h"

namespace kivo {

ResultCode CommLink::SendDataPacket(std::span<const uint8_t> contents, int record_size,
                                    int appli_id, int flag) {
  if (contents.empty() || contents.size() > kPacketContentsMax) return kResultIoError;
  std::vector<uint8_t> packet =
      EncodeDataPacket(static_cast<uint8_t>(appli_id), static_cast<uint8_t>(flag),
                       static_cast<uint16_t>(record_size), contents);
  if (!SendBytes(packet)) return result_;
  return kResultSuccess;
}

ResultCode CommLink::WaitDataPacket(int expected, std::span<uint8_t> contents, int* n, int* lead,
                                    int* flag, int total, int multiplier, int* record_size) {
  if (total == -1) total = config_.to_data_packet;
  if (multiplier == -1) multiplier = config_.to_multiplier;
  Deadline whole = DeadlineAfter(static_cast<uint32_t>(std::max(total, 0)));
  while (!IsExpired(whole)) {
    if (PollAbort()) {
      WriteLogIfEnabled("!!!Abort(WaitDataPacket)\n\n");
      return kResultAborted;
    }
    std::array<uint8_t, kPacketMax> packet{};
    if (!ReceiveBytes(std::span(packet).first(1),
                      PieceDeadline(multiplier, int64_t{multiplier} + 10000, whole))) {
      if (abort_flag_) return kResultAborted;
      if (LineFailed()) return result_;
      continue;
    }
    uint8_t first = packet[0];
    Deadline header_deadline = PieceDeadline(multiplier, int64_t{multiplier} * 4, whole);
    if (first <= kPacketIdMax) {
      if (expected != kAnyCommand && first != expected)
        return Fail(kResultIoError, "!!!Another Appli Data\n\n");
      if (!ReceiveBytes(std::span(packet).subspan(1, kPacketHeaderSize - 1), header_deadline)) {
        WriteLogIfEnabled("!!!No Receive(Remains of Packet Header)\n\n");
        return result_;
      }
      const PacketHeader header = ParsePacketHeader(std::span(packet).first<kPacketHeaderSize>());
      const size_t length = header.length;
      // The caller's buffer bounds the contents as well as the protocol does.
      if (!header.length_valid() || length > contents.size()) {
        return Fail(kResultIoError, "!!!Contents Size Err\n\n");
      }
      if (!ReceiveBytes(
              std::span(packet).subspan(kPacketHeaderSize, length + 1),
              PieceDeadline(multiplier, int64_t{multiplier} * int64_t(length + 1), whole))) {
        return result_;
      }
      if (!ChecksumMatches(std::span(packet).first(kPacketHeaderSize + length + 1))) {
        return Fail(kResultIoError, "!!!CheckSum Err\n\n");
      }
      if (lead) *lead = first;
      if (flag) *flag = header.receive_flag();
      if (n) *n = static_cast<int>(length);
      if (record_size) *record_size = static_cast<int>(header.record_size);
      std::copy_n(packet.begin() + kPacketHeaderSize, length, contents.begin());
      SetResult(kResultSuccess, -1);
      return kResultSuccess;
    }
    if (first == kFrameLead) {
      if (!ReceiveBytes(std::span(packet).subspan(1, kFrameSize - 1), header_deadline)) {
        WriteLogIfEnabled("!!!No Receive(Remains of Command)\n\n");
        return result_;
      }
      if (!ChecksumMatches(std::span(packet).first(kFrameSize))) {
        return Fail(kResultIoError, "!!!Checksum Err\n\n");
      }
      int code = packet[1];
      if (code != kFinishAllRecords && code != kNack)
        return Fail(kResultIoError, "!!!Another Command\n\n");
      if (lead) {
        *lead = code;
        if (code == kNack) return Fail(kResultIoError, "!!!---PC receives NACK\n\n");
      }
      if (contents.size() < kFrameSize) return Fail(kResultIoError, "!!!Contents Size Err\n\n");
      if (flag) *flag = 0;
      if (n) *n = static_cast<int>(kFrameSize);
      if (record_size) *record_size = 0;
      std::copy_n(packet.begin(), kFrameSize, contents.begin());
      SetResult(kResultSuccess, -1);
      return kResultSuccess;
    }
    WriteLogIfEnabled("!!!Not DataPacket\n");
  }
  return Fail(kResultTimeout, "!!!Time Out(Wait Data Packet) Break\n\n");
}

}  // namespace kivo

#include "link/frames.h"

namespace kivo {

bool IsCommandCode(int code) { return IsAcceptedCommand(code) || code == kGetDeviceInformation; }

bool IsAcceptedCommand(int code) {
  switch (code) {
    case kLinkRequest:
    case kAck:
    case kDeviceInformation:
    case kEndCommunication:
    case kSend1Record:
    case kDeleteAllRecords:
    case kGetAllRecords:
    case kFinishAllRecords:
    case kGetExpenseCategory:
    case kSendExpenseCategory:
    case kNack:
      return true;
    default:
      return false;
  }
}

std::string_view CommandName(int code) {
  switch (code) {
    case kLinkRequest:
      return "LINK_REQUEST";
    case kAck:
      return "ACK";
    case kDeviceInformation:
      return "DEVICE_INFORMATION";
    case kEndCommunication:
      return "END_COMMUNICATION";
    case kSend1Record:
      return "SEND_1_RECORD";
    case kDeleteAllRecords:
      return "DELETE_ALL_RECORDS";
    case kGetAllRecords:
      return "GET_ALL_RECORDS";
    case kFinishAllRecords:
      return "FINISH_ALL_RECORDS";
    case kGetExpenseCategory:
      return "GET_EXPENSE_CATEGORY";
    case kSendExpenseCategory:
      return "SEND_EXPENSE_CATEGORY";
    case kGetDeviceInformation:
      return "GET_DEVICE_INFORMATION";
    case kNack:
      return "NACK";
    default:
      return "";
  }
}

uint32_t Checksum(std::span<const uint8_t> bytes) {
  uint32_t sum = 0;
  for (uint8_t byte : bytes) sum += byte;
  return sum;
}

bool ChecksumMatches(std::span<const uint8_t> bytes) {
  if (bytes.empty()) return false;
  return static_cast<uint8_t>(Checksum(bytes.first(bytes.size() - 1))) == bytes.back();
}

FrameVerdict CheckCommandFrame(const CommandFrame& frame, int expected) {
  if (!ChecksumMatches(frame)) return FrameVerdict::kBadChecksum;
  const int got = frame[1];
  if (expected == kAnyCommand) {
    return IsAcceptedCommand(got) ? FrameVerdict::kAccepted : FrameVerdict::kNotAccepted;
  }
  if (got == expected) return FrameVerdict::kAccepted;
  return got == kNack ? FrameVerdict::kNack : FrameVerdict::kOtherCommand;
}

PacketHeader ParsePacketHeader(std::span<const uint8_t, kPacketHeaderSize> header) {
  PacketHeader parsed;
  parsed.appli_id = header[0];
  parsed.flag = header[1];
  parsed.record_size = size_t{header[2]} * 256 + header[3];
  parsed.length = header[4];
  return parsed;
}

CommandFrame EncodeCommandFrame(uint8_t code, uint8_t p1, uint8_t p2) {
  CommandFrame frame{kFrameLead, code, p1, p2, 0};
  frame[4] = static_cast<uint8_t>(Checksum(std::span(frame).first(4)));
  return frame;
}

std::vector<uint8_t> EncodeDataPacket(uint8_t appli_id, uint8_t flag, uint16_t record_size,
                                      std::span<const uint8_t> contents) {
  if (contents.empty() || contents.size() > kPacketContentsMax) return {};
  std::vector<uint8_t> packet;
  packet.reserve(kPacketHeaderSize + contents.size() + 1);
  packet.push_back(appli_id);
  packet.push_back(flag);
  packet.push_back(static_cast<uint8_t>(record_size >> 8));
  packet.push_back(static_cast<uint8_t>(record_size & 0xFF));
  packet.push_back(static_cast<uint8_t>(contents.size()));
  packet.insert(packet.end(), contents.begin(), contents.end());
  packet.push_back(static_cast<uint8_t>(Checksum(packet)));
  return packet;
}

}  // namespace kivo

#ifndef KIVO_LINK_FRAMES_H_
#define KIVO_LINK_FRAMES_H_

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace kivo {

// A command frame is five bytes: 0x7F, the command code, two parameters and
// the low byte of the sum of the first four.
inline constexpr uint8_t kFrameLead = 0x7F;
inline constexpr size_t kFrameSize = 5;
using CommandFrame = std::array<uint8_t, kFrameSize>;

// Command codes.
inline constexpr uint8_t kLinkRequest = 5;
inline constexpr uint8_t kAck = 6;
inline constexpr uint8_t kDeviceInformation = 8;
inline constexpr uint8_t kEndCommunication = 9;
inline constexpr uint8_t kSend1Record = 10;
inline constexpr uint8_t kDeleteAllRecords = 11;
inline constexpr uint8_t kGetAllRecords = 12;
inline constexpr uint8_t kFinishAllRecords = 13;
inline constexpr uint8_t kGetExpenseCategory = 14;
inline constexpr uint8_t kSendExpenseCategory = 15;
inline constexpr uint8_t kGetDeviceInformation = 16;
inline constexpr uint8_t kNack = 21;

// WaitCommand's "any command" value.
inline constexpr int kAnyCommand = 255;

// A code the link may send.
[[nodiscard]] bool IsCommandCode(int code);
// A code WaitCommand takes when it waits for any command: every command but
// GET_DEVICE_INFORMATION, which only counts when it is the one awaited.
[[nodiscard]] bool IsAcceptedCommand(int code);
// "LINK_REQUEST", "ACK", ...; "" for other codes.
[[nodiscard]] std::string_view CommandName(int code);

// The sum of the bytes, each 0..255; senders and receivers use its low byte.
[[nodiscard]] uint32_t Checksum(std::span<const uint8_t> bytes);

// Whether the last byte is the low byte of the sum of all bytes before it
// (false for no bytes at all).
[[nodiscard]] bool ChecksumMatches(std::span<const uint8_t> bytes);

// The frame with its checksum. The parameters go out as given.
[[nodiscard]] CommandFrame EncodeCommandFrame(uint8_t code, uint8_t p1, uint8_t p2);

// How a frame received answers the command a receiver waits for.
enum class FrameVerdict {
  kAccepted,      // the command awaited; for kAnyCommand one of the accepted set
  kBadChecksum,   // the checksum, looked at first, does not match
  kNotAccepted,   // kAnyCommand awaited: a code outside the accepted set
  kNack,          // a NACK instead of the command awaited
  kOtherCommand,  // another command than the one awaited
};
// The verdict on a frame (its lead byte already seen) for `expected`, a
// command code or kAnyCommand.
[[nodiscard]] FrameVerdict CheckCommandFrame(const CommandFrame& frame, int expected);

// A data packet carries one piece of a record:
//   byte 0      application id 0..6
//   byte 1      sequence flag: 0x00 first (or only), 0xF0 middle, 0xA0 last
//   bytes 2..3  size of the whole record, high byte first
//   byte 4      n, the length of this piece, 1..252
//   bytes 5..   the n bytes of the piece
//   last byte   low byte of the sum of all bytes before it
inline constexpr size_t kPacketHeaderSize = 5;
inline constexpr size_t kPacketContentsMax = 252;
inline constexpr size_t kPacketMax = kPacketHeaderSize + kPacketContentsMax + 1;
inline constexpr uint8_t kFlagFirst = 0x00;
inline constexpr uint8_t kFlagMiddle = 0xF0;
inline constexpr uint8_t kFlagLast = 0xA0;
// Application ids that may lead a packet.
inline constexpr uint8_t kPacketIdMax = 6;

// The first five bytes of a packet, as a receiver reads them.
struct PacketHeader {
  uint8_t appli_id = 0;
  uint8_t flag = 0;
  size_t record_size = 0;  // of the whole record
  size_t length = 0;       // of this piece
  // The flag a receiver goes by: kFlagLast whenever the piece completes the
  // record, so a one-packet record sent with kFlagFirst ends it as well.
  [[nodiscard]] uint8_t receive_flag() const { return record_size == length ? kFlagLast : flag; }
  // The piece is at most 252 bytes and no longer than its record.
  [[nodiscard]] bool length_valid() const {
    return length <= kPacketContentsMax && length <= record_size;
  }
};
[[nodiscard]] PacketHeader ParsePacketHeader(std::span<const uint8_t, kPacketHeaderSize> header);

// The packet for contents of 1..252 bytes; empty when the length is outside.
[[nodiscard]] std::vector<uint8_t> EncodeDataPacket(uint8_t appli_id, uint8_t flag,
                                                    uint16_t record_size,
                                                    std::span<const uint8_t> contents);

}  // namespace kivo

#endif  // KIVO_LINK_FRAMES_H_

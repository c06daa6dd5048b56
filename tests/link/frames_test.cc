#include "link/frames.h"

#include <vector>

#include <gtest/gtest.h>

namespace kivo {
namespace {

using Bytes = std::vector<uint8_t>;
constexpr uint8_t kMemoId = 3;

struct FrameCase {
  uint8_t code, p1, p2;
  Bytes wire;
};

TEST(CommandFrame, EncodesWithTheLowByteOfTheSum) {
  const FrameCase kCases[] = {
      {kLinkRequest, 0, 0, {0x7f, 0x05, 0x00, 0x00, 0x84}},
      {kAck, 0, 0, {0x7f, 0x06, 0x00, 0x00, 0x85}},
      {kNack, 0, 0, {0x7f, 0x15, 0x00, 0x00, 0x94}},
      {kEndCommunication, 0, 0, {0x7f, 0x09, 0x00, 0x00, 0x88}},
      {kGetAllRecords, 5, 0, {0x7f, 0x0c, 0x05, 0x00, 0x90}},
      {kDeleteAllRecords, 3, 0, {0x7f, 0x0b, 0x03, 0x00, 0x8d}},
      {kDeviceInformation, 0, 2, {0x7f, 0x08, 0x00, 0x02, 0x89}},
      {kGetAllRecords, 0xff, 0, {0x7f, 0x0c, 0xff, 0x00, 0x8a}},  // overflow keeps 8 bits
  };
  for (const FrameCase& c : kCases) {
    CommandFrame frame = EncodeCommandFrame(c.code, c.p1, c.p2);
    EXPECT_EQ(Bytes(frame.begin(), frame.end()), c.wire) << CommandName(c.code);
  }
}

TEST(CommandFrame, KnowsWhichCodesAreCommandsAndWhichAreTakenUnasked) {
  for (int code = 0; code < 256; ++code) {
    bool command = code == 5 || code == 6 || (code >= 8 && code <= 16) || code == 21;
    EXPECT_EQ(IsCommandCode(code), command) << code;
    EXPECT_EQ(IsAcceptedCommand(code), command && code != kGetDeviceInformation) << code;
    EXPECT_EQ(CommandName(code).empty(), !command) << code;
  }
}

TEST(DataPacket, MemoDigitsInOnePacketCarryChecksum24) {
  Bytes digits = {0x30, 0x31, 0x32, 0x33, 0x34, 0x35, 0x36, 0x37, 0x38, 0x39};
  Bytes packet = EncodeDataPacket(3, kFlagFirst, 10, digits);
  Bytes expected = {0x03, 0x00, 0x00, 0x0a, 0x0a};
  expected.insert(expected.end(), digits.begin(), digits.end());
  expected.push_back(0x24);
  EXPECT_EQ(packet, expected);
  EXPECT_EQ(Checksum(Bytes(packet.begin(), packet.end() - 1)), 0x224u);
}

TEST(DataPacket, PutsTheRecordSizeHighByteFirstAndRefusesBadLengths) {
  Bytes piece(241, 0x41);
  Bytes packet = EncodeDataPacket(kPacketIdMax, kFlagMiddle, 300, piece);
  ASSERT_EQ(packet.size(), 247u);
  EXPECT_EQ(packet[1], kFlagMiddle);
  EXPECT_EQ(packet[2], 0x01);
  EXPECT_EQ(packet[3], 0x2c);
  EXPECT_EQ(packet[4], 241);
  EXPECT_TRUE(EncodeDataPacket(0, 0, 0, {}).empty());
  EXPECT_TRUE(EncodeDataPacket(0, 0, 253, Bytes(253, 1)).empty());
  EXPECT_EQ(EncodeDataPacket(0, 0, 252, Bytes(252, 1)).size(), 258u);
}

TEST(CommandFrame, VerdictForWhatTheReceiverAwaits) {
  struct VerdictCase {
    uint8_t code;
    int expected;
    bool spoil_checksum;
    FrameVerdict verdict;
  };
  const VerdictCase kCases[] = {
      {kAck, kAck, false, FrameVerdict::kAccepted},
      {kAck, kAck, true, FrameVerdict::kBadChecksum},
      {kNack, kAck, false, FrameVerdict::kNack},
      {kNack, kNack, false, FrameVerdict::kAccepted},
      {kEndCommunication, kAck, false, FrameVerdict::kOtherCommand},
      {kNack, kAnyCommand, false, FrameVerdict::kAccepted},
      {kGetDeviceInformation, kAnyCommand, false, FrameVerdict::kNotAccepted},
      {kGetDeviceInformation, kGetDeviceInformation, false, FrameVerdict::kAccepted},
      {0x42, kAnyCommand, true, FrameVerdict::kBadChecksum},
  };
  for (const VerdictCase& c : kCases) {
    CommandFrame frame = EncodeCommandFrame(c.code, 1, 2);
    if (c.spoil_checksum) ++frame[4];
    EXPECT_EQ(CheckCommandFrame(frame, c.expected), c.verdict)
        << int{c.code} << " for " << c.expected;
  }
}

TEST(DataPacket, HeaderReadsBackWhatWasEncoded) {
  // size, piece length, flag sent -> flag received, length valid
  struct HeaderCase {
    uint16_t size;
    size_t length;
    uint8_t flag, received_flag;
  };
  const HeaderCase kCases[] = {
      {10, 10, kFlagFirst, kFlagLast},         {300, 241, kFlagFirst, kFlagFirst},
      {745, 252, kFlagMiddle, kFlagMiddle},    {300, 59, kFlagLast, kFlagLast},
      {0x1234, 252, kFlagMiddle, kFlagMiddle},
  };
  for (const HeaderCase& c : kCases) {
    Bytes packet = EncodeDataPacket(kMemoId, c.flag, c.size, Bytes(c.length, 0x41));
    const PacketHeader header = ParsePacketHeader(std::span(packet).first<kPacketHeaderSize>());
    EXPECT_EQ(header.appli_id, kMemoId);
    EXPECT_EQ(header.record_size, c.size);
    EXPECT_EQ(header.length, c.length);
    EXPECT_EQ(header.receive_flag(), c.received_flag) << c.size;
    EXPECT_TRUE(header.length_valid());
    EXPECT_TRUE(ChecksumMatches(packet));
    ++packet[kPacketHeaderSize];
    EXPECT_FALSE(ChecksumMatches(packet));
  }
  // A piece longer than its record, or than a packet holds, is refused.
  EXPECT_FALSE((PacketHeader{0, 0, 5, 6}).length_valid());
  EXPECT_FALSE((PacketHeader{0, 0, 300, 253}).length_valid());
  EXPECT_FALSE(ChecksumMatches({}));
}

}  // namespace
}  // namespace kivo

#include "link/frames.h"

#include <vector>

#include <gtest/gtest.h>

namespace kivo {
namespace {

using Bytes = std::vector<uint8_t>;

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

}  // namespace
}  // namespace kivo

#include "serial_link_fixture.h"

namespace kivo {
namespace {

Bytes Digits() { return {0x30, 0x31, 0x32, 0x33, 0x34, 0x35, 0x36, 0x37, 0x38, 0x39}; }

Bytes Flip(Bytes bytes, size_t at) {
  bytes.at(at) ^= 0x01;
  return bytes;
}

Bytes Truncate(Bytes bytes, size_t keep) {
  bytes.resize(keep);
  return bytes;
}

using SendDataPacketTest = SerialLinkTest;

TEST_F(SendDataPacketTest, SendsTheMemoDigitsWithChecksum24) {
  EXPECT_EQ(link_.SendDataPacket(Digits(), 10, kMemo, kFlagFirst), kResultSuccess);
  Bytes expected = {0x03, 0x00, 0x00, 0x0a, 0x0a};
  for (uint8_t digit : Digits()) expected.push_back(digit);
  expected.push_back(0x24);
  EXPECT_EQ(PeerReceived(), expected);
}

TEST_F(SendDataPacketTest, RefusesContentsOutsideOneTo252WithoutSending) {
  link_.SetResult(kResultTimeout, -1);
  EXPECT_EQ(link_.SendDataPacket(Bytes{}, 0, kMemo, 0), kResultIoError);
  EXPECT_EQ(link_.SendDataPacket(Bytes(253, 1), 253, kMemo, 0), kResultIoError);
  EXPECT_EQ(link_.result(), kResultTimeout);
  EXPECT_EQ(PeerReceived(), Bytes{});
  EXPECT_EQ(link_.SendDataPacket(Bytes(252, 1), 300, kMemo, kFlagMiddle), kResultSuccess);
  EXPECT_EQ(PeerReceived().size(), 258u);
}

using WaitDataPacketTest = SerialLinkTest;

struct PacketCase {
  const char* name;
  Bytes incoming;
  int expected;
  bool ask_lead;
  int result;
  int n;     // -1: not stored
  int lead;  // -1: not stored
  int flag;  // -1: not stored
  Bytes contents;
  const char* last_log;  // the last entry logged, or null
};

TEST_F(WaitDataPacketTest, Outcomes) {
  const Bytes finish = Frame(kFinishAllRecords);
  const Bytes nack = Frame(kNack);
  const Bytes memo = RawDataPacket(kMemo, kFlagFirst, 10, Digits());
  Bytes noise_then_memo = {0x80, 0x07};
  noise_then_memo.insert(noise_then_memo.end(), memo.begin(), memo.end());
  const PacketCase kCases[] = {
      {"memo", memo, 255, true, 16, 10, kMemo, kFlagLast, Digits(), nullptr},
      {"memo awaited", memo, kMemo, true, 16, 10, kMemo, kFlagLast, Digits(), nullptr},
      {"not the last piece", RawDataPacket(0, kFlagMiddle, 300, Bytes(241, 7)), 255, true, 16, 241,
       0, kFlagMiddle, Bytes(241, 7), nullptr},
      {"first of several", RawDataPacket(0, kFlagFirst, 300, Bytes(241, 7)), 255, true, 16, 241, 0,
       kFlagFirst, Bytes(241, 7), nullptr},
      {"size equals length", RawDataPacket(5, kFlagMiddle, 59, Bytes(59, 1)), 255, true, 16, 59, 5,
       kFlagLast, Bytes(59, 1), nullptr},
      {"empty piece",
       RawDataPacket(2, kFlagFirst, 0, {}),
       255,
       true,
       16,
       0,
       2,
       kFlagLast,
       {},
       nullptr},
      {"noise first", noise_then_memo, 255, true, 16, 10, kMemo, kFlagLast, Digits(), nullptr},
      {"another application",
       RawDataPacket(0, 0, 5, Bytes(5, 1)),
       kTelephone,
       true,
       11,
       -1,
       -1,
       -1,
       {},
       "!!!Another Appli Data\n\n"},
      {"length 253",
       {1, 0, 0x01, 0x00, 253},
       255,
       true,
       11,
       -1,
       -1,
       -1,
       {},
       "!!!Contents Size Err\n\n"},
      {"length above size",
       {1, 0, 0x00, 10, 20},
       255,
       true,
       11,
       -1,
       -1,
       -1,
       {},
       "!!!Contents Size Err\n\n"},
      {"bad checksum", Flip(memo, 15), 255, true, 11, -1, -1, -1, {}, "!!!CheckSum Err\n\n"},
      {"contents flipped", Flip(memo, 7), 255, true, 11, -1, -1, -1, {}, "!!!CheckSum Err\n\n"},
      {"short header",
       Truncate(memo, 3),
       255,
       true,
       5,
       -1,
       -1,
       -1,
       {},
       "!!!No Receive(Remains of Packet Header)\n\n"},
      {"short contents",
       Truncate(memo, 12),
       255,
       true,
       5,
       -1,
       -1,
       -1,
       {},
       "---Time Out WaitTime=03001, InQue=   7/  11\n"},
      {"finish", finish, 255, true, 16, 5, kFinishAllRecords, 0, finish, nullptr},
      {"finish without lead", finish, 255, false, 16, 5, -1, 0, finish, nullptr},
      {"nack with lead", nack, 255, true, 11, -1, kNack, -1, {}, "!!!---PC receives NACK\n\n"},
      {"nack without lead", nack, 6, false, 16, 5, -1, 0, nack, nullptr},
      {"other command", Frame(kAck), 255, true, 11, -1, -1, -1, {}, "!!!Another Command\n\n"},
      {"command checksum", Flip(finish, 4), 255, true, 11, -1, -1, -1, {}, "!!!Checksum Err\n\n"},
      {"short command",
       Truncate(finish, 2),
       255,
       true,
       5,
       -1,
       -1,
       -1,
       {},
       "!!!No Receive(Remains of Command)\n\n"},
      {"only noise",
       {0x80, 0x90},
       255,
       true,
       5,
       -1,
       -1,
       -1,
       {},
       "!!!Time Out(Wait Data Packet) Break\n\n"},
  };
  for (const PacketCase& c : kCases) {
    StartLog();
    PeerSends(c.incoming);
    Bytes contents(kPacketContentsMax, 0xEE);
    int n = -1;
    int lead = -1;
    int flag = -1;
    int result = link_.WaitDataPacket(c.expected, contents, &n, c.ask_lead ? &lead : nullptr, &flag,
                                      3000, 0);
    EXPECT_EQ(result, c.result) << c.name;
    EXPECT_EQ(link_.result(), c.result) << c.name;
    EXPECT_EQ(n, c.n) << c.name;
    EXPECT_EQ(lead, c.lead) << c.name;
    EXPECT_EQ(flag, c.flag) << c.name;
    if (c.n >= 0) {
      EXPECT_EQ(Bytes(contents.begin(), contents.begin() + c.n), c.contents) << c.name;
    }
    if (c.last_log) {
      std::string log = LogTexts();
      std::string want = c.last_log;
      ASSERT_GE(log.size(), want.size()) << c.name;
      EXPECT_EQ(log.substr(log.size() - want.size()), want) << c.name << "\n" << log;
    }
    ASSERT_TRUE(link_.PurgePort());
  }
}

TEST_F(WaitDataPacketTest, StrayBytesAreLoggedOneByOne) {
  StartLog();
  PeerSends({0x80, 0x07});
  PeerSends(RawDataPacket(kMemo, kFlagFirst, 2, {0x41, 0x42}));
  Bytes contents(kPacketContentsMax);
  int n = 0;
  EXPECT_EQ(link_.WaitDataPacket(255, contents, &n), kResultSuccess);
  EXPECT_EQ(LogTexts(),
            "<<<<<<Receive1 [ 80 ]\n!!!Not DataPacket\n"
            "<<<<<<Receive1 [ 07 ]\n!!!Not DataPacket\n"
            "<<<<<<Receive1 [ 03 ]\n"
            "<<<<<<Receive1 [ 00 00 02 02 ]\n"
            "<<<<<<Receive1 [ 41 42 8a ]\n");
}

TEST_F(WaitDataPacketTest, RefusesALengthAboveTheCallersBuffer) {
  PeerSends(RawDataPacket(kMemo, kFlagFirst, 100, Bytes(100, 1)));
  Bytes small(50);
  int n = -1;
  EXPECT_EQ(link_.WaitDataPacket(255, small, &n), kResultIoError);
  EXPECT_EQ(n, -1);
}

TEST_F(WaitDataPacketTest, UsesTODataPacketAndAMultiplierPerContentsByte) {
  link_.Configure(WithToDataPacket(link_.config(), 2500));
  uint32_t start = clock_.NowMs();
  Bytes contents(kPacketContentsMax);
  int n = 0;
  EXPECT_EQ(link_.WaitDataPacket(255, contents, &n), kResultTimeout);
  EXPECT_EQ(clock_.NowMs() - start, 2501u);

  // With 10 ms per byte, 3 contents bytes and the checksum have 40 ms.
  Bytes packet = RawDataPacket(kMemo, kFlagFirst, 3, {1, 2, 3});
  PeerSends(Bytes(packet.begin(), packet.begin() + 5));
  PeerSendsLater(Bytes(packet.begin() + 5, packet.end()), 40);
  EXPECT_EQ(link_.WaitDataPacket(255, contents, &n, nullptr, nullptr, 100, 10), kResultSuccess);
  PeerSends(Bytes(packet.begin(), packet.begin() + 5));
  PeerSendsLater(Bytes(packet.begin() + 5, packet.end()), 41);
  EXPECT_EQ(link_.WaitDataPacket(255, contents, &n, nullptr, nullptr, 100, 10), kResultTimeout);
}

TEST_F(WaitDataPacketTest, AbortReturnsZero) {
  StartLog();
  queue_.Post({kWmLinkAbort, 0, 0});
  Bytes contents(kPacketContentsMax);
  int n = 0;
  EXPECT_EQ(link_.WaitDataPacket(255, contents, &n), kResultAborted);
  EXPECT_EQ(LogTexts(), "!!!Abort(WaitDataPacket)\n\n");
}

// Whatever the line delivers, a wait ends within its time with a known code
// and never writes past the 252 bytes it was given.
TEST_F(WaitDataPacketTest, RandomLineNoiseEndsInTimeWithAKnownCode) {
  uint32_t seed = 12345;
  auto next = [&] {
    seed = seed * 1103515245u + 12345u;
    return static_cast<uint8_t>(seed >> 16);
  };
  for (int round = 0; round < 300; ++round) {
    Bytes noise(next() % 40);
    for (uint8_t& byte : noise) byte = next();
    if (round % 3 == 0 && !noise.empty()) noise[0] = next() % 7;  // often a packet lead
    PeerSends(noise);
    Bytes contents(kPacketContentsMax + 8, 0xAB);
    int n = -1;
    int lead = -1;
    uint32_t start = clock_.NowMs();
    int result = round % 2
                     ? link_.WaitDataPacket(255, std::span(contents).first(kPacketContentsMax), &n,
                                            &lead, nullptr, 1000, 0)
                     : link_.WaitCommand(kAnyCommand, nullptr, nullptr, 1000, 0);
    EXPECT_TRUE(result == 5 || result == 11 || result == 16) << round << " " << result;
    EXPECT_LE(clock_.NowMs() - start, 1001u) << round;
    for (size_t i = kPacketContentsMax; i < contents.size(); ++i) ASSERT_EQ(contents[i], 0xAB);
    ASSERT_TRUE(link_.PurgePort());
  }
}

}  // namespace
}  // namespace kivo

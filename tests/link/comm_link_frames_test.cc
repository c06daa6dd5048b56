#include "serial_link_fixture.h"

namespace kivo {
namespace {

using SendCommandTest = SerialLinkTest;

struct SendCase {
  int code, p1, p2;
  Bytes wire;
  int result;
};

TEST_F(SendCommandTest, PutsTheFrameOnTheWire) {
  const SendCase kCases[] = {
      {kLinkRequest, 0, 0, {0x7f, 0x05, 0x00, 0x00, 0x84}, 16},
      {kAck, 7, 7, {0x7f, 0x06, 0x00, 0x00, 0x85}, 16},  // parameters only where they belong
      {kGetAllRecords, 5, 0, {0x7f, 0x0c, 0x05, 0x00, 0x90}, 16},
      {kDeleteAllRecords, 0x103, 0, {0x7f, 0x0b, 0x03, 0x00, 0x8d}, 16},
      {kDeviceInformation, 9, 9, {0x7f, 0x08, 0x00, 0x02, 0x89}, 16},  // the link's code
      {kGetDeviceInformation, 0, 0, {0x7f, 0x10, 0x00, 0x00, 0x8f}, 16},
      {7, 0, 0, {}, 0},
      {17, 0, 0, {}, 0},
      {4, 0, 0, {}, 0},
      {22, 0, 0, {}, 0},
  };
  for (const SendCase& c : kCases) {
    link_.SetResult(kResultTimeout, -1);
    EXPECT_EQ(link_.SendCommand(c.code, c.p1, c.p2), c.result) << c.code;
    EXPECT_EQ(PeerReceived(), c.wire) << c.code;
    // An unknown code leaves the result alone.
    EXPECT_EQ(link_.result(), c.result == 0 ? kResultTimeout : kResultSuccess) << c.code;
  }
}

TEST_F(SendCommandTest, LogsUnknownCodesAndFailedSends) {
  StartLog();
  EXPECT_EQ(link_.SendCommand(7, 0, 0), 0);
  line_->HangUp();
  EXPECT_EQ(link_.SendCommand(kAck), kResultCannotOpenCom1);
  EXPECT_EQ(LogTexts(),
            "!!!Command Send Err(Unknown Command)\n\n"
            ">>>>>>!!!Send FAILED(Receive Incomplete)\n\n"
            "!!!Command Send Err\n\n");
}

TEST_F(SendCommandTest, WithEchoLogsTheSendAndItsEcho) {
  StartLog();
  link_.Configure({.echo_back = true, .device_code_high = 1});
  line_->SetEcho(0, true);
  EXPECT_EQ(link_.SendCommand(kDeviceInformation), kResultSuccess);
  EXPECT_EQ(LogTexts(),
            ">>>>>>Send    [ 7f 08 00 01 88 ]\n"
            "<<<<<<Receive1 [ 7f 08 00 01 88 ]\n");
}

using WaitCommandTest = SerialLinkTest;

struct WaitCase {
  const char* name;
  Bytes incoming;
  int expected;
  int result;
  int code;  // -1: not stored
  std::array<uint8_t, 2> params;
  const char* log;
  uint32_t elapsed_ms;
};

TEST_F(WaitCommandTest, Outcomes) {
  const Bytes ack = Frame(kAck);
  const Bytes nack = Frame(kNack);
  Bytes stray_then_ack = {0x00, 0x41, 0xff};
  stray_then_ack.insert(stray_then_ack.end(), ack.begin(), ack.end());
  const WaitCase kCases[] = {
      {"ack",
       ack,
       kAck,
       16,
       kAck,
       {0, 0},
       "<<<<<<Receive1 [ 7f ]\n<<<<<<Receive1 [ 06 00 00 85 ]\n",
       0},
      {"stray bytes",
       stray_then_ack,
       kAck,
       16,
       kAck,
       {0, 0},
       "<<<<<<Receive1 [ 00 ]\n!!!NOT Command (Wait Command)\n"
       "<<<<<<Receive1 [ 41 ]\n!!!NOT Command (Wait Command)\n"
       "<<<<<<Receive1 [ ff ]\n!!!NOT Command (Wait Command)\n"
       "<<<<<<Receive1 [ 7f ]\n<<<<<<Receive1 [ 06 00 00 85 ]\n",
       0},
      {"device information",
       Frame(kDeviceInformation, 1, 2),
       kDeviceInformation,
       16,
       kDeviceInformation,
       {1, 2},
       nullptr,
       0},
      {"nack for ack",
       nack,
       kAck,
       11,
       -1,
       {9, 9},
       "<<<<<<Receive1 [ 7f ]\n<<<<<<Receive1 [ 15 00 00 94 ]\n!!!---PC receives NACK\n\n",
       0},
      {"nack for any", nack, kAnyCommand, 16, kNack, {0, 0}, nullptr, 0},
      {"other command",
       Frame(kEndCommunication),
       kAck,
       11,
       -1,
       {9, 9},
       "<<<<<<Receive1 [ 7f ]\n<<<<<<Receive1 [ 09 00 00 88 ]\n!!!Another Command\n\n",
       0},
      {"get device information for any",
       Frame(kGetDeviceInformation),
       kAnyCommand,
       11,
       -1,
       {9, 9},
       "<<<<<<Receive1 [ 7f ]\n<<<<<<Receive1 [ 10 00 00 8f ]\n!!!NOT Command (Wait Command2)\n\n",
       0},
      {"get device information awaited",
       Frame(kGetDeviceInformation),
       kGetDeviceInformation,
       16,
       kGetDeviceInformation,
       {0, 0},
       nullptr,
       0},
      {"unknown code for any", Frame(7), kAnyCommand, 11, -1, {9, 9}, nullptr, 0},
      {"bad checksum",
       {0x7f, 0x06, 0x00, 0x00, 0x86},
       kAck,
       11,
       -1,
       {9, 9},
       "<<<<<<Receive1 [ 7f ]\n<<<<<<Receive1 [ 06 00 00 86 ]\n!!!Checksum Err\n\n",
       0},
      {"truncated",
       {0x7f, 0x06, 0x00},
       kAck,
       5,
       -1,
       {9, 9},
       "<<<<<<Receive1 [ 7f ]\n---Time Out WaitTime=02001, InQue=   2/   4\n"
       "!!!No Receive(Remains of Command)\n\n",
       2001},
      {"silence",
       {},
       kAck,
       5,
       -1,
       {9, 9},
       "---Time Out WaitTime=02001, InQue=   0/   1\n!!!Time Out(Wait Command) Break\n\n",
       2001},
  };
  for (const WaitCase& c : kCases) {
    StartLog();
    PeerSends(c.incoming);
    std::array<uint8_t, 2> params = {9, 9};
    int code = -1;
    uint32_t start = clock_.NowMs();
    EXPECT_EQ(link_.WaitCommand(c.expected, &params, &code, 2000, 0), c.result) << c.name;
    EXPECT_EQ(link_.result(), c.result) << c.name;
    EXPECT_EQ(code, c.code) << c.name;
    EXPECT_EQ(params, c.params) << c.name;
    if (c.log) {
      EXPECT_EQ(LogTexts(), c.log) << c.name;
    }
    EXPECT_EQ(clock_.NowMs() - start, c.elapsed_ms) << c.name;
    ASSERT_TRUE(link_.PurgePort());
  }
}

TEST_F(WaitCommandTest, UsesTOCommandWhenNoTimeIsGiven) {
  link_.Configure(WithToCommand(link_.config(), 4000));
  uint32_t start = clock_.NowMs();
  EXPECT_EQ(link_.WaitCommand(kAck), kResultTimeout);
  EXPECT_EQ(clock_.NowMs() - start, 4001u);
}

TEST_F(WaitCommandTest, WithAMultiplierTheRestOfTheFrameHasFourTimesItAfterTheLead) {
  link_.Configure(WithToMultiplier(link_.config(), 100));
  Bytes ack = Frame(kAck);
  PeerSends({ack[0]});
  PeerSendsLater({ack[1], ack[2], ack[3], ack[4]}, 401);  // one millisecond too late
  StartLog();
  EXPECT_EQ(link_.WaitCommand(kAck, nullptr, nullptr, 1000), kResultTimeout);
  EXPECT_EQ(LogTexts(),
            "<<<<<<Receive1 [ 7f ]\n---Time Out WaitTime=00401, InQue=   0/   4\n"
            "!!!No Receive(Remains of Command)\n\n");
}

TEST_F(WaitCommandTest, WithAMultiplierALeadByteMayComePastTheTotal) {
  PeerSendsLater(Frame(kAck), 5000);
  uint32_t start = clock_.NowMs();
  EXPECT_EQ(link_.WaitCommand(kAck, nullptr, nullptr, 1000, 100), kResultSuccess);
  EXPECT_EQ(clock_.NowMs() - start, 5000u);
}

TEST_F(WaitCommandTest, AbortReturnsZeroAtOnce) {
  StartLog();
  queue_.Post({kWmLinkAbort, 0, 0});
  EXPECT_EQ(link_.WaitCommand(kAck), kResultAborted);
  EXPECT_EQ(link_.result(), kResultAborted);
  EXPECT_EQ(LogTexts(), "!!!Abort(WaitCommand)\n\n");
  EXPECT_EQ(link_.SendCommand(kNack), kResultSuccess);
}

TEST_F(WaitCommandTest, AbortDuringTheReceiveReturnsZero) {
  StartLog();
  PeerSends({0x55});
  link_.SetMessageHandler([&](const ThreadMessage&) { queue_.Post({kWmDetectAbort, 0, 0}); });
  queue_.Post({kWmLinkStatus, 0, 0});  // handled by the first pass; its abort hits the receive
  EXPECT_EQ(link_.WaitCommand(kAck), kResultAborted);
  EXPECT_EQ(LogTexts(), "<<<<<<!!!NO Receive(Wait Receive Queue Abort)\n\n");
}

TEST_F(WaitCommandTest, HangUpEndsTheWaitWithIoError) {
  line_->HangUp();
  uint32_t start = clock_.NowMs();
  EXPECT_EQ(link_.WaitCommand(kAck), kResultIoError);
  EXPECT_EQ(clock_.NowMs(), start);
}

}  // namespace
}  // namespace kivo

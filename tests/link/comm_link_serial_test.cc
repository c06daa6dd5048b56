#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <thread>

#include "serial_link_fixture.h"

namespace kivo {
namespace {

struct SetResultCase {
  ResultCode code;
  int port, stored;
};

TEST(CommLinkResult, FollowsTheComNumber) {
  const SetResultCase kCases[] = {
      {kResultIoError, 2, 7},  {kResultSuccess, 4, 4},   {kResultSuccess, 1, 1},
      {kResultTimeout, 3, 8},  {kResultSuccess, 7, 10},  {kResultIoError, 0, 10},
      {kResultTimeout, -1, 5}, {kResultSuccess, -1, 16}, {kResultAborted, -1, 0},
  };
  CommLink link;
  for (const SetResultCase& c : kCases) {
    link.SetResult(c.code, c.port);
    EXPECT_EQ(link.result(), c.stored) << c.code << " on " << c.port;
  }
}

// Opens whatever the factory is told to, counting the ports it made.
struct OpenCase {
  const char* port_name;  // passed to SetPortName; null: OpenPort(number)
  int number;
  bool opens;
  int result;
};

TEST(CommLinkOpen, FailuresGiveTheComNumberCodeAndLeaveTheLinkClosed) {
  const OpenCase kCases[] = {
      {nullptr, 1, false, 6}, {nullptr, 4, false, 9},    {nullptr, 5, false, 10},
      {"COM3", -1, false, 8}, {"/dev/x", -1, false, 10}, {"virtual", -1, false, 10},
      {nullptr, 2, true, 16},
  };
  for (const OpenCase& c : kCases) {
    auto line = MemoryLine::Create();
    CommLink link;
    std::vector<PortSpec> asked;
    link.SetSerialPortFactory(
        [&](const PortSpec& port_spec, Clock&) -> std::unique_ptr<SerialPort> {
          asked.push_back(port_spec);
          return c.opens ? line->MakeEnd(0) : nullptr;
        });
    if (c.port_name) link.SetPortName(c.port_name);
    EXPECT_EQ(link.OpenPort(c.number), c.opens) << c.number;
    EXPECT_EQ(link.result(), c.result) << (c.port_name ? c.port_name : "") << c.number;
    EXPECT_EQ(link.is_open(), c.opens);
    ASSERT_EQ(asked.size(), 1u);
  }
}

TEST(CommLinkOpen, ReopensTheStoredPortOrClosesBeforeSwitching) {
  auto line = MemoryLine::Create();
  CommLink link;
  std::vector<PortSpec> asked;
  link.SetSerialPortFactory([&](const PortSpec& port_spec, Clock&) {
    asked.push_back(port_spec);
    return line->MakeEnd(0);  // each end opens once: a second open fails unless closed
  });
  ASSERT_TRUE(link.OpenPort(-1));
  ASSERT_TRUE(link.OpenPort(-1));
  ASSERT_TRUE(link.OpenPort(3));
  EXPECT_EQ(link.port_number(), 3);
  ASSERT_EQ(asked.size(), 3u);
  EXPECT_EQ(asked[0].com_number, 1);
  EXPECT_EQ(asked[0].device, "/dev/ttyS0");
  EXPECT_EQ(asked[2].device, "/dev/ttyS2");
  EXPECT_TRUE(link.ClosePort());
  EXPECT_TRUE(link.ClosePort());
  EXPECT_FALSE(link.is_open());
}

using SendBytesTest = SerialLinkTest;

TEST_F(SendBytesTest, SendsUpToTheZeroByteWhenToldMinusOne) {
  const uint8_t text[] = {'A', 'B', 'C', 0, 'D'};
  ASSERT_TRUE(link_.SendBytes(text, -1));
  EXPECT_EQ(PeerReceived(), (Bytes{'A', 'B', 'C'}));
  EXPECT_EQ(link_.result(), kResultSuccess);
}

TEST_F(SendBytesTest, WithEchoOffReadsNothingBack) {
  line_->SetEcho(0, true);  // the line echoes, but the link does not look
  ASSERT_TRUE(link_.SendBytes(Frame(kAck)));
  EXPECT_EQ(link_.port()->InputQueued(), 5);
}

TEST_F(SendBytesTest, WithEchoOnConsumesExactlyTheEcho) {
  link_.Configure({.echo_back = true});
  line_->SetEcho(0, true);
  ASSERT_TRUE(link_.SendBytes(Frame(kAck)));
  EXPECT_EQ(link_.port()->InputQueued(), 0);
  EXPECT_EQ(PeerReceived(), Frame(kAck));
}

struct EchoFaultCase {
  const char* name;
  MemoryLine::FaultAction action;
  const char* log_tail;
  uint32_t elapsed_ms;  // time the send took on the manual clock
};

TEST_F(SendBytesTest, BadOrMissingEchoFailsWithIoError) {
  const EchoFaultCase kCases[] = {
      {"one byte differs", MemoryLine::FaultAction::kCorrupt,
       "<<<<<<Receive1 [ 7f 06 00 ff 85 ]\n!!!NOT EchoBack\n\n", 10},
      {"one byte lost", MemoryLine::FaultAction::kDrop,
       "---Time Out WaitTime=10001, InQue=   4/   5\n!!!NOT Receive EchoBack\n\n", 10011},
  };
  StartLog();
  link_.Configure({.echo_back = true});
  line_->SetEcho(0, true);
  for (const EchoFaultCase& c : kCases) {
    line_->AddFault({0, line_->Written(0) + 3, c.action, MemoryLine::FaultCopy::kEcho, 0xFF, 0});
    link_.SetLogFileName(log_path_);
    uint32_t start = clock_.NowMs();
    EXPECT_FALSE(link_.SendBytes(Frame(kAck))) << c.name;
    EXPECT_EQ(link_.result(), kResultIoError) << c.name;
    EXPECT_EQ(clock_.NowMs() - start, c.elapsed_ms) << c.name;
    EXPECT_EQ(LogTexts(), std::string(">>>>>>Send    [ 7f 06 00 00 85 ]\n") + c.log_tail) << c.name;
  }
  // The next send starts clean: leftovers are drained first.
  line_->SetEcho(0, true);
  EXPECT_TRUE(link_.SendBytes(Frame(kAck)));
}

TEST_F(SendBytesTest, HungUpLineFailsTheSendAtOnceAsAPortFailure) {
  StartLog();
  line_->HangUp();
  uint32_t start = clock_.NowMs();
  EXPECT_FALSE(link_.SendBytes(Frame(kAck)));
  EXPECT_EQ(link_.result(), kResultCannotOpenCom1);  // the purge before the send fails
  EXPECT_LT(clock_.NowMs() - start, 100u);
  EXPECT_EQ(LogTexts(), ">>>>>>!!!Send FAILED(Receive Incomplete)\n\n");
}

TEST_F(SendBytesTest, InputThatNeverStopsFailsTheDrainAfterThirtySeconds) {
  StartLog();
  line_->SetPacing(100);  // one byte every 10 ms, for 40 s
  PeerSends(Bytes(4000, 0x55));
  EXPECT_FALSE(link_.SendBytes(Frame(kAck)));
  EXPECT_EQ(link_.result(), kResultIoError);
  EXPECT_EQ(LogTexts(), ">>>>>>!!!Send FAILED(Receive Incomplete)\n\n");
  EXPECT_EQ(PeerReceived(), Bytes{});
}

TEST_F(SendBytesTest, AbortWhileDrainingFailsWithZeroAndSendsNothing) {
  StartLog();
  queue_.Post({kWmLinkAbort, 0, 0});
  EXPECT_FALSE(link_.SendBytes(Frame(kAck)));
  EXPECT_EQ(link_.result(), kResultAborted);
  EXPECT_EQ(PeerReceived(), Bytes{});
  EXPECT_EQ(LogTexts(), ">>>>>>!!!Send FAILED(Receive Incomplete)\n\n");
  // The next send purges the abort away.
  EXPECT_TRUE(link_.SendBytes(Frame(kAck)));
}

using ReceiveBytesTest = SerialLinkTest;

TEST_F(ReceiveBytesTest, ZeroBytesReadsNothingAndFails) {
  PeerSends({1, 2});
  Bytes none;
  EXPECT_FALSE(link_.ReceiveBytes(std::span<uint8_t>(none), link_.DeadlineAfter(100)));
  EXPECT_EQ(link_.port()->InputQueued(), 2);
}

TEST_F(ReceiveBytesTest, FourOfFiveBytesTimeOutWithTheQueueCounts) {
  StartLog();
  PeerSends({1, 2, 3, 4});
  Bytes buffer(5);
  int received = -1;
  EXPECT_FALSE(link_.ReceiveBytes(buffer, link_.DeadlineAfter(1500), &received));
  EXPECT_EQ(link_.result(), kResultTimeout);
  EXPECT_EQ(received, 0);
  EXPECT_EQ(LogTexts(), "---Time Out WaitTime=01501, InQue=   4/   5\n");
}

TEST_F(ReceiveBytesTest, ExpiredDeadlineDoesNotLookAtTheQueue) {
  StartLog();
  PeerSends({1, 2, 3, 4, 5});
  Deadline past = link_.DeadlineAfter(0);
  clock_.Advance(1);
  Bytes buffer(5);
  EXPECT_FALSE(link_.ReceiveBytes(buffer, past));
  EXPECT_EQ(LogTexts(), "---Time Out WaitTime=00000, InQue=   0/   5\n");
}

TEST_F(ReceiveBytesTest, BytesArrivingLaterAreReadOnceAllAreThere) {
  StartLog();
  PeerSendsLater({1, 2, 3}, 700);
  Bytes buffer(3);
  ASSERT_TRUE(link_.ReceiveBytes(buffer, link_.DeadlineAfter(1000)));
  EXPECT_EQ(buffer, (Bytes{1, 2, 3}));
  EXPECT_EQ(LogTexts(), "<<<<<<Receive1 [ 01 02 03 ]\n");
}

TEST_F(ReceiveBytesTest, AbortEndsTheWaitWithResultZeroAndTheNextSendWorks) {
  StartLog();
  queue_.Post({kWmLinkAbort, 0, 0});
  Bytes buffer(5);
  EXPECT_FALSE(link_.ReceiveBytes(buffer, link_.DeadlineAfter(30000)));
  EXPECT_EQ(link_.result(), kResultAborted);
  EXPECT_TRUE(link_.abort_flag());
  EXPECT_EQ(clock_.NowMs(), 100000u);  // at once
  EXPECT_TRUE(link_.SendBytes(Frame(kNack)));
  EXPECT_FALSE(link_.abort_flag());
  EXPECT_EQ(LogTexts(),
            "<<<<<<!!!NO Receive(Wait Receive Queue Abort)\n\n>>>>>>Send    [ 7f 15 00 00 94 ]\n");
}

TEST_F(ReceiveBytesTest, OtherMessagesGoToTheHandlerAndDoNotAbort) {
  std::vector<int> handled;
  link_.SetMessageHandler([&](const ThreadMessage& m) { handled.push_back(m.id); });
  queue_.Post({kWmLinkProgress, 50, 3});
  queue_.Post({kWmDetectAbort, 0, 0});
  EXPECT_FALSE(link_.PollAbort());
  EXPECT_TRUE(link_.PollAbort());
  EXPECT_FALSE(link_.PollAbort());
  EXPECT_EQ(handled, std::vector<int>{kWmLinkProgress});
  EXPECT_EQ(link_.result(), kResultAborted);
}

TEST_F(ReceiveBytesTest, HangUpEndsTheWaitWithIoErrorBeforeTheDeadline) {
  PeerSends({1});
  line_->HangUp();
  Bytes buffer(2);
  EXPECT_FALSE(link_.ReceiveBytes(buffer, link_.DeadlineAfter(30000)));
  EXPECT_EQ(link_.result(), kResultIoError);
  EXPECT_EQ(clock_.NowMs(), 100000u);
}

TEST(CommLinkOpen, ADeviceThatRefusesTheSettingsGivesTheComCodeAndStaysClosed) {
  int master = posix_openpt(O_RDWR | O_NOCTTY);
  ASSERT_GE(master, 0);
  ASSERT_EQ(grantpt(master), 0);
  ASSERT_EQ(unlockpt(master), 0);
  PortMap ports = DefaultPortMap();
  ports[1] = ptsname(master);
  CommLink link(2, 12345);  // no such line speed
  link.SetPortMap(ports);
  EXPECT_FALSE(link.OpenPort(-1));
  EXPECT_EQ(link.result(), 7);
  EXPECT_FALSE(link.is_open());
  link.Configure({.baud_rate = 19200});
  EXPECT_TRUE(link.OpenPort(-1));
  EXPECT_EQ(link.result(), kResultSuccess);
  close(master);
}

TEST(CommLinkWait, AbortFromAnotherThreadWakesABlockedReceive) {
  auto line = MemoryLine::Create();
  auto peer = line->MakeEnd(1);
  ASSERT_TRUE(peer->Open({}));
  MessageQueue queue;
  CommLink link;
  link.SetMessageQueue(&queue);
  link.SetSerialPortFactory([&](const PortSpec&, Clock&) { return line->MakeEnd(0); });
  ASSERT_TRUE(link.OpenPort(1));
  std::thread aborter([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    queue.Post({kWmLinkAbort, 0, 0});
  });
  uint32_t start = SystemClock().NowMs();
  Bytes buffer(5);
  EXPECT_FALSE(link.ReceiveBytes(buffer, link.DeadlineAfter(20000)));
  aborter.join();
  EXPECT_EQ(link.result(), kResultAborted);
  EXPECT_LT(SystemClock().NowMs() - start, 10000u);
}

}  // namespace
}  // namespace kivo

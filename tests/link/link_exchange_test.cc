// A short exchange seen whole: the bytes on the wire and the link log, and
// once over a real pseudo-terminal.

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <unistd.h>

#include <atomic>
#include <thread>

#include "serial_link_fixture.h"

namespace kivo {
namespace {

using ExchangeLogTest = SerialLinkTest;

TEST_F(ExchangeLogTest, LogsEveryStepWithStampsAndCrLf) {
  clock_.SetLocal({2026, 12, 7, 8, 30, 5});
  link_.Configure({.echo_back = true});
  line_->SetEcho(0, true);
  StartLog();
  ASSERT_TRUE(link_.WriteLogIfEnabled("##### START COMMUNICATION #####\n\n", true));
  PeerSends(Frame(kLinkRequest));
  PeerSendsLater(Frame(kDeviceInformation, 0, 2), 50);
  PeerSendsLater(Frame(kAck), 100);

  ASSERT_EQ(link_.WaitCommand(kLinkRequest), kResultSuccess);
  ASSERT_EQ(link_.SendCommand(kAck), kResultSuccess);
  std::array<uint8_t, 2> params{};
  ASSERT_EQ(link_.WaitCommand(kDeviceInformation, &params), kResultSuccess);
  ASSERT_TRUE(link_.WriteLogIfEnabled("---PC receives DEVICE_INFORMATION\n\n"));
  Bytes digits = {0x30, 0x31, 0x32, 0x33, 0x34, 0x35, 0x36, 0x37, 0x38, 0x39};
  ASSERT_EQ(link_.SendDataPacket(digits, 10, kMemo, kFlagFirst), kResultSuccess);
  ASSERT_EQ(link_.WaitCommand(kAck), kResultSuccess);
  ASSERT_EQ(link_.SendCommand(kEndCommunication), kResultSuccess);
  ASSERT_EQ(link_.WaitCommand(kAck, nullptr, nullptr, 1000), kResultTimeout);

  EXPECT_EQ(Log(),
            "{07/12/26 08:30:05}\r\n##### START COMMUNICATION #####\r\n\r\n"
            "{+0000000}<<<<<<Receive1 [ 7f ]\r\n"
            "{+0000000}<<<<<<Receive1 [ 05 00 00 84 ]\r\n"
            "{+0000010}>>>>>>Send    [ 7f 06 00 00 85 ]\r\n"
            "{+0000010}<<<<<<Receive1 [ 7f 06 00 00 85 ]\r\n"
            "{+0000050}<<<<<<Receive1 [ 7f ]\r\n"
            "{+0000050}<<<<<<Receive1 [ 08 00 02 89 ]\r\n"
            "{+0000050}---PC receives DEVICE_INFORMATION\r\n\r\n"
            "{+0000060}>>>>>>Send    [ 03 00 00 0a 0a 30 31 32 33 34 35 36 37 38 39 24 ]\r\n"
            "{+0000060}<<<<<<Receive1 [ 03 00 00 0a 0a 30 31 32 33 34 35 36 37 38 39 24 ]\r\n"
            "{+0000100}<<<<<<Receive1 [ 7f ]\r\n"
            "{+0000100}<<<<<<Receive1 [ 06 00 00 85 ]\r\n"
            "{+0000110}>>>>>>Send    [ 7f 09 00 00 88 ]\r\n"
            "{+0000110}<<<<<<Receive1 [ 7f 09 00 00 88 ]\r\n"
            "{+0001111}---Time Out WaitTime=01001, InQue=   0/   1\r\n"
            "{+0001111}!!!Time Out(Wait Command) Break\r\n\r\n");
  EXPECT_EQ(params, (std::array<uint8_t, 2>{0, 2}));
}

// The organizer's end of a pseudo-terminal: returns every byte like the
// cable does and answers as the script says.
class PtyOrganizer {
 public:
  PtyOrganizer() {
    master_ = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (master_ >= 0 && grantpt(master_) == 0 && unlockpt(master_) == 0) {
      slave_ = ptsname(master_);
    }
  }
  ~PtyOrganizer() {
    if (master_ >= 0) close(master_);
  }
  const std::string& slave() const { return slave_; }

  // Reads n bytes from the PC and echoes them; empty on time-out.
  Bytes Take(size_t n) {
    Bytes got;
    while (got.size() < n) {
      struct pollfd watch = {master_, POLLIN, 0};
      if (poll(&watch, 1, 10000) <= 0) return {};
      uint8_t chunk[256];
      ssize_t r = read(master_, chunk, std::min(sizeof chunk, n - got.size()));
      if (r <= 0) return {};
      got.insert(got.end(), chunk, chunk + r);
      if (write(master_, chunk, static_cast<size_t>(r)) != r) return {};
    }
    return got;
  }
  bool Give(const Bytes& bytes) {
    return write(master_, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
  }

 private:
  int master_ = -1;
  std::string slave_;
};

Bytes FrameBytes(uint8_t code, uint8_t p1 = 0, uint8_t p2 = 0) {
  CommandFrame frame = EncodeCommandFrame(code, p1, p2);
  return Bytes(frame.begin(), frame.end());
}

TEST(PseudoTerminalLink, ExchangesFramesAndAPacketWithEcho) {
  PtyOrganizer organizer;
  ASSERT_FALSE(organizer.slave().empty());
  CommLink link;
  link.SetPortName(organizer.slave());
  link.Configure({.echo_back = true});
  ASSERT_TRUE(link.OpenPort(-1)) << link.result();
  EXPECT_EQ(link.port_number(), 0);

  // A second link cannot have the port while this one holds it.
  CommLink other;
  other.SetPortName(organizer.slave());
  EXPECT_FALSE(other.OpenPort(-1));
  EXPECT_EQ(other.result(), kResultCannotOpenPort);

  Bytes digits = {0x30, 0x31, 0x32, 0x33, 0x34, 0x35, 0x36, 0x37, 0x38, 0x39};
  Bytes packet = EncodeDataPacket(kMemo, kFlagFirst, 10, digits);
  std::atomic<bool> script_ok{false};
  std::thread peer([&] {
    bool ok = organizer.Give(FrameBytes(kLinkRequest));
    ok = ok && organizer.Take(5) == FrameBytes(kAck);
    ok = ok && organizer.Give(FrameBytes(kDeviceInformation, 1, 2));
    ok = ok && organizer.Take(packet.size()) == packet;
    ok = ok && organizer.Give(FrameBytes(kAck));
    ok = ok && organizer.Take(5) == FrameBytes(kEndCommunication);
    script_ok = ok;
  });
  EXPECT_EQ(link.WaitCommand(kLinkRequest, nullptr, nullptr, 10000), kResultSuccess);
  EXPECT_EQ(link.SendCommand(kAck), kResultSuccess);
  std::array<uint8_t, 2> params{};
  EXPECT_EQ(link.WaitCommand(kDeviceInformation, &params, nullptr, 10000), kResultSuccess);
  EXPECT_EQ(params, (std::array<uint8_t, 2>{1, 2}));
  EXPECT_EQ(link.SendDataPacket(digits, 10, kMemo, kFlagFirst), kResultSuccess);
  EXPECT_EQ(link.WaitCommand(kAck, nullptr, nullptr, 10000), kResultSuccess);
  EXPECT_EQ(link.SendCommand(kEndCommunication), kResultSuccess);
  peer.join();
  EXPECT_TRUE(script_ok);
  EXPECT_TRUE(link.ClosePort());
  EXPECT_TRUE(other.OpenPort(-1));
}

}  // namespace
}  // namespace kivo

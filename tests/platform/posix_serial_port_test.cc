#include "platform/posix_serial_port.h"

#include <fcntl.h>
#include <linux/serial.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/serial_devices.h"

namespace kivo {
namespace {

// A pseudo-terminal pair: the test drives the master, the port the slave.
class Pty {
 public:
  Pty() {
    master_ = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (master_ >= 0 && grantpt(master_) == 0 && unlockpt(master_) == 0) {
      slave_path_ = ptsname(master_);
    }
  }
  ~Pty() {
    if (master_ >= 0) close(master_);
  }
  void CloseMaster() {
    close(master_);
    master_ = -1;
  }
  int master() const { return master_; }
  const std::string& slave_path() const { return slave_path_; }

 private:
  int master_ = -1;
  std::string slave_path_;
};

TEST(PosixSerialPort, OpensAPseudoTerminalRawAndRestoresItAtClose) {
  Pty pty;
  ASSERT_FALSE(pty.slave_path().empty());
  // Hold the slave open so its settings survive between the port's opens.
  int keep = open(pty.slave_path().c_str(), O_RDWR | O_NOCTTY);
  ASSERT_GE(keep, 0);
  struct termios before {};
  ASSERT_EQ(tcgetattr(keep, &before), 0);
  ASSERT_NE(before.c_lflag & ICANON, 0u);

  PosixSerialPort port(pty.slave_path());
  ASSERT_TRUE(port.Open({19200})) << port.ErrorText();
  struct termios during {};
  ASSERT_EQ(tcgetattr(keep, &during), 0);
  EXPECT_EQ(during.c_lflag & ICANON, 0u);
  EXPECT_EQ(during.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
  EXPECT_EQ(during.c_iflag & (IXON | IXOFF), 0u);
  EXPECT_EQ(cfgetospeed(&during), static_cast<speed_t>(B19200));

  EXPECT_TRUE(port.Close());
  struct termios after {};
  ASSERT_EQ(tcgetattr(keep, &after), 0);
  EXPECT_EQ(after.c_lflag, before.c_lflag);
  EXPECT_EQ(cfgetospeed(&after), cfgetospeed(&before));
  close(keep);
}

TEST(PosixSerialPort, RefusesAPortAlreadyHeld) {
  Pty pty;
  PosixSerialPort first(pty.slave_path());
  PosixSerialPort second(pty.slave_path());
  ASSERT_TRUE(first.Open({19200}));
  EXPECT_FALSE(second.Open({19200}));
  EXPECT_FALSE(second.IsOpen());
  first.Close();
  EXPECT_TRUE(second.Open({19200})) << second.ErrorText();
}

TEST(PosixSerialPort, RefusesMissingDevicesAndUnknownSpeeds) {
  PosixSerialPort missing("/dev/kivo-no-such-port");
  EXPECT_FALSE(missing.Open({19200}));
  EXPECT_NE(missing.ErrorText(), "");
  Pty pty;
  PosixSerialPort odd(pty.slave_path());
  EXPECT_FALSE(odd.Open({12345}));
  PosixSerialPort not_a_tty("/dev/null");
  EXPECT_FALSE(not_a_tty.Open({19200}));
}

TEST(PosixSerialPort, CountsReadsPurgesAndSeesTheHangUp) {
  Pty pty;
  PosixSerialPort port(pty.slave_path());
  ASSERT_TRUE(port.Open({19200}));
  ASSERT_EQ(write(pty.master(), "\x7f\x06\x00\x00\x85", 5), 5);
  ASSERT_EQ(port.WaitReadable(5, 5000, nullptr), WakeReason::kInput);
  EXPECT_EQ(port.InputQueued(), 5);
  std::vector<uint8_t> got(2);
  ASSERT_EQ(port.Read(got), 2);
  EXPECT_EQ(got, (std::vector<uint8_t>{0x7f, 0x06}));
  EXPECT_EQ(port.InputQueued(), 3);
  EXPECT_TRUE(port.Purge(true, true));
  EXPECT_EQ(port.InputQueued(), 0);

  std::vector<uint8_t> out = {1, 2, 3};
  EXPECT_EQ(port.Write(out), 3);
  EXPECT_GE(port.OutputQueued(), 0);
  char back[8];
  ASSERT_EQ(read(pty.master(), back, sizeof back), 3);

  MessageQueue queue;
  queue.Post({1127, 0, 0});
  EXPECT_EQ(port.WaitReadable(1, 5000, &queue), WakeReason::kMessage);

  pty.CloseMaster();
  EXPECT_EQ(port.WaitReadable(1, 5000, nullptr), WakeReason::kError);
}

// Needs a serial port whose driver has the latency setting (a UART or a USB
// adapter); pseudo-terminals have none, which the other tests show harmless.
TEST(PosixSerialPort, SwitchesLowLatencyOnWhileOpenAndBackAtClose) {
  for (const SerialDevice& device : DevScanSerialDevices().List()) {
    const int watch = open(device.node.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    struct serial_struct before {};
    if (watch < 0 || ioctl(watch, TIOCGSERIAL, &before) != 0 ||
        (before.flags & ASYNC_LOW_LATENCY) != 0) {
      if (watch >= 0) close(watch);
      continue;
    }
    PosixSerialPort port(device.path);
    if (!port.Open({19200})) {
      close(watch);
      continue;  // held by someone else
    }
    struct serial_struct during {};
    ASSERT_EQ(ioctl(watch, TIOCGSERIAL, &during), 0);
    EXPECT_NE(during.flags & ASYNC_LOW_LATENCY, 0) << device.path;
    EXPECT_TRUE(port.Close());
    struct serial_struct after {};
    ASSERT_EQ(ioctl(watch, TIOCGSERIAL, &after), 0);
    EXPECT_EQ(after.flags, before.flags) << device.path;
    close(watch);
    return;
  }
  GTEST_SKIP() << "no serial port with a latency setting here";
}

}  // namespace
}  // namespace kivo

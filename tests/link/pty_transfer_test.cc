// The link over the host's own serial driver: two pseudo-terminals joined by a
// cable thread (what one end writes reaches the other, and the PC's bytes come
// back to it as the organizer's cable returns them).

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "link/comm_link.h"
#include "link/frames.h"
#include "support/organizer_pair.h"
#include "support/records.h"

namespace kivo {
namespace {

using Bytes = std::vector<uint8_t>;

class PtyCable {
 public:
  PtyCable() {
    for (int i = 0; i < 2; ++i) {
      int fd = posix_openpt(O_RDWR | O_NOCTTY);
      if (fd < 0 || grantpt(fd) != 0 || unlockpt(fd) != 0) return;
      fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
      master_[i] = fd;
      slave_[i] = ptsname(fd);
    }
    thread_ = std::thread([this] { Run(); });
  }
  ~PtyCable() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    for (int fd : master_) {
      if (fd >= 0) close(fd);
    }
  }
  const std::string& pc() const { return slave_[0]; }
  const std::string& organizer() const { return slave_[1]; }

 private:
  static void WriteAll(int fd, const uint8_t* data, ssize_t n) {
    while (n > 0) {
      ssize_t w = write(fd, data, static_cast<size_t>(n));
      if (w < 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        continue;
      }
      data += w;
      n -= w;
    }
  }
  void Run() {
    uint8_t buffer[512];
    while (!stop_) {
      std::array<pollfd, 2> fds{{{master_[0], POLLIN, 0}, {master_[1], POLLIN, 0}}};
      if (poll(fds.data(), 2, 10) <= 0) continue;
      bool idle = true;
      for (int i = 0; i < 2; ++i) {
        if (!(fds[static_cast<size_t>(i)].revents & POLLIN)) continue;
        ssize_t n = read(master_[i], buffer, sizeof buffer);
        if (n <= 0) continue;
        idle = false;
        WriteAll(master_[1 - i], buffer, n);
        if (i == 0) WriteAll(master_[0], buffer, n);  // the cable's echo
      }
      // A side without its terminal open reports a hang-up at once.
      if (idle) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  }

  std::array<int, 2> master_{-1, -1};
  std::array<std::string, 2> slave_;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

TEST(PseudoTerminalTransfer, NegotiatesAndMovesOneApplicationEachWay) {
  PtyCable cable;
  ASSERT_FALSE(cable.pc().empty());
  ASSERT_FALSE(cable.organizer().empty());
  const Bytes memo = RecordList({PatternRecord(30, 1), PatternRecord(600, 2)});
  const Bytes todo = RecordList({PatternRecord(250, 3), PatternRecord(5, 4)});

  CommLink organizer;
  organizer.SetPortName(cable.organizer());
  organizer.Configure({.echo_back = false});
  ASSERT_TRUE(organizer.OpenPort(-1)) << organizer.result();
  Bytes received(256000);
  int received_end = 0;
  auto peer = std::async(std::launch::async, [&]() -> int {
    int r = organizer.NegotiationForDevice();
    if (r != kResultSuccess) return r;
    // The M model answers the model question.
    if ((r = organizer.WaitCommand(kGetDeviceInformation)) != kResultSuccess) return r;
    organizer.Configure({.echo_back = false, .device_code_low = 1});
    if ((r = organizer.SendCommand(kDeviceInformation)) != kResultSuccess) return r;
    if ((r = organizer.WaitCommand(kGetAllRecords)) != kResultSuccess) return r;
    if ((r = organizer.SendAllRecords(memo, kMemo, 2, TransferRole::kOrganizer)) != kResultSuccess)
      return r;
    if ((r = organizer.WaitCommand(kSend1Record)) != kResultSuccess) return r;
    return organizer.GetAllRecords(received, &received_end, kToDo, TransferRole::kOrganizer);
  });

  CommLink pc;
  pc.SetPortName(cable.pc());
  ASSERT_TRUE(pc.OpenPort(-1)) << pc.result();
  ASSERT_EQ(pc.NegotiationForPC(30000, -1), kResultSuccess);
  EXPECT_EQ(pc.device_model(), DeviceModel::kM);
  Bytes buffer(256000);
  int end = 0;
  ASSERT_EQ(pc.GetAllRecords(buffer, &end, kMemo, TransferRole::kPc), kResultSuccess);
  EXPECT_EQ(Bytes(buffer.begin(), buffer.begin() + end), memo);
  ASSERT_EQ(pc.SendAllRecords(todo, kToDo, 2, TransferRole::kPc), kResultSuccess);
  ASSERT_EQ(pc.SendCommand(kEndCommunication), kResultSuccess);
  EXPECT_EQ(peer.get(), kResultSuccess);
  EXPECT_EQ(Bytes(received.begin(), received.begin() + received_end), todo);
  EXPECT_TRUE(pc.ClosePort());
  EXPECT_TRUE(organizer.ClosePort());
}

}  // namespace
}  // namespace kivo

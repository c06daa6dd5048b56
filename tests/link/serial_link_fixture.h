#ifndef KIVO_TESTS_LINK_SERIAL_LINK_FIXTURE_H_
#define KIVO_TESTS_LINK_SERIAL_LINK_FIXTURE_H_

#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "link/comm_link.h"
#include "link/link_log.h"
#include "platform/clock.h"
#include "platform/memory_line.h"

namespace kivo {

// A link's configuration with one time-out changed (ms).
inline LinkConfig WithToCommand(LinkConfig config, int ms) {
  config.to_command = ms;
  return config;
}
inline LinkConfig WithToDataPacket(LinkConfig config, int ms) {
  config.to_data_packet = ms;
  return config;
}
inline LinkConfig WithToMultiplier(LinkConfig config, int ms_per_byte) {
  config.to_multiplier = ms_per_byte;
  return config;
}

using Bytes = std::vector<uint8_t>;

// A data packet built by hand, with any header values (the encoder refuses
// some that a peer may still send); the checksum is right.
inline Bytes RawDataPacket(uint8_t id, uint8_t flag, uint16_t size, const Bytes& contents) {
  // One allocation up front: g++ 12 with optimisation reports a false
  // -Warray-bounds for an insert after an initializer-list construction.
  Bytes packet;
  packet.reserve(contents.size() + 6);
  for (uint8_t byte : {id, flag, static_cast<uint8_t>(size >> 8), static_cast<uint8_t>(size),
                       static_cast<uint8_t>(contents.size())}) {
    packet.push_back(byte);
  }
  packet.insert(packet.end(), contents.begin(), contents.end());
  packet.push_back(static_cast<uint8_t>(Checksum(packet)));
  return packet;
}

// A CommLink on end 0 of an in-memory line, the peer (the organizer) on end
// 1, both on one manual clock: waits move the clock instead of blocking, so
// every time-out is exact and instant.
class SerialLinkTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetLogTimeBaseForTests();
    link_.SetSerialPortFactory([this](const PortSpec&, Clock&) -> std::unique_ptr<SerialPort> {
      return line_->MakeEnd(0);
    });
    link_.SetMessageQueue(&queue_);
    link_.Configure({.echo_back = false});
    ASSERT_TRUE(peer_->Open({}));
    ASSERT_TRUE(link_.OpenPort(1));
  }

  void TearDown() override {
    if (!log_path_.empty()) unlink(log_path_.c_str());
  }

  // Turns the link log on, in a fresh file.
  void StartLog() {
    const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = std::string(info->test_suite_name()) + "_" + info->name();
    // Parameterised tests have slashes in their names.
    std::replace(name.begin(), name.end(), '/', '_');
    log_path_ = ::testing::TempDir() + "kivo_" + name + "_" + std::to_string(getpid()) + ".log";
    link_.SetLogFileName(log_path_);
  }

  std::string Log() const {
    std::ifstream in(log_path_, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

  // The log with CR LF shown as "\n" and the stamps removed, one entry per
  // line, to compare texts with.
  std::string LogTexts() const {
    std::string text = Log();
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
      if (text[i] == '\r') continue;
      if (text[i] == '{') {
        size_t close = text.find('}', i);
        i = close;
        if (i + 2 < text.size() && text[i + 1] == '\r' && text[i + 2] == '\n') i += 2;
        continue;
      }
      out += text[i];
    }
    return out;
  }

  void PeerSends(const Bytes& bytes) {
    ASSERT_EQ(peer_->Write(bytes), static_cast<int>(bytes.size()));
  }

  // The bytes arrive at the link `delay_ms` from now: after the drain that
  // precedes every send, so they answer that send.
  void PeerSendsLater(const Bytes& bytes, uint32_t delay_ms) {
    line_->AddFault({1, line_->Written(1), MemoryLine::FaultAction::kDelay,
                     MemoryLine::FaultCopy::kPeer, 0, delay_ms});
    PeerSends(bytes);
  }

  // Everything that reached the peer so far.
  Bytes PeerReceived() {
    Bytes bytes(4096);
    int got = peer_->Read(bytes);
    bytes.resize(got > 0 ? static_cast<size_t>(got) : 0);
    return bytes;
  }

  static Bytes Frame(uint8_t code, uint8_t p1 = 0, uint8_t p2 = 0) {
    CommandFrame frame = EncodeCommandFrame(code, p1, p2);
    return Bytes(frame.begin(), frame.end());
  }

  ManualClock clock_{100000};
  std::shared_ptr<MemoryLine> line_ = MemoryLine::Create(clock_);
  std::unique_ptr<SerialPort> peer_ = line_->MakeEnd(1);
  MessageQueue queue_;
  CommLink link_{1, 19200, &clock_};
  std::string log_path_;
};

}  // namespace kivo

#endif  // KIVO_TESTS_LINK_SERIAL_LINK_FIXTURE_H_

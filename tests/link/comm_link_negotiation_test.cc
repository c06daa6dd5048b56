#include <array>
#include <future>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "link/comm_link.h"
#include "link/frames.h"
#include "platform/link_defaults.h"
#include "support/organizer_pair.h"

namespace kivo {
namespace {

using Bytes = std::vector<uint8_t>;

// An organizer of device code (high, low). The M model answers the PC's
// GET_DEVICE_INFORMATION with `m_answer` (parameter 1, parameter 2).
int PlayOrganizer(CommLink& o, uint8_t high, uint8_t low,
                  std::optional<std::array<uint8_t, 2>> m_answer) {
  LinkConfig config = o.config();
  config.device_code_high = high;
  config.device_code_low = low;
  o.Configure(config);
  int r = o.NegotiationForDevice();
  if (r != kResultSuccess || !m_answer) return r;
  r = o.WaitCommand(kGetDeviceInformation, nullptr, nullptr, 5000, 0);
  if (r != kResultSuccess) return r;
  config.device_code_high = (*m_answer)[1];
  config.device_code_low = (*m_answer)[0];
  o.Configure(config);
  return o.SendCommand(kDeviceInformation);
}

struct ModelCase {
  const char* name;
  uint8_t high;
  uint8_t low;
  std::optional<std::array<uint8_t, 2>> m_answer;
  int result;
  DeviceModel model;
  const char* tag;
  const char* log;
};

TEST(NegotiationForPC, LearnsTheOrganizerModel) {
  const ModelCase kCases[] = {
      {"base", 2, 0, std::nullopt, 16, DeviceModel::kBase, "<E> ", "---HDD is TR480\n\n"},
      {"second kind", 2, 1, std::nullopt, 16, DeviceModel::kBaseSecond, "<E+> ",
       "---HDD is TR480\n\n"},
      {"M", 2, 0, std::array<uint8_t, 2>{1, 2}, 16, DeviceModel::kM, "<M> ",
       "---PC receives DEVICE_INFORMATION\n{"},
      {"other family", 1, 0, std::nullopt, 11, DeviceModel::kBase, nullptr,
       "!!!Another Device Code(High)\n\n"},
      {"unknown low byte", 2, 2, std::nullopt, 11, DeviceModel::kBase, nullptr,
       "!!!Another Device Code(Low)\n\n"},
      {"bad second answer", 2, 0, std::array<uint8_t, 2>{0, 2}, 11, DeviceModel::kBase, nullptr,
       "!!!Another Device Code\n\n"},
  };
  for (const ModelCase& c : kCases) {
    SCOPED_TRACE(c.name);
    OrganizerPair pair;
    TestLogFile log;
    RecordingObserver observer;
    pair.pc().SetLogFileName(log.path());
    ASSERT_TRUE(pair.Open());
    auto peer =
        pair.RunOrganizer([&](CommLink& o) { return PlayOrganizer(o, c.high, c.low, c.m_answer); });
    EXPECT_EQ(pair.pc().NegotiationForPC(30000, -1, &observer), c.result);
    EXPECT_EQ(peer.get(), kResultSuccess);
    EXPECT_EQ(pair.pc().result(), c.result);
    EXPECT_EQ(pair.pc().device_model(), c.model);
    EXPECT_TRUE(log.Contains(c.log)) << log.Read();
    if (c.tag != nullptr) {
      EXPECT_EQ(observer.tags(), std::vector<std::string>{c.tag});
      EXPECT_TRUE(log.Contains("========== End Negotiation ==========\n\n"));
      if (c.model == DeviceModel::kM) {
        EXPECT_TRUE(log.Contains("---HDD is TR480M\n\n"));
      }
    } else {
      EXPECT_TRUE(observer.tags().empty());
    }
    ASSERT_FALSE(observer.notes().empty());
    EXPECT_EQ(observer.notes().front(),
              (RecordingObserver::Note{kWmLinkStatus, 0, kSourceNegotiation}));
  }
}

TEST(NegotiationForPC, LeavesTheTitleAloneWithoutALog) {
  OrganizerPair pair;
  RecordingObserver observer;
  ASSERT_TRUE(pair.Open());
  auto peer = pair.RunOrganizer([&](CommLink& o) { return PlayOrganizer(o, 2, 1, std::nullopt); });
  EXPECT_EQ(pair.pc().NegotiationForPC(30000, -1, &observer), kResultSuccess);
  EXPECT_EQ(peer.get(), kResultSuccess);
  EXPECT_EQ(pair.pc().device_model(), DeviceModel::kBaseSecond);
  EXPECT_TRUE(observer.tags().empty());
}

TEST(NegotiationForPC, ClosedPortReturnsTheLastResult) {
  OrganizerPair pair;
  pair.pc().SetResult(kResultTimeout, -1);
  EXPECT_EQ(pair.pc().NegotiationForPC(30000, -1), kResultTimeout);
}

TEST(NegotiationForPC, SilentOrganizerTimesOut) {
  OrganizerPair pair(200);
  ASSERT_TRUE(pair.Open());
  EXPECT_EQ(pair.pc().NegotiationForPC(3000, 0), kResultTimeout);
}

// Reads one frame at the PC's end.
Bytes ReadFrame(CommLink& link) {
  Bytes frame(kFrameSize);
  if (!link.ReceiveBytes(frame, link.DeadlineAfter(10000))) return {};
  return frame;
}

Bytes FrameBytes(uint8_t code, uint8_t p1, uint8_t p2) {
  CommandFrame f = EncodeCommandFrame(code, p1, p2);
  return Bytes(f.begin(), f.end());
}

TEST(NegotiationForDevice, RepeatsLinkRequestUntilAnswered) {
  OrganizerPair pair;
  TestLogFile log;
  pair.organizer().SetLogFileName(log.path());
  ASSERT_TRUE(pair.Open());
  auto device = pair.RunOrganizer([](CommLink& o) { return o.NegotiationForDevice(); });
  CommLink& pc = pair.pc();
  // The first request goes unanswered; the organizer asks again.
  EXPECT_EQ(ReadFrame(pc), FrameBytes(kLinkRequest, 0, 0));
  EXPECT_EQ(ReadFrame(pc), FrameBytes(kLinkRequest, 0, 0));
  EXPECT_EQ(pc.SendCommand(kAck), kResultSuccess);
  EXPECT_EQ(ReadFrame(pc), (Bytes{0x7F, 0x08, 0x00, 0x02, 0x89}));
  EXPECT_EQ(device.get(), kResultSuccess);
  EXPECT_TRUE(log.Contains("---HDD sends LINK_REQUEST\n\n"));
  EXPECT_TRUE(log.Contains("---HDD receives ACK\n\n"));
  EXPECT_TRUE(
      log.Contains("---HDD sends DEVICE_INFORMATION\n\n{+"));  // followed by the end line's stamp
  EXPECT_TRUE(log.Contains("========== End Negotiation ==========\n\n"));
}

TEST(NegotiationForDevice, GivesUpAfterThirtySeconds) {
  OrganizerPair pair(200);
  TestLogFile log;
  pair.organizer().SetLogFileName(log.path());
  ASSERT_TRUE(pair.Open());
  EXPECT_EQ(pair.RunOrganizer([](CommLink& o) { return o.NegotiationForDevice(); }).get(),
            kResultTimeout);
  EXPECT_TRUE(log.Contains("!!!Time Out(NegoticationForDevice) Break\n\n"));
  EXPECT_GE(pair.line().Written(1), 2 * kFrameSize);
}

TEST(NegotiationForDevice, AbortEndsItWithZero) {
  OrganizerPair pair;
  MessageQueue queue;
  pair.organizer().SetMessageQueue(&queue);
  ASSERT_TRUE(pair.Open());
  auto device = pair.RunOrganizer([](CommLink& o) { return o.NegotiationForDevice(); });
  EXPECT_EQ(ReadFrame(pair.pc()), FrameBytes(kLinkRequest, 0, 0));
  queue.Post({kWmLinkAbort, 0, 0});
  EXPECT_EQ(device.get(), kResultAborted);
}

// COM ports for AutoDetect: each COM number opens a fresh in-memory line
// (silent, or with an organizer on the far end) or fails to open.
class DetectPorts {
 public:
  enum class Kind { kFails, kSilent, kOrganizer };
  explicit DetectPorts(Clock& clock) : clock_(clock) {}
  ~DetectPorts() {
    for (auto& f : organizers_) {
      if (f.valid()) (void)f.get();
    }
  }
  // What the n-th open (from 0) of `com` finds; the last entry repeats.
  void Set(int com, std::vector<Kind> kinds) { plan_[com] = std::move(kinds); }
  std::vector<int> opens() const { return opens_; }

  SerialPortFactory Factory() {
    return [this](const PortSpec& port_spec, Clock&) -> std::unique_ptr<SerialPort> {
      opens_.push_back(port_spec.com_number);
      auto& kinds = plan_[port_spec.com_number];
      int& n = count_[port_spec.com_number];
      Kind kind = kinds.empty() ? Kind::kFails : kinds[std::min<size_t>(n, kinds.size() - 1)];
      ++n;
      if (kind == Kind::kFails) return nullptr;
      auto line = MemoryLine::Create(clock_);
      line->SetEcho(0, true);
      if (kind == Kind::kOrganizer) {
        organizers_.push_back(StartNegotiatingOrganizer(line, clock_));
      }
      lines_.push_back(line);
      return line->MakeEnd(0);
    };
  }
  std::vector<std::future<int>>& organizers() { return organizers_; }

 private:
  Clock& clock_;
  std::map<int, std::vector<Kind>> plan_;
  std::map<int, int> count_;
  std::vector<int> opens_;
  std::vector<std::shared_ptr<MemoryLine>> lines_;
  std::vector<std::future<int>> organizers_;
};

using Kind = DetectPorts::Kind;

TEST(AutoDetect, FindsTheOrganizerOnCom3InTheSecondPass) {
  ScaledClock clock(20);
  DetectPorts ports(clock);
  ports.Set(1, {Kind::kFails});
  ports.Set(2, {Kind::kSilent});
  ports.Set(3, {Kind::kSilent, Kind::kOrganizer});
  ports.Set(4, {Kind::kFails});
  CommLink link(1, kLinkBaudRate, &clock);
  link.SetSerialPortFactory(ports.Factory());
  RecordingObserver observer;
  TestLogFile log;
  link.SetLogFileName(log.path());

  EXPECT_EQ(link.AutoDetect(&observer), 3);
  EXPECT_EQ(link.result(), 3);
  EXPECT_FALSE(link.is_open());
  std::vector<int> tried;
  for (const auto& n : observer.Of(kWmDetectStatus)) tried.push_back(n.value);
  EXPECT_EQ(tried, (std::vector<int>{1, 2, 3, 4, 1, 2, 3}));
  EXPECT_EQ(ports.opens(), tried);
  ASSERT_EQ(ports.organizers().size(), 1u);
  EXPECT_EQ(ports.organizers()[0].get(), kResultSuccess);
  for (const char* line :
       {"COM1 Pass (NOT Open)\n", "COM2 Pass (NO Response)\n", "COM3 Pass (NO Response)\n",
        "COM4 Pass (NOT Open)\n", "---PC sends END_COMMUNICATION\n\n", "---PC Detected on COM3\n\n",
        "========== End AutoDetect ==========\n\n"}) {
    EXPECT_TRUE(log.Contains(line)) << line;
  }
}

TEST(AutoDetect, PortsThatDoNotOpenAreTriedFiveTimes) {
  ScaledClock clock(200);
  DetectPorts ports(clock);
  CommLink link(1, kLinkBaudRate, &clock);
  link.SetSerialPortFactory(ports.Factory());
  RecordingObserver observer;
  EXPECT_EQ(link.AutoDetect(&observer), kResultDetectFailed);
  EXPECT_EQ(observer.Of(kWmDetectStatus).size(), 20u);
  EXPECT_FALSE(link.is_open());
}

TEST(AutoDetect, AbortEndsTheSearchWithinThePortBeingTried) {
  ScaledClock clock(20);
  DetectPorts ports(clock);
  for (int com = 1; com <= 4; ++com) ports.Set(com, {Kind::kSilent});
  CommLink link(1, kLinkBaudRate, &clock);
  MessageQueue queue;
  link.SetMessageQueue(&queue);
  link.SetSerialPortFactory(ports.Factory());
  RecordingObserver observer;
  // The user presses Abort while the dialog shows the first port.
  observer.SetOnDetect([&](int) { queue.Post({kWmDetectAbort, 0, 0}); });
  TestLogFile log;
  link.SetLogFileName(log.path());
  EXPECT_EQ(link.AutoDetect(&observer), kResultDetectFailed);
  EXPECT_EQ(observer.Of(kWmDetectStatus).size(), 1u);
  EXPECT_FALSE(link.is_open());
  EXPECT_TRUE(log.Contains("!!!Abort(WaitCommand)\n\n"));
  EXPECT_FALSE(log.Contains("COM1 Pass (NO Response)\n"));
}

}  // namespace
}  // namespace kivo

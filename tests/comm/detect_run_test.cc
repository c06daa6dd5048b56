#include "comm/detect_run.h"

#include <chrono>
#include <future>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "comm/link_event_queue.h"
#include "platform/memory_line.h"
#include "support/organizer_pair.h"
#include "support/run_pair.h"

namespace kivo {
namespace {

using namespace std::chrono_literals;

TEST(BaudRateFromText, KnownSpeedsAsWrittenElse19200) {
  const std::pair<const char*, uint32_t> kCases[] = {
      {"9600", 9600},  {"19200", 19200}, {"38400", 38400},  {"57600", 57600}, {"115200", 115200},
      {"4800", 19200}, {"", 19200},      {"19200 ", 19200}, {"COM1", 19200}};
  for (auto [text, baud] : kCases) EXPECT_EQ(BaudRateFromText(text), baud) << text;
}

// COM1 does not open; COM2 and COM3 are cables, with an organizer behind
// COM2 when `organizer_on_2` is set.
struct Ports {
  explicit Ports(Clock& clock, bool organizer_on_2)
      : clock(clock), organizer_on_2(organizer_on_2) {}
  ~Ports() {
    for (auto& f : organizers) {
      if (f.valid()) (void)f.get();
    }
  }
  SerialPortFactory Factory() {
    return [this](const PortSpec& port_spec, Clock&) -> std::unique_ptr<SerialPort> {
      if (port_spec.com_number == 1 || port_spec.com_number == 4) return nullptr;
      auto line = MemoryLine::Create(clock);
      line->SetEcho(0, true);
      lines.push_back(line);
      if (port_spec.com_number == 2 && organizer_on_2) {
        organizers.push_back(StartNegotiatingOrganizer(line, clock));
      }
      return line->MakeEnd(0);
    };
  }
  Clock& clock;
  bool organizer_on_2;
  std::vector<std::shared_ptr<MemoryLine>> lines;
  std::vector<std::future<int>> organizers;
};

// The Auto Detect dialog's loop: statuses until found or failed.
std::vector<LinkEvent> Drain(LinkEventQueue& events, DetectRun* abort_at_first = nullptr) {
  std::vector<LinkEvent> seen;
  for (;;) {
    std::optional<LinkEvent> e = events.Next(20s);
    if (!e) break;
    seen.push_back(*e);
    if (abort_at_first != nullptr && e->kind == kWmDetectStatus) {
      abort_at_first->Abort();
      abort_at_first = nullptr;
    }
    if (LinkEventQueue::IsEnd(*e)) break;
  }
  return seen;
}

std::vector<LinkEvent> DetectEvents(const std::vector<LinkEvent>& events) {
  std::vector<LinkEvent> out;
  for (const LinkEvent& e : events) {
    if (e.kind == kWmDetectStatus || LinkEventQueue::IsEnd(e)) out.push_back(e);
  }
  return out;
}

TEST(DetectRun, ReportsEachPortTriedAndTheOneFound) {
  ScaledClock clock(20);
  Ports ports(clock, true);
  DetectRun run(&clock);
  DetectSettings settings;
  settings.baud_text = "4800";
  settings.port_factory = ports.Factory();
  run.Configure(settings);
  EXPECT_EQ(run.link().config().baud_rate, 19200u);
  LinkEventQueue events;
  ASSERT_TRUE(run.Start(&events));
  const auto seen = DetectEvents(Drain(events));
  EXPECT_EQ(seen, (std::vector<LinkEvent>{{kWmDetectStatus, 1, 0, {}},
                                          {kWmDetectStatus, 2, 0, {}},
                                          {kWmDetectFound, 2, 0, {}}}));
  EXPECT_EQ(run.Wait(), 2);
  EXPECT_FALSE(run.link().is_open());
}

TEST(DetectRun, AbortFromTheWindowEndsWithFailure) {
  ScaledClock clock(20);
  Ports ports(clock, false);
  DetectRun run(&clock);
  DetectSettings settings;
  settings.port_factory = ports.Factory();
  run.Configure(settings);
  LinkEventQueue events;
  ASSERT_TRUE(run.Start(&events));
  const auto seen = DetectEvents(Drain(events, &run));
  ASSERT_FALSE(seen.empty());
  EXPECT_EQ(seen.back(), (LinkEvent{kWmDetectFailed, kResultDetectFailed, 0, {}}));
  // The abort came while COM1 was shown: the search went no further than the
  // next port's wait.
  EXPECT_LE(seen.size(), 3u);
  EXPECT_EQ(run.Wait(), kResultDetectFailed);
}

TEST(DetectCandidates, PresentDevicesFirstThenTheComPortsThatExist) {
  const std::vector<SerialDevice> present = {
      {"/dev/serial/by-id/usb-x", "/dev/ttyUSB0", "", "", "", -1},
      {"/dev/ttyS9", "/dev/ttyS9", "", "", "", -1},
  };
  const PortMap map = {"/dev/ttyUSB0", "virtual", "/dev/kivo-no-such-port", "/dev/null"};
  EXPECT_EQ(DetectCandidates(present, map),
            (std::vector<PortSpec>{
                {1, "/dev/ttyUSB0"}, {0, "/dev/ttyS9"}, {2, "virtual"}, {4, "/dev/null"}}));
}

// Devices by name: only "/dev/b" answers, with an organizer behind it.
TEST(DetectRun, FindsTheOrganizerOnADeviceByName) {
  ScaledClock clock(20);
  std::vector<std::shared_ptr<MemoryLine>> lines;
  std::vector<std::future<int>> organizers;
  DetectSettings settings;
  settings.port_factory = [&](const PortSpec& port_spec, Clock&) -> std::unique_ptr<SerialPort> {
    auto line = MemoryLine::Create(clock);
    line->SetEcho(0, true);
    lines.push_back(line);
    if (port_spec.device == "/dev/b") {
      organizers.push_back(StartNegotiatingOrganizer(line, clock));
    }
    return line->MakeEnd(0);
  };
  settings.list_ports = [] { return std::vector<PortSpec>{{0, "/dev/a"}, {0, "/dev/b"}}; };
  DetectRun run(&clock);
  run.Configure(settings);
  LinkEventQueue events;
  ASSERT_TRUE(run.Start(&events));
  EXPECT_EQ(DetectEvents(Drain(events)),
            (std::vector<LinkEvent>{{kWmDetectStatus, 0, 0, "/dev/a"},
                                    {kWmDetectStatus, 0, 0, "/dev/b"},
                                    {kWmDetectFound, kResultSuccess, 0, {}}}));
  EXPECT_EQ(run.Wait(), kResultSuccess);
  EXPECT_EQ(run.found(), (PortSpec{0, "/dev/b"}));
  for (auto& organizer : organizers) EXPECT_EQ(organizer.get(), kResultSuccess);
}

}  // namespace
}  // namespace kivo

#ifndef KIVO_TESTS_SUPPORT_ORGANIZER_PAIR_H_
#define KIVO_TESTS_SUPPORT_ORGANIZER_PAIR_H_

// Two CommLinks joined by an in-memory cable: the PC on end 0 (the cable
// echoes what the PC sends) and an organizer on end 1, each driven by its own
// thread as in real use. Time runs on a scaled clock: real time, only faster,
// so time-outs of seconds pass in milliseconds while the two threads still
// meet as they would on a wire.

#include <poll.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <functional>
#include <future>
#include <iterator>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "link/comm_link.h"
#include "link/link_log.h"
#include "link/link_observer.h"
#include "platform/clock.h"
#include "platform/memory_line.h"

namespace kivo {

// Real time multiplied by `factor`.
class ScaledClock : public Clock {
 public:
  // With `scale_waits` false only the pauses run faster; time-outs keep their
  // real length, so a loaded machine cannot make an answer late.
  explicit ScaledClock(uint32_t factor, bool scale_waits = true)
      : factor_(factor), wait_factor_(scale_waits ? factor : 1) {}
  uint32_t NowMs() const override {
    auto real = std::chrono::steady_clock::now() - start_;
    return static_cast<uint32_t>(
        std::chrono::duration_cast<std::chrono::microseconds>(real).count() * wait_factor_ / 1000);
  }
  void SleepMs(uint32_t ms) override {
    std::this_thread::sleep_for(std::chrono::microseconds(uint64_t{ms} * 1000 / factor_));
  }
  LocalDateTime LocalNow() const override { return {2026, 12, 7, 10, 0, 0}; }
  int Poll(struct pollfd* fds, size_t count, uint32_t timeout_ms) override {
    uint64_t real = (uint64_t{timeout_ms} + wait_factor_ - 1) / wait_factor_;
    return poll(fds, count, static_cast<int>(std::min<uint64_t>(real, 60000)));
  }

 private:
  uint32_t factor_;
  uint32_t wait_factor_;
  std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

// Everything a link told its window, in order. Safe from any thread.
class RecordingObserver : public LinkObserver {
 public:
  struct Note {
    int kind;  // kWmLinkStatus, kWmLinkProgress, kWmDetectStatus
    int value;
    int source;
    bool operator==(const Note&) const = default;
  };
  void OnStatus(int total, int source) override {
    Add({kWmLinkStatus, total, source});
    if (on_status_) on_status_(total, source);
  }
  void OnProgress(int value, int source) override { Add({kWmLinkProgress, value, source}); }
  void OnTitleTag(const std::string& tag) override {
    std::lock_guard lock(mutex_);
    tags_.push_back(tag);
  }
  void OnDetectStatus(int port) override {
    Add({kWmDetectStatus, port, 0});
    if (on_detect_) on_detect_(port);
  }
  void SetOnDetect(std::function<void(int)> hook) { on_detect_ = std::move(hook); }
  // Runs on the link's thread right after a status note.
  void SetOnStatus(std::function<void(int, int)> hook) { on_status_ = std::move(hook); }

  std::vector<Note> notes() const {
    std::lock_guard lock(mutex_);
    return notes_;
  }
  std::vector<Note> Of(int kind) const {
    std::vector<Note> out;
    for (const Note& n : notes()) {
      if (n.kind == kind) out.push_back(n);
    }
    return out;
  }
  std::vector<std::string> tags() const {
    std::lock_guard lock(mutex_);
    return tags_;
  }

 private:
  void Add(const Note& note) {
    std::lock_guard lock(mutex_);
    notes_.push_back(note);
  }
  mutable std::mutex mutex_;
  std::vector<Note> notes_;
  std::vector<std::string> tags_;
  std::function<void(int)> on_detect_;
  std::function<void(int, int)> on_status_;
};

// A log file for one test, removed at the end.
class TestLogFile {
 public:
  TestLogFile() {
    const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
    path_ = ::testing::TempDir() + "kivo_proto_" + info->test_suite_name() + "_" + info->name() +
            "_" + std::to_string(getpid()) + ".log";
  }
  ~TestLogFile() { unlink(path_.c_str()); }
  const std::string& path() const { return path_; }
  std::string Read() const {
    std::ifstream in(path_, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  bool Contains(const std::string& text) const {
    std::string crlf;
    for (char c : text) {
      if (c == '\n') crlf += '\r';
      crlf += c;
    }
    return Read().find(crlf) != std::string::npos;
  }

 private:
  std::string path_;
};

class OrganizerPair {
 public:
  explicit OrganizerPair(uint32_t time_factor = 20)
      : clock_(time_factor),
        line_(MemoryLine::Create(clock_)),
        pc_(1, 19200, &clock_),
        organizer_(1, 19200, &clock_) {
    ResetLogTimeBaseForTests();
    line_->SetEcho(0, true);
    auto line = line_;
    pc_.SetSerialPortFactory([line](const PortSpec&, Clock&) -> std::unique_ptr<SerialPort> {
      return line->MakeEnd(0);
    });
    organizer_.SetSerialPortFactory([line](const PortSpec&, Clock&) -> std::unique_ptr<SerialPort> {
      return line->MakeEnd(1);
    });
    organizer_.Configure({.echo_back = false});
  }

  // Opens both ends; false when either fails.
  bool Open() { return pc_.OpenPort(1) && organizer_.OpenPort(1); }

  // Runs the organizer's part on its own thread.
  std::future<int> RunOrganizer(std::function<int(CommLink&)> part) {
    return std::async(std::launch::async,
                      [this, part = std::move(part)] { return part(organizer_); });
  }

  CommLink& pc() { return pc_; }
  CommLink& organizer() { return organizer_; }
  MemoryLine& line() { return *line_; }
  ScaledClock& clock() { return clock_; }

 private:
  ScaledClock clock_;
  std::shared_ptr<MemoryLine> line_;
  CommLink pc_;
  CommLink organizer_;
};

// An organizer on end 1 of `line` that answers one negotiation, on its own
// thread: its result, or -1 when its end does not open.
inline std::future<int> StartNegotiatingOrganizer(std::shared_ptr<MemoryLine> line, Clock& clock) {
  return std::async(std::launch::async, [line, &clock] {
    CommLink organizer(1, 19200, &clock);
    organizer.Configure({.echo_back = false});
    organizer.SetSerialPortFactory([line](const PortSpec&, Clock&) -> std::unique_ptr<SerialPort> {
      return line->MakeEnd(1);
    });
    if (!organizer.OpenPort(1)) return -1;
    return static_cast<int>(organizer.NegotiationForDevice());
  });
}

}  // namespace kivo

#endif  // KIVO_TESTS_SUPPORT_ORGANIZER_PAIR_H_

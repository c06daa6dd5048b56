// The port behind the name "virtual": the PC's end of an in-memory cable whose
// other end a VirtualOrganizer serves on a thread of its own.

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>
#include <utility>

#include "comm/virtual_organizer.h"
#include "link/link_observer.h"
#include "platform/memory_line.h"

namespace kivo {
namespace {

// After the PC closes its end, the organizer gets this long to take in the
// last command (END_COMMUNICATION) before it is told to stop.
constexpr uint32_t kSessionGraceMs = 500;
constexpr uint32_t kGraceStepMs = 2;

class VirtualOrganizerPort : public SerialPort {
 public:
  VirtualOrganizerPort(VirtualOrganizerOptions options, std::shared_ptr<VirtualPcLink> button,
                       Clock& clock)
      : options_(std::move(options)), button_(std::move(button)), clock_(clock) {}
  // A destructor has no one to tell that the session ended badly.
  ~VirtualOrganizerPort() override { (void)Close(); }

  bool Open(const PortSettings& settings) override {
    // The previous session is over either way; this open starts afresh.
    (void)Close();
    line_ = MemoryLine::Create(clock_);
    line_->SetEcho(0, options_.echo);
    line_->SetEcho(1, options_.echo);
    // 8N1: ten bits on the wire for every byte.
    line_->SetPacing(options_.baud_rate / 10);
    end_ = line_->MakeEnd(0);
    if (!end_->Open(settings)) {
      end_.reset();
      line_.reset();
      return false;
    }
    settings_ = settings;
    return true;
  }

  bool Close() override {
    StopOrganizer();
    bool restored = true;
    if (end_ != nullptr) restored = end_->Close();
    end_.reset();
    line_.reset();
    return restored;
  }

  bool IsOpen() const override { return end_ != nullptr && end_->IsOpen(); }
  bool Purge(bool input, bool output) override {
    return end_ != nullptr && end_->Purge(input, output);
  }
  int InputQueued() override { return end_ != nullptr ? end_->InputQueued() : -1; }
  int OutputQueued() override { return end_ != nullptr ? end_->OutputQueued() : -1; }
  int Read(std::span<uint8_t> out) override { return end_ != nullptr ? end_->Read(out) : -1; }
  int Write(std::span<const uint8_t> bytes) override {
    if (end_ == nullptr) return -1;
    StartOrganizer();
    return end_->Write(bytes);
  }
  WakeReason WaitReadable(size_t wanted, uint32_t timeout_ms, const MessageQueue* queue) override {
    if (end_ == nullptr) return WakeReason::kError;
    StartOrganizer();
    return end_->WaitReadable(wanted, timeout_ms, queue);
  }
  WakeReason WaitWritable(uint32_t timeout_ms, const MessageQueue* queue) override {
    return end_ != nullptr ? end_->WaitWritable(timeout_ms, queue) : WakeReason::kError;
  }
  WakeReason WaitOutputDrained(uint32_t timeout_ms, const MessageQueue* queue) override {
    return end_ != nullptr ? end_->WaitOutputDrained(timeout_ms, queue) : WakeReason::kError;
  }
  void ClearError() override {
    if (end_ != nullptr) end_->ClearError();
  }
  std::string ErrorText() const override { return end_ != nullptr ? end_->ErrorText() : ""; }

 private:
  // The organizer is at the other end from the moment the PC starts to
  // listen or talk, not from the open: the PC throws away what came before it
  // purged. From then on each press of its button plays one session.
  void StartOrganizer() {
    if (organizer_.joinable()) return;
    std::shared_ptr<MemoryLine> line = line_;
    stop_.store(false);
    organizer_ = std::thread([this, line] {
      while (button_->WaitForPress(stop_)) {
        serving_.store(true);
        ServeOneSession(line);
        serving_.store(false);
      }
    });
  }

  void ServeOneSession(const std::shared_ptr<MemoryLine>& line) {
    VirtualOrganizer organizer(options_);
    organizer.Load();
    CommLink link(0, settings_.baud_rate, &clock_);
    link.SetMessageQueue(&queue_);
    link.SetSerialPortFactory([line](const PortSpec&, Clock&) -> std::unique_ptr<SerialPort> {
      return line->MakeEnd(1);
    });
    link.SetPortName(kVirtualPort);
    LinkConfig config;
    config.baud_rate = settings_.baud_rate;
    config.echo_back = options_.echo;
    link.Configure(config);
    link.SetLogFileName(options_.log_file_name);
    // The end opens (and purges what the PC sent while nobody listened) when
    // the organizer starts to call.
    if (link.OpenPort(-1)) {
      // The PC side sees how the session ended; the organizer keeps what arrived.
      (void)organizer.Serve(link);
      // The in-memory line has no settings to restore.
      (void)link.ClosePort();
    }
    // The session thread has no one to tell; an unsaved change is lost as
    // on an organizer whose batteries ran out, and the next session loads the
    // file as it was.
    if (organizer.changed()) (void)organizer.Save();
    // An abort meant for this session must not stop the next one.
    while (queue_.TakeOne()) {
    }
  }

  void StopOrganizer() {
    if (!organizer_.joinable()) return;
    stop_.store(true);
    button_->Wake();
    for (uint32_t waited = 0; serving_.load() && waited < kSessionGraceMs; waited += kGraceStepMs) {
      std::this_thread::sleep_for(std::chrono::milliseconds(kGraceStepMs));
    }
    if (serving_.load()) queue_.Post({kWmLinkAbort, 0, 0});
    organizer_.join();
  }

  VirtualOrganizerOptions options_;
  std::shared_ptr<VirtualPcLink> button_;
  Clock& clock_;
  PortSettings settings_;
  std::shared_ptr<MemoryLine> line_;
  std::unique_ptr<SerialPort> end_;
  MessageQueue queue_;
  std::thread organizer_;
  std::atomic<bool> stop_{false};
  std::atomic<bool> serving_{false};
};

}  // namespace

VirtualPcLink::VirtualPcLink(bool pressed, uint32_t press_every_ms) : pressed_(pressed) {
  if (press_every_ms == 0) return;
  presser_ = std::thread([this, press_every_ms] {
    std::unique_lock lock(mutex_);
    while (!changed_.wait_for(lock, std::chrono::milliseconds(press_every_ms),
                              [this] { return ending_; })) {
      pressed_ = true;
      changed_.notify_all();
    }
  });
}

VirtualPcLink::~VirtualPcLink() {
  {
    std::lock_guard lock(mutex_);
    ending_ = true;
  }
  changed_.notify_all();
  if (presser_.joinable()) presser_.join();
}

void VirtualPcLink::Press() {
  {
    std::lock_guard lock(mutex_);
    pressed_ = true;
  }
  changed_.notify_all();
}

bool VirtualPcLink::WaitForPress(const std::atomic<bool>& stop) {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [&] { return pressed_ || stop.load(); });
  if (stop.load()) return false;
  pressed_ = false;
  ++sessions_;
  return true;
}

void VirtualPcLink::Wake() {
  // Taking the lock orders the waiter's look at its stop flag before this
  // notification or after it, never in between.
  { std::lock_guard lock(mutex_); }
  changed_.notify_all();
}

int VirtualPcLink::sessions() const {
  std::lock_guard lock(mutex_);
  return sessions_;
}

SerialPortFactory VirtualOrganizerFactory(const VirtualOrganizerOptions& options,
                                          SerialPortFactory fallback,
                                          std::shared_ptr<VirtualPcLink> button) {
  if (button == nullptr) button = std::make_shared<VirtualPcLink>();
  return [options, fallback = std::move(fallback), button = std::move(button)](
             const PortSpec& port_spec, Clock& clock) -> std::unique_ptr<SerialPort> {
    if (port_spec.device == kVirtualPort)
      return std::make_unique<VirtualOrganizerPort>(options, button, clock);
    return fallback ? fallback(port_spec, clock) : nullptr;
  };
}

}  // namespace kivo

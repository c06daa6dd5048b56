// The port behind the name "virtual": the PC's end of an in-memory cable whose
// other end a VirtualOrganizer serves on a thread of its own.

#include <atomic>
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
  VirtualOrganizerPort(VirtualOrganizerOptions options, Clock& clock)
      : options_(std::move(options)), clock_(clock) {}
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
    EndSession();
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
    StartSession();
    return end_->Write(bytes);
  }
  WakeReason WaitReadable(size_t wanted, uint32_t timeout_ms, const MessageQueue* queue) override {
    if (end_ == nullptr) return WakeReason::kError;
    StartSession();
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
  // The organizer is "pressed into PC-LINK" once the PC starts to listen or
  // talk, not at the open: the PC throws away what came before it purged.
  void StartSession() {
    if (session_.joinable()) return;
    std::shared_ptr<MemoryLine> line = line_;
    done_.store(false);
    session_ = std::thread([this, line] {
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
      done_.store(true);
    });
  }

  void EndSession() {
    if (!session_.joinable()) return;
    for (uint32_t waited = 0; !done_.load() && waited < kSessionGraceMs; waited += kGraceStepMs) {
      std::this_thread::sleep_for(std::chrono::milliseconds(kGraceStepMs));
    }
    if (!done_.load()) queue_.Post({kWmLinkAbort, 0, 0});
    session_.join();
  }

  VirtualOrganizerOptions options_;
  Clock& clock_;
  PortSettings settings_;
  std::shared_ptr<MemoryLine> line_;
  std::unique_ptr<SerialPort> end_;
  MessageQueue queue_;
  std::thread session_;
  std::atomic<bool> done_{false};
};

}  // namespace

SerialPortFactory VirtualOrganizerFactory(const VirtualOrganizerOptions& options,
                                          SerialPortFactory fallback) {
  return [options, fallback = std::move(fallback)](const PortSpec& port_spec,
                                                   Clock& clock) -> std::unique_ptr<SerialPort> {
    if (port_spec.device == kVirtualPort)
      return std::make_unique<VirtualOrganizerPort>(options, clock);
    return fallback ? fallback(port_spec, clock) : nullptr;
  };
}

}  // namespace kivo

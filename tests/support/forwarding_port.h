#ifndef KIVO_TESTS_SUPPORT_FORWARDING_PORT_H_
#define KIVO_TESTS_SUPPORT_FORWARDING_PORT_H_

// A port that passes every call to the port it wraps. A test or bench
// derives from it and overrides only the calls it watches or bends.
// Header only: the benches use it without the test libraries.

#include <memory>
#include <span>
#include <string>
#include <utility>

#include "platform/serial_port.h"

namespace kivo {

class ForwardingPort : public SerialPort {
 public:
  explicit ForwardingPort(std::unique_ptr<SerialPort> inner) : inner_(std::move(inner)) {}

  bool Open(const PortSettings& settings) override { return inner_->Open(settings); }
  bool Close() override { return inner_->Close(); }
  bool IsOpen() const override { return inner_->IsOpen(); }
  bool Purge(bool input, bool output) override { return inner_->Purge(input, output); }
  int InputQueued() override { return inner_->InputQueued(); }
  int OutputQueued() override { return inner_->OutputQueued(); }
  int Read(std::span<uint8_t> out) override { return inner_->Read(out); }
  int Write(std::span<const uint8_t> bytes) override { return inner_->Write(bytes); }
  WakeReason WaitReadable(size_t wanted, uint32_t timeout_ms, const MessageQueue* queue) override {
    return inner_->WaitReadable(wanted, timeout_ms, queue);
  }
  WakeReason WaitWritable(uint32_t timeout_ms, const MessageQueue* queue) override {
    return inner_->WaitWritable(timeout_ms, queue);
  }
  WakeReason WaitOutputDrained(uint32_t timeout_ms, const MessageQueue* queue) override {
    return inner_->WaitOutputDrained(timeout_ms, queue);
  }
  void ClearError() override { inner_->ClearError(); }
  std::string ErrorText() const override { return inner_->ErrorText(); }

 protected:
  SerialPort& inner() { return *inner_; }

 private:
  std::unique_ptr<SerialPort> inner_;
};

}  // namespace kivo

#endif  // KIVO_TESTS_SUPPORT_FORWARDING_PORT_H_

#include "comm/detect_run.h"

#include <system_error>

namespace kivo {

uint32_t BaudRateFromText(std::string_view text) {
  for (uint32_t baud : {9600u, 19200u, 38400u, 57600u, 115200u}) {
    if (text == std::to_string(baud)) return baud;
  }
  return 19200;
}

DetectRun::DetectRun(Clock* clock) : link_(1, 19200, clock) { link_.SetMessageQueue(&queue_); }

DetectRun::~DetectRun() {
  if (worker_.joinable()) {
    Abort();
    worker_.join();
  }
  (void)link_.ClosePort();
}

void DetectRun::Configure(const DetectSettings& settings) {
  link_.set_device_code(settings.device_code == 1 ? 1 : 2, 0);
  link_.set_baud_rate(BaudRateFromText(settings.baud_text));
  link_.SetLogFileName(settings.log_file_name);
  link_.set_echo_back(settings.echo_back != 0);
  link_.SetPortMap(settings.port_map);
  if (settings.port_factory) link_.SetSerialPortFactory(settings.port_factory);
}

bool DetectRun::Start(LinkObserver* window) {
  if (started_.load()) return false;
  link_.set_observer(window);
  started_.store(true);
  try {
    worker_ = std::thread([this, window] {
      const int r = link_.AutoDetect();
      result_ = r;
      if (window == nullptr) return;
      if (r >= 1 && r <= 4) {
        window->OnDetectFound(r);
      } else {
        window->OnDetectFailed(r);
      }
    });
  } catch (const std::system_error&) {
    started_.store(false);
    return false;
  }
  return true;
}

void DetectRun::Abort() {
  if (started_.load()) queue_.Post({kWmDetectAbort, 0, 0});
}

int DetectRun::Wait() {
  if (worker_.joinable()) worker_.join();
  return result_;
}

}  // namespace kivo

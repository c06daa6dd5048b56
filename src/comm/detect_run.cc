#include "comm/detect_run.h"

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <optional>
#include <system_error>

#include "platform/link_defaults.h"

namespace kivo {

uint32_t BaudRateFromText(std::string_view text) {
  for (uint32_t baud : {9600u, 19200u, 38400u, 57600u, 115200u}) {
    if (text == std::to_string(baud)) return baud;
  }
  return kLinkBaudRate;
}

namespace {

bool SameDevice(const std::string& a, const std::string& b) {
  if (a == b) return true;
  std::error_code ec;
  return std::filesystem::equivalent(a, b, ec) && !ec;
}

bool IsCharDevice(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0 && S_ISCHR(st.st_mode);
}

}  // namespace

std::vector<PortSpec> DetectCandidates(const std::vector<SerialDevice>& present,
                                       const PortMap& port_map) {
  std::vector<PortSpec> ports;
  std::array<bool, kComPorts> taken{};
  for (const SerialDevice& device : present) {
    PortSpec port{0, device.path};
    for (size_t i = 0; i < port_map.size(); ++i) {
      if (!taken[i] &&
          (SameDevice(port_map[i], device.path) || SameDevice(port_map[i], device.node))) {
        port = {static_cast<int>(i) + 1, port_map[i]};
        taken[i] = true;
        break;
      }
    }
    ports.push_back(port);
  }
  for (size_t i = 0; i < port_map.size(); ++i) {
    if (!taken[i] && (port_map[i] == kVirtualPort || IsCharDevice(port_map[i]))) {
      ports.push_back({static_cast<int>(i) + 1, port_map[i]});
    }
  }
  return ports;
}

DetectRun::DetectRun(Clock* clock) : link_(1, kLinkBaudRate, clock) {
  link_.SetMessageQueue(&queue_);
}

DetectRun::~DetectRun() {
  if (worker_.joinable()) {
    Abort();
    worker_.join();
  }
  // Going away: a line whose settings cannot be restored is closed all the same.
  (void)link_.ClosePort();
}

void DetectRun::Configure(const DetectSettings& settings) {
  // The link's own time-outs: the settings' do not apply to a detection.
  LinkConfig config;
  config.baud_rate = BaudRateFromText(settings.baud_text);
  config.echo_back = settings.echo_back != 0;
  config.device_code_high = DeviceCodeHigh(settings.device_code);
  link_.Configure(config);
  link_.SetLogFileName(settings.log_file_name);
  link_.SetPortMap(settings.port_map);
  if (settings.port_factory) link_.SetSerialPortFactory(settings.port_factory);
  list_ports_ = settings.list_ports;
}

bool DetectRun::Start(LinkObserver* window) {
  if (started_.load()) return false;
  started_.store(true);
  std::optional<std::vector<PortSpec>> ports;
  if (list_ports_) ports = list_ports_();
  try {
    worker_ = std::thread([this, window, ports = std::move(ports)] {
      const ResultCode r = ports ? link_.AutoDetect(*ports, window) : link_.AutoDetect(window);
      result_ = r;
      if (window == nullptr) return;
      if (IsComPortNumber(r) || r == kResultSuccess) {
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

ResultCode DetectRun::Wait() {
  if (worker_.joinable()) worker_.join();
  return result_;
}

}  // namespace kivo

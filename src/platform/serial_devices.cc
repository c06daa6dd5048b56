#include "platform/serial_devices.h"

#include <sys/eventfd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <system_error>
#include <tuple>

namespace kivo {
namespace {

namespace fs = std::filesystem;

constexpr const char* kNodePrefixes[] = {"ttyUSB", "ttyACM", "ttyS"};

std::string BaseName(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The node's name as the user knows it: "ttyUSB0", "pts/3".
std::string NodeName(const std::string& node) {
  constexpr std::string_view kDev = "/dev/";
  if (node.starts_with(kDev) && node.find('/', kDev.size()) != std::string::npos) {
    return node.substr(kDev.size());
  }
  return BaseName(node);
}

bool IsPseudoTerminal(const std::string& node) {
  const std::string name = NodeName(node);
  return name.starts_with("pts/") && name.size() > 4 &&
         name.find_first_not_of("0123456789", 4) == std::string::npos;
}

// The group of a node name in the listing order (0 ttyUSB, 1 ttyACM, 2 ttyS,
// 3 anything else), or -1 when the name is not a serial node we list.
int NodeGroup(const std::string& name) {
  for (int group = 0; group < 3; ++group) {
    const char* prefix = kNodePrefixes[group];
    const size_t n = std::strlen(prefix);
    if (name.size() > n && name.compare(0, n, prefix) == 0 &&
        name.find_first_not_of("0123456789", n) == std::string::npos) {
      return group;
    }
  }
  return -1;
}

// Natural order: the part before the trailing number, then the number.
std::tuple<std::string, long, std::string> NaturalKey(const std::string& path) {
  size_t digits = path.size();
  while (digits > 0 && std::isdigit(static_cast<unsigned char>(path[digits - 1])) != 0) --digits;
  const long number = digits < path.size() ? std::strtol(path.c_str() + digits, nullptr, 10) : -1;
  return {path.substr(0, digits), number, path};
}

std::string FirstLine(const fs::path& file) {
  std::ifstream in(file);
  std::string line;
  std::getline(in, line);
  while (!line.empty() && std::isspace(static_cast<unsigned char>(line.back())) != 0) {
    line.pop_back();
  }
  return line;
}

bool IsCharDevice(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0 && S_ISCHR(st.st_mode);
}

}  // namespace

std::string SerialDevice::Description() const {
  if (model.empty()) return vendor;
  return vendor.empty() ? model : model + " (" + vendor + ")";
}

std::string SerialDevice::Label() const {
  const std::string description = Description();
  const std::string name = NodeName(node.empty() ? path : node);
  return description.empty() ? name : name + ": " + description;
}

void SortSerialDevices(std::vector<SerialDevice>& devices) {
  auto key = [](const SerialDevice& d) {
    const bool by_id = d.path != d.node;
    const int group = IsPseudoTerminal(d.node) ? 4 : NodeGroup(BaseName(d.node));
    return std::make_tuple(by_id ? 0 : 1 + (group < 0 ? 3 : group),
                           NaturalKey(by_id ? d.path : d.node));
  };
  std::stable_sort(devices.begin(), devices.end(),
                   [&](const SerialDevice& a, const SerialDevice& b) { return key(a) < key(b); });
}

void ReadSysfsDetails(const std::string& sys_root, SerialDevice& device) {
  const fs::path tty = fs::path(sys_root) / "class/tty" / BaseName(device.node);
  std::error_code ec;
  if (std::string latency = FirstLine(tty / "device/latency_timer"); !latency.empty()) {
    device.latency_timer_ms = std::atoi(latency.c_str());
  }
  // Up from the port to the USB device, the first folder with an idVendor.
  fs::path dir = fs::canonical(tty / "device", ec);
  for (int depth = 0; !ec && depth < 6 && dir.has_relative_path();
       ++depth, dir = dir.parent_path()) {
    if (!fs::exists(dir / "idVendor", ec)) continue;
    if (device.vendor.empty()) device.vendor = FirstLine(dir / "manufacturer");
    if (device.model.empty()) device.model = FirstLine(dir / "product");
    if (device.serial.empty()) device.serial = FirstLine(dir / "serial");
    break;
  }
}

bool IsSerialNode(const std::string& sys_root, const std::string& node) {
  const std::string name = BaseName(node);
  if (NodeGroup(name) >= 0) return true;
  // Any other tty with hardware behind it (ttyAMA0, rfcomm0, ttyXRUSB0);
  // consoles and pseudo-terminals have none.
  std::error_code ec;
  return fs::exists(fs::path(sys_root) / "class/tty" / name / "device", ec);
}

void AppendPseudoTerminals(const std::string& dev_root, std::vector<SerialDevice>& devices) {
  std::error_code ec;
  for (const fs::directory_entry& entry : fs::directory_iterator(fs::path(dev_root) / "pts", ec)) {
    const std::string name = entry.path().filename().string();
    if (name.find_first_not_of("0123456789") != std::string::npos) continue;  // ptmx
    if (!IsCharDevice(entry.path().string())) continue;
    SerialDevice device;
    // A test's own /dev holds links to the system's: the system's node is
    // the one to open and to show.
    std::error_code link_ec;
    const fs::path real = fs::canonical(entry.path(), link_ec);
    device.node = link_ec ? entry.path().string() : real.string();
    device.path = device.node;
    device.model = "pseudo-terminal";
    devices.push_back(device);
  }
}

bool HasPortBehind(const std::string& sys_root, const std::string& node) {
  const std::string name = BaseName(node);
  if (NodeGroup(name) != 2) return true;
  const std::string type = FirstLine(fs::path(sys_root) / "class/tty" / name / "type");
  return type.empty() || type != "0";
}

std::string UnescapeDeviceText(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\\' && i + 3 < text.size() && text[i + 1] == 'x' &&
        std::isxdigit(static_cast<unsigned char>(text[i + 2])) != 0 &&
        std::isxdigit(static_cast<unsigned char>(text[i + 3])) != 0) {
      out.push_back(static_cast<char>(std::stoi(text.substr(i + 2, 2), nullptr, 16)));
      i += 3;
    } else {
      out.push_back(text[i] == '_' ? ' ' : text[i]);
    }
  }
  while (!out.empty() && out.back() == ' ') out.pop_back();
  return out;
}

// ---- DevScanSerialDevices -----------------------------------------------------

DevScanSerialDevices::DevScanSerialDevices(std::string dev_root, std::string sys_root)
    : dev_root_(std::move(dev_root)), sys_root_(std::move(sys_root)) {}

std::vector<SerialDevice> DevScanSerialDevices::List() {
  std::vector<SerialDevice> devices;
  std::error_code ec;
  for (const fs::directory_entry& entry : fs::directory_iterator(dev_root_, ec)) {
    const std::string name = entry.path().filename().string();
    const std::string node = entry.path().string();
    if (!IsSerialNode(sys_root_, node) || !IsCharDevice(node) || !HasPortBehind(sys_root_, node)) {
      continue;
    }
    SerialDevice device;
    device.path = node;
    device.node = node;
    devices.push_back(device);
  }
  // The by-id links, first of them in name order for each node.
  std::map<std::string, std::string> by_id;
  for (const fs::directory_entry& entry :
       fs::directory_iterator(fs::path(dev_root_) / "serial/by-id", ec)) {
    std::error_code link_ec;
    const std::string target = fs::canonical(entry.path(), link_ec).string();
    if (link_ec) continue;
    auto [it, added] = by_id.emplace(target, entry.path().string());
    if (!added && entry.path().string() < it->second) it->second = entry.path().string();
  }
  for (SerialDevice& device : devices) {
    std::error_code link_ec;
    const std::string canonical = fs::canonical(device.node, link_ec).string();
    if (auto it = by_id.find(link_ec ? device.node : canonical); it != by_id.end()) {
      device.path = it->second;
    }
    ReadSysfsDetails(sys_root_, device);
  }
  AppendPseudoTerminals(dev_root_, devices);
  SortSerialDevices(devices);
  return devices;
}

// ---- FakeSerialDevices --------------------------------------------------------

FakeSerialDevices::FakeSerialDevices() : fd_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

FakeSerialDevices::~FakeSerialDevices() {
  if (fd_ >= 0) close(fd_);
}

void FakeSerialDevices::Announce() {
  const uint64_t one = 1;
  // A full counter already wakes the watcher; nothing is lost.
  if (fd_ >= 0) (void)!write(fd_, &one, sizeof one);
}

void FakeSerialDevices::Set(std::vector<SerialDevice> devices) {
  {
    std::lock_guard lock(mutex_);
    devices_ = std::move(devices);
  }
  Announce();
}

void FakeSerialDevices::Add(const SerialDevice& device) {
  {
    std::lock_guard lock(mutex_);
    devices_.push_back(device);
  }
  Announce();
}

void FakeSerialDevices::Remove(const std::string& path) {
  {
    std::lock_guard lock(mutex_);
    std::erase_if(devices_, [&](const SerialDevice& d) { return d.path == path; });
  }
  Announce();
}

std::vector<SerialDevice> FakeSerialDevices::List() {
  std::lock_guard lock(mutex_);
  std::vector<SerialDevice> devices = devices_;
  SortSerialDevices(devices);
  return devices;
}

bool FakeSerialDevices::TakeChanges() {
  uint64_t count = 0;
  return fd_ >= 0 && read(fd_, &count, sizeof count) == static_cast<ssize_t>(sizeof count);
}

// ---- The system's devices -----------------------------------------------------

std::unique_ptr<SerialDevices> OpenSerialDevices() {
  // The daemon's control socket: without it the udev database holds no
  // properties and no events come.
  if (access("/run/udev/control", F_OK) == 0) {
    if (std::unique_ptr<SerialDevices> udev = OpenUdevSerialDevices()) return udev;
  }
  return std::make_unique<DevScanSerialDevices>();
}

}  // namespace kivo

// The serial devices through libudev: enumeration of the tty subsystem, the
// properties udev's rules gave each device (ID_VENDOR, ID_MODEL, ID_SERIAL)
// and its /dev/serial/by-id links, and a monitor for devices coming and going.

#include <libudev.h>
#include <poll.h>
#include <sys/stat.h>

#include <cstring>
#include <optional>
#include <string>
#include <string_view>

#include "platform/serial_devices.h"

namespace kivo {
namespace {

constexpr const char* kByIdPrefix = "/dev/serial/by-id/";

std::string Property(udev_device* device, const char* name) {
  const char* value = udev_device_get_property_value(device, name);
  return value != nullptr ? value : "";
}

// The readable form of a property: the _ENC variant with its escapes undone,
// else the plain one with its underscores turned back into blanks.
std::string Text(udev_device* device, const char* name) {
  std::string value = Property(device, (std::string(name) + "_ENC").c_str());
  if (value.empty()) value = Property(device, name);
  return UnescapeDeviceText(value);
}

class UdevSerialDevices : public SerialDevices {
 public:
  UdevSerialDevices(udev* context, udev_monitor* monitor) : udev_(context), monitor_(monitor) {}
  ~UdevSerialDevices() override {
    if (monitor_ != nullptr) udev_monitor_unref(monitor_);
    udev_unref(udev_);
  }
  UdevSerialDevices(const UdevSerialDevices&) = delete;
  UdevSerialDevices& operator=(const UdevSerialDevices&) = delete;

  std::vector<SerialDevice> List() override {
    std::vector<SerialDevice> devices;
    udev_enumerate* enumerate = udev_enumerate_new(udev_);
    if (enumerate == nullptr) return devices;
    udev_enumerate_add_match_subsystem(enumerate, "tty");
    udev_enumerate_scan_devices(enumerate);
    udev_list_entry* entry = nullptr;
    udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(enumerate)) {
      udev_device* device = udev_device_new_from_syspath(udev_, udev_list_entry_get_name(entry));
      if (device == nullptr) continue;
      if (auto found = Describe(device)) devices.push_back(*found);
      udev_device_unref(device);
    }
    udev_enumerate_unref(enumerate);
    // udev does not list pseudo-terminals.
    AppendPseudoTerminals("/dev", devices);
    SortSerialDevices(devices);
    return devices;
  }

  int change_fd() const override {
    return monitor_ != nullptr ? udev_monitor_get_fd(monitor_) : -1;
  }

  bool TakeChanges() override {
    if (monitor_ == nullptr) return false;
    bool changed = false;
    // The monitor's socket does not block: take what is there.
    while (udev_device* device = udev_monitor_receive_device(monitor_)) {
      const char* action = udev_device_get_action(device);
      if (action != nullptr &&
          (std::strcmp(action, "add") == 0 || std::strcmp(action, "remove") == 0)) {
        changed = true;
      }
      udev_device_unref(device);
    }
    return changed;
  }

 private:
  // The device as listed, or nothing for a tty that is no serial port we
  // list (virtual consoles, pseudo-terminals, a ttyS without hardware) or
  // whose node is not there.
  std::optional<SerialDevice> Describe(udev_device* device) {
    const char* node = udev_device_get_devnode(device);
    if (node == nullptr) return std::nullopt;
    SerialDevice found;
    found.node = node;
    found.path = node;
    // Consoles, pseudo-terminals and the like live under /devices/virtual;
    // every other tty has hardware behind it.
    const char* devpath = udev_device_get_devpath(device);
    if (devpath == nullptr || std::string_view(devpath).starts_with("/devices/virtual/")) {
      return std::nullopt;
    }
    struct stat st {};
    if (stat(node, &st) != 0 || !S_ISCHR(st.st_mode)) return std::nullopt;
    if (!HasPortBehind("/sys", found.node)) return std::nullopt;
    udev_list_entry* link = nullptr;
    std::string by_id;
    udev_list_entry_foreach(link, udev_device_get_devlinks_list_entry(device)) {
      const std::string name_of_link = udev_list_entry_get_name(link);
      if (name_of_link.rfind(kByIdPrefix, 0) == 0 && (by_id.empty() || name_of_link < by_id)) {
        by_id = name_of_link;
      }
    }
    if (!by_id.empty()) found.path = by_id;
    found.vendor = Text(device, "ID_VENDOR");
    found.model = Text(device, "ID_MODEL");
    found.serial = Property(device, "ID_SERIAL_SHORT");
    ReadSysfsDetails("/sys", found);
    return found;
  }

  udev* udev_;
  udev_monitor* monitor_;
};

}  // namespace

std::unique_ptr<SerialDevices> OpenUdevSerialDevices() {
  udev* context = udev_new();
  if (context == nullptr) return nullptr;
  udev_monitor* monitor = udev_monitor_new_from_netlink(context, "udev");
  if (monitor != nullptr &&
      (udev_monitor_filter_add_match_subsystem_devtype(monitor, "tty", nullptr) < 0 ||
       udev_monitor_enable_receiving(monitor) < 0)) {
    udev_monitor_unref(monitor);
    monitor = nullptr;
  }
  return std::make_unique<UdevSerialDevices>(context, monitor);
}

}  // namespace kivo

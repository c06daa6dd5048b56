#ifndef KIVO_PLATFORM_SERIAL_DEVICES_H_
#define KIVO_PLATFORM_SERIAL_DEVICES_H_

#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace kivo {

// One serial device present on this machine, as the user knows it.
struct SerialDevice {
  // The name to open and to keep in the settings: the lasting
  // /dev/serial/by-id name when the device has one, else the node.
  std::string path;
  std::string node;    // the kernel's device node, /dev/ttyUSB0
  std::string vendor;  // "FTDI"; empty when the system does not say
  std::string model;   // "FT232R USB UART"
  std::string serial;  // the adapter's serial number
  // The USB adapter's latency timer in ms where the driver shows it, else -1.
  int latency_timer_ms = -1;

  // "FT232R USB UART (FTDI)", or empty when nothing is known.
  [[nodiscard]] std::string Description() const;
  // "ttyUSB0: FT232R USB UART (FTDI)": the node's name and the description.
  [[nodiscard]] std::string Label() const;
  bool operator==(const SerialDevice&) const = default;
};

// The serial devices present, and word when that changes (an adapter plugged
// in or pulled out). Not thread-safe: one thread asks at a time.
class SerialDevices {
 public:
  virtual ~SerialDevices() = default;

  // The by-id names first, then ttyUSB*, ttyACM*, the ttyS* with a port
  // behind them, any other tty with hardware behind it and the
  // pseudo-terminals (/dev/pts/N, "pts/3: pseudo-terminal"), each group in
  // natural order (ttyUSB2 before ttyUSB10).
  [[nodiscard]] virtual std::vector<SerialDevice> List() = 0;
  // A descriptor that becomes readable when devices come or go, for poll() or
  // an event loop; -1 when changes are not announced (then call List() again
  // from time to time).
  [[nodiscard]] virtual int change_fd() const = 0;
  // After change_fd() became readable: takes the announcements, so that it
  // is quiet again. True when a serial device came or went.
  virtual bool TakeChanges() = 0;
};

// The system's devices: through udev where its daemon runs, else a scan of
// /dev (and of /sys for the adapters' names) that announces nothing.
[[nodiscard]] std::unique_ptr<SerialDevices> OpenSerialDevices();

// Through libudev: the tty subsystem's devices with their ID_* properties and
// by-id links, and a monitor of added and removed ones. Null when udev cannot
// be reached.
[[nodiscard]] std::unique_ptr<SerialDevices> OpenUdevSerialDevices();

// A scan of dev_root for ttyUSB*, ttyACM*, ttyS* and serial/by-id, with what
// sys_root/class/tty tells of each. A ttyS node counts only when the kernel
// knows a port type for it (its "type" is not 0).
class DevScanSerialDevices : public SerialDevices {
 public:
  explicit DevScanSerialDevices(std::string dev_root = "/dev", std::string sys_root = "/sys");
  std::vector<SerialDevice> List() override;
  int change_fd() const override { return -1; }
  bool TakeChanges() override { return false; }

 private:
  std::string dev_root_;
  std::string sys_root_;
};

// Devices handed in by a test (usually pseudo-terminals with made-up names);
// every Set, Add or Remove is announced on change_fd(). Any thread may change
// the list.
class FakeSerialDevices : public SerialDevices {
 public:
  FakeSerialDevices();
  ~FakeSerialDevices() override;
  FakeSerialDevices(const FakeSerialDevices&) = delete;
  FakeSerialDevices& operator=(const FakeSerialDevices&) = delete;

  void Set(std::vector<SerialDevice> devices);
  void Add(const SerialDevice& device);
  void Remove(const std::string& path);

  std::vector<SerialDevice> List() override;
  int change_fd() const override { return fd_; }
  bool TakeChanges() override;

 private:
  void Announce();

  std::mutex mutex_;
  std::vector<SerialDevice> devices_;
  int fd_ = -1;
};

// ---- Helpers shared by the implementations ---------------------------------

// Puts devices into the listing order of SerialDevices::List.
void SortSerialDevices(std::vector<SerialDevice>& devices);
// What sys_root/class/tty/<name> tells of the node's adapter: vendor, model
// and serial of the USB device above it, and the latency timer. Fields the
// device already has are kept.
void ReadSysfsDetails(const std::string& sys_root, SerialDevice& device);
// Whether a node's name is one of a serial port: ttyUSB*, ttyACM*, ttyS*, or
// another tty with a device behind it in sys_root/class/tty.
[[nodiscard]] bool IsSerialNode(const std::string& sys_root, const std::string& node);
// Adds the pseudo-terminals of dev_root/pts.
void AppendPseudoTerminals(const std::string& dev_root, std::vector<SerialDevice>& devices);
// Whether a ttyS node has a port behind it (sysfs "type" not 0); true for
// every other name and when sysfs does not say.
[[nodiscard]] bool HasPortBehind(const std::string& sys_root, const std::string& node);
// A udev property value with its escapes (\x20) undone and '_' for blanks
// turned back.
[[nodiscard]] std::string UnescapeDeviceText(const std::string& text);

}  // namespace kivo

#endif  // KIVO_PLATFORM_SERIAL_DEVICES_H_

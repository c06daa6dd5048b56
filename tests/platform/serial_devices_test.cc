#include "platform/serial_devices.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace kivo {
namespace {

namespace fs = std::filesystem;

// A pseudo-terminal's slave: a real character device to stand for a port.
struct PtyNode {
  PtyNode() {
    master = posix_openpt(O_RDWR | O_NOCTTY);
    if (master >= 0 && grantpt(master) == 0 && unlockpt(master) == 0) path = ptsname(master);
  }
  ~PtyNode() {
    if (master >= 0) close(master);
  }
  int master = -1;
  std::string path;
};

void WriteFile(const fs::path& file, const std::string& text) {
  fs::create_directories(file.parent_path());
  std::ofstream(file) << text << "\n";
}

// A /dev and a /sys as the scan sees them: nodes are links to pseudo-
// terminals, sysfs holds what the kernel would say of them.
class FakeMachine {
 public:
  FakeMachine() {
    root_ = fs::temp_directory_path() / ("kivo-devices-" + std::to_string(getpid()));
    fs::remove_all(root_);
    fs::create_directories(dev() / "serial/by-id");
    fs::create_directories(sys() / "class/tty");
  }
  ~FakeMachine() { fs::remove_all(root_); }
  fs::path dev() const { return root_ / "dev"; }
  fs::path sys() const { return root_ / "sys"; }

  // A node backed by a fresh pseudo-terminal.
  void Node(const std::string& name) {
    ptys_.push_back(std::make_unique<PtyNode>());
    fs::create_symlink(ptys_.back()->path, dev() / name);
  }
  // sysfs of a USB adapter behind the node, with its latency timer.
  void UsbAdapter(const std::string& name, const std::string& maker, const std::string& product,
                  const std::string& serial, int latency) {
    const fs::path usb = sys() / "devices/usb1/1-1";
    const fs::path port = usb / "1-1:1.0" / name;
    WriteFile(usb / "idVendor", "0403");
    WriteFile(usb / "manufacturer", maker);
    WriteFile(usb / "product", product);
    WriteFile(usb / "serial", serial);
    WriteFile(port / "latency_timer", std::to_string(latency));
    fs::create_directories(sys() / "class/tty" / name);
    fs::create_directory_symlink(port, sys() / "class/tty" / name / "device");
  }

 private:
  fs::path root_;
  std::vector<std::unique_ptr<PtyNode>> ptys_;
};

TEST(DevScanSerialDevices, ListsByIdFirstThenUsbAcmAndRealSerialPorts) {
  FakeMachine machine;
  for (const char* name :
       {"ttyS0", "ttyS1", "ttyUSB10", "ttyUSB2", "ttyUSB3", "ttyACM0", "tty5", "ttyUSBx"}) {
    machine.Node(name);
  }
  WriteFile(machine.dev() / "ttyS7", "a plain file is no device");
  WriteFile(machine.sys() / "class/tty/ttyS0/type", "4");
  WriteFile(machine.sys() / "class/tty/ttyS1/type", "0");  // no UART behind it
  machine.UsbAdapter("ttyUSB3", "FTDI", "FT232R USB UART", "A50285BI", 16);
  const fs::path by_id =
      machine.dev() / "serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0";
  fs::create_symlink("../../ttyUSB3", by_id);

  DevScanSerialDevices scan(machine.dev().string(), machine.sys().string());
  const std::vector<SerialDevice> devices = scan.List();
  std::vector<std::string> labels;
  for (const SerialDevice& d : devices) {
    labels.push_back(fs::path(d.path).filename().string() + " | " + d.Label() + " | " + d.serial +
                     " | " + std::to_string(d.latency_timer_ms));
  }
  EXPECT_EQ(labels, (std::vector<std::string>{
                        "usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0 | "
                        "ttyUSB3: FT232R USB UART (FTDI) | A50285BI | 16",
                        "ttyUSB2 | ttyUSB2 |  | -1",
                        "ttyUSB10 | ttyUSB10 |  | -1",
                        "ttyACM0 | ttyACM0 |  | -1",
                        "ttyS0 | ttyS0 |  | -1",
                    }));
}

TEST(UnescapeDeviceText, UndoesEscapesAndUnderscores) {
  const std::pair<const char*, const char*> kCases[] = {
      {"FT232R\\x20USB\\x20UART", "FT232R USB UART"},
      {"FT232R_USB_UART", "FT232R USB UART"},
      {"CP2102\\x20USB\\x20to\\x20UART\\x20\\x20", "CP2102 USB to UART"},
      {"back\\x5cslash\\x2", "back\\slash\\x2"},
      {"", ""},
  };
  for (auto [in, out] : kCases) EXPECT_EQ(UnescapeDeviceText(in), out) << in;
}

// udev reads sysfs even where its daemon does not run: it must come to the
// same devices as the scan of /dev, never to a node that is not there.
TEST(UdevSerialDevices, ListsTheNodesTheDevScanFinds) {
  std::unique_ptr<SerialDevices> udev = OpenUdevSerialDevices();
  ASSERT_NE(udev, nullptr);
  // Pseudo-terminals come and go with other programs between the two lists.
  auto pty = [](const SerialDevice& d) { return d.node.starts_with("/dev/pts/"); };
  std::set<std::string> by_udev;
  for (const SerialDevice& d : udev->List()) {
    struct stat st {};
    EXPECT_TRUE(stat(d.path.c_str(), &st) == 0 && S_ISCHR(st.st_mode)) << d.path;
    if (!pty(d)) by_udev.insert(d.node);
  }
  std::set<std::string> by_scan;
  for (const SerialDevice& d : DevScanSerialDevices().List()) {
    if (!pty(d)) by_scan.insert(d.node);
  }
  EXPECT_EQ(by_udev, by_scan);
}

}  // namespace
}  // namespace kivo

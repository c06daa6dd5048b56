// The COM port dialog's serial devices: pseudo-terminals handed in as fake
// devices, coming and going while the dialog is open, and Auto Detect finding
// the organizer behind one of them over kivo-line-sim.

#include <fcntl.h>
#include <grp.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <future>
#include <memory>
#include <string>
#include <vector>

#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include "platform/file_handle.h"
#include "platform/link_defaults.h"
#include "platform/port_check_as.h"
#include "platform/serial_devices.h"
#include "store/app_settings.h"
#include "ui/auto_detect_dialog.h"
#include "ui/option_dialogs.h"

namespace kivo {
namespace {

namespace fs = std::filesystem;

struct Pty {
  Pty() {
    master = posix_openpt(O_RDWR | O_NOCTTY);
    if (master >= 0 && grantpt(master) == 0 && unlockpt(master) == 0) path = ptsname(master);
  }
  ~Pty() {
    if (master >= 0) close(master);
  }
  SerialDevice Device(const char* model) const { return {path, path, "FTDI", model, "", -1}; }
  int master = -1;
  std::string path;
};

TEST(ComPortDialog, DeviceListFollowsDevicesComingAndGoing) {
  FakeSerialDevices fake;
  Pty first;
  fake.Add(first.Device("FT232R USB UART"));
  // The stored device is unplugged: it is shown checked, and missing.
  AppSettings settings;
  settings.port_name = "/dev/serial/by-id/usb-kivo-away";
  ComPortDialog dialog(settings, {}, nullptr, {&fake});
  ASSERT_NE(dialog.device_button(settings.port_name), nullptr);
  EXPECT_TRUE(dialog.device_button(settings.port_name)->isChecked());
  EXPECT_EQ(dialog.device_reason(settings.port_name).toStdString(),
            "missing: /dev/serial/by-id/usb-kivo-away does not exist");
  ASSERT_NE(dialog.device_button(first.path), nullptr);
  EXPECT_EQ(dialog.device_button(first.path)->text().toStdString(),
            "pts/" + fs::path(first.path).filename().string() + ": FT232R USB UART (FTDI)");
  EXPECT_TRUE(dialog.device_reason(first.path).isEmpty());
  dialog.show();

  auto second = std::make_unique<Pty>();
  const std::string second_path = second->path;
  fake.Add(second->Device("CP2102 USB to UART Bridge"));
  ASSERT_TRUE(QTest::qWaitFor([&] { return dialog.device_button(second_path) != nullptr; }));
  dialog.device_button(second_path)->setChecked(true);
  fake.Remove(first.path);
  EXPECT_TRUE(QTest::qWaitFor([&] { return dialog.device_button(first.path) == nullptr; }));

  // The checked device is pulled out: it stays, checked, and says so.
  second.reset();
  fake.Remove(second_path);
  EXPECT_TRUE(QTest::qWaitFor([&] {
    return dialog.device_reason(second_path).toStdString() ==
           "missing: " + second_path + " does not exist";
  }));
  ASSERT_NE(dialog.device_button(second_path), nullptr);
  EXPECT_TRUE(dialog.device_button(second_path)->isChecked());
  EXPECT_EQ(dialog.device_count(), 1);
  dialog.accept();
  EXPECT_EQ(dialog.port(), 1);
  EXPECT_EQ(dialog.port_name(), second_path);
}

TEST(ComPortDialog, BusyAndForbiddenDevicesShowTheirReasons) {
  Pty busy;
  Pty forbidden;
  const int holder = open(busy.path.c_str(), O_RDWR | O_NOCTTY);
  ASSERT_GE(holder, 0);
  ASSERT_EQ(flock(holder, LOCK_EX | LOCK_NB), 0);
  // Root passes every permission: the check then runs as nobody.
  const bool as_root = geteuid() == 0;
  if (const group* dialout = getgrnam("dialout"); as_root && dialout != nullptr) {
    ASSERT_EQ(chown(forbidden.path.c_str(), 0, dialout->gr_gid), 0);
    ASSERT_EQ(chmod(forbidden.path.c_str(), 0660), 0);
  } else if (!as_root) {
    ASSERT_EQ(chmod(forbidden.path.c_str(), 0), 0);
  }
  FakeSerialDevices fake;
  fake.Set({busy.Device("FT232R USB UART"), forbidden.Device("FT231X USB UART")});
  DeviceSource source{&fake, [&](const std::string& path) {
                        return as_root && path == forbidden.path
                                   ? test::CheckPortAsUser(path, "nobody")
                                   : CheckPort(path);
                      }};
  AppSettings settings;
  ComPortDialog dialog(settings, {}, nullptr, source);
  EXPECT_TRUE(dialog.device_reason(busy.path).startsWith(QStringLiteral("busy: held by ")))
      << dialog.device_reason(busy.path).toStdString();
  EXPECT_TRUE(dialog.device_reason(forbidden.path)
                  .startsWith(QString::fromStdString("no permission: " + forbidden.path)))
      << dialog.device_reason(forbidden.path).toStdString();
  close(holder);
}

// A pseudo-terminal held open, without any lock, by another program: the
// system's own device list offers it, COM1 mapped to it and the listed device
// both say who holds it, and both say nothing once that program has ended.
TEST(ComPortDialog, PortHeldWithoutALockShowsItsHolderUntilItExits) {
  Pty pty;
  int go[2];
  ASSERT_EQ(pipe(go), 0);
  const pid_t holder = fork();
  if (holder == 0) {
    close(go[1]);
    close(pty.master);  // another program: only the port's end
    const int fd = open(pty.path.c_str(), O_RDWR | O_NOCTTY);
    char byte = 0;
    (void)!read(go[0], &byte, 1);  // until the test lets it end
    _exit(fd >= 0 ? 0 : 1);
  }
  close(go[0]);
  ASSERT_TRUE(QTest::qWaitFor([&] { return !CheckPort(pty.path).usable; }));  // the child is in
  std::unique_ptr<SerialDevices> system = OpenSerialDevices();
  AppSettings settings;
  settings.port_devices[0] = pty.path;
  ComPortDialog dialog(settings, {}, nullptr, {system.get(), CheckPort, 100});
  const QString name = QStringLiteral("pts/") + QString::fromStdString(pty.path.substr(9));
  EXPECT_EQ(dialog.port_device(0), name + QStringLiteral(": pseudo-terminal"));
  const QString pid = QStringLiteral("(pid %1)").arg(holder);
  EXPECT_TRUE(dialog.port_reason(0).endsWith(pid)) << dialog.port_reason(0).toStdString();
  ASSERT_NE(dialog.device_button(pty.path), nullptr);
  EXPECT_EQ(dialog.device_reason(pty.path), dialog.port_reason(0));
  dialog.show();
  close(go[1]);
  waitpid(holder, nullptr, 0);
  EXPECT_TRUE(QTest::qWaitFor([&] { return dialog.port_reason(0).isEmpty(); }))
      << dialog.port_reason(0).toStdString();
  EXPECT_TRUE(dialog.device_reason(pty.path).isEmpty());
}

// kivo-line-sim's two pseudo-terminals: a for the PC, b for the organizer.
class LineSim {
 public:
  LineSim() {
    int fds[2];
    if (pipe(fds) != 0) return;
    pid_ = fork();
    if (pid_ == 0) {
      dup2(fds[1], STDOUT_FILENO);
      close(fds[0]);
      execl(KIVO_PROGRAM_DIR "/kivo-line-sim", "kivo-line-sim", static_cast<char*>(nullptr));
      _exit(127);
    }
    close(fds[1]);
    const FileHandle out(fdopen(fds[0], "r"));
    char a[256] = {};
    char b[256] = {};
    if (out != nullptr && std::fscanf(out.get(), "a=%255s b=%255s", a, b) == 2) {
      a_ = a;
      b_ = b;
    }
  }
  ~LineSim() {
    if (pid_ > 0) {
      kill(pid_, SIGTERM);
      waitpid(pid_, nullptr, 0);
    }
  }
  const std::string& a() const { return a_; }
  const std::string& b() const { return b_; }

 private:
  pid_t pid_ = -1;
  std::string a_;
  std::string b_;
};

TEST(ComPortDialog, AutoDetectFindsTheOrganizerOnADeviceOutsideCom1To4) {
  LineSim line;
  ASSERT_FALSE(line.a().empty()) << "kivo-line-sim did not start";
  // The adapter's lasting name, as udev would make it.
  const fs::path by_id = fs::temp_directory_path() / ("kivo-by-id-" + std::to_string(getpid())) /
                         "usb-FTDI_FT232R_USB_UART_KIVO1-if00-port0";
  fs::create_directories(by_id.parent_path());
  fs::create_symlink(line.a(), by_id);
  FakeSerialDevices fake;
  fake.Add({by_id.string(), line.a(), "FTDI", "FT232R USB UART", "KIVO1", -1});

  auto organizer = std::async(std::launch::async, [&]() -> int {
    CommLink link(1, kLinkBaudRate);
    link.SetPortName(line.b());
    if (!link.OpenPort(-1)) return -1;
    return link.NegotiationForDevice();
  });
  AppSettings settings;
  ComPortDialog dialog(settings, {}, nullptr, {&fake});
  std::vector<std::string> seen;
  dialog.set_auto_detect_runner([&](QWidget* parent, const DetectSettings& detect_settings) {
    AutoDetectDialog detect(detect_settings, parent);
    detect.set_message_shower([&](QWidget*, const MessageBoxText& box) {
      seen.push_back(detect.status_line2()->text().toStdString());
      seen.emplace_back(box.text);
    });
    QTimer::singleShot(0, detect.proceed_button(), &QPushButton::click);
    return detect.exec() >= 0 ? detect.found() : PortSpec{};
  });
  dialog.auto_detect_button()->click();
  EXPECT_EQ(organizer.get(), kResultSuccess);
  EXPECT_EQ(seen, (std::vector<std::string>{
                      "Checking usb-FTDI_FT232R_USB_UART_KIVO1-if00-port0",
                      "Organizer is detected on usb-FTDI_FT232R_USB_UART_KIVO1-if00-port0."}));
  ASSERT_NE(dialog.device_button(by_id.string()), nullptr);
  EXPECT_TRUE(dialog.device_button(by_id.string())->isChecked());
  dialog.accept();
  EXPECT_EQ(dialog.port_name(), by_id.string());
  fs::remove_all(by_id.parent_path());
}

}  // namespace
}  // namespace kivo

#include "platform/port_diagnosis.h"

#include <fcntl.h>
#include <grp.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include <gtest/gtest.h>

#include "platform/port_check_as.h"

namespace kivo {
namespace {

struct Pty {
  Pty() {
    master = posix_openpt(O_RDWR | O_NOCTTY);
    if (master >= 0 && grantpt(master) == 0 && unlockpt(master) == 0) path = ptsname(master);
  }
  ~Pty() {
    if (master >= 0) close(master);
  }
  int master = -1;
  std::string path;
};

std::string ProgramName() {
  std::string name;
  std::ifstream("/proc/self/comm") >> name;
  return name;
}

TEST(CheckPort, SaysWhyADeviceWillNotOpen) {
  Pty free_pty;
  Pty held_pty;
  ASSERT_FALSE(free_pty.path.empty());
  ASSERT_FALSE(held_pty.path.empty());
  // Another link program holds this one (its advisory lock, as the link takes).
  const int holder = open(held_pty.path.c_str(), O_RDWR | O_NOCTTY);
  ASSERT_GE(holder, 0);
  ASSERT_EQ(flock(holder, LOCK_EX | LOCK_NB), 0);
  const std::string plain =
      (std::filesystem::temp_directory_path() / ("kivo-plain-" + std::to_string(getpid())))
          .string();
  std::ofstream(plain) << "x";

  const struct {
    std::string device;
    bool usable;
    std::string reason;
  } kCases[] = {
      {free_pty.path, true, "can be opened"},
      {held_pty.path, false,
       "busy: held by " + ProgramName() + " (pid " + std::to_string(getpid()) + ")"},
      {"/dev/kivo-no-such-port", false, "missing: /dev/kivo-no-such-port does not exist"},
      {plain, false, "not a serial device: " + plain},
  };
  for (const auto& c : kCases) {
    const PortCheck check = CheckPort(c.device);
    EXPECT_EQ(check.usable, c.usable) << c.device;
    EXPECT_EQ(check.reason, c.reason) << c.device;
  }
  close(holder);
  std::filesystem::remove(plain);
}

TEST(CheckPort, NamesTheGroupToJoinWhenPermissionIsMissing) {
  const group* dialout = getgrnam("dialout");
  if (geteuid() != 0 || dialout == nullptr || getpwnam("nobody") == nullptr) {
    GTEST_SKIP() << "needs root to hand a device to dialout and check it as nobody";
  }
  Pty pty;
  ASSERT_EQ(chown(pty.path.c_str(), 0, dialout->gr_gid), 0);
  ASSERT_EQ(chmod(pty.path.c_str(), 0660), 0);
  const PortCheck check = test::CheckPortAsUser(pty.path, "nobody");
  EXPECT_FALSE(check.usable);
  EXPECT_EQ(check.reason, "no permission: " + pty.path +
                              " (crw-rw----) belongs to group dialout and user nobody is not in "
                              "it: sudo usermod -aG dialout nobody, then log in again");
}

}  // namespace
}  // namespace kivo

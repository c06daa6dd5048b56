#include "platform/port_diagnosis.h"

#include <errno.h>
#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>

namespace kivo {
namespace {

namespace fs = std::filesystem;

std::string ErrorText(int error_number) { return std::strerror(error_number); }

std::string ModeText(mode_t mode) {
  std::string text = S_ISCHR(mode) ? "c" : "-";
  const char* letters = "rwxrwxrwx";
  for (int bit = 0; bit < 9; ++bit) {
    text.push_back((mode & (0400 >> bit)) != 0 ? letters[bit] : '-');
  }
  return text;
}

std::string UserName() {
  if (const passwd* pw = getpwuid(geteuid()); pw != nullptr) return pw->pw_name;
  return std::to_string(geteuid());
}

// Whether the process has the group now, and whether the user's account
// lists it (a new membership only reaches a new login).
void GroupMembership(gid_t group, bool* in_session, bool* in_account) {
  *in_session = getegid() == group;
  std::vector<gid_t> groups(static_cast<size_t>(std::max(getgroups(0, nullptr), 0)));
  if (!groups.empty()) {
    groups.resize(static_cast<size_t>(
        std::max(getgroups(static_cast<int>(groups.size()), groups.data()), 0)));
  }
  if (std::find(groups.begin(), groups.end(), group) != groups.end()) *in_session = true;
  *in_account = *in_session;
  const passwd* pw = getpwuid(geteuid());
  if (pw == nullptr) return;
  int count = 64;
  std::vector<gid_t> listed(static_cast<size_t>(count));
  if (getgrouplist(pw->pw_name, pw->pw_gid, listed.data(), &count) < 0) {
    listed.resize(static_cast<size_t>(count));
    if (getgrouplist(pw->pw_name, pw->pw_gid, listed.data(), &count) < 0) return;
  }
  listed.resize(static_cast<size_t>(count));
  if (std::find(listed.begin(), listed.end(), group) != listed.end()) *in_account = true;
}

std::string PermissionReason(const std::string& device, const struct stat& st) {
  const group* gr = getgrgid(st.st_gid);
  const std::string group_name = gr != nullptr ? gr->gr_name : std::to_string(st.st_gid);
  const std::string user = UserName();
  std::string reason =
      "no permission: " + device + " (" + ModeText(st.st_mode) + ") belongs to group " + group_name;
  if ((st.st_mode & S_IRGRP) == 0 || (st.st_mode & S_IWGRP) == 0) {
    return reason + ", which may not read and write it either; ask the administrator";
  }
  bool in_session = false;
  bool in_account = false;
  GroupMembership(st.st_gid, &in_session, &in_account);
  if (in_session) return reason + "; user " + user + " is in it, yet the device refused";
  if (in_account) {
    return reason + "; user " + user + " is in " + group_name +
           " but this login is older than that: log in again";
  }
  return reason + " and user " + user + " is not in it: sudo usermod -aG " + group_name + " " +
         user + ", then log in again";
}

std::string ProcessName(const std::string& pid) {
  std::string name;
  std::ifstream("/proc/" + pid + "/comm") >> name;
  return (name.empty() ? "a process" : name) + " (pid " + pid + ")";
}

// The process with an advisory lock on the device node, from /proc/locks
// ("1: FLOCK ADVISORY WRITE <pid> <major>:<minor>:<inode> 0 EOF"); empty when
// none is listed.
std::string LockHolder(const std::string& device) {
  struct stat st {};
  if (stat(device.c_str(), &st) != 0) return {};
  std::ifstream locks("/proc/locks");
  std::string line;
  while (std::getline(locks, line)) {
    std::istringstream fields(line);
    std::string number, kind, mode, access, pid, where;
    fields >> number >> kind;
    if (kind == "->") fields >> kind;  // a waiter
    fields >> mode >> access >> pid >> where;
    const size_t colon = where.rfind(':');
    if (kind != "FLOCK" || colon == std::string::npos) continue;
    if (std::strtoull(where.c_str() + colon + 1, nullptr, 10) == st.st_ino) return ProcessName(pid);
  }
  return {};
}

// The multiplexer every pseudo-terminal master is opened through, and the
// majors of the pseudo-terminals themselves (Unix98: 136 to 143).
constexpr unsigned kPtmxMajor = 5;
constexpr unsigned kPtmxMinor = 2;
constexpr unsigned kPtsMajorFirst = 136;
constexpr unsigned kPtsMajorLast = 143;

unsigned PtsIndex(dev_t device) { return (major(device) - kPtsMajorFirst) * 256 + minor(device); }

// The pseudo-terminal a master descriptor serves, from its fdinfo
// ("tty-index:\t3"); -1 when the kernel does not say.
int PtyIndexOf(const fs::path& fdinfo) {
  std::ifstream info(fdinfo);
  for (std::string line; std::getline(info, line);) {
    if (line.starts_with("tty-index:")) return std::atoi(line.c_str() + 10);
  }
  return -1;
}

std::string BusyReason(const std::string& device) {
  if (std::string holder = LockHolder(device); !holder.empty()) return "busy: held by " + holder;
  std::vector<std::string> holders = PortHolders(device);
  if (holders.empty()) return "busy: another program holds it (not visible here)";
  std::string reason = "busy: held by ";
  for (size_t i = 0; i < holders.size(); ++i) reason += (i > 0 ? ", " : "") + holders[i];
  return reason;
}

}  // namespace

PortCheck CheckPort(const std::string& device) {
  struct stat st {};
  if (stat(device.c_str(), &st) != 0) {
    const int error = errno;
    if (error == ENOENT) return {false, "missing: " + device + " does not exist"};
    return {false, device + ": " + ErrorText(error)};
  }
  if (!S_ISCHR(st.st_mode)) return {false, "not a serial device: " + device};
  const int fd = open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    const int error = errno;
    switch (error) {
      case EACCES:
      case EPERM:
        return {false, PermissionReason(device, st)};
      case EBUSY:
        return {false, BusyReason(device)};
      case EIO:
      case ENXIO:
      case ENODEV:
        return {false, "no hardware behind " + device + " (" + ErrorText(error) + ")"};
      default:
        return {false, device + ": " + ErrorText(error)};
    }
  }
  // The link takes an advisory lock beside TIOCEXCL, which privileged users
  // pass; another link program shows up here.
  if (flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK) {
    close(fd);
    return {false, BusyReason(device)};
  }
  struct termios settings {};
  if (tcgetattr(fd, &settings) != 0) {
    const int error = errno;
    close(fd);
    if (error == EIO)
      return {false, "no hardware behind " + device + " (" + ErrorText(error) + ")"};
    return {false, "not a serial device: " + device + " (" + ErrorText(error) + ")"};
  }
  // A program that asked for the port alone (TIOCEXCL) shuts out everyone
  // but root; root learns of it here.
  int exclusive = 0;
  const bool shut = ioctl(fd, TIOCGEXCL, &exclusive) == 0 && exclusive != 0;
  close(fd);
  if (shut) return {false, BusyReason(device)};
  // A program may hold the port without any lock (a terminal program, a
  // cat): the two would then share what the organizer sends.
  if (std::vector<std::string> holders = PortHolders(device); !holders.empty()) {
    std::string reason = "in use: held open by ";
    for (size_t i = 0; i < holders.size(); ++i) reason += (i > 0 ? ", " : "") + holders[i];
    return {false, reason};
  }
  return {true, "can be opened"};
}

std::vector<std::string> PortHolders(const std::string& device) {
  return PortHoldersOf({device}).front();
}

std::vector<std::vector<std::string>> PortHoldersOf(const std::vector<std::string>& devices) {
  std::vector<std::vector<std::string>> holders(devices.size());
  std::vector<dev_t> wanted(devices.size(), 0);
  bool any = false;
  for (size_t i = 0; i < devices.size(); ++i) {
    struct stat st {};
    if (stat(devices[i].c_str(), &st) == 0 && S_ISCHR(st.st_mode)) {
      wanted[i] = st.st_rdev;
      any = true;
    }
  }
  if (!any) return holders;
  const std::string self = std::to_string(getpid());
  std::error_code ec;
  for (const fs::directory_entry& proc : fs::directory_iterator("/proc", ec)) {
    const std::string pid = proc.path().filename().string();
    if (pid.find_first_not_of("0123456789") != std::string::npos || pid == self) continue;
    std::vector<bool> seen(devices.size(), false);
    std::vector<int> mastered;  // pseudo-terminals whose other end this process holds
    std::error_code fd_ec;
    for (const fs::directory_entry& fd : fs::directory_iterator(proc.path() / "fd", fd_ec)) {
      struct stat st {};
      if (stat(fd.path().c_str(), &st) != 0 || !S_ISCHR(st.st_mode)) continue;
      if (st.st_rdev == makedev(kPtmxMajor, kPtmxMinor)) {
        mastered.push_back(PtyIndexOf(proc.path() / "fdinfo" / fd.path().filename()));
      }
      for (size_t i = 0; i < devices.size(); ++i) {
        if (wanted[i] == 0 || seen[i] || st.st_rdev != wanted[i]) continue;
        seen[i] = true;
      }
    }
    for (size_t i = 0; i < devices.size(); ++i) {
      // The program at the other end of a pseudo-terminal (a line simulator,
      // a terminal) keeps it open as its own; it is no second user of it.
      if (!seen[i] || (major(wanted[i]) >= kPtsMajorFirst && major(wanted[i]) <= kPtsMajorLast &&
                       std::find(mastered.begin(), mastered.end(),
                                 static_cast<int>(PtsIndex(wanted[i]))) != mastered.end())) {
        continue;
      }
      holders[i].push_back(ProcessName(pid));
    }
  }
  return holders;
}

}  // namespace kivo

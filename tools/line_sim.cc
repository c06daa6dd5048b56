// kivo-line-sim: joins two pseudo-terminals the way the organizer's cable
// joins the PC and the organizer, so that two processes can talk over real
// serial devices: every byte written at one end reaches the other end and,
// with echo (the default), also comes back to the writer. Optional pacing at
// a baud rate (8N1: ten bits per byte) and fault injection for tests.
//
//   kivo-line-sim [--baud N] [--no-echo] [--link DIR]
//                 [--drop a:N] [--corrupt a:N] [--delay a:N:MS]
//                 [--stall a:N] [--hangup a:N]
//
// Fault positions count the bytes that the end (a or b) has written, from 0.
// The program prints "a=<device> b=<device>" on one line and runs until it
// is killed (or, with --hangup, until the hang-up).
#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace {

struct Fault {
  enum Kind { kDrop, kCorrupt, kDelay, kStall, kHangup } kind;
  int end;         // 0 = a, 1 = b: the writer whose byte is hit
  uint64_t index;  // byte position
  int delay_ms = 0;
};

struct End {
  int master = -1;
  int slave = -1;  // held open so the master never sees a hang-up between runs
  std::string name;
  uint64_t written = 0;  // bytes this end has written
  bool stalled = false;
};

void Usage() {
  std::fprintf(stderr,
               "usage: kivo-line-sim [--baud N] [--no-echo] [--link DIR] [--drop a|b:N]\n"
               "                     [--corrupt a|b:N] [--delay a|b:N:MS] [--stall a|b:N]\n"
               "                     [--hangup a|b:N]\n");
}

std::optional<Fault> ParseFault(Fault::Kind kind, const char* arg) {
  Fault f{kind, 0, 0, 0};
  if (arg[0] != 'a' && arg[0] != 'b') return std::nullopt;
  if (arg[1] != ':') return std::nullopt;
  f.end = arg[0] == 'a' ? 0 : 1;
  char* rest = nullptr;
  f.index = std::strtoull(arg + 2, &rest, 10);
  if (rest == arg + 2) return std::nullopt;
  if (kind == Fault::kDelay) {
    if (*rest != ':') return std::nullopt;
    f.delay_ms = std::atoi(rest + 1);
  } else if (*rest != '\0') {
    return std::nullopt;
  }
  return f;
}

bool OpenEnd(End& end) {
  end.master = posix_openpt(O_RDWR | O_NOCTTY);
  if (end.master < 0 || grantpt(end.master) != 0 || unlockpt(end.master) != 0) return false;
  const char* name = ptsname(end.master);
  if (name == nullptr) return false;
  end.name = name;
  end.slave = open(name, O_RDWR | O_NOCTTY);
  if (end.slave < 0) return false;
  // Raw from the start, so nothing is echoed or cooked before a program opens it.
  termios tio{};
  if (tcgetattr(end.slave, &tio) == 0) {
    cfmakeraw(&tio);
    tcsetattr(end.slave, TCSANOW, &tio);
  }
  return true;
}

bool WriteAll(int fd, const uint8_t* data, size_t n) {
  while (n > 0) {
    ssize_t w = write(fd, data, n);
    if (w < 0) {
      if (errno == EINTR || errno == EAGAIN) continue;
      return false;
    }
    data += w;
    n -= static_cast<size_t>(w);
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  long baud = 0;
  bool echo = true;
  std::string link_dir;
  std::vector<Fault> faults;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    auto next = [&]() -> const char* { return i + 1 < argc ? argv[++i] : nullptr; };
    std::optional<Fault::Kind> kind;
    if (a == "--baud") {
      const char* v = next();
      if (!v) return Usage(), 2;
      baud = std::atol(v);
    } else if (a == "--no-echo") {
      echo = false;
    } else if (a == "--link") {
      const char* v = next();
      if (!v) return Usage(), 2;
      link_dir = v;
    } else if (a == "--drop") {
      kind = Fault::kDrop;
    } else if (a == "--corrupt") {
      kind = Fault::kCorrupt;
    } else if (a == "--delay") {
      kind = Fault::kDelay;
    } else if (a == "--stall") {
      kind = Fault::kStall;
    } else if (a == "--hangup") {
      kind = Fault::kHangup;
    } else if (a == "--help" || a == "-h") {
      Usage();
      return 0;
    } else {
      Usage();
      return 2;
    }
    if (kind) {
      const char* v = next();
      std::optional<Fault> f = v ? ParseFault(*kind, v) : std::nullopt;
      if (!f) return Usage(), 2;
      faults.push_back(*f);
    }
  }
  signal(SIGPIPE, SIG_IGN);

  End ends[2];
  for (End& e : ends) {
    if (!OpenEnd(e)) {
      std::perror("kivo-line-sim: pseudo-terminal");
      return 1;
    }
  }
  if (!link_dir.empty()) {
    std::error_code ec;
    std::filesystem::create_directories(link_dir, ec);
    for (int i = 0; i < 2; ++i) {
      std::filesystem::path l = std::filesystem::path(link_dir) / (i == 0 ? "a" : "b");
      std::filesystem::remove(l, ec);
      std::filesystem::create_symlink(ends[i].name, l, ec);
    }
  }
  std::printf("a=%s b=%s\n", ends[0].name.c_str(), ends[1].name.c_str());
  std::fflush(stdout);

  // One byte takes ten bit times on an 8N1 line.
  const auto byte_time =
      baud > 0 ? std::chrono::nanoseconds(10'000'000'000LL / baud) : std::chrono::nanoseconds(0);
  auto line_free = std::chrono::steady_clock::now();

  pollfd fds[2] = {{ends[0].master, POLLIN, 0}, {ends[1].master, POLLIN, 0}};
  std::vector<uint8_t> buf(4096);
  for (;;) {
    int r = poll(fds, 2, -1);
    if (r < 0) {
      if (errno == EINTR) continue;
      std::perror("kivo-line-sim: poll");
      return 1;
    }
    for (int i = 0; i < 2; ++i) {
      if (!(fds[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
      ssize_t n = read(ends[i].master, buf.data(), buf.size());
      if (n <= 0) {
        // The slave side is held open by us, so this is transient; avoid a busy loop.
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        continue;
      }
      End& from = ends[i];
      End& to = ends[1 - i];
      for (ssize_t k = 0; k < n; ++k) {
        uint8_t byte = buf[static_cast<size_t>(k)];
        uint64_t pos = from.written++;
        bool drop = from.stalled;
        for (const Fault& f : faults) {
          if (f.end != i || f.index != pos) continue;
          switch (f.kind) {
            case Fault::kDrop:
              drop = true;
              break;
            case Fault::kCorrupt:
              byte = static_cast<uint8_t>(byte ^ 0x5A);
              break;
            case Fault::kDelay:
              std::this_thread::sleep_for(std::chrono::milliseconds(f.delay_ms));
              break;
            case Fault::kStall:
              from.stalled = true;
              drop = true;
              break;
            case Fault::kHangup:
              return 0;
          }
        }
        if (byte_time.count() > 0) {
          auto now = std::chrono::steady_clock::now();
          if (line_free > now) std::this_thread::sleep_until(line_free);
          line_free = std::max(line_free, now) + byte_time;
        }
        if (drop) continue;
        // The byte reaches the peer and, on the cable's echo, comes back.
        if (!WriteAll(to.master, &byte, 1)) return 1;
        if (echo && !WriteAll(from.master, &byte, 1)) return 1;
      }
    }
  }
}

#include "platform/posix_serial_port.h"

#include <fcntl.h>
#include <linux/serial.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace kivo {
namespace {

bool SpeedFor(uint32_t baud, speed_t* speed) {
  struct Entry {
    uint32_t baud;
    speed_t speed;
  };
  static constexpr Entry kSpeeds[] = {{1200, B1200},   {2400, B2400},     {4800, B4800},
                                      {9600, B9600},   {19200, B19200},   {38400, B38400},
                                      {57600, B57600}, {115200, B115200}, {230400, B230400}};
  for (const Entry& entry : kSpeeds) {
    if (entry.baud == baud) {
      *speed = entry.speed;
      return true;
    }
  }
  return false;
}

}  // namespace

PosixSerialPort::PosixSerialPort(std::string device, Clock& clock)
    : device_(std::move(device)), clock_(clock) {}

PosixSerialPort::~PosixSerialPort() { Close(); }

bool PosixSerialPort::Fail(const char* what) {
  int error = errno;
  error_text_ = device_ + ": " + what + ": " + std::strerror(error);
  failed_ = true;
  return false;
}

bool PosixSerialPort::Open(const PortSettings& settings) {
  Close();
  error_text_.clear();
  failed_ = false;
  speed_t speed;
  if (!SpeedFor(settings.baud_rate, &speed)) {
    errno = EINVAL;
    return Fail("unsupported speed");
  }
  int fd = open(device_.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return Fail("open");
  auto give_up = [&](const char* what) {
    Fail(what);
    close(fd);
    return false;
  };
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) return give_up("held by another program");
  if (ioctl(fd, TIOCEXCL) != 0) return give_up("exclusive access");
  struct termios saved {};
  if (tcgetattr(fd, &saved) != 0) return give_up("read settings");
  struct termios raw = saved;
  cfmakeraw(&raw);
  raw.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | CSTOPB | CRTSCTS | HUPCL);
  raw.c_cflag |= CS8 | CLOCAL | CREAD;
  raw.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY | INPCK | ISTRIP | IGNPAR | PARMRK);
  raw.c_cc[VMIN] = 0;
  raw.c_cc[VTIME] = 0;
  if (cfsetispeed(&raw, speed) != 0 || cfsetospeed(&raw, speed) != 0) {
    return give_up("set speed");
  }
  if (tcsetattr(fd, TCSANOW, &raw) != 0) {
    tcsetattr(fd, TCSANOW, &saved);
    return give_up("apply settings");
  }
  // tcsetattr succeeds when any part was taken; check what the line now has.
  struct termios applied {};
  if (tcgetattr(fd, &applied) != 0 || cfgetospeed(&applied) != speed ||
      (applied.c_cflag & CSIZE) != CS8 || (applied.c_cflag & PARENB) != 0) {
    tcsetattr(fd, TCSANOW, &saved);
    return give_up("settings refused");
  }
  // Modem lines, DTR first. A pseudo-terminal has none: ignore the failure.
  int dtr = TIOCM_DTR;
  int rts = TIOCM_RTS;
  (void)ioctl(fd, TIOCMBIS, &dtr);
  (void)ioctl(fd, TIOCMBIS, &rts);
  // A USB adapter holds a short piece of input for its latency timer (up to
  // 16 ms) before passing it on, and every frame and echo is short: ask the
  // driver to pass input on at once. Drivers without the setting (a
  // pseudo-terminal) refuse it; that costs nothing.
  low_latency_set_ = false;
  struct serial_struct serial {};
  if (ioctl(fd, TIOCGSERIAL, &serial) == 0 && (serial.flags & ASYNC_LOW_LATENCY) == 0) {
    serial.flags |= ASYNC_LOW_LATENCY;
    low_latency_set_ = ioctl(fd, TIOCSSERIAL, &serial) == 0;
  }
  fd_ = fd;
  saved_ = saved;
  baud_rate_ = settings.baud_rate;
  pending_.clear();
  return true;
}

bool PosixSerialPort::Close() {
  if (fd_ < 0) return true;
  bool restored = tcsetattr(fd_, TCSANOW, &saved_) == 0;
  if (!restored) Fail("restore settings");
  int dtr = TIOCM_DTR;
  int rts = TIOCM_RTS;
  // Closing anyway: lines that cannot be dropped drop with the descriptor.
  (void)ioctl(fd_, TIOCMBIC, &dtr);
  (void)ioctl(fd_, TIOCMBIC, &rts);
  if (low_latency_set_) {
    struct serial_struct serial {};
    if (ioctl(fd_, TIOCGSERIAL, &serial) == 0) {
      serial.flags &= ~ASYNC_LOW_LATENCY;
      // Only a hint to the driver; it ends with the descriptor.
      (void)ioctl(fd_, TIOCSSERIAL, &serial);
    }
    low_latency_set_ = false;
  }
  // Exclusive use ends with the descriptor as well.
  (void)ioctl(fd_, TIOCNXCL);
  close(fd_);  // also drops the advisory lock
  fd_ = -1;
  pending_.clear();
  return restored;
}

bool PosixSerialPort::Purge(bool input, bool output) {
  if (fd_ < 0) return false;
  int which = input && output ? TCIOFLUSH : input ? TCIFLUSH : TCOFLUSH;
  if (!input && !output) return true;
  if (tcflush(fd_, which) != 0) return Fail("purge");
  if (input) pending_.clear();
  return true;
}

bool PosixSerialPort::Pull() {
  if (fd_ < 0) return false;
  uint8_t chunk[1024];
  for (;;) {
    ssize_t got = read(fd_, chunk, sizeof chunk);
    if (got > 0) {
      pending_.insert(pending_.end(), chunk, chunk + got);
      continue;
    }
    if (got == 0) return true;  // raw mode with VMIN 0: nothing there
    if (errno == EAGAIN || errno == EWOULDBLOCK) return true;
    if (errno == EINTR) continue;
    return Fail("read");
  }
}

int PosixSerialPort::InputQueued() {
  if (fd_ < 0) return -1;
  int driver = 0;
  if (ioctl(fd_, FIONREAD, &driver) != 0) {
    Fail("input queue");
    return -1;
  }
  return static_cast<int>(pending_.size()) + driver;
}

int PosixSerialPort::OutputQueued() {
  if (fd_ < 0) return -1;
  int queued = 0;
  if (ioctl(fd_, TIOCOUTQ, &queued) != 0) {
    Fail("output queue");
    return -1;
  }
  return queued;
}

int PosixSerialPort::Read(std::span<uint8_t> out) {
  if (fd_ < 0) return -1;
  if (pending_.size() < out.size() && !Pull()) {
    if (pending_.empty()) return -1;
  }
  size_t count = std::min(out.size(), pending_.size());
  std::copy_n(pending_.begin(), count, out.begin());
  pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(count));
  return static_cast<int>(count);
}

int PosixSerialPort::Write(std::span<const uint8_t> bytes) {
  if (fd_ < 0) return -1;
  if (bytes.empty()) return 0;
  for (;;) {
    ssize_t put = write(fd_, bytes.data(), bytes.size());
    if (put >= 0) return static_cast<int>(put);
    if (errno == EAGAIN || errno == EWOULDBLOCK) return 0;
    if (errno != EINTR) {
      Fail("write");
      return -1;
    }
  }
}

WakeReason PosixSerialPort::PollFor(short events, uint32_t timeout_ms, const MessageQueue* queue) {
  struct pollfd fds[2] = {{fd_, events, 0}, {queue ? queue->wake_fd() : -1, POLLIN, 0}};
  int ready = clock_.Poll(fds, queue ? 2 : 1, timeout_ms);
  if (ready < 0) {
    Fail("poll");
    return WakeReason::kError;
  }
  if (ready == 0) return WakeReason::kTimeout;
  if (queue && (fds[1].revents & POLLIN)) return WakeReason::kMessage;
  if (fds[0].revents & (POLLERR | POLLHUP | POLLNVAL)) {
    // A hang-up may still leave bytes to read; it is a failure once they are
    // gone (poll() keeps reporting it, so waiting again would spin).
    size_t before = pending_.size();
    if (!Pull() || pending_.size() == before) {
      errno = EIO;
      Fail("line hung up");
      return WakeReason::kError;
    }
  }
  return WakeReason::kInput;
}

WakeReason PosixSerialPort::WaitReadable(size_t wanted, uint32_t timeout_ms,
                                         const MessageQueue* queue) {
  if (fd_ < 0) return WakeReason::kError;
  if (!Pull()) return WakeReason::kError;
  if (pending_.size() >= wanted) return WakeReason::kInput;
  if (queue && !queue->Empty()) return WakeReason::kMessage;
  return PollFor(POLLIN, timeout_ms, queue);
}

WakeReason PosixSerialPort::WaitWritable(uint32_t timeout_ms, const MessageQueue* queue) {
  if (fd_ < 0) return WakeReason::kError;
  if (queue && !queue->Empty()) return WakeReason::kMessage;
  return PollFor(POLLOUT, timeout_ms, queue);
}

WakeReason PosixSerialPort::WaitOutputDrained(uint32_t timeout_ms, const MessageQueue* queue) {
  if (fd_ < 0) return WakeReason::kError;
  if (queue && !queue->Empty()) return WakeReason::kMessage;
  // The driver tells no one when its output queue empties; sleep about as long
  // as the queued bytes need on the wire (10 bits each), on the message queue.
  int queued = OutputQueued();
  if (queued < 0) return WakeReason::kError;
  uint64_t need = static_cast<uint64_t>(queued) * 10000u / baud_rate_ + 1;
  uint32_t nap = static_cast<uint32_t>(std::min<uint64_t>(need, timeout_ms));
  struct pollfd fds[1] = {{queue ? queue->wake_fd() : -1, POLLIN, 0}};
  int ready = clock_.Poll(fds, 1, nap);
  if (ready > 0) return WakeReason::kMessage;
  return nap == timeout_ms ? WakeReason::kTimeout : WakeReason::kInput;
}

}  // namespace kivo

#include "platform/file_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

#include "platform/atomic_file.h"

namespace kivo {

FileLock::FileLock(FileLock&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}

FileLock& FileLock::operator=(FileLock&& other) noexcept {
  if (this != &other) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = std::exchange(other.fd_, -1);
  }
  return *this;
}

FileLock::~FileLock() {
  if (fd_ >= 0) ::close(fd_);
}

std::optional<FileLock> FileLock::Acquire(const std::filesystem::path& file, bool wait,
                                          std::string* holder, std::string* error) {
  holder->clear();
  error->clear();
  const int fd = ::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0) {
    *error = file.string() + ": " + SystemErrorText(errno);
    return std::nullopt;
  }
  FileLock lock(fd);
  int result;
  do {
    result = ::flock(fd, LOCK_EX | (wait ? 0 : LOCK_NB));
  } while (result != 0 && errno == EINTR);
  if (result != 0) {
    if (errno == EWOULDBLOCK) {
      char text[32];
      const ssize_t n = ::pread(fd, text, sizeof text - 1, 0);
      for (ssize_t i = 0; i < n && text[i] >= '0' && text[i] <= '9'; ++i)
        holder->push_back(text[i]);
    } else {
      *error = file.string() + ": " + SystemErrorText(errno);
    }
    return std::nullopt;
  }
  const std::string pid = std::to_string(::getpid()) + "\n";
  if (::ftruncate(fd, 0) != 0 || ::pwrite(fd, pid.data(), pid.size(), 0) < 0) {
    // The lock holds all the same; only the name of its holder is missing.
  }
  return lock;
}

}  // namespace kivo

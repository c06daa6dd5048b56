#include "platform/atomic_file.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <random>
#include <system_error>

namespace kivo {

namespace {

class SystemWriter : public FileWriter {
 public:
  ssize_t Write(int fd, const void* data, size_t size) override { return write(fd, data, size); }
};

std::filesystem::path ResolveTarget(const std::filesystem::path& target) {
  std::error_code ec;
  if (std::filesystem::is_symlink(target, ec)) {
    std::filesystem::path resolved = std::filesystem::weakly_canonical(target, ec);
    if (!ec) return resolved;
  }
  return target;
}

// Creates a fresh, hidden file beside the target; -1 with errno set on failure.
int CreateTemp(const std::filesystem::path& target, std::filesystem::path* temp) {
  static std::atomic<unsigned> counter{0};
  std::random_device random;
  std::filesystem::path dir = target.parent_path();
  for (int attempt = 0; attempt < 16; ++attempt) {
    // Appended piece by piece: g++ 12 warns falsely (-Wrestrict) on "." + string.
    std::string name(".");
    name.append(target.filename().string())
        .append(".")
        .append(std::to_string(getpid()))
        .append(".")
        .append(std::to_string(counter++))
        .append(".")
        .append(std::to_string(random() % 100000))
        .append(".tmp");
    std::filesystem::path candidate = dir.empty() ? std::filesystem::path(name) : dir / name;
    int fd = open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0) {
      *temp = candidate;
      return fd;
    }
    if (errno != EEXIST) return -1;
  }
  errno = EEXIST;
  return -1;
}

// Temporary files of this target left behind by a writer that was killed:
// ".<name>.<pid>.<n>.<r>.tmp" whose process no longer exists.
void RemoveStaleTemps(const std::filesystem::path& target) {
  std::string prefix(".");
  prefix.append(target.filename().string()).append(".");
  std::filesystem::path dir = target.parent_path();
  if (dir.empty()) dir = ".";
  std::error_code ec;
  for (std::filesystem::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    if (name.size() <= prefix.size() + 4 || name.compare(0, prefix.size(), prefix) != 0 ||
        name.compare(name.size() - 4, 4, ".tmp") != 0) {
      continue;
    }
    const std::string rest = name.substr(prefix.size());
    char* end_of_pid = nullptr;
    long pid = std::strtol(rest.c_str(), &end_of_pid, 10);
    if (pid <= 0 || end_of_pid == nullptr || *end_of_pid != '.') continue;
    if (kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH) {
      std::error_code ignored;
      std::filesystem::remove(it->path(), ignored);
    }
  }
}

void SyncDirectory(const std::filesystem::path& target) {
  std::filesystem::path dir = target.parent_path();
  if (dir.empty()) dir = ".";
  int fd = open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  // A directory that cannot be synced still holds the renamed file; the data
  // itself was synced before the rename.
  (void)fsync(fd);
  close(fd);
}

}  // namespace

FileWriter& SystemFileWriter() {
  static SystemWriter writer;
  return writer;
}

std::string SystemErrorText(int error_number) {
  if (error_number == 0) return {};
  return std::system_category().message(error_number);
}

AtomicFile::AtomicFile(std::filesystem::path target, FileWriter& writer)
    : target_(ResolveTarget(target)), writer_(writer) {}

AtomicFile::~AtomicFile() { Discard(); }

bool AtomicFile::Fail(int error_number) {
  if (error_ == 0) error_ = error_number != 0 ? error_number : EIO;
  return false;
}

bool AtomicFile::Open() {
  if (error_ != 0) return false;
  if (fd_ >= 0) return true;
  RemoveStaleTemps(target_);
  fd_ = CreateTemp(target_, &temp_);
  if (fd_ < 0) return Fail(errno);
  struct stat st {};
  // Keeping the old file's mode is a courtesy; the new one is written either way.
  if (stat(target_.c_str(), &st) == 0) (void)fchmod(fd_, st.st_mode & 07777);
  return true;
}

bool AtomicFile::Write(std::span<const uint8_t> bytes) {
  if (error_ != 0) return false;
  if (fd_ < 0) return Fail(EBADF);
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = writer_.Write(fd_, bytes.data() + done, bytes.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return Fail(errno);
    }
    done += static_cast<size_t>(n);
  }
  return true;
}

bool AtomicFile::Write(std::string_view text) {
  return Write(std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
}

bool AtomicFile::Commit() {
  if (error_ != 0) return false;
  if (fd_ < 0) return Fail(EBADF);
  if (fsync(fd_) != 0) return Fail(errno);
  int fd = fd_;
  fd_ = -1;
  if (close(fd) != 0) {
    Fail(errno);
    unlink(temp_.c_str());
    temp_.clear();
    return false;
  }
  if (rename(temp_.c_str(), target_.c_str()) != 0) {
    Fail(errno);
    unlink(temp_.c_str());
    temp_.clear();
    return false;
  }
  temp_.clear();
  SyncDirectory(target_);
  return true;
}

void AtomicFile::Discard() {
  if (fd_ >= 0) {
    close(fd_);
    fd_ = -1;
  }
  if (!temp_.empty()) {
    unlink(temp_.c_str());
    temp_.clear();
  }
}

Status WriteFileAtomically(const std::filesystem::path& target, std::span<const uint8_t> bytes,
                           FileWriter& writer) {
  AtomicFile file(target, writer);
  if (file.Open() && file.Write(bytes) && file.Commit()) return {};
  return Failure{file.ErrorText()};
}

std::optional<std::string> ReadWholeFile(const std::filesystem::path& file, int* error_number) {
  int fd = open(file.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    if (error_number != nullptr) *error_number = errno;
    return std::nullopt;
  }
  // Read straight into a string of the file's size: appending 64 KiB pieces
  // copied every byte twice more and regrew the string up to the file's size.
  // A file that grows meanwhile is still read to its end.
  std::string contents;
  struct stat status {};
  size_t size = 0;
  if (fstat(fd, &status) == 0 && status.st_size > 0) size = static_cast<size_t>(status.st_size);
  contents.resize(std::max<size_t>(size + 1, 65536));
  size_t used = 0;
  for (;;) {
    if (used == contents.size()) contents.resize(contents.size() * 2);
    ssize_t n = read(fd, contents.data() + used, contents.size() - used);
    if (n < 0) {
      if (errno == EINTR) continue;
      if (error_number != nullptr) *error_number = errno;
      close(fd);
      return std::nullopt;
    }
    if (n == 0) break;
    used += static_cast<size_t>(n);
  }
  close(fd);
  contents.resize(used);
  return contents;
}

}  // namespace kivo

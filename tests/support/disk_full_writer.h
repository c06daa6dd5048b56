#ifndef KIVO_TESTS_SUPPORT_DISK_FULL_WRITER_H_
#define KIVO_TESTS_SUPPORT_DISK_FULL_WRITER_H_

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>

#include "platform/atomic_file.h"

namespace kivo {

// A disk that fills up: writes go through to the file until `room` bytes in
// total have passed through this writer, then every write fails with
// `error_number` (ENOSPC unless told otherwise) until MakeRoom.
class DiskFullWriter : public FileWriter {
 public:
  explicit DiskFullWriter(uint64_t room, int error_number = ENOSPC)
      : room_(room), error_number_(error_number) {}
  ssize_t Write(int fd, const void* data, size_t size) override {
    size_t allowed = size;
    if (!unlimited_) {
      if (written_ >= room_) {
        errno = error_number_;
        return -1;
      }
      allowed = static_cast<size_t>(std::min<uint64_t>(size, room_ - written_));
    }
    const ssize_t n = write(fd, data, allowed);
    if (n > 0) written_ += static_cast<uint64_t>(n);
    return n;
  }
  // From now on every write goes through.
  void MakeRoom() { unlimited_ = true; }

 private:
  uint64_t room_;
  int error_number_;
  uint64_t written_ = 0;
  bool unlimited_ = false;
};

}  // namespace kivo

#endif  // KIVO_TESTS_SUPPORT_DISK_FULL_WRITER_H_

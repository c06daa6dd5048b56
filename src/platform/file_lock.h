#ifndef KIVO_PLATFORM_FILE_LOCK_H_
#define KIVO_PLATFORM_FILE_LOCK_H_

#include <filesystem>
#include <optional>
#include <string>

namespace kivo {

// An exclusive lock on a file (flock(2)), held while the object lives, so two
// processes that lock one file take turns. The file is created when missing
// and holds the process id of its holder, so one that finds it taken can say
// who holds it. A process that ends, however it ends, lets go of its locks.
class FileLock {
 public:
  FileLock(FileLock&& other) noexcept;
  FileLock& operator=(FileLock&& other) noexcept;
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;
  ~FileLock();

  // The lock on `file`. With `wait` it blocks until the holder lets go;
  // without, a lock held elsewhere gives nullopt with *holder the holder's
  // process id ("1234"; empty when unknown) and *error empty. Any other
  // failure gives nullopt with *error the file and the system's text.
  [[nodiscard]] static std::optional<FileLock> Acquire(const std::filesystem::path& file, bool wait,
                                                       std::string* holder, std::string* error);

 private:
  explicit FileLock(int fd) : fd_(fd) {}
  int fd_ = -1;
};

}  // namespace kivo

#endif  // KIVO_PLATFORM_FILE_LOCK_H_

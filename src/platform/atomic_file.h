#ifndef KIVO_PLATFORM_ATOMIC_FILE_H_
#define KIVO_PLATFORM_ATOMIC_FILE_H_

#include <sys/types.h>

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "platform/result.h"

namespace kivo {

// The operating system's own wording for an errno value ("No space left on
// device"). Every file operation of the program that reports a system error
// text takes it from here.
std::string SystemErrorText(int error_number);

// How an AtomicFile hands its bytes to the temporary file. The system's one
// is write(2); a test passes one that runs out of room where it wants.
class FileWriter {
 public:
  virtual ~FileWriter() = default;
  // Writes up to `size` bytes to fd. Returns what write(2) returns: the bytes
  // written (possibly fewer than asked), or -1 with errno set.
  virtual ssize_t Write(int fd, const void* data, size_t size) = 0;
};

// write(2) itself. Shared by the whole process.
FileWriter& SystemFileWriter();

// Writes a file so that the target either keeps its previous contents or gets
// the complete new ones, never a mixture: the bytes go to a temporary file in
// the target's directory, which is flushed to disk and renamed over the target
// only by Commit. A failure at any point (disk full, a killed process) leaves
// the previous file untouched; an abandoned temporary file is removed by the
// destructor when the process lives on.
//
// A symbolic link as target is followed, so the file it names is replaced and
// the link stays. A replaced file keeps its permission bits.
//
// Not thread-safe; one writer per target at a time.
class AtomicFile {
 public:
  // The bytes go through `writer`, which must outlive the AtomicFile.
  explicit AtomicFile(std::filesystem::path target, FileWriter& writer = SystemFileWriter());
  ~AtomicFile();

  AtomicFile(const AtomicFile&) = delete;
  AtomicFile& operator=(const AtomicFile&) = delete;

  // Creates the temporary file. False on failure (see error()).
  [[nodiscard]] bool Open();
  // Appends bytes; false on failure. After a failure every later call fails.
  [[nodiscard]] bool Write(std::span<const uint8_t> bytes);
  [[nodiscard]] bool Write(std::string_view text);
  // Flushes, closes and renames the temporary file over the target.
  [[nodiscard]] bool Commit();
  // Drops the temporary file; the target stays as it was.
  void Discard();

  // errno of the first failure, 0 when none.
  int error() const { return error_; }
  std::string ErrorText() const { return SystemErrorText(error_); }
  const std::filesystem::path& target() const { return target_; }

 private:
  bool Fail(int error_number);

  std::filesystem::path target_;
  FileWriter& writer_;
  std::filesystem::path temp_;
  int fd_ = -1;
  int error_ = 0;
};

// Writes the whole file through an AtomicFile. A failure carries the system
// error text.
Status WriteFileAtomically(const std::filesystem::path& target, std::span<const uint8_t> bytes,
                           FileWriter& writer = SystemFileWriter());

// Reads a whole file. On failure *error_number (when given) receives errno.
[[nodiscard]] std::optional<std::string> ReadWholeFile(const std::filesystem::path& file,
                                                       int* error_number = nullptr);

}  // namespace kivo

#endif  // KIVO_PLATFORM_ATOMIC_FILE_H_

#ifndef KIVO_PLATFORM_ATOMIC_FILE_H_
#define KIVO_PLATFORM_ATOMIC_FILE_H_

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace kivo {

// The operating system's own wording for an errno value ("No space left on
// device"). Every file operation of the program that reports a system error
// text takes it from here.
std::string SystemErrorText(int error_number);

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
  explicit AtomicFile(std::filesystem::path target);
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
  std::filesystem::path temp_;
  int fd_ = -1;
  int error_ = 0;
  uint64_t written_ = 0;
};

// Writes the whole file through an AtomicFile. On failure *error_text (when
// given) receives the system error text.
[[nodiscard]] bool WriteFileAtomically(const std::filesystem::path& target,
                                       std::span<const uint8_t> bytes,
                                       std::string* error_text = nullptr);

// Reads a whole file. On failure *error_number (when given) receives errno.
[[nodiscard]] std::optional<std::string> ReadWholeFile(const std::filesystem::path& file,
                                                       int* error_number = nullptr);

// Tests make every AtomicFile fail with the given errno once it has written
// `after_bytes` bytes in total; nullopt turns the failure off.
void InjectWriteFailureForTests(std::optional<uint64_t> after_bytes, int error_number = 28);

}  // namespace kivo

#endif  // KIVO_PLATFORM_ATOMIC_FILE_H_

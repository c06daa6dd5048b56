#ifndef KIVO_PLATFORM_FREE_SPACE_H_
#define KIVO_PLATFORM_FREE_SPACE_H_

#include <cstdint>
#include <filesystem>

namespace kivo {

// Free bytes for a file to be written at a path. Writers ask it before they
// write; tests replace it to report 0 or fail.
class FreeSpace {
 public:
  virtual ~FreeSpace() = default;
  // The drive root of a target path: on Linux, the nearest existing directory
  // on the way up from the path.
  static std::filesystem::path RootOf(const std::filesystem::path& target);
  // Free bytes at the root; 0 when the query fails.
  virtual uint64_t QueryFreeSpace(const std::filesystem::path& root) = 0;
};

// The file system's own answer (statvfs).
class SystemFreeSpace : public FreeSpace {
 public:
  uint64_t QueryFreeSpace(const std::filesystem::path& root) override;
};

// The process-wide query; tests swap it with SetFreeSpaceForTests.
FreeSpace& DefaultFreeSpace();
void SetFreeSpaceForTests(FreeSpace* query);  // nullptr restores the system one

}  // namespace kivo

#endif  // KIVO_PLATFORM_FREE_SPACE_H_

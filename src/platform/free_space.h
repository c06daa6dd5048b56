#ifndef KIVO_PLATFORM_FREE_SPACE_H_
#define KIVO_PLATFORM_FREE_SPACE_H_

#include <cstdint>
#include <filesystem>

namespace kivo {

// Free bytes for a file to be written at a path. Writers ask the one they are
// given before they write; a test gives one that reports 0 or fails.
class FreeSpace {
 public:
  virtual ~FreeSpace() = default;
  // The drive root of a target path: on Linux, the nearest existing directory
  // on the way up from the path.
  static std::filesystem::path RootOf(const std::filesystem::path& target);
  // Free bytes at the root; 0 when the query fails.
  virtual uint64_t QueryFreeSpace(const std::filesystem::path& root) = 0;
};

// The file system's own answer (statvfs). Shared by the whole process; it
// keeps no state.
FreeSpace& SystemFreeSpace();

}  // namespace kivo

#endif  // KIVO_PLATFORM_FREE_SPACE_H_

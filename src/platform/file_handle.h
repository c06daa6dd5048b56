#ifndef KIVO_PLATFORM_FILE_HANDLE_H_
#define KIVO_PLATFORM_FILE_HANDLE_H_

#include <cstdio>
#include <filesystem>
#include <memory>

namespace kivo {

// Closes a C stream when its owner goes.
struct FileCloser {
  void operator()(std::FILE* file) const {
    // Streams held this way are read-only; a failed close loses nothing.
    if (file != nullptr) (void)std::fclose(file);
  }
};

// An owned C stream; null when it could not be opened.
using FileHandle = std::unique_ptr<std::FILE, FileCloser>;

// std::fopen into a FileHandle; errno tells why when it is null.
[[nodiscard]] inline FileHandle OpenFile(const std::filesystem::path& path, const char* mode) {
  return FileHandle(std::fopen(path.c_str(), mode));
}

}  // namespace kivo

#endif  // KIVO_PLATFORM_FILE_HANDLE_H_

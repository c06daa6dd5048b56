#include "platform/program_dir.h"

#include <unistd.h>

#include <array>
#include <system_error>

namespace kivo {

namespace {

// How far above the program directory a build tree may lie below the source.
constexpr int kSourceSearchDepth = 4;

std::filesystem::path ExecutableDirectory() {
  std::array<char, 4096> buf{};
  ssize_t n = readlink("/proc/self/exe", buf.data(), buf.size() - 1);
  if (n <= 0) return {};
  return std::filesystem::path(std::string(buf.data(), static_cast<size_t>(n))).parent_path();
}

bool IsSampleDir(const std::filesystem::path& dir) {
  std::error_code ec;
  return std::filesystem::is_directory(dir, ec) &&
         std::filesystem::exists(dir / "categories.txt", ec);
}

}  // namespace

std::filesystem::path ProgramDirectory() {
  static const std::filesystem::path dir = ExecutableDirectory();
  return dir;
}

std::filesystem::path TablesDirectory() { return DataFilePath("code.dat").parent_path(); }

std::filesystem::path DataFilePath(const std::filesystem::path& name) {
  std::filesystem::path local = ProgramDirectory() / name;
  std::error_code ec;
  if (std::filesystem::exists(local, ec)) return local;
  // An installed program keeps its tables under <prefix>/share/kivo-link.
  std::filesystem::path shared = ProgramDirectory().parent_path() / "share" / "kivo-link" / name;
  if (std::filesystem::exists(shared, ec)) return shared;
  return local;
}

std::filesystem::path FindSampleDir() {
  std::filesystem::path installed = DataFilePath("sample");
  if (IsSampleDir(installed)) return installed;
  std::filesystem::path dir = ProgramDirectory();
  for (int depth = 0; depth < kSourceSearchDepth && !dir.empty(); ++depth) {
    if (IsSampleDir(dir / "data" / "sample")) return dir / "data" / "sample";
    if (dir == dir.parent_path()) break;
    dir = dir.parent_path();
  }
  return {};
}

}  // namespace kivo

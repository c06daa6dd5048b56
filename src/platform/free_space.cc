#include "platform/free_space.h"

#include <sys/statvfs.h>

#include <system_error>

namespace kivo {

std::filesystem::path FreeSpace::RootOf(const std::filesystem::path& target) {
  std::error_code ec;
  std::filesystem::path p = std::filesystem::absolute(target, ec);
  if (ec) p = target;
  while (!p.empty()) {
    if (std::filesystem::is_directory(p, ec)) return p;
    std::filesystem::path parent = p.parent_path();
    if (parent == p) break;
    p = parent;
  }
  return std::filesystem::path("/");
}

namespace {

class StatvfsFreeSpace : public FreeSpace {
 public:
  uint64_t QueryFreeSpace(const std::filesystem::path& root) override {
    struct statvfs st {};
    if (statvfs(root.c_str(), &st) != 0) return 0;
    return static_cast<uint64_t>(st.f_bavail) * static_cast<uint64_t>(st.f_frsize);
  }
};

}  // namespace

FreeSpace& SystemFreeSpace() {
  static StatvfsFreeSpace system;
  return system;
}

}  // namespace kivo

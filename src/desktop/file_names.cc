#include "desktop/file_names.h"

#include <cctype>
#include <cstdio>
#include <filesystem>

namespace kivo {

std::string WithExtension(std::string_view name, std::string_view extension) {
  std::string result(name);
  while (!result.empty() && std::isspace(static_cast<unsigned char>(result.back()))) {
    result.pop_back();
  }
  const size_t dot = result.rfind('.');
  std::string tail = dot == std::string::npos ? std::string() : result.substr(dot);
  for (char& c : tail) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (dot == std::string::npos || tail != extension) result += extension;
  return result;
}

std::string ProposedBackupName(int year, int month, int day) {
  char text[32];
  std::snprintf(text, sizeof text, "%04d%02d%02d", year, month, day);
  return std::string(text) + std::string(kBackupExtension);
}

std::string FolderOf(std::string_view path) {
  std::string folder = std::filesystem::path(path).parent_path().string();
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  return folder;
}

}  // namespace kivo

#include "desktop/desktop_paths.h"

#include "platform/app_dirs.h"
#include "platform/program_dir.h"

namespace kivo {

MainWindowPaths StartPaths(const std::filesystem::path& files_dir,
                           const std::filesystem::path& tables_dir) {
  MainWindowPaths paths;
  if (files_dir.empty()) {
    const AppDirs dirs = CurrentAppDirs();
    (void)CreateAppDirs(dirs);
    paths.files_dir = dirs.data;
    paths.config_dir = dirs.config;
    paths.state_dir = dirs.state;
    paths.documents_dir = dirs.documents;
  } else {
    paths.files_dir = files_dir;
  }
  paths.tables_dir = tables_dir.empty() ? TablesDirectory() : tables_dir;
  return paths;
}

AppDirs AppDirsOf(const MainWindowPaths& paths) {
  AppDirs dirs = AppDirs::InProgramDirectory(paths.files_dir);
  if (!paths.config_dir.empty()) dirs.config = paths.config_dir;
  if (!paths.state_dir.empty()) dirs.state = paths.state_dir;
  dirs.documents = paths.documents_dir;
  return dirs;
}

std::vector<std::filesystem::path> UserGuideFiles(const MainWindowPaths& paths) {
  const std::filesystem::path& tables = paths.tables_dir;
  return {tables / "README.md", tables.parent_path() / "doc" / kAppDirName / "README.md"};
}

}  // namespace kivo

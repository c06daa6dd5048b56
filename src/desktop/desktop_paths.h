#ifndef KIVO_DESKTOP_DESKTOP_PATHS_H_
#define KIVO_DESKTOP_DESKTOP_PATHS_H_

#include <filesystem>
#include <vector>

#include "platform/app_dirs.h"

namespace kivo {

// Where the desktop program finds its files.
struct MainWindowPaths {
  // Holds the working data file "Kivo-LinkUtility.dat" and, unless
  // config_dir names another folder, the settings file "Kivo-LinkUtility.ini":
  // the program directory, an installed program's XDG data folder, or a
  // test's own directory.
  std::filesystem::path files_dir;
  // Holds code.dat and sort.dat.
  std::filesystem::path tables_dir;
  // An installed program keeps the settings file in its own folder and a
  // bare log name in another (platform/app_dirs.h); empty: files_dir.
  std::filesystem::path config_dir;
  std::filesystem::path state_dir;
  // Where the file dialogs open at first (platform/app_dirs.h); empty:
  // files_dir/DATA.
  std::filesystem::path documents_dir;
};

// The paths of a start. Without `files_dir` a build tree keeps everything
// beside the program and an installed program uses the XDG folders, which
// are made here (one that cannot be made shows later as a write error);
// `files_dir` holds the settings and the working data file instead. The
// tables lie in `tables_dir`, else beside the program, else under the
// installation's share/kivo-link.
[[nodiscard]] MainWindowPaths StartPaths(const std::filesystem::path& files_dir,
                                         const std::filesystem::path& tables_dir);

// The folders of platform/app_dirs.h the paths stand for: files_dir for those
// they leave empty.
[[nodiscard]] AppDirs AppDirsOf(const MainWindowPaths& paths);

// Where Help > User guide looks for the guide, in turn: beside the tables in
// a build tree, under share/doc of an installed program.
[[nodiscard]] std::vector<std::filesystem::path> UserGuideFiles(const MainWindowPaths& paths);

}  // namespace kivo

#endif  // KIVO_DESKTOP_DESKTOP_PATHS_H_

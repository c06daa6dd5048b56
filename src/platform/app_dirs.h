#ifndef KIVO_PLATFORM_APP_DIRS_H_
#define KIVO_PLATFORM_APP_DIRS_H_

#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include "platform/result.h"

namespace kivo {

// The folder name under each XDG base directory and under <prefix>/share.
inline constexpr const char* kAppDirName = "kivo-link";

// Where the program keeps the files it writes. A build tree keeps them all in
// the program directory, beside the executable and the tables. An installed
// program cannot write there and follows the XDG base directories instead.
struct AppDirs {
  bool installed = false;
  std::filesystem::path config;  // the settings file
  std::filesystem::path data;    // the working data file, the virtual organizer's records,
                                 // the default backup folder
  std::filesystem::path state;   // a link log named without a folder
  // Where the file dialogs open until the user chose a folder: the user's
  // documents folder for an installed program; empty: data / "DATA".
  std::filesystem::path documents;

  // Every place in one directory: the build tree's layout.
  [[nodiscard]] static AppDirs InProgramDirectory(const std::filesystem::path& dir);
};

// Reads one environment variable; nullopt when it is not set.
using EnvLookup = std::function<std::optional<std::string>(const char* name)>;

// An installed program has no code.dat beside it, but finds one under
// <program_dir>/../share/kivo-link. Anything else (a build tree, or files
// missing altogether) keeps the program-directory layout, so a broken
// installation still reports its missing tables where it looks for them.
[[nodiscard]] bool IsInstalledLayout(const std::filesystem::path& program_dir);

// The directories for a program in program_dir. For an installed one:
// $XDG_CONFIG_HOME, $XDG_DATA_HOME and $XDG_STATE_HOME, each followed by
// "kivo-link"; a variable that is unset, empty or relative gives its default
// under the home directory (~/.config, ~/.local/share, ~/.local/state). When
// no home directory can be found either, the program directory is used.
[[nodiscard]] AppDirs ResolveAppDirs(const std::filesystem::path& program_dir,
                                     const EnvLookup& env);

// The user's documents folder: $XDG_DOCUMENTS_DIR, else the one that
// $XDG_CONFIG_HOME/user-dirs.dirs names (XDG_DOCUMENTS_DIR="$HOME/Documents"),
// else ~/Documents; the home directory when that folder does not exist.
// nullopt without a home directory.
[[nodiscard]] std::optional<std::filesystem::path> DocumentsDirectory(const EnvLookup& env);

// ResolveAppDirs for the running program and its environment.
[[nodiscard]] AppDirs CurrentAppDirs();

// Creates the directories of an installed program (owner-only, as the XDG
// rules ask of directories they create); the program directory of a build
// tree exists already. A failure carries the system text of the first one.
Status CreateAppDirs(const AppDirs& dirs);

// The folder of the single-instance lock and socket, which must be the user's
// alone: $XDG_RUNTIME_DIR when it names an absolute directory of the user's
// own that others cannot enter; otherwise $XDG_CACHE_HOME/kivo-link (by
// default ~/.cache/kivo-link), made owner-only when it is missing or open to
// others. A failure with the reason when neither can be had, for instance when
// the fallback folder belongs to someone else or is a symbolic link.
Result<std::filesystem::path> ResolveRuntimeDir(const EnvLookup& env);

// ResolveRuntimeDir for the running program's environment.
Result<std::filesystem::path> CurrentRuntimeDir();

}  // namespace kivo

#endif  // KIVO_PLATFORM_APP_DIRS_H_

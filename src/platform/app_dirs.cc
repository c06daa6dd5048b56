#include "platform/app_dirs.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <system_error>
#include <vector>

#include "platform/program_dir.h"

namespace kivo {

namespace {

namespace fs = std::filesystem;

// The home directory: $HOME, else the password database's entry.
std::optional<fs::path> HomeDirectory(const EnvLookup& env) {
  if (std::optional<std::string> home = env("HOME"); home && !home->empty()) return fs::path(*home);
  // getpwuid_r with a buffer of the size the system suggests.
  long size = sysconf(_SC_GETPW_R_SIZE_MAX);
  std::vector<char> buf(size > 0 ? static_cast<size_t>(size) : 16384);
  passwd entry{};
  passwd* result = nullptr;
  if (getpwuid_r(getuid(), &entry, buf.data(), buf.size(), &result) == 0 && result != nullptr &&
      result->pw_dir != nullptr && result->pw_dir[0] != '\0') {
    return fs::path(result->pw_dir);
  }
  return std::nullopt;
}

// One XDG base directory: the variable when it holds an absolute path (the
// rules say to ignore a relative one), else home / fallback.
std::optional<fs::path> BaseDirectory(const EnvLookup& env, const char* variable,
                                      const fs::path& home_relative) {
  if (std::optional<std::string> value = env(variable); value && !value->empty()) {
    fs::path dir(*value);
    if (dir.is_absolute()) return dir;
  }
  std::optional<fs::path> home = HomeDirectory(env);
  if (!home) return std::nullopt;
  return *home / home_relative;
}

std::optional<std::string> GetEnv(const char* name) {
  const char* value = std::getenv(name);
  if (value == nullptr) return std::nullopt;
  return std::string(value);
}

// A real directory (not a link to one) owned by this user; *mode gets its
// permission bits.
bool IsOwnDirectory(const fs::path& dir, mode_t* mode) {
  struct stat st {};
  if (lstat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != getuid()) return false;
  *mode = st.st_mode & 07777;
  return true;
}

// Creates the missing folders of dir, each owner-only.
Status MakeDirectories(const fs::path& dir) {
  fs::path partial;
  for (const fs::path& part : dir) {
    partial /= part;
    if (mkdir(partial.c_str(), 0700) == 0 || errno == EEXIST) continue;
    return Failure{partial.string() + ": " + std::strerror(errno)};
  }
  return {};
}

}  // namespace

AppDirs AppDirs::InProgramDirectory(const fs::path& dir) {
  AppDirs dirs;
  dirs.config = dir;
  dirs.data = dir;
  dirs.state = dir;
  return dirs;
}

bool IsInstalledLayout(const fs::path& program_dir) {
  std::error_code ec;
  if (fs::exists(program_dir / "code.dat", ec)) return false;
  return fs::exists(program_dir.parent_path() / "share" / kAppDirName / "code.dat", ec);
}

std::optional<fs::path> DocumentsDirectory(const EnvLookup& env) {
  const std::optional<fs::path> home = HomeDirectory(env);
  if (!home) return std::nullopt;
  std::string named;
  if (std::optional<std::string> value = env("XDG_DOCUMENTS_DIR"); value) named = *value;
  if (named.empty()) {
    if (std::optional<fs::path> config = BaseDirectory(env, "XDG_CONFIG_HOME", ".config")) {
      std::ifstream dirs(*config / "user-dirs.dirs");
      constexpr std::string_view kKey = "XDG_DOCUMENTS_DIR=";
      for (std::string line; std::getline(dirs, line);) {
        if (!line.starts_with(kKey)) continue;
        named = line.substr(kKey.size());
        if (named.size() >= 2 && named.front() == '"' && named.back() == '"') {
          named = named.substr(1, named.size() - 2);
        }
      }
    }
  }
  if (named.starts_with("$HOME")) named = home->string() + named.substr(5);
  const fs::path dir =
      named.empty() || !fs::path(named).is_absolute() ? *home / "Documents" : fs::path(named);
  std::error_code ec;
  // xdg-user-dirs, too, takes the home directory for a folder not there.
  return fs::is_directory(dir, ec) ? dir : *home;
}

AppDirs ResolveAppDirs(const fs::path& program_dir, const EnvLookup& env) {
  if (!IsInstalledLayout(program_dir)) return AppDirs::InProgramDirectory(program_dir);
  std::optional<fs::path> config = BaseDirectory(env, "XDG_CONFIG_HOME", ".config");
  std::optional<fs::path> data = BaseDirectory(env, "XDG_DATA_HOME", fs::path(".local") / "share");
  std::optional<fs::path> state =
      BaseDirectory(env, "XDG_STATE_HOME", fs::path(".local") / "state");
  if (!config || !data || !state) return AppDirs::InProgramDirectory(program_dir);
  AppDirs dirs;
  dirs.installed = true;
  dirs.config = *config / kAppDirName;
  dirs.data = *data / kAppDirName;
  dirs.state = *state / kAppDirName;
  dirs.documents = DocumentsDirectory(env).value_or(fs::path());
  return dirs;
}

AppDirs CurrentAppDirs() { return ResolveAppDirs(ProgramDirectory(), GetEnv); }

Status CreateAppDirs(const AppDirs& dirs) {
  if (!dirs.installed) return {};
  for (const fs::path* dir : {&dirs.config, &dirs.data, &dirs.state}) {
    // Parents such as ~/.local/state may be missing too; each new one is private.
    if (Status made = MakeDirectories(*dir); !made) return made;
    std::error_code ec;
    if (!fs::is_directory(*dir, ec)) return Failure{dir->string() + ": " + std::strerror(ENOTDIR)};
  }
  return {};
}

Result<fs::path> ResolveRuntimeDir(const EnvLookup& env) {
  mode_t mode = 0;
  if (std::optional<std::string> value = env("XDG_RUNTIME_DIR"); value && !value->empty()) {
    const fs::path dir(*value);
    if (dir.is_absolute() && IsOwnDirectory(dir, &mode) && (mode & 077) == 0) return dir;
  }
  std::optional<fs::path> cache = BaseDirectory(env, "XDG_CACHE_HOME", ".cache");
  if (!cache) return Failure{"no home directory"};
  const fs::path dir = *cache / kAppDirName;
  if (Status made = MakeDirectories(dir); !made) return Failure{made.error()};
  if (!IsOwnDirectory(dir, &mode))
    return Failure{dir.string() + ": not a folder of this user's own"};
  if ((mode & 077) != 0 && chmod(dir.c_str(), 0700) != 0) {
    return Failure{dir.string() + ": " + std::strerror(errno)};
  }
  return dir;
}

Result<fs::path> CurrentRuntimeDir() { return ResolveRuntimeDir(GetEnv); }

}  // namespace kivo

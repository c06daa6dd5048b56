// The places of an installed program: the settings keep their meaning, only
// the defaults that name a folder move to the XDG directories.

#include <gtest/gtest.h>

#include "store/app_settings.h"

namespace kivo {
namespace {

AppDirs InstalledDirs() {
  AppDirs dirs;
  dirs.installed = true;
  dirs.config = "/home/u/.config/kivo-link";
  dirs.data = "/home/u/.local/share/kivo-link";
  dirs.state = "/home/u/.local/state/kivo-link";
  return dirs;
}

TEST(AppSettingsDirs, FolderDefaultsFollowTheDirectories) {
  struct Case {
    const char* file;
    const char* backup_dir;
    const char* log_file_name;
  };
  const Case kCases[] = {
      {"", "/home/u/.local/share/kivo-link/DATA", ""},
      {"[Path]\nLogFileName=link.log\n", "/home/u/.local/share/kivo-link/DATA",
       "/home/u/.local/state/kivo-link/link.log"},
      {"[Path]\nBackupDir=/media/b\nLogFileName=/tmp/l.log\n", "/media/b", "/tmp/l.log"},
      {"[Path]\nLogFileName=logs/l.log\n", "/home/u/.local/share/kivo-link/DATA", "logs/l.log"},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.file);
    AppSettings s = ReadAppSettings(IniFile::Parse(c.file), InstalledDirs());
    EXPECT_EQ(s.backup_dir, c.backup_dir);
    EXPECT_EQ(s.log_file_name, c.log_file_name);
  }
}

TEST(AppSettingsDirs, ProgramDirectoryFormIsTheSameAsOneDirectoryForAll) {
  const IniFile ini = IniFile::Parse("[Path]\nLogFileName=link.log\n[Settings]\nModel=1\n");
  AppSettings by_dir = ReadAppSettings(ini, std::filesystem::path("/opt/k/bin"));
  AppSettings by_dirs = ReadAppSettings(ini, AppDirs::InProgramDirectory("/opt/k/bin"));
  EXPECT_EQ(by_dir.backup_dir, "/opt/k/bin/DATA");
  EXPECT_EQ(by_dir.log_file_name, "/opt/k/bin/link.log");
  EXPECT_EQ(by_dirs.backup_dir, by_dir.backup_dir);
  EXPECT_EQ(by_dirs.log_file_name, by_dir.log_file_name);
  EXPECT_EQ(by_dirs.model, 1);
}

TEST(AppSettingsDirs, MissingSettingsFileGivesTheDefaults) {
  AppSettings s = LoadAppSettings("/nonexistent/kivo/Kivo-LinkUtility.ini", InstalledDirs());
  EXPECT_EQ(s.backup_dir, "/home/u/.local/share/kivo-link/DATA");
  EXPECT_EQ(s.com_port, 1);
}

}  // namespace
}  // namespace kivo

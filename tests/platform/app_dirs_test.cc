#include "platform/app_dirs.h"

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#include <gtest/gtest.h>

namespace kivo {
namespace {

namespace fs = std::filesystem;

// A prefix with bin/ and share/kivo-link/ like an installation, or a build
// tree's program directory with the tables beside the executable.
class AppDirsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = fs::temp_directory_path() /
            ("kivo_app_dirs_" + std::to_string(getpid()) + "_" +
             ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(root_);
    fs::create_directories(root_ / "bin");
  }
  void TearDown() override { fs::remove_all(root_); }

  void Touch(const fs::path& file) {
    fs::create_directories(file.parent_path());
    std::ofstream(file) << "x";
  }
  void MakeInstalled() { Touch(root_ / "share" / "kivo-link" / "code.dat"); }
  fs::path bin() const { return root_ / "bin"; }

  EnvLookup Env(std::map<std::string, std::string> vars) {
    return [vars = std::move(vars)](const char* name) -> std::optional<std::string> {
      auto it = vars.find(name);
      if (it == vars.end()) return std::nullopt;
      return it->second;
    };
  }

  fs::path root_;
};

TEST_F(AppDirsTest, BuildTreeKeepsEverythingInTheProgramDirectory) {
  Touch(bin() / "code.dat");
  MakeInstalled();  // tables beside the executable win over installed ones
  AppDirs dirs = ResolveAppDirs(bin(), Env({{"HOME", "/home/u"}, {"XDG_CONFIG_HOME", "/c"}}));
  EXPECT_FALSE(dirs.installed);
  EXPECT_EQ(dirs.config, bin());
  EXPECT_EQ(dirs.data, bin());
  EXPECT_EQ(dirs.state, bin());
}

TEST_F(AppDirsTest, NoTablesAnywhereKeepsTheProgramDirectory) {
  EXPECT_FALSE(IsInstalledLayout(bin()));
  AppDirs dirs = ResolveAppDirs(bin(), Env({{"HOME", "/home/u"}}));
  EXPECT_FALSE(dirs.installed);
  EXPECT_EQ(dirs.data, bin());
}

TEST_F(AppDirsTest, InstalledProgramFollowsTheXdgVariables) {
  MakeInstalled();
  ASSERT_TRUE(IsInstalledLayout(bin()));
  struct Case {
    const char* what;
    std::map<std::string, std::string> env;
    const char* config;
    const char* data;
    const char* state;
  };
  const Case cases[] = {
      {"defaults under home",
       {{"HOME", "/home/u"}},
       "/home/u/.config/kivo-link",
       "/home/u/.local/share/kivo-link",
       "/home/u/.local/state/kivo-link"},
      {"variables set",
       {{"HOME", "/home/u"},
        {"XDG_CONFIG_HOME", "/x/c"},
        {"XDG_DATA_HOME", "/x/d"},
        {"XDG_STATE_HOME", "/x/s"}},
       "/x/c/kivo-link",
       "/x/d/kivo-link",
       "/x/s/kivo-link"},
      {"empty and relative values are ignored",
       {{"HOME", "/home/u"},
        {"XDG_CONFIG_HOME", ""},
        {"XDG_DATA_HOME", "rel/d"},
        {"XDG_STATE_HOME", "/x/s"}},
       "/home/u/.config/kivo-link",
       "/home/u/.local/share/kivo-link",
       "/x/s/kivo-link"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    AppDirs dirs = ResolveAppDirs(bin(), Env(c.env));
    EXPECT_TRUE(dirs.installed);
    EXPECT_EQ(dirs.config, fs::path(c.config));
    EXPECT_EQ(dirs.data, fs::path(c.data));
    EXPECT_EQ(dirs.state, fs::path(c.state));
  }
}

TEST_F(AppDirsTest, WithoutHomeTheAccountsHomeDirectoryIsUsed) {
  MakeInstalled();
  AppDirs dirs = ResolveAppDirs(bin(), Env({{"XDG_STATE_HOME", "/x/s"}}));
  // The password database knows the home of the user running the test.
  EXPECT_TRUE(dirs.config.is_absolute());
  EXPECT_EQ(dirs.config.filename(), "kivo-link");
  EXPECT_EQ(dirs.config.parent_path().filename(), ".config");
  EXPECT_EQ(dirs.state, fs::path("/x/s/kivo-link"));
}

TEST_F(AppDirsTest, CreateAppDirsMakesPrivateDirectoriesWithTheirParents) {
  MakeInstalled();
  const fs::path xdg = root_ / "xdg";
  AppDirs dirs = ResolveAppDirs(
      bin(), Env({{"HOME", (root_ / "home").string()}, {"XDG_DATA_HOME", (xdg / "d").string()}}));
  const Status created = CreateAppDirs(dirs);
  ASSERT_TRUE(created) << created.error();
  for (const fs::path& dir : {dirs.config, dirs.data, dirs.state, xdg / "d", root_ / "home"}) {
    SCOPED_TRACE(dir.string());
    struct stat st {};
    ASSERT_EQ(stat(dir.c_str(), &st), 0);
    EXPECT_TRUE(S_ISDIR(st.st_mode));
    EXPECT_EQ(st.st_mode & 0777, 0700u);
  }
  // Again, with everything present: nothing to do.
  const Status again = CreateAppDirs(dirs);
  EXPECT_TRUE(again) << again.error();
}

TEST_F(AppDirsTest, CreateAppDirsReportsAFileInTheWay) {
  MakeInstalled();
  Touch(root_ / "home" / ".config");
  AppDirs dirs = ResolveAppDirs(bin(), Env({{"HOME", (root_ / "home").string()}}));
  const Status created = CreateAppDirs(dirs);
  ASSERT_FALSE(created);
  EXPECT_NE(created.error().find(".config"), std::string::npos) << created.error();
}

TEST_F(AppDirsTest, CreateAppDirsLeavesABuildTreeAlone) {
  AppDirs dirs = AppDirs::InProgramDirectory(root_ / "absent");
  EXPECT_TRUE(CreateAppDirs(dirs));
  EXPECT_FALSE(fs::exists(root_ / "absent"));
}

TEST_F(AppDirsTest, RuntimeDirIsAlwaysTheUsersOwnPrivateFolder) {
  const fs::path run = root_ / "run";
  const fs::path shared = root_ / "shared";
  const fs::path cache = root_ / "cache";
  const fs::path home_cache = root_ / "home" / ".cache" / "kivo-link";
  fs::create_directories(run);
  fs::permissions(run, fs::perms::owner_all, fs::perm_options::replace);
  fs::create_directories(shared);
  fs::permissions(shared, fs::perms::all | fs::perms::sticky_bit, fs::perm_options::replace);
  struct Case {
    const char* what;
    std::map<std::string, std::string> env;
    fs::path expected;
  };
  const Case cases[] = {
      {"private runtime dir", {{"XDG_RUNTIME_DIR", run.string()}}, run},
      {"shared runtime dir",
       {{"XDG_RUNTIME_DIR", shared.string()}, {"XDG_CACHE_HOME", cache.string()}},
       cache / "kivo-link"},
      {"relative runtime dir",
       {{"XDG_RUNTIME_DIR", "run"}, {"HOME", (root_ / "home").string()}},
       home_cache},
      {"missing runtime dir",
       {{"XDG_RUNTIME_DIR", (root_ / "absent").string()}, {"XDG_CACHE_HOME", cache.string()}},
       cache / "kivo-link"},
      {"unset", {{"HOME", (root_ / "home").string()}}, home_cache},
  };
  for (const Case& c : cases) {
    const Result<fs::path> dir = ResolveRuntimeDir(Env(c.env));
    ASSERT_TRUE(dir.ok()) << c.what << ": " << dir.error();
    EXPECT_EQ(*dir, c.expected) << c.what;
    EXPECT_EQ(fs::status(*dir).permissions() & fs::perms::all, fs::perms::owner_all) << c.what;
  }

  // A fallback folder left open to others is closed; a link is refused.
  fs::permissions(home_cache, fs::perms::all, fs::perm_options::replace);
  const Result<fs::path> closed = ResolveRuntimeDir(Env({{"HOME", (root_ / "home").string()}}));
  ASSERT_TRUE(closed.ok()) << closed.error();
  EXPECT_EQ(*closed, home_cache);
  EXPECT_EQ(fs::status(home_cache).permissions() & fs::perms::all, fs::perms::owner_all);
  fs::create_directories(root_ / "linked");
  fs::create_directory_symlink(shared, root_ / "linked" / "kivo-link");
  const Result<fs::path> linked =
      ResolveRuntimeDir(Env({{"XDG_CACHE_HOME", (root_ / "linked").string()}}));
  ASSERT_FALSE(linked);
  EXPECT_NE(linked.error().find("not a folder of this user's own"), std::string::npos)
      << linked.error();
}

// The folder the file dialogs open in: what xdg-user-dirs set up, else
// ~/Documents, and the home directory for a folder that is not there.
TEST_F(AppDirsTest, DocumentsFolderFollowsTheUserDirs) {
  const fs::path home = root_ / "home";
  fs::create_directories(home / "Dokumente");
  const fs::path config = root_ / "config";
  const std::pair<std::string, fs::path> kCases[] = {
      {"XDG_DOCUMENTS_DIR=\"$HOME/Dokumente\"", home / "Dokumente"},
      {"XDG_DOCUMENTS_DIR=\"$HOME/Gone\"", home},
  };
  for (const auto& [line, expected] : kCases) {
    Touch(config / "user-dirs.dirs");
    std::ofstream(config / "user-dirs.dirs") << "# xdg-user-dirs\n" << line << "\n";
    EXPECT_EQ(DocumentsDirectory(Env({{"HOME", home.string()}, {"XDG_CONFIG_HOME", config}})),
              expected);
  }
}

}  // namespace
}  // namespace kivo

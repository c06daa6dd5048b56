#include "platform/atomic_file.h"

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/disk_full_writer.h"

namespace kivo {
namespace {

namespace fs = std::filesystem;

class AtomicFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("kivo_atomic_" + std::to_string(getpid()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override {
    fs::permissions(dir_, fs::perms::owner_all, fs::perm_options::add);
    fs::remove_all(dir_);
  }
  void Put(const fs::path& file, const std::string& text) {
    ASSERT_TRUE(WriteFileAtomically(
        file, std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size())));
  }
  std::string Get(const fs::path& file) { return ReadWholeFile(file).value_or("<missing>"); }
  // Files other than the named one: leftovers of a temporary file.
  size_t EntryCount() {
    size_t n = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(dir_)) ++n;
    return n;
  }

  fs::path dir_;
};

TEST_F(AtomicFileTest, CommitReplacesContentsAndLeavesNoTemporaryFile) {
  fs::path file = dir_ / "a.bkf";
  Put(file, "old contents that are longer");
  Put(file, "new");
  EXPECT_EQ(Get(file), "new");
  EXPECT_EQ(EntryCount(), 1u);
}

TEST_F(AtomicFileTest, InjectedFailureKeepsPreviousFileAtEveryCutPoint) {
  fs::path file = dir_ / "a.bkf";
  Put(file, "previous");
  std::vector<uint8_t> big(10000, 0x41);
  for (uint64_t cut : {0ull, 1ull, 4096ull, 9999ull}) {
    DiskFullWriter disk(cut, ENOSPC);
    const Status written = WriteFileAtomically(file, big, disk);
    ASSERT_FALSE(written) << cut;
    EXPECT_EQ(written.error(), SystemErrorText(ENOSPC));
    EXPECT_EQ(Get(file), "previous") << cut;
    EXPECT_EQ(EntryCount(), 1u) << cut;
  }
  EXPECT_TRUE(WriteFileAtomically(file, big));
  EXPECT_EQ(Get(file).size(), big.size());
}

TEST_F(AtomicFileTest, WriterKilledHalfwayLeavesPreviousFileIntact) {
  fs::path file = dir_ / "work.dat";
  Put(file, "the user's records");
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    AtomicFile writer(file);
    std::vector<uint8_t> chunk(4096, 0x00);
    if (!writer.Open() || !writer.Write(chunk) || !writer.Write(chunk)) _exit(3);
    kill(getpid(), SIGKILL);  // dies between two writes, before Commit
    _exit(4);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFSIGNALED(status));
  EXPECT_EQ(WTERMSIG(status), SIGKILL);
  EXPECT_EQ(Get(file), "the user's records");
  EXPECT_EQ(EntryCount(), 2u);  // the killed writer's temporary file
  // The next write succeeds and clears the dead writer's leftover away.
  Put(file, "next run");
  EXPECT_EQ(Get(file), "next run");
  EXPECT_EQ(EntryCount(), 1u);
}

TEST_F(AtomicFileTest, DiscardedWriterLeavesTargetAbsentOrUnchanged) {
  fs::path file = dir_ / "never.dat";
  {
    AtomicFile writer(file);
    ASSERT_TRUE(writer.Open());
    ASSERT_TRUE(writer.Write(std::string_view("half")));
  }
  EXPECT_FALSE(fs::exists(file));
  EXPECT_EQ(EntryCount(), 0u);
}

TEST_F(AtomicFileTest, UnwritableDirectoryReportsSystemText) {
  if (geteuid() == 0) GTEST_SKIP() << "root ignores directory permissions";
  fs::path file = dir_ / "a.bkf";
  Put(file, "keep");
  fs::permissions(dir_, fs::perms::owner_write, fs::perm_options::remove);
  const Status written = WriteFileAtomically(file, std::vector<uint8_t>{1, 2});
  ASSERT_FALSE(written);
  EXPECT_EQ(written.error(), SystemErrorText(EACCES));
  fs::permissions(dir_, fs::perms::owner_write, fs::perm_options::add);
  EXPECT_EQ(Get(file), "keep");
}

TEST_F(AtomicFileTest, ReplacedFileKeepsPermissionsAndSymlinkStays) {
  fs::path file = dir_ / "real.ini";
  Put(file, "a");
  fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write);
  fs::path link = dir_ / "link.ini";
  fs::create_symlink(file, link);
  Put(link, "b");
  EXPECT_TRUE(fs::is_symlink(link));
  EXPECT_EQ(Get(file), "b");
  EXPECT_EQ(fs::status(file).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write);
}

TEST(SystemErrorText, IsTheSystemWording) {
  EXPECT_EQ(SystemErrorText(ENOENT), "No such file or directory");
  EXPECT_EQ(SystemErrorText(ENOSPC), "No space left on device");
  EXPECT_EQ(SystemErrorText(0), "");
}

TEST(ReadWholeFile, MissingFileGivesErrno) {
  int error = 0;
  EXPECT_FALSE(ReadWholeFile("/nonexistent/kivo/file", &error).has_value());
  EXPECT_EQ(error, ENOENT);
}

}  // namespace
}  // namespace kivo

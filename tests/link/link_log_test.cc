#include "link/link_log.h"

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include <gtest/gtest.h>

#include "link/comm_link.h"
#include "platform/link_defaults.h"

namespace kivo {
namespace {

class LinkLogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetLogTimeBaseForTests();
    clock_.SetLocal({2026, 3, 7, 9, 5, 4});
    path_ = ::testing::TempDir() + "kivo_link_log_" + std::to_string(getpid()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".log";
    std::filesystem::remove(path_);
  }
  void TearDown() override { std::filesystem::remove(path_); }
  std::string Content() const {
    std::ifstream in(path_, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

  ManualClock clock_{50000};
  std::string path_;
};

TEST_F(LinkLogTest, EmptyNameTouchesNothingAndSucceeds) {
  EXPECT_TRUE(WriteLog("", "text\n", true, clock_));
  EXPECT_TRUE(WriteHexDump("", std::vector<uint8_t>{1}));
  EXPECT_EQ(LogTimeBase(), 0u);  // not even the time base moves
  CommLink link(1, kLinkBaudRate, &clock_);
  EXPECT_TRUE(link.WriteLogIfEnabled("x"));
  EXPECT_FALSE(link.logging());
}

TEST_F(LinkLogTest, FirstEntryHasAFullStampThenRelativeOnes) {
  ASSERT_TRUE(WriteLog(path_, "one\n", false, clock_));
  clock_.Advance(1234);
  ASSERT_TRUE(WriteLog(path_, "two\n\n", false, clock_));
  clock_.Advance(12345678 - 1234);
  ASSERT_TRUE(WriteLog(path_, "three", false, clock_));
  ASSERT_TRUE(WriteHexDump(path_, std::vector<uint8_t>{0x7f, 0x0a}));
  clock_.Advance(10);
  ASSERT_TRUE(WriteLog(path_, "run\n", true, clock_));
  ASSERT_TRUE(WriteHexDump(path_, std::vector<uint8_t>{}));
  EXPECT_EQ(Content(),
            "{07/03/26 09:05:04}\r\none\r\n"
            "{+0001234}two\r\n\r\n"
            "{+12345678}three[ 7f 0a ]\r\n"
            "{07/03/26 09:05:04}\r\nrun\r\n"
            "[ ]\r\n");
}

TEST_F(LinkLogTest, EntriesAppendToAnExistingFileAndSetLogFileNameDeletesIt) {
  { std::ofstream(path_) << "old\r\n"; }
  ASSERT_TRUE(WriteLog(path_, "new", false, clock_));
  EXPECT_EQ(Content().substr(0, 5), "old\r\n");
  CommLink link(1, kLinkBaudRate, &clock_);
  link.SetLogFileName(path_);
  EXPECT_FALSE(std::filesystem::exists(path_));
  link.SetLogFileName(path_);  // a missing file is fine
  EXPECT_TRUE(link.logging());
}

TEST_F(LinkLogTest, UnwritableFileLosesTheEntryOnly) {
  std::string dir = ::testing::TempDir() + "kivo_no_such_dir_" + std::to_string(getpid());
  EXPECT_FALSE(WriteLog(dir + "/log.txt", "x", false, clock_));
  EXPECT_FALSE(WriteHexDump(dir + "/log.txt", std::vector<uint8_t>{1}));
}

}  // namespace
}  // namespace kivo

// The table tool refuses broken sources instead of writing broken tables.

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include <gtest/gtest.h>

#include "support/temp_dir.h"

namespace kivo {
namespace {

namespace fs = std::filesystem;

const fs::path kTool = fs::path(KIVO_PROGRAM_DIR).parent_path() / "tools" / "make_tables";
const fs::path kSources = fs::path(KIVO_SOURCE_DIR) / "data" / "tables";

// Replaces the first occurrence of `from` in the text.
std::string Edit(std::string text, const std::string& from, const std::string& to) {
  const size_t at = text.find(from);
  EXPECT_NE(at, std::string::npos) << from;
  if (at != std::string::npos) text.replace(at, from.size(), to);
  return text;
}

class MakeTablesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("kivo_tables_" + std::to_string(::getpid()));
    fs::remove_all(dir_);
    fs::create_directories(dir_ / "in");
    codepage_ = ReadText(kSources / "codepage.txt");
    sort_ = ReadText(kSources / "sort.txt");
  }
  void TearDown() override { fs::remove_all(dir_); }

  // Exit status of the tool on the given sources.
  int Run(const std::string& codepage, const std::string& sort) {
    WriteText(dir_ / "in" / "codepage.txt", codepage);
    WriteText(dir_ / "in" / "sort.txt", sort);
    fs::remove_all(dir_ / "out");
    const std::string command = kTool.string() + " " + (dir_ / "in").string() + " " +
                                (dir_ / "out").string() + " 2>/dev/null";
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  fs::path dir_;
  std::string codepage_;
  std::string sort_;
};

TEST_F(MakeTablesTest, BuildsTheShippedSources) {
  ASSERT_TRUE(fs::exists(kTool)) << kTool;
  EXPECT_EQ(Run(codepage_, sort_), 0);
  EXPECT_EQ(fs::file_size(dir_ / "out" / "code.dat"), 256u);
  EXPECT_EQ(fs::file_size(dir_ / "out" / "char.dat"), 256u);
  EXPECT_EQ(fs::file_size(dir_ / "out" / "sort.dat"), 1024u);
  // The build's own copies come from the same sources.
  EXPECT_EQ(ReadText(dir_ / "out" / "code.dat"), ReadText(fs::path(KIVO_PROGRAM_DIR) / "code.dat"));
  EXPECT_EQ(ReadText(dir_ / "out" / "sort.dat"), ReadText(fs::path(KIVO_PROGRAM_DIR) / "sort.dat"));
}

TEST_F(MakeTablesTest, RefusesBrokenSources) {
  struct {
    const char* name;
    std::string codepage;
    std::string sort;
  } const cases[] = {
      {"organizer byte paired twice",
       Edit(codepage_, "0xC1  \xC3\x81     0xB1", "0xC1  \xC3\x81     0xB0"), sort_},
      {"organizer byte that is blanked",
       Edit(codepage_, "0xC1  \xC3\x81     0xB1", "0xC1  \xC3\x81     0xC1"), sort_},
      {"PC byte missing", Edit(codepage_, "0xC1  \xC3\x81     0xB1", "# gone"), sort_},
      {"PC byte listed twice", codepage_ + "0xC1  \xC3\x81     =A\n", sort_},
      {"the terminator", codepage_ + "0xFF  \xC3\xBF     =y\n", sort_},
      {"bad target", Edit(codepage_, "0xC1  \xC3\x81     0xB1", "0xC1  \xC3\x81     =AB"), sort_},
      {"character ordered twice", codepage_, Edit(sort_, "order 0123456789", "order 00123456789")},
      {"fold runs of different length", codepage_, Edit(sort_, "fold abc", "fold abbc")},
      {"unknown character", codepage_,
       Edit(sort_, "order 0123456789", "order 0123456789\xE2\x82\xA4")},
      {"model 1 missing", codepage_, sort_.substr(0, sort_.find("model 1"))},
      {"unknown keyword", codepage_, Edit(sort_, "order 0123456789", "sort 0123456789")},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Run(c.codepage, c.sort), 1) << c.name;
    EXPECT_FALSE(fs::exists(dir_ / "out" / "code.dat")) << c.name;
  }
}

}  // namespace
}  // namespace kivo

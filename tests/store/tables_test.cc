#include "store/tables.h"

#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/temp_dir.h"

namespace kivo {
namespace {

using Names = std::vector<std::string>;

TEST(LoadTables, NamesTheFilesThatCannotBeOpened) {
  const TempDir dir;
  EXPECT_EQ(LoadTables(dir.path()).missing, (Names{"code.dat", "char.dat", "sort.dat"}));
  WriteText(dir / "code.dat", "x");
  WriteText(dir / "sort.dat", "x");
  EXPECT_EQ(LoadTables(dir.path()).missing, Names{"char.dat"});
  WriteText(dir / "char.dat", "x");
  EXPECT_EQ(LoadTables(dir.path()).missing, Names{});
  EXPECT_EQ(LoadTables(KIVO_PROGRAM_DIR).missing, Names{});
}

// Without the files the tables are those of a default value: every converted
// byte a blank, every character allowed, no sort table.
TEST(LoadTables, ReadsTheFolderGivenAndDefaultsWithoutIt) {
  const TempDir dir;
  const Tables none = LoadTables(dir.path());
  const Tables blank;
  EXPECT_EQ(none.code.a, blank.code.a);
  EXPECT_EQ(none.code.a, CodeTables::Blank().a);
  EXPECT_EQ(none.allowed, blank.allowed);
  EXPECT_EQ(none.allowed, EveryCharAllowed());
  EXPECT_FALSE(none.sort_loaded);
  {
    std::ofstream out(dir / "code.dat", std::ios::binary);
    for (int i = 0; i < 256; ++i) out.put(static_cast<char>(i < 128 ? 0x41 : 0x42));
  }
  const Tables with = LoadTables(dir.path());
  EXPECT_EQ(with.dir, dir.path());
  EXPECT_EQ(with.code.a[0], 0x41);
  EXPECT_EQ(with.code.b[127], 0x42);
  EXPECT_TRUE(with.IsMissing("sort.dat"));
  EXPECT_FALSE(with.IsMissing("code.dat"));
}

}  // namespace
}  // namespace kivo

#include "desktop/desktop_paths.h"

#include <gtest/gtest.h>

#include "support/temp_dir.h"

namespace kivo {
namespace {

TEST(Startup, TableCheckNamesTheFirstMissingFile) {
  const TempDir dir;
  EXPECT_EQ(MissingTableFile(dir.path()), "code.dat");
  WriteText(dir / "code.dat", "x");
  WriteText(dir / "sort.dat", "x");
  EXPECT_EQ(MissingTableFile(dir.path()), "char.dat");
  WriteText(dir / "char.dat", "x");
  EXPECT_EQ(MissingTableFile(dir.path()), "");
  EXPECT_EQ(MissingTableFile(KIVO_PROGRAM_DIR), "");
}

}  // namespace
}  // namespace kivo

#include "desktop/file_names.h"

#include <gtest/gtest.h>

namespace kivo {
namespace {

TEST(WithExtension, AppendsTheExtensionUnlessThePartFromTheLastDotIsIt) {
  struct Case {
    const char* name;
    const char* extension;
    const char* expected;
  };
  const Case kCases[] = {
      {"/d/backup", ".bkf", "/d/backup.bkf"},
      {"/d/backup.bkf", ".bkf", "/d/backup.bkf"},
      {"/d/backup.BKF", ".bkf", "/d/backup.BKF"},
      {"/d/backup.Bkf  \t", ".bkf", "/d/backup.Bkf"},
      {"/d/backup  ", ".bkf", "/d/backup.bkf"},
      {"/d/backup.txt", ".bkf", "/d/backup.txt.bkf"},
      {"/d/backup.bkf.old", ".bkf", "/d/backup.bkf.old.bkf"},
      {"/d/list", ".csv", "/d/list.csv"},
      {"/d/list.CSV", ".csv", "/d/list.CSV"},
      {"/d/list.bkf", ".csv", "/d/list.bkf.csv"},
      {"/d.x/list", ".csv", "/d.x/list.csv"},
  };
  for (const Case& c : kCases) EXPECT_EQ(WithExtension(c.name, c.extension), c.expected) << c.name;
}

TEST(ProposedBackupName, IsTheDateAsEightDigits) {
  EXPECT_EQ(ProposedBackupName(2026, 12, 7), "20261207.bkf");
  EXPECT_EQ(ProposedBackupName(2004, 1, 31), "20040131.bkf");
}

TEST(FolderOf, DropsTheFileAndTheFinalSeparator) {
  EXPECT_EQ(FolderOf("/home/u/data/x.bkf"), "/home/u/data");
  EXPECT_EQ(FolderOf("/x.bkf"), "/");
}

}  // namespace
}  // namespace kivo

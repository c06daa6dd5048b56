#include "platform/ini_file.h"

#include <unistd.h>

#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "platform/atomic_file.h"

namespace kivo {
namespace {

TEST(IniFile, ReadsIntegersLikeTheProfileReader) {
  IniFile ini =
      IniFile::Parse("[Settings]\nA=45\nB= -3 \nC=12abc\nD=abc\nE=\nF=\"7\"\n[Other]\nG=1\n");
  struct Case {
    const char* key;
    int expected;
  };
  const Case kCases[] = {
      {"A", 45}, {"B", -3}, {"C", 12}, {"D", 0}, {"E", 99}, {"F", 7}, {"G", 99}, {"a", 45},
  };
  for (const Case& c : kCases) EXPECT_EQ(ini.ReadInt("settings", c.key, 99), c.expected) << c.key;
  EXPECT_EQ(ini.ReadInt("Other", "G", 99), 1);
}

TEST(IniFile, ReadsStringsTrimmedAndUnquoted) {
  IniFile ini = IniFile::Parse("[Path]\r\nBackupDir =  /home/u/DATA  \r\nLog=\"a b\"\r\n");
  EXPECT_EQ(ini.ReadString("Path", "BackupDir", "x"), "/home/u/DATA");
  EXPECT_EQ(ini.ReadString("Path", "Log", "x"), "a b");
  EXPECT_EQ(ini.ReadString("Path", "Missing", "dflt"), "dflt");
  EXPECT_EQ(ini.ReadString("Nope", "BackupDir", ""), "");
}

TEST(IniFile, WritePreservesEverythingElse) {
  const std::string before =
      "; written by hand\n[Path]\nBackupDir=/a\n\n[Settings]\nCOMPort=1\nCustom=keep me\n\n"
      "[Mine]\nX=1\n";
  IniFile ini = IniFile::Parse(before);
  ini.WriteString("Settings", "COMPort", "3");
  ini.WriteString("Settings", "Model", "1");
  ini.WriteString("Path", "LogFileName", "/tmp/log.txt");
  ini.WriteInt("Ports", "COM1", 5);
  EXPECT_EQ(ini.ToText(),
            "; written by hand\n[Path]\nBackupDir=/a\nLogFileName=/tmp/log.txt\n\n[Settings]\n"
            "COMPort=3\nCustom=keep me\nModel=1\n\n[Mine]\nX=1\n\n[Ports]\nCOM1=5\n");
}

TEST(IniFile, IgnoresByteOrderMark) {
  IniFile ini = IniFile::Parse("\xEF\xBB\xBF[Settings]\nCOMPort=3\n");
  EXPECT_EQ(ini.ReadInt("Settings", "COMPort", 1), 3);
}

TEST(IniFile, KeepsWindowsLineEndings) {
  IniFile ini = IniFile::Parse("[Settings]\r\nCOMPort=1\r\n");
  ini.WriteString("Settings", "COMPort", "2");
  EXPECT_EQ(ini.ToText(), "[Settings]\r\nCOMPort=2\r\n");
}

TEST(IniFile, EmptyFileGetsSectionsInWriteOrder) {
  IniFile ini;
  ini.WriteString("Path", "BackupDir", "d");
  ini.WriteString("Settings", "COMPort", "1");
  ini.WriteString("Path", "LogFileName", "l");
  EXPECT_EQ(ini.ToText(), "[Path]\nBackupDir=d\nLogFileName=l\n\n[Settings]\nCOMPort=1\n");
}

TEST(IniFile, MissingFileLoadsEmptyAndSaveRoundTrips) {
  namespace fs = std::filesystem;
  fs::path dir = fs::temp_directory_path() / ("kivo_ini_" + std::to_string(getpid()));
  fs::create_directories(dir);
  IniFile ini;
  EXPECT_FALSE(ini.Load(dir / "missing.ini"));
  EXPECT_EQ(ini.ReadInt("Settings", "COMPort", 1), 1);
  ini.WriteInt("Settings", "COMPort", 4);
  ASSERT_TRUE(ini.Save(dir / "k.ini"));
  IniFile again;
  ASSERT_TRUE(again.Load(dir / "k.ini"));
  EXPECT_EQ(again.ReadInt("Settings", "COMPort", 1), 4);
  const Status saved = ini.Save(dir / "no" / "such" / "k.ini");
  ASSERT_FALSE(saved);
  EXPECT_FALSE(saved.error().empty());
  fs::remove_all(dir);
}

}  // namespace
}  // namespace kivo

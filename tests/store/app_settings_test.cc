#include "store/app_settings.h"

#include <gtest/gtest.h>

#include "file_fixture.h"
#include "store/result_code.h"

namespace kivo {
namespace {

const std::filesystem::path kProgramDir = "/opt/kivo/bin";

// Reads the text as the settings file, then writes the settings back into it.
std::string RoundTrip(const std::string& text, AppSettings* loaded = nullptr) {
  IniFile ini = IniFile::Parse(text);
  AppSettings s = ReadAppSettings(ini, kProgramDir);
  if (loaded != nullptr) *loaded = s;
  WriteAppSettings(s, ini);
  return ini.ToText();
}

TEST(AppSettings, EmptyFileGivesDefaultsAndIsWrittenInKeyOrder) {
  AppSettings s;
  std::string written = RoundTrip("", &s);
  EXPECT_EQ(s.backup_dir, "/opt/kivo/bin/DATA");
  EXPECT_EQ(s.log_file_name, "");
  EXPECT_EQ(s.com_port, 1);
  EXPECT_EQ(s.echo_back, 1);
  EXPECT_EQ(s.file_scramble, 1);
  EXPECT_EQ(s.device_code, 2);
  EXPECT_EQ(s.to_command, 30000);
  EXPECT_EQ(s.to_data_packet, 30000);
  EXPECT_EQ(s.to_multiplier, 0);
  EXPECT_EQ(s.display_hour, 0);
  EXPECT_EQ(s.display_date, 0);
  EXPECT_EQ(s.appli_id, 0);
  EXPECT_EQ(s.model, 0);
  EXPECT_EQ(s.bk_tel_records_min, 1);
  EXPECT_EQ(s.PortDevice(1), "/dev/ttyS0");
  EXPECT_EQ(s.PortDevice(4), "/dev/ttyS3");
  EXPECT_EQ(s.PortDevice(5), "");
  EXPECT_EQ(written,
            "[Path]\nBackupDir=/opt/kivo/bin/DATA\n\n[Settings]\nCOMPort=1\nEchoBack=1\n"
            "DeviceCode=2\nTOCommand=30\nTODataPacket=30\nTOMultiplier=0\nDisplayHour=0\n"
            "DisplayDate=0\nAppliID=0\nModel=0\nBKTelRecordsMin=1\n");
}

struct RuleCase {
  const char* name;
  const char* file;
  const char* must_contain;      // in the written file
  const char* must_not_contain;  // nullptr: no check
};

TEST(AppSettings, WriteRules) {
  const RuleCase kCases[] = {
      {"FileScramble missing stays missing", "[Settings]\nCOMPort=2\n", "COMPort=2",
       "FileScramble"},
      {"FileScramble 0 is kept", "[Settings]\nFileScramble=0\n", "FileScramble=0", nullptr},
      {"FileScramble 1 is left as written", "[Settings]\nFileScramble=1\n", "FileScramble=1",
       nullptr},
      {"TOCommand in seconds", "[Settings]\nTOCommand=45\n", "TOCommand=45", nullptr},
      {"bare log name gets the program directory", "[Path]\nLogFileName=link.log\n",
       "LogFileName=/opt/kivo/bin/link.log", nullptr},
      {"log path stays", "[Path]\nLogFileName=/var/log/k.log\n", "LogFileName=/var/log/k.log",
       nullptr},
      {"relative log path with separator stays", "[Path]\nLogFileName=logs/k.log\n",
       "LogFileName=logs/k.log", nullptr},
      {"empty log name is not written", "[Path]\nBackupDir=/d\n", "BackupDir=/d", "LogFileName"},
      {"empty BackupDir is written as program dir DATA", "[Path]\nBackupDir=\n",
       "BackupDir=/opt/kivo/bin/DATA", nullptr},
      {"Model 7 is written back as the default", "[Settings]\nModel=7\n", "Model=0", "Model=7"},
      {"unknown keys survive", "[Settings]\nMine=x\n[Other]\nA=1\n", "Mine=x", nullptr},
      {"default ports are not added", "", "BKTelRecordsMin=1", "[Ports]"},
      {"named ports are written back", "[Ports]\nCOM2=/dev/ttyUSB0\nCOM1=/dev/ttyS0\n",
       "COM2=/dev/ttyUSB0\nCOM1=/dev/ttyS0", nullptr},
  };
  for (const RuleCase& c : kCases) {
    SCOPED_TRACE(c.name);
    std::string written = RoundTrip(c.file);
    EXPECT_NE(written.find(c.must_contain), std::string::npos) << written;
    if (c.must_not_contain != nullptr) {
      EXPECT_EQ(written.find(c.must_not_contain), std::string::npos) << written;
    }
  }
}

TEST(AppSettings, ValuesHeldInMemory) {
  AppSettings s;
  RoundTrip(
      "[Settings]\nTOCommand=45\nTODataPacket=1\nModel=1\nBKTelRecordsMin=3\n"
      "[Ports]\nCOM3=virtual\n",
      &s);
  EXPECT_EQ(s.to_command, 45000);
  EXPECT_EQ(s.to_data_packet, 1000);
  EXPECT_EQ(s.model, 1);
  EXPECT_TRUE(s.ignored.empty());
  EXPECT_EQ(s.bk_tel_records_min, 3);
  EXPECT_EQ(s.backup_tel_records_min, 3);
  EXPECT_EQ(s.upload_tel_records_min, 3);
  EXPECT_EQ(s.PortDevice(3), "virtual");
}

// A value that is no number or cannot work takes the default, and the key is
// named with the reason.
TEST(AppSettings, UnusableNumbersTakeTheirDefaultAndAreNamed) {
  const struct {
    const char* line;
    int AppSettings::*field;
    int expected;
    const char* why;  // nullptr: taken as it is
  } kCases[] = {
      {"TOCommand=abc", &AppSettings::to_command, 30000,
       "TOCommand=abc is not a number; the default 30 is used."},
      {"TOCommand=0", &AppSettings::to_command, 30000,
       "TOCommand=0 is outside 1 to 3600; the default 30 is used."},
      {"TOCommand=12s", &AppSettings::to_command, 30000,
       "TOCommand=12s is not a number; the default 30 is used."},
      {"TOCommand=+12", &AppSettings::to_command, 12000, nullptr},
      {"TODataPacket=-1", &AppSettings::to_data_packet, 30000,
       "TODataPacket=-1 is outside 1 to 3600; the default 30 is used."},
      {"TODataPacket=99999999999", &AppSettings::to_data_packet, 30000,
       "TODataPacket=99999999999 is not a number; the default 30 is used."},
      {"TODataPacket=3600", &AppSettings::to_data_packet, 3600000, nullptr},
      {"TOMultiplier=-5", &AppSettings::to_multiplier, 0,
       "TOMultiplier=-5 is outside 0 to 3600; the default 0 is used."},
      {"COMPort=5", &AppSettings::com_port, 1,
       "COMPort=5 is outside 1 to 4; the default 1 is used."},
      {"DeviceCode=3", &AppSettings::device_code, 2,
       "DeviceCode=3 is outside 1 to 2; the default 2 is used."},
      {"DisplayHour=2", &AppSettings::display_hour, 0,
       "DisplayHour=2 is outside 0 to 1; the default 0 is used."},
      {"DisplayDate=3", &AppSettings::display_date, 0,
       "DisplayDate=3 is outside 0 to 2; the default 0 is used."},
      {"DisplayDate=2", &AppSettings::display_date, 2, nullptr},
      {"AppliID=6", &AppSettings::appli_id, 0,
       "AppliID=6 is outside 0 to 5; the default 0 is used."},
      {"Model=7", &AppSettings::model, 0, "Model=7 is outside 0 to 1; the default 0 is used."},
      {"BKTelRecordsMin=-1", &AppSettings::bk_tel_records_min, 1,
       "BKTelRecordsMin=-1 is outside 0 to 65535; the default 1 is used."},
      {"EchoBack=x", &AppSettings::echo_back, 1,
       "EchoBack=x is not a number; the default 1 is used."},
      {"EchoBack=", &AppSettings::echo_back, 1, nullptr},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.line);
    AppSettings s =
        ReadAppSettings(IniFile::Parse(std::string("[Settings]\n") + c.line + "\n"), kProgramDir);
    EXPECT_EQ(s.*c.field, c.expected);
    EXPECT_EQ(s.ignored, c.why ? std::vector<std::string>{c.why} : std::vector<std::string>{});
  }
}

TEST(AppSettings, MillisecondsAreWrittenAsWholeSeconds) {
  IniFile ini;
  AppSettings s;
  s.to_command = 45999;
  s.to_data_packet = 999;
  WriteAppSettings(s, ini);
  EXPECT_EQ(ini.ReadInt("Settings", "TOCommand", -1), 45);
  EXPECT_EQ(ini.ReadInt("Settings", "TODataPacket", -1), 0);
}

TEST(AppSettings, TelephoneThresholdCopiesFollowRunResults) {
  AppSettings s = ReadAppSettings(IniFile::Parse("[Settings]\nBKTelRecordsMin=2\n"), kProgramDir);
  s.AfterBackupRun(kResultIncomplete);
  EXPECT_EQ(s.backup_tel_records_min, 0);
  EXPECT_EQ(s.upload_tel_records_min, 2);
  s.AfterBackupRun(kResultTimeout);
  EXPECT_EQ(s.backup_tel_records_min, 0);
  s.AfterBackupRun(kResultSuccess);
  EXPECT_EQ(s.backup_tel_records_min, 2);
  s.AfterUploadRun(kResultIncomplete);
  EXPECT_EQ(s.upload_tel_records_min, 0);
  EXPECT_EQ(s.backup_tel_records_min, 2);
  IniFile ini;
  WriteAppSettings(s, ini);
  EXPECT_EQ(ini.ReadInt("Settings", "BKTelRecordsMin", -1), 2);
}

TEST(AppSettings, WindowGeometryRoundTripsAndBadWidthsFallBack) {
  AppSettings s;
  const std::string written = RoundTrip(
      "[Window]\nLeft=-20\nTop=15\nWidth=900\nHeight=700\nMaximized=1\n"
      "ToDoColumns=80,x,-3,,120\nTelephoneColumns=\n",
      &s);
  EXPECT_EQ(s.window.left, -20);
  EXPECT_EQ(s.window.top, 15);
  EXPECT_EQ(s.window.width, 900);
  EXPECT_EQ(s.window.height, 700);
  EXPECT_TRUE(s.window.maximized);
  EXPECT_EQ(s.window.columns[kToDo], (std::vector<int>{80, 0, 0, 0, 120}));
  EXPECT_TRUE(s.window.columns[kTelephone].empty());
  EXPECT_NE(written.find("ToDoColumns=80,0,0,0,120\n"), std::string::npos) << written;
  // A window never shown writes no geometry at all.
  EXPECT_EQ(RoundTrip("").find("[Window]"), std::string::npos);
}

TEST(SelectSortTable, ModelChoosesTableOtherValuesKeepIt) {
  struct Case {
    int model, active, expected;
  };
  for (Case c : {Case{0, 1, 0}, Case{1, 0, 1}, Case{7, 0, 0}, Case{7, 1, 1}, Case{-1, 1, 1}}) {
    EXPECT_EQ(SelectSortTable(c.model, c.active), c.expected) << c.model << " " << c.active;
  }
}

class AppSettingsFileTest : public testing::TempDirTest {};

TEST_F(AppSettingsFileTest, MissingFileGivesDefaultsAndSaveKeepsForeignKeys) {
  auto file = SettingsFilePath(dir_);
  EXPECT_EQ(file.filename(), "Kivo-LinkUtility.ini");
  AppSettings s = LoadAppSettings(file, dir_);
  EXPECT_EQ(s.backup_dir, (dir_ / "DATA").string());
  CreateBackupDir(s);
  EXPECT_TRUE(std::filesystem::is_directory(dir_ / "DATA"));
  CreateBackupDir(s);  // an existing directory is fine

  PutFile(file, testing::ToBytes("; mine\n[Settings]\nDisplayDate=2\nExtra=1\n"));
  s = LoadAppSettings(file, dir_);
  EXPECT_EQ(s.display_date, 2);
  s.appli_id = 5;
  ASSERT_TRUE(SaveAppSettings(s, file));
  std::string text = ReadWholeFile(file).value();
  EXPECT_NE(text.find("; mine\n"), std::string::npos);
  EXPECT_NE(text.find("Extra=1"), std::string::npos);
  EXPECT_EQ(LoadAppSettings(file, dir_).appli_id, 5);
}

}  // namespace
}  // namespace kivo

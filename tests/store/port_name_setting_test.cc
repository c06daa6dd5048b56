// The PortName setting: a port chosen by name (the virtual organizer) beside
// COMPort, which keeps its 1..4.

#include <gtest/gtest.h>

#include "store/app_settings.h"

namespace kivo {
namespace {

struct PortNameCase {
  const char* name;
  const char* file;
  const char* port_name;  // after reading
  const char* set_to;     // then set to this and written
  const char* written;    // the [Settings] line, or nullptr: no PortName key
};

TEST(PortNameSetting, ReadAndWrittenOnlyWhenUsed) {
  const PortNameCase cases[] = {
      {"absent stays absent", "[Settings]\nCOMPort=2\n", "", "", nullptr},
      {"virtual is read and kept", "[Settings]\nCOMPort=3\nPortName=virtual\n", "virtual",
       "virtual", "PortName=virtual\n"},
      {"switching back to a COM port empties it", "[Settings]\nPortName=virtual\n", "virtual", "",
       "PortName=\n"},
      {"choosing virtual writes it", "[Settings]\nCOMPort=1\n", "", "virtual",
       "PortName=virtual\n"},
  };
  for (const PortNameCase& c : cases) {
    IniFile ini = IniFile::Parse(c.file);
    AppSettings s = ReadAppSettings(ini, "/opt/kivo/bin");
    EXPECT_EQ(s.port_name, c.port_name) << c.name;
    s.port_name = c.set_to;
    WriteAppSettings(s, ini);
    const std::string text = ini.ToText();
    if (c.written == nullptr) {
      EXPECT_EQ(text.find("PortName"), std::string::npos) << c.name;
    } else {
      EXPECT_NE(text.find(c.written), std::string::npos) << c.name << "\n" << text;
    }
    EXPECT_EQ(ReadAppSettings(IniFile::Parse(text), "/opt/kivo/bin").port_name, c.set_to) << c.name;
  }
}

}  // namespace
}  // namespace kivo

#include "platform/serial_port.h"

#include <gtest/gtest.h>

namespace kivo {
namespace {

struct ResolveCase {
  std::string_view text;
  int com_number;
  std::string device;
};

TEST(ResolvePort, MapsComNamesThroughThePortMapAndKeepsOtherNames) {
  PortMap ports = DefaultPortMap();
  ports[2] = "/dev/ttyUSB0";
  ports[3] = "virtual";
  const ResolveCase kCases[] = {
      {"COM1", 1, "/dev/ttyS0"},
      {"COM2", 2, "/dev/ttyS1"},
      {"COM3", 3, "/dev/ttyUSB0"},
      {"4", 4, "virtual"},
      {"COM5", 5, ""},
      {"0", 0, ""},
      {"/dev/pts/7", 0, "/dev/pts/7"},
      {"virtual", 0, "virtual"},
      {"COMX", 0, "COMX"},
  };
  for (const ResolveCase& c : kCases) {
    PortSpec port_spec = ResolvePort(c.text, ports);
    EXPECT_EQ(port_spec.com_number, c.com_number) << c.text;
    EXPECT_EQ(port_spec.device, c.device) << c.text;
  }
}

TEST(ResolvePort, NumbersOutsideOneToFourHaveNoDevice) {
  PortMap ports = DefaultPortMap();
  EXPECT_EQ(ResolvePort(2, ports).device, "/dev/ttyS1");
  EXPECT_EQ(ResolvePort(-1, ports).device, "");
  EXPECT_EQ(ResolvePort(7, ports).device, "");
  EXPECT_EQ(PortKey(3), "COM3");
}

}  // namespace
}  // namespace kivo

#include "comm/transfer_setup.h"

#include <optional>
#include <string>

#include <gtest/gtest.h>

#include "store/appli_store.h"

namespace kivo {
namespace {

AppSettings Settings() {
  AppSettings s;
  s.log_file_name = "link.log";
  s.com_port = 3;
  s.port_name = "/dev/ttyUSB1";
  s.echo_back = 1;
  s.file_scramble = 0;
  s.device_code = 1;
  s.to_command = 31000;
  s.to_data_packet = 32000;
  s.to_multiplier = 5;
  s.port_devices = {"/dev/a", "/dev/b", "/dev/c", "/dev/d"};
  return s;
}

TEST(MakeLinkSettings, TakesTheRunFromTheRequestAndTheRestFromTheSettings) {
  AppliStore store{CodeTables{}};
  SortTable sort{};
  std::array<uint8_t, 128> code{};
  TransferRequest request;
  request.run_mode = RunMode::kUpload;
  request.appli_mode = kMemo;
  request.store = &store;
  request.tel_records_min = 4;
  request.sort_table = &sort;
  request.code_table = &code;
  request.port_factory = [](const PortSpec&, Clock&) { return nullptr; };
  request.data_dir = "/tmp/dumps";
  const LinkSettings link = MakeLinkSettings(Settings(), request);
  EXPECT_EQ(link.run_mode, RunMode::kUpload);
  EXPECT_EQ(link.appli_mode, kMemo);
  EXPECT_EQ(link.store, &store);
  EXPECT_EQ(link.tel_records_min, 4);
  EXPECT_EQ(link.sort_table, &sort);
  EXPECT_EQ(link.code_table, &code);
  EXPECT_TRUE(link.port_factory);
  EXPECT_EQ(link.data_dir, "/tmp/dumps");
  EXPECT_EQ(link.device_code, 1);
  EXPECT_EQ(link.com_port, 3);
  EXPECT_EQ(link.baud_rate, 19200u);
  EXPECT_EQ(link.file_scramble, 0);
  EXPECT_EQ(link.port_map, Settings().port_devices);
  EXPECT_TRUE(link.file_name.empty());
}

// Each override changes its own field and leaves the others at the settings.
TEST(MakeLinkSettings, AnOverrideReplacesOnlyItsSetting) {
  struct Row {
    const char* name;
    void (*set)(TransferRequest&);
    std::string log;
    int echo;
    long to_command, to_data_packet, to_multiplier;
    std::string port;
  };
  const Row kRows[] = {
      {"none", [](TransferRequest&) {}, "link.log", 1, 31000, 32000, 5, "/dev/ttyUSB1"},
      {"log", [](TransferRequest& r) { r.log_file_name = ""; }, "", 1, 31000, 32000, 5,
       "/dev/ttyUSB1"},
      {"echo", [](TransferRequest& r) { r.no_echo = true; }, "link.log", 0, 31000, 32000, 5,
       "/dev/ttyUSB1"},
      {"command", [](TransferRequest& r) { r.to_command = 1500; }, "link.log", 1, 1500, 32000, 5,
       "/dev/ttyUSB1"},
      {"packet", [](TransferRequest& r) { r.to_data_packet = 2500; }, "link.log", 1, 31000, 2500, 5,
       "/dev/ttyUSB1"},
      {"multiplier", [](TransferRequest& r) { r.to_multiplier = 0; }, "link.log", 1, 31000, 32000,
       0, "/dev/ttyUSB1"},
      {"port", [](TransferRequest& r) { r.port_name = ""; }, "link.log", 1, 31000, 32000, 5, ""},
  };
  for (const Row& row : kRows) {
    TransferRequest request;
    row.set(request);
    const LinkSettings link = MakeLinkSettings(Settings(), request);
    EXPECT_EQ(link.log_file_name, row.log) << row.name;
    EXPECT_EQ(link.echo_back, row.echo) << row.name;
    EXPECT_EQ(link.to_command, row.to_command) << row.name;
    EXPECT_EQ(link.to_data_packet, row.to_data_packet) << row.name;
    EXPECT_EQ(link.to_multiplier, row.to_multiplier) << row.name;
    EXPECT_EQ(link.port_name, row.port) << row.name;
  }
}

}  // namespace
}  // namespace kivo

#include "support/virtual_run.h"

#include <fstream>
#include <string>

#include <gtest/gtest.h>

#include "platform/link_defaults.h"
#include "platform/prompter.h"
#include "support/run_pair.h"
#include "support/tables.h"

namespace kivo {

PcTables::PcTables()
    : code(ProgramTables().code), model0(ProgramTables().sort[0]), model1(ProgramTables().sort[1]) {
  EXPECT_TRUE(ProgramTables().sort_loaded);
}

std::unique_ptr<AppliStore> NewStore(const CodeTables& code) {
  auto store = std::make_unique<AppliStore>(code);
  EXPECT_EQ(store->GetAppliBuf(kStoreSlots), 0);
  return store;
}

void UseSmallVirtualOrganizer(const std::filesystem::path& dir, VirtualOrganizerOptions* options,
                              AppSettings* settings) {
  WriteSmallSample(dir / "sample");
  options->tables = ProgramTables();
  options->data_dir = dir / "organizer";
  options->sample_dir = dir / "sample";
  options->model = VirtualModel::kM;
  settings->port_name = kVirtualPort;
  settings->to_command = settings->to_data_packet = 1000;
}

void WriteSmallSample(const std::filesystem::path& dir) {
  std::filesystem::create_directories(dir);
  auto write = [&dir](const char* name, const std::string& text) {
    std::ofstream(dir / name, std::ios::binary) << text;
  };
  write("categories.txt", "Meals\r\nHotel\r\nCar\r\nPhone\r\nFares\r\nEnter't\r\nTips\r\nMisc\r\n");
  const std::string long_text(90, 'x');
  write("telephone.csv",
        "Category,Last Name,First Name,Company,Home#,Office#,Fax#,Other#,Address,City,State,"
        "Zip Code,Country,E-mail,Notes\r\n"
        "Business,Young,Ann,,,,,,,,,,,,\r\n"
        "Personal,Brandt,Xenia," +
            long_text + ",1,2,3,4," + long_text + ",Lyon,,69001,France,x@y," + long_text +
            "\r\nOthers,adams,Ben,,,,,,,,,,,,\r\n");
  write("memo.csv", "Memo\r\nFirst memo\r\nSecond memo\r\n");
}

int RunToEnd(ProgressRun& run, const LinkSettings& s) {
  run.ApplyLinkSettings(s);
  QuietWindow window;
  SilentPrompter prompter;
  EXPECT_TRUE(run.Start(&window, &prompter));
  return run.Wait();
}

}  // namespace kivo

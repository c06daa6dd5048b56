// The safety steps of a Restore run against the virtual organizer, on the
// wire: the snapshot before deleting and reading back after sending. What the
// commands do with them (history, journal, resume) is tested with them.

#include "comm/safe_transfer.h"

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "comm/link_settings.h"
#include "comm/progress_run.h"
#include "comm/virtual_organizer.h"
#include "link/frames.h"
#include "platform/program_dir.h"
#include "store/store_diff.h"
#include "support/forwarding_port.h"
#include "support/organizer_pair.h"
#include "support/tables.h"
#include "support/temp_dir.h"
#include "support/virtual_run.h"

namespace kivo {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

// Passes everything to the port it wraps and keeps what the PC writes.
class RecordingPort : public ForwardingPort {
 public:
  RecordingPort(std::unique_ptr<SerialPort> port, std::shared_ptr<Bytes> wire)
      : ForwardingPort(std::move(port)), wire_(std::move(wire)) {}
  int Write(std::span<const uint8_t> bytes) override {
    wire_->insert(wire_->end(), bytes.begin(), bytes.end());
    return ForwardingPort::Write(bytes);
  }

 private:
  std::shared_ptr<Bytes> wire_;
};

// Where a command frame with this code first starts in what the PC wrote.
size_t FindCommand(const Bytes& wire, uint8_t code, size_t from = 0) {
  for (size_t i = from; i + 5 <= wire.size(); ++i) {
    if (wire[i] == 0x7F && wire[i + 1] == code &&
        static_cast<uint8_t>(wire[i] + wire[i + 1] + wire[i + 2] + wire[i + 3]) == wire[i + 4]) {
      return i;
    }
  }
  return wire.size();
}

constexpr uint8_t kDeleteCode = kDeleteAllRecords;
constexpr uint8_t kGetAllCode = kGetAllRecords;

class SafeTransferTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(dir_ / "sample");
    options_.data_dir = dir_ / "organizer";
    options_.sample_dir = dir_ / "sample";
    options_.tables = ProgramTables();
    options_.model = VirtualModel::kM;
    std::ofstream(dir_ / "sample" / "categories.txt")
        << "Meals\r\nHotel\r\nCar\r\nPhone\r\nFares\r\nEnter't\r\nTips\r\nMisc\r\n";
    std::ofstream(dir_ / "sample" / "telephone.csv")
        << "Category,Last Name,First Name,Company,Home#,Office#,Fax#,Other#,Address,City,"
           "State,Zip Code,Country,E-mail,Notes\r\nBusiness,Young,Ann,,,,,,,,,,,,\r\n"
           "Personal,Brandt,Xenia,,1,2,3,4,,Lyon,,69001,France,x@y,\r\n"
           "Others,Adams,Ben,,,,,,,,,,,,\r\n";
    std::ofstream(dir_ / "sample" / "memo.csv") << "Memo\r\nFirst memo\r\nSecond memo\r\n";
    // The organizer's records before any restore, and the file to restore:
    // the same telephone list, another memo and a schedule entry.
    before_ = NewStore();
    ASSERT_EQ(Run(RunMode::kBackup, *before_, {}), kResultSuccess);
    file_ = NewStore();
    for (int i = 0; i < before_->GetRecordCount(kTelephone); ++i) {
      ASSERT_EQ(file_->PutRecord(kTelephone, i, before_->Record(kTelephone, i)), kStoreOk);
    }
    ASSERT_EQ(file_->SetCategoryRecord(before_->Record(kCategoryList, 0)), kStoreOk);
    const std::string memo("New memo\0\xFF", 10);
    const std::string entry("\x20\x01\x12\x31\x09\x00\x10\x30\x00\x00\x00\x15\x00\x40Room 2\0\xFF",
                            22);
    ASSERT_EQ(file_->PutRecord(
                  kMemo, 0, std::span(reinterpret_cast<const uint8_t*>(memo.data()), memo.size())),
              kStoreOk);
    ASSERT_EQ(
        file_->PutRecord(kSchedule, 0,
                         std::span(reinterpret_cast<const uint8_t*>(entry.data()), entry.size())),
        kStoreOk);
    (void)file_->EnsureAppli(0x3F, true);
    wire_ = std::make_shared<Bytes>();
  }
  std::unique_ptr<AppliStore> NewStore() { return kivo::NewStore(tables_.code); }

  int Run(RunMode run_mode, AppliStore& store, SafeTransfer safe,
          SafeTransferReport* report = nullptr) {
    wire_ = std::make_shared<Bytes>();
    ProgressRun run(&clock_);
    LinkSettings s;
    s.run_mode = run_mode;
    s.appli_mode = kAllAppli;
    s.store = &store;
    s.port_name = std::string(kVirtualPort);
    s.port_factory = [inner = VirtualOrganizerFactory(options_), wire = wire_](
                         const PortSpec& where, Clock& clock) -> std::unique_ptr<SerialPort> {
      return std::make_unique<RecordingPort>(inner(where, clock), wire);
    };
    s.to_command = 5000;
    s.to_data_packet = 5000;
    s.sort_table = &tables_.model0;
    s.tel_records_min = tel_records_min_;
    s.safe = std::move(safe);
    const int r = RunToEnd(run, s);
    if (report != nullptr) *report = run.run().safe_report();
    return r;
  }

  // What the organizer holds now.
  std::unique_ptr<AppliStore> OrganizerNow() {
    auto now = NewStore();
    EXPECT_EQ(Run(RunMode::kBackup, *now, {}), kResultSuccess);
    return now;
  }

  ScaledClock clock_{20};
  int tel_records_min_ = 0;
  TempDir dir_;
  VirtualOrganizerOptions options_;
  PcTables tables_;
  std::unique_ptr<AppliStore> before_, file_;
  std::shared_ptr<Bytes> wire_;
};

TEST_F(SafeTransferTest, SnapshotOnlyInsertsReceivingBeforeTheFirstDeletion) {
  ASSERT_EQ(Run(RunMode::kRestore, *file_, {}), kResultSuccess);
  const Bytes plain = *wire_;
  EXPECT_EQ(FindCommand(plain, kGetAllCode), plain.size()) << "a plain restore receives nothing";

  fs::remove_all(options_.data_dir);  // the organizer as before
  auto snapshot = NewStore();
  SafeTransfer safe;
  safe.snapshot = snapshot.get();
  int kept = 0;
  safe.on_snapshot = [&kept](const AppliStore&, Prompter&) {
    return ++kept > 0 ? kResultSuccess : kResultIoError;
  };
  SafeTransferReport report;
  ASSERT_EQ(Run(RunMode::kRestore, *file_, safe, &report), kResultSuccess);
  EXPECT_EQ(kept, 1);
  EXPECT_TRUE(report.snapshot_taken);
  EXPECT_FALSE(AnyDifference(DiffStores(*before_, *snapshot)));
  EXPECT_TRUE(snapshot->IsPresent(kToDo)) << "an empty application is held as well";

  Bytes with = *wire_;
  const size_t get = FindCommand(with, kGetAllCode);
  const size_t del = FindCommand(with, kDeleteCode);
  ASSERT_LT(get, del);
  with.erase(with.begin() + static_cast<long>(get), with.begin() + static_cast<long>(del));
  EXPECT_EQ(with, plain);
  EXPECT_FALSE(AnyDifference(DiffStores(*file_, *OrganizerNow())));
}

TEST_F(SafeTransferTest, SnapshotTakesABaseModelsTelephoneListAsItComes) {
  // A base model holding a single telephone record: its receive checks call
  // such a list incomplete, which must not stop a Restore before it starts.
  options_.model = VirtualModel::kBase;
  fs::remove_all(options_.data_dir);
  std::ofstream(dir_ / "sample" / "telephone.csv")
      << "Category,Last Name,First Name,Company,Home#,Office#,Fax#,Other#,Address,City,"
         "State,Zip Code,Country,E-mail,Notes\r\nBusiness,Young,Ann,,,,,,,,,,,,\r\n";
  tel_records_min_ = 1;
  auto snapshot = NewStore();
  SafeTransfer safe;
  safe.snapshot = snapshot.get();
  safe.on_snapshot = [](const AppliStore&, Prompter&) { return kResultSuccess; };
  EXPECT_EQ(Run(RunMode::kRestore, *file_, safe), kResultSuccess);
  EXPECT_EQ(snapshot->GetRecordCount(kTelephone), 1);
}

TEST_F(SafeTransferTest, VerifyFindsTheRecordTheOrganizerDropped) {
  for (bool lose : {false, true}) {
    fs::remove_all(options_.data_dir);
    options_.lose_first_record = lose;
    auto back = NewStore();
    SafeTransfer safe;
    safe.verify = back.get();
    SafeTransferReport report;
    ASSERT_EQ(Run(RunMode::kRestore, *file_, safe, &report), kResultSuccess);
    const std::vector<AppliDiff> diffs = DiffStores(*file_, *back);
    for (const AppliDiff& d : diffs) {
      const size_t missing = lose && d.id == kTelephone ? 1 : 0;
      EXPECT_EQ(d.only_a.size(), missing) << int(d.id) << " lose " << lose;
      EXPECT_EQ(d.only_b.size(), 0u) << int(d.id);
    }
  }
}

}  // namespace
}  // namespace kivo

// The virtual organizer against the PC side of real communication runs.

#include "comm/virtual_organizer.h"

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "comm/link_settings.h"
#include "comm/progress_run.h"
#include "link/frames.h"
#include "platform/link_defaults.h"
#include "platform/memory_line.h"
#include "platform/program_dir.h"
#include "store/app_settings.h"
#include "store/backup_file.h"
#include "store/record_access.h"
#include "support/organizer_pair.h"
#include "support/records.h"
#include "support/tables.h"
#include "support/temp_dir.h"
#include "support/virtual_run.h"

namespace kivo {
namespace {

class VirtualOrganizerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    options_.data_dir = dir_ / "organizer";
    options_.sample_dir = dir_ / "sample";
    options_.tables = ProgramTables();
    // The M model answers the model query at once; the base model costs the
    // PC's 1 s wait for an answer, so only the cases about it use it.
    options_.model = VirtualModel::kM;
    // A few records are enough for most cases and keep the runs short.
    WriteSmallSample(options_.sample_dir);
  }

  std::unique_ptr<AppliStore> NewStore() { return kivo::NewStore(tables_.code); }

  // One run against the organizer; *model gets the DeviceModel learned.
  int Run(RunMode run_mode, int appli_mode, AppliStore& store, int device_code = 2,
          DeviceModel* model = nullptr, std::string file_name = "") {
    ProgressRun run(&clock_);
    LinkSettings s;
    s.run_mode = run_mode;
    s.appli_mode = appli_mode;
    s.device_code = device_code;
    s.store = &store;
    s.file_name = std::move(file_name);
    s.port_name = std::string(kVirtualPort);
    s.port_factory = VirtualOrganizerFactory(options_);
    s.to_command = 5000;
    s.to_data_packet = 5000;
    s.sort_table = &tables_.model0;
    s.code_tables = &tables_.code;
    s.tel_records_min = 1;
    s.data_dir = dir_.path();
    const int r = RunToEnd(run, s);
    if (model != nullptr) *model = run.link().device_model();
    return r;
  }

  // Time-outs and the link's pauses pass twenty times faster; both sides
  // share the clock, as they share a wire.
  ScaledClock clock_{20};
  TempDir dir_;
  VirtualOrganizerOptions options_;
  PcTables tables_;
};

TEST_F(VirtualOrganizerTest, BackupBringsEverySampleApplication) {
  options_.model = VirtualModel::kBase;
  options_.sample_dir = std::filesystem::path(KIVO_SOURCE_DIR) / "data" / "sample";
  auto store = NewStore();
  ASSERT_EQ(Run(RunMode::kBackup, kAllAppli, *store), kResultSuccess);
  // The sample's line counts less the header.
  const std::pair<AppliId, int> expected[] = {
      {kSchedule, 36}, {kAnniversary, 25}, {kToDo, 30},       {kMemo, 25},
      {kExpense, 36},  {kTelephone, 36},   {kCategoryList, 1}};
  for (auto [id, count] : expected) EXPECT_EQ(store->GetRecordCount(id), count) << int(id);
  TelephoneRecord first;
  ASSERT_EQ(GetTelephoneRecord(*store, &first, 0), kStoreOk);
  EXPECT_EQ(first.texts[0], "Adams");
  // Some Telephone records need more than one packet.
  int long_records = 0;
  for (int i = 0; i < store->GetRecordCount(kTelephone); ++i) {
    if (store->Record(kTelephone, i).size() > 241) ++long_records;
  }
  EXPECT_GT(long_records, 0);
  // The organizer kept what it was seeded with.
  EXPECT_TRUE(std::filesystem::exists(options_.data_dir / kVirtualOrganizerFile));
}

TEST_F(VirtualOrganizerTest, TelephoneComesInLastNameOrder) {
  options_.model = VirtualModel::kBase;
  auto store = NewStore();
  // The base model's order check is on (TelRecordsMin 1): a list out of
  // order would end with 14.
  ASSERT_EQ(Run(RunMode::kUpload, kTelephone, *store), kResultSuccess);
  std::vector<std::string> names;
  for (int i = 0; i < store->GetRecordCount(kTelephone); ++i) {
    TelephoneRecord record;
    ASSERT_EQ(GetTelephoneRecord(*store, &record, i), kStoreOk);
    names.push_back(record.texts[0]);
  }
  EXPECT_EQ(names, (std::vector<std::string>{"adams", "Brandt", "Young"}));
  EXPECT_GT(store->Record(kTelephone, 1).size(), 241u);
}

TEST_F(VirtualOrganizerTest, ModelDecidesWhatTheNegotiationLearns) {
  struct ModelCase {
    VirtualModel model;
    DeviceModel device_model;
  };
  const ModelCase cases[] = {{VirtualModel::kBase, DeviceModel::kBase},
                             {VirtualModel::kBaseSecond, DeviceModel::kBaseSecond},
                             {VirtualModel::kM, DeviceModel::kM}};
  for (const ModelCase& c : cases) {
    options_.model = c.model;
    auto store = NewStore();
    DeviceModel model{-1};
    EXPECT_EQ(Run(RunMode::kNegotiation, kAllAppli, *store, 2, &model), kResultSuccess);
    EXPECT_EQ(model, c.device_model);
  }
}

TEST_F(VirtualOrganizerTest, OtherDeviceFamilyIsRefused) {
  options_.model = VirtualModel::kBase;
  auto store = NewStore();
  EXPECT_EQ(Run(RunMode::kNegotiation, kAllAppli, *store, 1), kResultIoError);
  options_.device_code = 1;
  EXPECT_EQ(Run(RunMode::kNegotiation, kAllAppli, *store, 1), kResultSuccess);
}

TEST_F(VirtualOrganizerTest, RestoreThenBackupGivesTheSameRecords) {
  options_.model = VirtualModel::kBase;
  auto original = NewStore();
  ASSERT_EQ(Run(RunMode::kBackup, kAllAppli, *original), kResultSuccess);
  // Change the PC's copy so the restore has something to carry: drop the
  // memos but one, and put the telephone list out of order.
  auto changed = NewStore();
  CopyAppliStore(*changed, *original);
  (void)changed->ResetAppli(kMemo);
  ASSERT_EQ(PutMemoRecord(*changed, MemoRecord{"Only memo"}, 0), kStoreOk);
  (void)changed->ResetAppli(kTelephone);
  const int phones = original->GetRecordCount(kTelephone);
  for (int i = 0; i < phones; ++i) {
    std::span<const uint8_t> record = original->Record(kTelephone, phones - 1 - i);
    ASSERT_EQ(changed->PutRecord(kTelephone, i, record), kStoreOk);
  }
  ASSERT_EQ(Run(RunMode::kRestore, kAllAppli, *changed), kResultSuccess);

  // A later run, with a fresh organizer object, finds what was restored, and
  // Telephone back in last-name order (else the base-model check fails).
  auto after = NewStore();
  ASSERT_EQ(Run(RunMode::kBackup, kAllAppli, *after), kResultSuccess);
  EXPECT_EQ(after->GetRecordCount(kMemo), 1);
  for (AppliId id : {kSchedule, kAnniversary, kToDo, kExpense, kTelephone, kCategoryList}) {
    ASSERT_EQ(after->GetRecordCount(id), original->GetRecordCount(id)) << int(id);
    for (int i = 0; i < original->GetRecordCount(id); ++i) {
      auto a = original->Record(id, i);
      auto b = after->Record(id, i);
      ASSERT_TRUE(std::equal(a.begin(), a.end(), b.begin(), b.end())) << int(id) << " " << i;
    }
  }

  // Restore exactly what came, back up again: the files are identical.
  ASSERT_EQ(Run(RunMode::kRestore, kAllAppli, *after), kResultSuccess);
  auto again = NewStore();
  ASSERT_EQ(Run(RunMode::kBackup, kAllAppli, *again), kResultSuccess);
  EXPECT_EQ(EncodeBackupFile(*after, true, BackupBlocks::kWithRecords),
            EncodeBackupFile(*again, true, BackupBlocks::kWithRecords));
}

TEST_F(VirtualOrganizerTest, CategoryListIsReplacedAndExpenseUploadBringsIt) {
  auto store = NewStore();
  ASSERT_EQ(store->EnsureAppli(0, true), kStoreOk);
  CategoryNames names = DefaultCategoryNames();
  names.names[0] = "Food";
  names.names[7] = "Books";
  ASSERT_EQ(SetCategoryNames(*store, names), kStoreOk);
  ASSERT_EQ(PutExpenseRecord(*store, ExpenseRecord{}, 0), kStoreOk);
  // Download of Expense sends the category list first, then the records.
  ASSERT_EQ(Run(RunMode::kDownload, kExpense, *store), kResultSuccess);

  auto up = NewStore();
  ASSERT_EQ(Run(RunMode::kUpload, kExpense, *up), kResultSuccess);
  CategoryNames got;
  ASSERT_EQ(GetCategoryNames(*up, &got), kStoreOk);
  EXPECT_EQ(got, names);
  EXPECT_EQ(up->GetRecordCount(kExpense), 1);
  // The other applications were not touched by the download.
  auto all = NewStore();
  ASSERT_EQ(Run(RunMode::kBackup, kAllAppli, *all), kResultSuccess);
  EXPECT_EQ(all->GetRecordCount(kMemo), 2);
}

TEST_F(VirtualOrganizerTest, SendOneRecordAddsItAndAnEmptyApplicationFinishesAtOnce) {
  auto store = NewStore();
  ASSERT_EQ(PutMemoRecord(*store, MemoRecord{"Sent alone"}, 0), kStoreOk);
  // Empty the organizer's memos with a download of an empty Memo.
  auto empty = NewStore();
  empty->EnsureAllAppli();
  ASSERT_EQ(Run(RunMode::kDownload, kMemo, *empty), kResultSuccess);
  auto up = NewStore();
  ASSERT_EQ(Run(RunMode::kUpload, kMemo, *up), kResultSuccess);
  EXPECT_EQ(up->GetRecordCount(kMemo), 0);

  ASSERT_EQ(Run(RunMode::kSendRecord, kMemo, *store), kResultSuccess);
  ASSERT_EQ(Run(RunMode::kUpload, kMemo, *up), kResultSuccess);
  MemoRecord memo;
  ASSERT_EQ(GetMemoRecord(*up, &memo, 0), kStoreOk);
  EXPECT_EQ(memo.text, "Sent alone");
}

TEST_F(VirtualOrganizerTest, RunGivenAFileNameWritesTheBackupFile) {
  auto store = NewStore();
  const std::filesystem::path file = dir_ / "run.bkf";
  ASSERT_EQ(Run(RunMode::kBackup, kAllAppli, *store, 2, nullptr, file.string()), kResultSuccess);
  AppliStore loaded(tables_.code);
  ASSERT_EQ(loaded.GetAppliBuf(kStoreSlots), 0);
  ASSERT_EQ(ReadBackupFile(loaded, file), kStoreOk);
  EXPECT_EQ(loaded.GetRecordCount(kTelephone), 3);
  EXPECT_EQ(loaded.GetRecordCount(kMemo), 2);
}

// The organizer's session alone, against a PC link driven step by step.
class VirtualSessionTest : public VirtualOrganizerTest {
 protected:
  void StartSession() {
    line_ = MemoryLine::Create(clock_);
    line_->SetEcho(0, true);
    line_->SetEcho(1, true);
    organizer_ = std::make_unique<VirtualOrganizer>(options_);
    organizer_->Load();
    Attach(pc_, 0, pc_queue_);
    Attach(device_, 1, device_queue_);
    session_ = std::thread([this] { served_ = organizer_->Serve(device_); });
    ASSERT_EQ(pc_.NegotiationForPC(5000, 0), kResultSuccess);
  }
  int EndSession() {
    session_.join();
    return served_;
  }
  void Attach(CommLink& link, int end, MessageQueue& queue) {
    std::shared_ptr<MemoryLine> line = line_;
    link.SetSerialPortFactory([line, end](const PortSpec&, Clock&) { return line->MakeEnd(end); });
    link.SetPortName(kVirtualPort);
    link.SetMessageQueue(&queue);
    ASSERT_TRUE(link.OpenPort(-1));
  }

  std::shared_ptr<MemoryLine> line_;
  CommLink pc_{0, 19200, &clock_};
  CommLink device_{0, 19200, &clock_};
  MessageQueue pc_queue_;
  MessageQueue device_queue_;
  std::unique_ptr<VirtualOrganizer> organizer_;
  std::thread session_;
  int served_ = -1;
};

TEST_F(VirtualSessionTest, HowTheSessionEnds) {
  struct EndCase {
    const char* what;
    int command;  // sent by the PC after the negotiation; 0: an abort instead
    int result;
  };
  const EndCase cases[] = {
      {"END_COMMUNICATION", kEndCommunication, kResultSuccess},
      {"NACK", kNack, kResultSuccess},
      {"a command only a PC takes", kLinkRequest, kResultIoError},
      {"abort", 0, kResultAborted},
  };
  for (const EndCase& c : cases) {
    StartSession();
    if (c.command != 0) {
      EXPECT_EQ(pc_.SendCommand(c.command), kResultSuccess) << c.what;
    } else {
      device_queue_.Post({kWmLinkAbort, 0, 0});
    }
    EXPECT_EQ(EndSession(), c.result) << c.what;
    (void)pc_.ClosePort();
    (void)device_.ClosePort();
  }
}

TEST_F(VirtualSessionTest, UnknownApplicationCodeServesSchedule) {
  options_.sample_dir = std::filesystem::path(KIVO_SOURCE_DIR) / "data" / "sample";
  StartSession();
  // Neither the category list's code nor a second parameter names an
  // application of GET_ALL_RECORDS; the organizer reads both as Schedule.
  for (std::array<int, 2> params : {std::array{6, 0}, std::array{3, 1}}) {
    ASSERT_EQ(pc_.SendCommand(kGetAllRecords, params[0], params[1]), kResultSuccess);
    int records = 0;
    for (;;) {
      std::vector<uint8_t> record(kRecordMax);
      int received = 0;
      int lead = 0;
      ASSERT_EQ(pc_.Receive1Record(record, &received, &lead, TransferRole::kPc), kResultSuccess);
      if (lead == kFinishAllRecords) break;
      EXPECT_EQ(lead, kSchedule);
      ++records;
    }
    EXPECT_EQ(records, 36);
  }
  ASSERT_EQ(pc_.SendCommand(kEndCommunication), kResultSuccess);
  EXPECT_EQ(EndSession(), kResultSuccess);
}

TEST_F(VirtualSessionTest, RecordsGoToTheApplicationTheirPacketsName) {
  StartSession();
  // Three records of three applications in one go, as a full restore sends
  // them, with no command in between.
  const std::vector<uint8_t> memo = {'N', 'o', 't', 'e', 0};
  const std::vector<uint8_t> todo = {0x01, 0x20, 0x02, 0x01, 0x31, 'T', 'a', 's', 'k', 0};
  ASSERT_EQ(pc_.Send1Record(memo, kMemo, TransferRole::kPc), kResultSuccess);
  ASSERT_EQ(pc_.Send1Record(todo, kToDo, TransferRole::kPc), kResultSuccess);
  ASSERT_EQ(pc_.Send1Record(PatternRecord(600), kMemo, TransferRole::kPc), kResultSuccess);
  // DELETE_ALL_RECORDS with a code that names no application deletes nothing.
  ASSERT_EQ(pc_.SendCommand(kDeleteAllRecords, 255, 0), kResultSuccess);
  ASSERT_EQ(pc_.WaitCommand(kAck), kResultSuccess);
  ASSERT_EQ(pc_.SendCommand(kEndCommunication), kResultSuccess);
  ASSERT_EQ(EndSession(), kResultSuccess);
  const AppliStore& store = organizer_->store();
  ASSERT_EQ(store.GetRecordCount(kMemo), 2 + 2);  // the sample's two, then the two sent
  ASSERT_EQ(store.GetRecordCount(kToDo), 1);
  auto sent = store.Record(kMemo, 2);
  EXPECT_TRUE(std::equal(memo.begin(), memo.end(), sent.begin()));
  EXPECT_EQ(store.Record(kMemo, 3).size(), 601u);
  EXPECT_TRUE(organizer_->changed());
}

TEST(VirtualModel, ParsesTheModelNames) {
  EXPECT_EQ(ParseVirtualModel("base"), VirtualModel::kBase);
  EXPECT_EQ(ParseVirtualModel("E+"), VirtualModel::kBaseSecond);
  EXPECT_EQ(ParseVirtualModel("M"), VirtualModel::kM);
  EXPECT_EQ(ParseVirtualModel("X"), std::nullopt);
}

}  // namespace
}  // namespace kivo

#include "comm/comm_run.h"

#include <unistd.h>

#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <iterator>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "comm/link_settings.h"
#include "comm/progress_run.h"
#include "platform/free_space.h"
#include "platform/link_defaults.h"
#include "store/appli_store.h"
#include "store/backup_file.h"
#include "store/dump_file.h"
#include "support/records.h"
#include "support/run_pair.h"
#include "support/tables.h"

namespace kivo {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;
using Note = RecordingObserver::Note;

// A record of the application in the organizer's coding: its binary part,
// then plain text fields.
Bytes SampleRecord(AppliId id, const std::string& text) {
  Bytes r(static_cast<size_t>(TextOffset(id)), 0x01);
  r.insert(r.end(), text.begin(), text.end());
  r.push_back(0x00);
  r.push_back('x');
  return r;
}

Bytes ListOf(AppliId id, int count, const std::string& stem, size_t pad = 0) {
  std::vector<Bytes> records;
  for (int i = 0; i < count; ++i) {
    records.push_back(SampleRecord(id, stem + std::to_string(i) + std::string(pad, 'p')));
  }
  return RecordList(records);
}

Bytes ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

void WriteFile(const fs::path& path, const Bytes& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
}

// The store's records of one application as a record list buffer in the
// organizer's coding.
Bytes AppliBytes(const AppliStore& store, AppliId id) {
  int size = store.GetAppliDataSize(id);
  if (size <= 0) return {};
  Bytes buffer(static_cast<size_t>(size));
  size_t used = 0;
  if (store.GetAppliData(id, buffer, &used) < 0) return {};
  buffer.resize(used);
  return buffer;
}

// A PC-side run and an organizer on one in-memory cable. The organizer is a
// second run in RunMode 18, serving and writing dump files in a directory of
// its own.
class RunPairTest : public ::testing::Test {
 protected:
  RunPairTest() {
    dir_ = fs::path(::testing::TempDir()) /
           ("kivo_run_" +
            std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) + "_" +
            std::to_string(getpid()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  ~RunPairTest() override {
    if (getenv("KIVO_KEEP") == nullptr) fs::remove_all(dir_);
  }

  LinkSettings PcSettings(RunMode run_mode, int appli_mode) {
    return pair_.PcSettings(run_mode, appli_mode, &pc_store_);
  }

  // Starts the organizer: RunDevice over the dump files of dir_.
  // appli_mode: where records sent with SEND_1_RECORD go.
  void StartOrganizer(long to_command = 30000, int appli_mode = kSchedule) {
    LinkSettings s;
    s.appli_mode = appli_mode;
    s.echo_back = 0;
    s.to_command = to_command;
    s.data_dir = dir_;
    s.log_file_name = (dir_ / "device.log").string();
    ASSERT_TRUE(pair_.StartDevice(s));
  }

  // Runs the PC side to its end.
  int RunPc(const LinkSettings& s) { return pair_.RunPc(s); }

  std::string DeviceLog() const {
    auto bytes = ReadFile(dir_ / "device.log");
    return std::string(bytes.begin(), bytes.end());
  }

  fs::path dir_;
  AppliStore pc_store_{ProgramTables().code};
  RunPair pair_;
};

TEST_F(RunPairTest, UploadReceivesTheOrganizersApplication) {
  const Bytes memo = ListOf(kMemo, 5, "memo", 300);
  WriteFile(dir_ / "memo.snd", memo);
  StartOrganizer();
  ASSERT_EQ(pc_store_.GetAppliBuf(kStoreSlots), 0);
  ASSERT_EQ(pc_store_.AddAppliData(kMemo, ListOf(kMemo, 2, "old")), 0);

  EXPECT_EQ(RunPc(PcSettings(RunMode::kUpload, kMemo)), kResultSuccess);
  EXPECT_EQ(pair_.WaitDevice(), kResultSuccess);
  // The old records were replaced by what arrived.
  EXPECT_EQ(pc_store_.GetRecordCount(kMemo), 5);
  EXPECT_EQ(AppliBytes(pc_store_, kMemo), memo);
  EXPECT_EQ(pair_.device_prompter.texts(), std::vector<std::string>{"BYE!!"});
  // No log, no box on the PC side; the window saw the wait and the transfer.
  EXPECT_TRUE(pair_.prompter.texts().empty());
  const auto notes = pair_.observer.notes();
  ASSERT_FALSE(notes.empty());
  EXPECT_EQ(notes.front(), (Note{kWmLinkStatus, 0, kSourceNegotiation}));
  EXPECT_EQ(notes.back(), (Note{kWmLinkProgress, 100, kSourceOneAppli}));
  EXPECT_FALSE(pair_.pc().link().is_open());
}

TEST_F(RunPairTest, FullBackupTakesEveryApplicationInOrder) {
  const std::map<AppliId, Bytes> served = {
      {kTelephone, ListOf(kTelephone, 3, "tel", 500)},
      {kSchedule, ListOf(kSchedule, 2, "sch")},
      {kAnniversary, ListOf(kAnniversary, 1, "ann")},
      {kToDo, ListOf(kToDo, 4, "todo")},
      {kMemo, {}},  // an empty application
      {kCategoryList, SampleRecord(kCategoryList, "Food")},
      {kExpense, ListOf(kExpense, 2, "exp")},
  };
  for (const auto& [id, bytes] : served) {
    Bytes file = bytes;
    if (id == kCategoryList) file.push_back(kTerminator);
    WriteFile(dir_ / DumpFileName(id, ".snd"), file);
  }
  StartOrganizer();
  ASSERT_EQ(pc_store_.GetAppliBuf(kStoreSlots), 0);
  EXPECT_EQ(RunPc(PcSettings(RunMode::kBackup, kAllAppli)), kResultSuccess);
  EXPECT_EQ(pair_.WaitDevice(), kResultSuccess);
  for (const auto& [id, bytes] : served) {
    SCOPED_TRACE(static_cast<int>(id));
    if (id == kMemo) {
      EXPECT_FALSE(pc_store_.IsPresent(kMemo));
    } else if (id == kCategoryList) {
      Bytes expected = bytes;
      expected.push_back(kTerminator);
      EXPECT_EQ(AppliBytes(pc_store_, id), expected);
    } else {
      EXPECT_EQ(AppliBytes(pc_store_, id), bytes);
    }
  }
  std::vector<int> sequence;
  for (const Note& n : pair_.observer.Of(kWmLinkProgress)) {
    if (n.source == kSourceFullRun) sequence.push_back(n.value);
  }
  EXPECT_EQ(sequence, (std::vector<int>{10, 50, 60, 70, 80, 90, 100}));
  // The applications are passed to the steps; the run's AppliMode stays.
  EXPECT_EQ(pair_.pc().run().context().appli_mode, kAllAppli);
}

TEST_F(RunPairTest, DownloadDeletesThenSendsAndTheOrganizerWritesItsDumpFile) {
  ASSERT_EQ(pc_store_.GetAppliBuf(kStoreSlots), 0);
  const Bytes todo = ListOf(kToDo, 3, "task", 260);
  ASSERT_EQ(pc_store_.AddAppliData(kToDo, todo), 0);
  // An older, longer dump file is replaced completely.
  WriteFile(dir_ / "todo.rcv", Bytes(5000, 'z'));
  // After the records the simulator waits for a next command that never comes.
  StartOrganizer(3000, kToDo);
  EXPECT_EQ(RunPc(PcSettings(RunMode::kDownload, kToDo)), kResultSuccess);
  EXPECT_EQ(pair_.WaitDevice(), kResultTimeout);
  EXPECT_EQ(ReadFile(dir_ / "todo.rcv"), todo);
  const std::string log = DeviceLog();
  EXPECT_NE(log.find("---HDD receives DELETE_ALL_RECORDS"), std::string::npos);
  EXPECT_NE(log.find("---HDD receives END_COMMUNICATION"), std::string::npos);
}

TEST_F(RunPairTest, SendRecordShowsItsBoxOnlyWithALog) {
  for (bool with_log : {false, true}) {
    SCOPED_TRACE(with_log);
    AppliStore scratch{ProgramTables().code};
    ASSERT_EQ(scratch.GetAppliBuf(kStoreSlots), 0);
    ASSERT_EQ(scratch.AddAppliData(kMemo, ListOf(kMemo, 1, "one")), 0);
    RunPair pair;
    LinkSettings d;
    d.appli_mode = kMemo;
    d.echo_back = 0;
    d.to_command = 2000;
    d.data_dir = dir_;
    ASSERT_TRUE(pair.StartDevice(d));
    LinkSettings s = pair.PcSettings(RunMode::kSendRecord, kMemo, &scratch);
    s.log_file_name = with_log ? (dir_ / "pc.log").string() : "";
    EXPECT_EQ(pair.RunPc(s), kResultSuccess);
    (void)pair.WaitDevice();  // the organizer waits in vain for a next command
    EXPECT_EQ(ReadFile(dir_ / "memo.rcv"), ListOf(kMemo, 1, "one"));
    EXPECT_EQ(pair.prompter.texts(), with_log ? std::vector<std::string>{"SUCCESS Send 1 Record"}
                                              : std::vector<std::string>{});
    fs::remove(dir_ / "memo.rcv");
  }
}

// The organizer's side of a failed run: it sees NACK, then END_COMMUNICATION.
int NackThenEnd(CommLink& o) {
  int r = o.WaitCommand(kNack);
  if (r != kResultSuccess) return r;
  return o.WaitCommand(kEndCommunication);
}

TEST_F(RunPairTest, FailurePathSendsNackAndEndCommunication) {
  struct Case {
    const char* name;
    int run_mode;
    int result;
    const char* log;
  };
  const Case kCases[] = {
      {"unknown run mode", 19, kResultIoError, "Unknown RunMode\n\n"},
      {"unknown run mode, high byte ignored", 0x113, kResultIoError, "Unknown RunMode\n\n"},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    LinkSettings s = PcSettings(static_cast<RunMode>(c.run_mode), kMemo);
    s.log_file_name = (dir_ / "fail.log").string();
    RunPair pair;
    const RunPair::Outcome o = pair.RunAgainst(s, NackThenEnd);
    EXPECT_EQ(o.pc, c.result);
    EXPECT_EQ(o.organizer, kResultSuccess);
    EXPECT_FALSE(o.open_after);
    auto bytes = ReadFile(dir_ / "fail.log");
    std::string log(bytes.begin(), bytes.end());
    EXPECT_NE(log.find("Unknown RunMode\r\n"), std::string::npos);
    EXPECT_NE(log.find("---PC sends NACK\r\n"), std::string::npos);
    EXPECT_EQ(log.find("##### END COMMUNICATION"), std::string::npos);
  }
}

TEST_F(RunPairTest, PortThatCannotOpenFailsWithItsNumber) {
  LinkSettings s = PcSettings(RunMode::kBackup, kAllAppli);
  s.com_port = 2;
  s.port_factory = [](const PortSpec&, Clock&) -> std::unique_ptr<SerialPort> { return nullptr; };
  s.log_file_name = (dir_ / "open.log").string();
  EXPECT_EQ(RunPc(s), 7);
  auto bytes = ReadFile(dir_ / "open.log");
  std::string log(bytes.begin(), bytes.end());
  EXPECT_NE(log.find("!!!Can't Open COM Port\r\n"), std::string::npos);
  EXPECT_EQ(pair_.observer.Of(kWmLinkStatus).size(), 0u);
}

TEST(CommRun, RefusesToRunWithoutStoreOrWindow) {
  const std::string log = ::testing::TempDir() + "kivo_norun_" + std::to_string(getpid()) + ".log";
  CommLink link;
  link.SetLogFileName(log);
  CommRun run(link);
  EXPECT_EQ(run.RunCommunication(RunMode::kBackup), kResultIoError);
  AppliStore store{ProgramTables().code};
  run.context().store = &store;
  EXPECT_EQ(run.RunCommunication(RunMode::kBackup), kResultIoError);
  EXPECT_FALSE(fs::exists(log));
}

TEST(CommRun, AppliModeAndDeviceCodeRules) {
  CommLink link;
  CommRun run(link);
  const std::pair<int, int> kModes[] = {{0, 0}, {6, 6}, {255, 255}, {7, 255}, {-1, 255}, {3, 3}};
  for (auto [given, kept] : kModes) {
    run.SetAppliMode(given);
    EXPECT_EQ(run.context().appli_mode, kept) << given;
  }
  AppliStore store{ProgramTables().code};
  const std::pair<int, int> kCodes[] = {{1, 1}, {2, 2}, {0, 2}, {3, 2}};
  for (auto [given, high] : kCodes) {
    run.SetDeviceCode(given);
    EXPECT_EQ(link.config().device_code_high, high);
    EXPECT_EQ(link.config().device_code_low, 0);
    run.context().store = &store;
    run.SetDeviceCode(given);
    EXPECT_EQ(store.device_code()[0], high);
    run.context().store = nullptr;
  }
  EXPECT_EQ(AppliWireCode(4), 4);
  EXPECT_EQ(AppliWireCode(7), 255);
}

TEST(ProgressRun, SettingsDumpShowsTheValuesAsHandedOver) {
  const std::string log = ::testing::TempDir() + "kivo_dump_" + std::to_string(getpid()) + ".log";
  ResetLogTimeBaseForTests();
  LinkSettings s;
  s.run_mode = RunMode::kUpload;
  s.appli_mode = 7;
  s.device_code = 3;
  s.com_port = 2;
  s.log_file_name = log;
  s.echo_back = 5;
  s.to_multiplier = 4;
  ProgressRun run;
  run.ApplyLinkSettings(s);
  EXPECT_EQ(run.run().context().appli_mode, 0);
  EXPECT_EQ(run.link().config().device_code_high, 2);
  EXPECT_TRUE(run.link().config().echo_back);
  auto bytes = ReadFile(log);
  std::string text(bytes.begin(), bytes.end());
  EXPECT_NE(
      text.find("===== Start Settings =====\r\nRunMode=5\r\nAppliMode=7\r\nDeviceCode=3\r\n"
                "COMPort=2\r\nFileName=\r\nLogFileName=" +
                log +
                "\r\nEchoBack=5\r\nFileScramble=1\r\nTOCommand=30000\r\nTODataPacket=30000\r\n"
                "TOMultiplier=4\r\n===== End Settings =====\r\n\r\n"),
      std::string::npos)
      << text;
  // The Appli ID error went to the previous log name, which was none.
  EXPECT_EQ(text.find("Appli ID Err"), std::string::npos);
  EXPECT_EQ(text.substr(0, 1), "{");
  fs::remove(log);
}

TEST_F(RunPairTest, AbortDuringTheNegotiationEndsWithZeroAfterNackAndEnd) {
  // The user presses Abort, twice, while the window says it waits for the
  // organizer.
  pair_.observer.SetOnStatus([this](int total, int) {
    if (total != 0) return;
    pair_.pc().Abort();
    pair_.pc().Abort();
  });
  const RunPair::Outcome o = pair_.RunAgainst(PcSettings(RunMode::kUpload, kMemo), NackThenEnd);
  EXPECT_EQ(o.pc, kResultAborted);
  EXPECT_EQ(o.organizer, kResultSuccess);
}

TEST_F(RunPairTest, ClosingTheWindowMidRunAbortsIt) {
  ASSERT_TRUE(pair_.StartScript(NackThenEnd));
  std::promise<void> waiting;
  pair_.observer.SetOnStatus([&](int total, int) {
    if (total == 0) waiting.set_value();
  });
  ASSERT_TRUE(pair_.StartPc(PcSettings(RunMode::kBackup, kAllAppli)));
  waiting.get_future().wait();
  pair_.ClosePc();
  // The run was told to stop and still said goodbye to the organizer.
  EXPECT_EQ(pair_.WaitScript(), kResultSuccess);
}

TEST_F(RunPairTest, RestoreRefusesAFileOfTheOtherDeviceBeforeNegotiating) {
  AppliStore other{ProgramTables().code};
  ASSERT_EQ(other.GetAppliBuf(kStoreSlots), 0);
  other.SetDeviceCode(1, 0);
  ASSERT_EQ(other.AddAppliData(kMemo, ListOf(kMemo, 1, "m")), 0);
  const fs::path file = dir_ / "other.bkf";
  ASSERT_EQ(WriteBackupFile(other, file, true), 0);
  LinkSettings s = PcSettings(RunMode::kRestore, kAllAppli);
  s.file_name = file.string();
  s.device_code = 2;
  s.log_file_name = (dir_ / "restore.log").string();
  // Nobody is on the line: a negotiation would time out instead.
  EXPECT_EQ(RunPc(s), kResultNotCompatible);
  EXPECT_TRUE(pair_.prompter.texts().empty());
  EXPECT_TRUE(pair_.observer.Of(kWmLinkStatus).empty());
  auto bytes = ReadFile(dir_ / "restore.log");
  std::string log(bytes.begin(), bytes.end());
  EXPECT_NE(log.find("!!! File(" + file.string() + ") is NOT compatible \r\n"), std::string::npos);
}

TEST_F(RunPairTest, RestoreAsksAgainWhenTheFileCannotBeRead) {
  LinkSettings s = PcSettings(RunMode::kRestore, kAllAppli);
  s.file_name = (dir_ / "missing.bkf").string();
  pair_.prompter.Answer(PromptAnswer::kRetry);
  pair_.prompter.Answer(PromptAnswer::kCancel);
  EXPECT_EQ(RunPc(s), kResultGaveUp);
  const auto boxes = pair_.prompter.boxes();
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[0].caption, "Error");
  EXPECT_EQ(boxes[0].buttons, PromptButtons::kRetryCancel);
  EXPECT_EQ(boxes[0].icon, PromptIcon::kQuestion);
  EXPECT_FALSE(boxes[0].text.empty());
}

TEST_F(RunPairTest, BackupToAFileWritesWhatArrived) {
  const Bytes memo = ListOf(kMemo, 3, "note");
  WriteFile(dir_ / "memo.snd", memo);
  StartOrganizer();
  LinkSettings s = PcSettings(RunMode::kUpload, kMemo);
  const fs::path file = dir_ / "out.bkf";
  s.file_name = file.string();
  s.log_file_name = (dir_ / "pc.log").string();
  EXPECT_EQ(RunPc(s), kResultSuccess);
  EXPECT_EQ(pair_.WaitDevice(), kResultSuccess);
  // The handed store was left alone: the run worked on its own.
  EXPECT_FALSE(pc_store_.has_slot_area());
  AppliStore back{ProgramTables().code};
  ASSERT_EQ(back.GetAppliBuf(kStoreSlots), 0);
  ASSERT_EQ(ReadBackupFile(back, file), 0);
  EXPECT_EQ(AppliBytes(back, kMemo), memo);
  ASSERT_EQ(pair_.prompter.texts().size(), 1u);
  EXPECT_EQ(pair_.prompter.texts()[0].rfind("SUCCESS Backup\nTime:", 0), 0u);
}

TEST_F(RunPairTest, FullBackupToAFileHoldsEveryApplicationThatArrived) {
  for (AppliId id : {kTelephone, kSchedule, kAnniversary, kToDo, kMemo, kExpense}) {
    WriteFile(dir_ / DumpFileName(id, ".snd"), ListOf(id, 2, "r"));
  }
  Bytes categories = SampleRecord(kCategoryList, "Car");
  categories.push_back(kTerminator);
  WriteFile(dir_ / "expense_category.snd", categories);
  StartOrganizer();
  LinkSettings s = PcSettings(RunMode::kBackup, kAllAppli);
  const fs::path file = dir_ / "all.bkf";
  s.file_name = file.string();
  s.log_file_name = (dir_ / "pc.log").string();
  EXPECT_EQ(RunPc(s), kResultSuccess) << [&] {
    auto b = ReadFile(dir_ / "pc.log");
    return std::string(b.begin(), b.end());
  }();
  EXPECT_EQ(pair_.WaitDevice(), kResultSuccess);
  AppliStore back{ProgramTables().code};
  ASSERT_EQ(back.GetAppliBuf(kStoreSlots), 0);
  ASSERT_EQ(ReadBackupFile(back, file), 0);
  for (AppliId id : {kTelephone, kSchedule, kAnniversary, kToDo, kMemo, kExpense}) {
    EXPECT_EQ(AppliBytes(back, id), ListOf(id, 2, "r")) << static_cast<int>(id);
  }
  EXPECT_EQ(AppliBytes(back, kCategoryList), categories);
}

TEST_F(RunPairTest, BackupGivesUpWhenTheFileCannotBeWritten) {
  const Bytes memo = ListOf(kMemo, 1, "note");
  WriteFile(dir_ / "memo.snd", memo);
  StartOrganizer();
  LinkSettings s = PcSettings(RunMode::kUpload, kMemo);
  s.file_name = (dir_ / "no_such_dir" / "out.bkf").string();
  s.log_file_name = (dir_ / "pc.log").string();
  pair_.prompter.Answer(PromptAnswer::kRetry);
  pair_.prompter.Answer(PromptAnswer::kCancel);
  EXPECT_EQ(RunPc(s), kResultGaveUp);
  (void)pair_.WaitDevice();
  EXPECT_EQ(pair_.prompter.boxes().size(), 2u);
  auto bytes = ReadFile(dir_ / "pc.log");
  std::string log(bytes.begin(), bytes.end());
  EXPECT_NE(log.find("!!!Write File Err\r\n"), std::string::npos);
  EXPECT_FALSE(fs::exists(s.file_name));
}

// A write that fails leaves the file it would have replaced as it was.
TEST_F(RunPairTest, FailedBackupWriteKeepsTheExistingFile) {
  struct NoFreeSpace : FreeSpace {
    uint64_t QueryFreeSpace(const std::filesystem::path&) override { return 0; }
  } no_space;
  WriteFile(dir_ / "memo.snd", ListOf(kMemo, 1, "note"));
  const fs::path file = dir_ / "out.bkf";
  const Bytes previous = {'o', 'l', 'd'};
  WriteFile(file, previous);
  StartOrganizer();
  LinkSettings s = PcSettings(RunMode::kUpload, kMemo);
  s.file_name = file.string();
  pair_.prompter.Answer(PromptAnswer::kRetry);
  pair_.prompter.Answer(PromptAnswer::kCancel);
  s.free_space = &no_space;
  EXPECT_EQ(RunPc(s), kResultGaveUp);
  (void)pair_.WaitDevice();
  EXPECT_EQ(pair_.prompter.boxes().size(), 2u);
  EXPECT_EQ(ReadFile(file), previous);
}

// The line-test modes against an organizer played step by step.
struct LineTestCase {
  const char* name;
  RunMode run_mode;
  int appli_mode;
  const char* snd;  // dump file the PC serves, or null
  std::function<int(CommLink&, const Bytes&)> organizer;
  const char* box;
  const char* rcv;  // dump file the PC writes, or null
};

TEST_F(RunPairTest, LineTestModesAgainstAScriptedOrganizer) {
  const Bytes memo = ListOf(kMemo, 2, "memo", 250);
  const Bytes categories = [] {
    Bytes c = SampleRecord(kCategoryList, "Car");
    c.push_back(kTerminator);
    return c;
  }();
  Bytes organizer_got;
  const LineTestCase kCases[] = {
      {"negotiation", RunMode::kNegotiation, kMemo, nullptr,
       [](CommLink& o, const Bytes&) { return o.NegotiationForDevice(); }, "SUCCESS Negotiation",
       nullptr},
      {"ACK", RunMode::kSendAck, kMemo, nullptr,
       [](CommLink& o, const Bytes&) {
         int r = o.WaitCommand(kAck);
         return r != kResultSuccess ? r : o.SendCommand(kAck);
       },
       "SUCCESS send ACK", nullptr},
      {"NACK", RunMode::kSendNack, kMemo, nullptr,
       [](CommLink& o, const Bytes&) { return o.WaitCommand(kNack); }, "SUCCESS send NACK",
       nullptr},
      {"END", RunMode::kSendEnd, kMemo, nullptr,
       [](CommLink& o, const Bytes&) { return o.WaitCommand(kEndCommunication); },
       "SUCCESS send END_COMMUNICATION", nullptr},
      {"DELETE", RunMode::kDeleteAll, kAnniversary, nullptr,
       [](CommLink& o, const Bytes&) -> int {
         std::array<uint8_t, 2> p{};
         int r = o.WaitCommand(kDeleteAllRecords, &p);
         if (r != kResultSuccess) return r;
         if (p[0] != kAnniversary) return -1;
         return o.SendCommand(kAck);
       },
       "SUCCESS DELETE_ALL_RECORDS", nullptr},
      {"GET_ALL_RECORDS", RunMode::kReceiveDump, kMemo, nullptr,
       [](CommLink& o, const Bytes& list) {
         int r = o.WaitCommand(kGetAllRecords);
         return r != kResultSuccess ? r
                                    : o.SendAllRecords(list, kMemo, 2, TransferRole::kOrganizer);
       },
       "SUCCESS GET_ALL_RECORDS", "memo.rcv"},
      {"GET_EXPENSE_CATEGORY", RunMode::kReceiveCategoryDump, kCategoryList, nullptr,
       [](CommLink& o, const Bytes& list) {
         int r = o.WaitCommand(kGetExpenseCategory);
         return r != kResultSuccess ? r : o.SendExpenseCategory(list, TransferRole::kOrganizer);
       },
       "SUCCESS GET_EXPENSE_CATEGORY", "expense_category.rcv"},
      {"SEND_1_RECORD", RunMode::kSendDump, kMemo, "memo.snd",
       [&](CommLink& o, const Bytes&) {
         int r = o.WaitCommand(kSend1Record);
         if (r != kResultSuccess) return r;
         Bytes buffer(256000);
         int end = 0;
         // No END_COMMUNICATION follows in this mode: the organizer waits in vain.
         r = o.GetAllRecords(buffer, &end, kMemo, TransferRole::kOrganizer);
         organizer_got.assign(buffer.begin(), buffer.begin() + static_cast<long>(memo.size()));
         return r == kResultTimeout ? kResultSuccess : r;
       },
       "SUCCESS SEND_1_RECORD", nullptr},
      {"SEND_EXPENSE_CATEGORY", RunMode::kSendCategoryDump, kCategoryList, "expense_category.snd",
       [&](CommLink& o, const Bytes&) {
         int r = o.WaitCommand(kSendExpenseCategory);
         if (r != kResultSuccess) return r;
         Bytes buffer(256000);
         int length = 0;
         r = o.GetExpenseCategory(buffer, &length, TransferRole::kOrganizer);
         organizer_got.assign(buffer.begin(), buffer.begin() + length);
         return r;
       },
       "SUCCESS SEND_EXPENSE_CATEGORY", nullptr},
  };
  for (const LineTestCase& c : kCases) {
    SCOPED_TRACE(c.name);
    organizer_got.clear();
    const Bytes& list = c.appli_mode == kCategoryList ? categories : memo;
    if (c.snd != nullptr) WriteFile(dir_ / c.snd, list);
    LinkSettings s = PcSettings(c.run_mode, c.appli_mode);
    // A store handed to a dump-file mode keeps its records: the run works on
    // its own.
    AppliStore handed{ProgramTables().code};
    ASSERT_EQ(handed.GetAppliBuf(kStoreSlots), 0);
    ASSERT_EQ(handed.AddAppliData(kToDo, ListOf(kToDo, 2, "keep")), 0);
    s.store = &handed;
    s.data_dir = dir_;
    RunPair pair;
    const RunPair::Outcome o = pair.RunAgainst(
        s, [&](CommLink& link) { return c.organizer(link, list); }, 2000);
    EXPECT_EQ(o.pc, kResultSuccess);
    EXPECT_EQ(o.organizer, kResultSuccess);
    EXPECT_EQ(pair.prompter.texts(), std::vector<std::string>{c.box});
    EXPECT_EQ(AppliBytes(handed, kToDo), ListOf(kToDo, 2, "keep"));
    if (c.rcv != nullptr) {
      EXPECT_EQ(ReadFile(dir_ / c.rcv), list);
    }
    if (c.snd != nullptr) {
      EXPECT_EQ(organizer_got, list);
    }
  }
}

TEST_F(RunPairTest, RestoreStepSendsWithoutNegotiationOrDeletion) {
  ASSERT_EQ(pc_store_.GetAppliBuf(kStoreSlots), 0);
  const Bytes memo = ListOf(kMemo, 2, "m");
  ASSERT_EQ(pc_store_.AddAppliData(kMemo, memo), 0);
  Bytes got(256000);
  // The first command must be SEND_1_RECORD: no LINK_REQUEST exchange, no DELETE.
  auto organizer = [&](CommLink& o) -> int {
    int r = o.WaitCommand(kSend1Record);
    if (r != kResultSuccess) return r;
    int end = 0;
    // Nothing ends the reception in this mode: the organizer waits in vain.
    return o.GetAllRecords(got, &end, kMemo, TransferRole::kOrganizer);
  };
  const RunPair::Outcome o =
      pair_.RunAgainst(PcSettings(RunMode::kRestoreStep, kMemo), organizer, 2000);
  EXPECT_EQ(o.pc, kResultSuccess);
  EXPECT_EQ(o.organizer, kResultTimeout);
  EXPECT_EQ(Bytes(got.begin(), got.begin() + static_cast<long>(memo.size())), memo);
  EXPECT_EQ(pair_.observer.Of(kWmLinkStatus).size(), 1u);
}

// "D5" and the like, built by appending: g++ 12 with optimisation reports a
// false -Wrestrict for a literal plus a temporary string.
std::string CommandNote(char kind, int appli) {
  std::string note(1, kind);
  note += std::to_string(appli);
  return note;
}

// An organizer that notes what the PC asks of it, in order: "D5" for
// DELETE_ALL_RECORDS of Telephone, "S5" for a record of Telephone, "C" for
// the category list.
int NoteCommands(CommLink& o, std::vector<std::string>* notes) {
  int r = o.NegotiationForDevice();
  if (r != kResultSuccess) return r;
  r = o.WaitCommand(kGetDeviceInformation, nullptr, nullptr, 1000, 0);
  if (r != kResultSuccess && r != kResultTimeout) return r;
  for (;;) {
    std::array<uint8_t, 2> p{};
    int code = 0;
    if ((r = o.WaitCommand(kAnyCommand, &p, &code)) != kResultSuccess) return r;
    if (code == kEndCommunication) return kResultSuccess;
    if (code == kDeleteAllRecords) {
      notes->push_back(CommandNote('D', p[0]));
      if ((r = o.SendCommand(kAck)) != kResultSuccess) return r;
    } else if (code == kSend1Record) {
      if ((r = o.SendCommand(kAck)) != kResultSuccess) return r;
      Bytes record(1024);
      int n = 0;
      int lead = 0;
      if ((r = o.Receive1Record(record, &n, &lead, TransferRole::kOrganizer)) != kResultSuccess)
        return r;
      notes->push_back(CommandNote('S', lead));
    } else if (code == kSendExpenseCategory) {
      Bytes list(256);
      int n = 0;
      if ((r = o.GetExpenseCategory(list, &n, TransferRole::kOrganizer)) != kResultSuccess)
        return r;
      notes->push_back("C");
    } else {
      return -code;
    }
  }
}

TEST_F(RunPairTest, RestoreDeletesBeforeSendingInTheOrganizersOrder) {
  struct Case {
    const char* name;
    int appli_mode;
    std::vector<std::string> notes;
    std::vector<int> sequence_progress;
  };
  const Case kCases[] = {
      {"all applications",
       kAllAppli,
       {"D5", "D0", "D1", "D2", "D3", "D4", "S5", "S0", "S1", "S2", "S3", "C", "S4"},
       {4, 10, 50, 60, 70, 80, 90, 100}},
      {"Expense brings its categories first", kExpense, {"C", "D4", "S4"}, {}},
      {"Memo alone", kMemo, {"D3", "S3"}, {}},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    AppliStore store{ProgramTables().code};
    ASSERT_EQ(store.GetAppliBuf(kStoreSlots), 0);
    for (AppliId id : {kSchedule, kAnniversary, kToDo, kMemo, kExpense, kTelephone}) {
      ASSERT_EQ(store.AddAppliData(id, ListOf(id, 1, "x")), 0);
    }
    Bytes categories = SampleRecord(kCategoryList, "Car");
    categories.push_back(kTerminator);
    ASSERT_EQ(store.AddAppliData(kCategoryList, categories), 0);

    LinkSettings s = PcSettings(RunMode::kRestore, c.appli_mode);
    s.store = &store;
    std::vector<std::string> notes;
    RunPair pair;
    const RunPair::Outcome o =
        pair.RunAgainst(s, [&](CommLink& link) { return NoteCommands(link, &notes); });
    EXPECT_EQ(o.pc, kResultSuccess);
    EXPECT_EQ(o.organizer, kResultSuccess);
    EXPECT_EQ(notes, c.notes);
    std::vector<int> sequence;
    for (const Note& n : pair.observer.Of(kWmLinkProgress)) {
      if (n.source == kSourceFullRun) sequence.push_back(n.value);
    }
    EXPECT_EQ(sequence, c.sequence_progress);
    EXPECT_EQ(o.appli_mode_after, c.appli_mode);
  }
}

// What the PC side of a RunDevice session does after the negotiation.
struct DeviceCase {
  const char* name;
  std::function<int(CommLink&, Bytes*)> pc;
  int device_result;
  std::vector<std::string> boxes;
  const char* served;  // the .snd file whose records the PC got, or null
};

// Receives one application as GetAllRecords does, after the PC's own request.
int ReceiveServed(CommLink& pc, Bytes* got) {
  Bytes contents(kPacketContentsMax);
  for (;;) {
    int n = 0;
    int lead = 0;
    int flag = 0;
    int r = pc.WaitDataPacket(kAllAppli, contents, &n, &lead, &flag);
    if (r != kResultSuccess) return r;
    if (lead == kFinishAllRecords) return kResultSuccess;
    if ((r = pc.SendCommand(kAck)) != kResultSuccess) return r;
    got->insert(got->end(), contents.begin(), contents.begin() + n);
    if (flag == kFlagLast) got->push_back(kTerminator);
  }
}

TEST_F(RunPairTest, DeviceSideAnswersTheCommandsOfItsTable) {
  const std::map<std::string, Bytes> files = {
      {"expense.snd", ListOf(kExpense, 2, "exp")},
      {"schedule.snd", ListOf(kSchedule, 1, "sch")},
      {"memo.snd", {}},
  };
  for (const auto& [name, bytes] : files) WriteFile(dir_ / name, bytes);
  auto get_all = [](int p1, int p2) {
    return [p1, p2](CommLink& pc, Bytes* got) -> int {
      int r = pc.SendCommand(kGetAllRecords, p1, p2);
      if (r != kResultSuccess) return r;
      if ((r = ReceiveServed(pc, got)) != kResultSuccess) return r;
      return pc.SendCommand(kEndCommunication);
    };
  };
  // A command the organizer answers with ACK, then the end.
  auto acknowledged = [](int command, int p1) {
    return [command, p1](CommLink& pc, Bytes*) -> int {
      int r = pc.SendCommand(command, p1, 0);
      if (r != kResultSuccess) return r;
      if ((r = pc.WaitCommand(kAck)) != kResultSuccess) return r;
      return pc.SendCommand(kEndCommunication);
    };
  };
  const DeviceCase kCases[] = {
      {"GET_ALL_RECORDS of Expense", get_all(4, 0), kResultSuccess, {"BYE!!"}, "expense.snd"},
      {"category code serves Schedule", get_all(6, 0), kResultSuccess, {"BYE!!"}, "schedule.snd"},
      {"second parameter serves Schedule",
       get_all(4, 1),
       kResultSuccess,
       {"BYE!!"},
       "schedule.snd"},
      {"empty application ends at once", get_all(3, 0), kResultSuccess, {"BYE!!"}, "memo.snd"},
      {"ACK is answered", acknowledged(kAck, 0), kResultSuccess, {"BYE!!"}, nullptr},
      {"NACK ends the session",
       [](CommLink& pc, Bytes*) { return pc.SendCommand(kNack); },
       kResultSuccess,
       {"BYE!!"},
       nullptr},
      {"DELETE_ALL_RECORDS is acknowledged",
       acknowledged(kDeleteAllRecords, kMemo),
       kResultSuccess,
       {"BYE!!"},
       nullptr},
      {"a command it does not serve",
       [](CommLink& pc, Bytes*) { return pc.SendCommand(kFinishAllRecords); },
       kResultIoError,
       {},
       nullptr},
  };
  for (const DeviceCase& c : kCases) {
    SCOPED_TRACE(c.name);
    RunPair pair;
    LinkSettings d;
    d.echo_back = 0;
    d.to_command = 3000;
    d.data_dir = dir_;
    ASSERT_TRUE(pair.pc_link().OpenPort(1));
    ASSERT_TRUE(pair.StartDevice(d));
    ASSERT_EQ(pair.pc_link().NegotiationForPC(30000, -1), kResultSuccess);
    Bytes got;
    EXPECT_EQ(c.pc(pair.pc_link(), &got), kResultSuccess);
    EXPECT_EQ(pair.WaitDevice(), c.device_result);
    EXPECT_EQ(pair.device_prompter.texts(), c.boxes);
    if (c.served != nullptr) {
      EXPECT_EQ(got, files.at(c.served));
    }
  }
}

TEST_F(RunPairTest, SendThatStopsBeingAnsweredIsNotAllSent) {
  ASSERT_EQ(pc_store_.GetAppliBuf(kStoreSlots), 0);
  ASSERT_EQ(pc_store_.AddAppliData(kMemo, ListOf(kMemo, 3, "m")), 0);
  LinkSettings s = PcSettings(RunMode::kDownload, kMemo);
  s.to_command = 2000;
  // The organizer takes the deletion and the first announcement, then falls
  // silent.
  auto organizer = [](CommLink& o) -> int {
    int r = o.NegotiationForDevice();
    if (r != kResultSuccess) return r;
    (void)o.WaitCommand(kGetDeviceInformation, nullptr, nullptr, 1000, 0);
    if ((r = o.WaitCommand(kDeleteAllRecords)) != kResultSuccess) return r;
    if ((r = o.SendCommand(kAck)) != kResultSuccess) return r;
    if ((r = o.WaitCommand(kSend1Record)) != kResultSuccess) return r;
    if ((r = o.SendCommand(kAck)) != kResultSuccess) return r;
    return o.WaitCommand(kNack, nullptr, nullptr, 10000);
  };
  const RunPair::Outcome o = pair_.RunAgainst(s, organizer);
  EXPECT_EQ(o.pc, kResultNotAllSent);
  EXPECT_EQ(o.organizer, kResultSuccess);
}

// An empty category dump file is answered like any empty one, so the PC's
// reception ends at once without a list.
TEST_F(RunPairTest, EmptyCategoryDumpFileIsAnsweredAsNoList) {
  WriteFile(dir_ / "expense_category.snd", {});
  WriteFile(dir_ / "expense.snd", ListOf(kExpense, 2, "e"));
  StartOrganizer();
  ASSERT_EQ(pc_store_.GetAppliBuf(kStoreSlots), 0);
  EXPECT_EQ(RunPc(PcSettings(RunMode::kUpload, kExpense)), kResultSuccess);
  EXPECT_EQ(pair_.WaitDevice(), kResultSuccess);
  EXPECT_FALSE(pc_store_.IsPresent(kCategoryList));
  EXPECT_EQ(AppliBytes(pc_store_, kExpense), ListOf(kExpense, 2, "e"));
}

TEST_F(RunPairTest, UploadOfExpenseBringsItsCategoriesFirst) {
  Bytes categories = SampleRecord(kCategoryList, "Fuel");
  categories.push_back(kTerminator);
  WriteFile(dir_ / "expense_category.snd", categories);
  WriteFile(dir_ / "expense.snd", ListOf(kExpense, 3, "e"));
  StartOrganizer();
  ASSERT_EQ(pc_store_.GetAppliBuf(kStoreSlots), 0);
  EXPECT_EQ(RunPc(PcSettings(RunMode::kUpload, kExpense)), kResultSuccess);
  EXPECT_EQ(pair_.WaitDevice(), kResultSuccess);
  EXPECT_EQ(AppliBytes(pc_store_, kCategoryList), categories);
  EXPECT_EQ(AppliBytes(pc_store_, kExpense), ListOf(kExpense, 3, "e"));
  EXPECT_EQ(pair_.pc().run().context().appli_mode, kExpense);
  const std::string log = DeviceLog();
  EXPECT_LT(log.find("GET_EXPENSE_CATEGORY"), log.find("GET_ALL_RECORDS"));
}

}  // namespace
}  // namespace kivo

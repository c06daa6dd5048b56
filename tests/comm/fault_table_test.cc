// Whole communication runs against the virtual organizer while the cable
// misbehaves: every fault at every phase of Backup, Restore, Upload, Download
// and SEND. A clean run of each mode is recorded first, byte by byte and per
// direction; the phases are found in that recording and each fault is then
// injected at the recorded byte index of a fresh run.

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <ostream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "comm/link_settings.h"
#include "comm/progress_run.h"
#include "comm/virtual_organizer.h"
#include "link/frames.h"
#include "platform/memory_line.h"
#include "platform/program_dir.h"
#include "store/backup_file.h"
#include "store/record_access.h"
#include "store/store_records.h"
#include "support/forwarding_port.h"
#include "support/organizer_pair.h"
#include "support/tables.h"
#include "support/temp_dir.h"
#include "support/virtual_run.h"

namespace kivo {
namespace {

enum class Fault { kNoise, kDrop, kCorrupt, kStall, kHangUp, kAbort };
enum class Phase { kNegotiation, kFirstPacket, kMidRecord, kBetweenApplis, kLastAck };

// Case names, in the order of the enums.
constexpr const char* kFaultNames[] = {"Noise", "Drop", "Corrupt", "Stall", "HangUp", "Abort"};
constexpr const char* kPhaseNames[] = {"Negotiation", "FirstPacket", "MidRecord", "BetweenApplis",
                                       "LastAck"};

// Bytes outside every lead byte (the packets' 0..6, the frames' 0x7F): a receiver looking for a
// frame skips them.
constexpr uint8_t kNoise[] = {0x20, 0x41, 0xC3};

// One frame of a recorded stream: who wrote it, where it starts, how long.
struct Frame {
  int end;
  uint64_t start;
  size_t size;
  uint8_t lead;
  uint8_t code;  // command code, or sequence flag of a packet
  uint16_t record_size = 0;
  uint8_t length = 0;
};

// Splits what one end wrote into command frames and data packets.
std::vector<Frame> SplitFrames(int end, const std::vector<uint8_t>& bytes) {
  std::vector<Frame> out;
  size_t i = 0;
  while (i < bytes.size()) {
    const uint8_t lead = bytes[i];
    if (lead == kFrameLead && i + kFrameSize <= bytes.size()) {
      out.push_back({end, i, kFrameSize, lead, bytes[i + 1]});
      i += kFrameSize;
    } else if (lead <= kPacketIdMax && i + kPacketHeaderSize <= bytes.size()) {
      // The header's last byte is the contents' length; a checksum follows.
      const size_t n = bytes[i + kPacketHeaderSize - 1];
      out.push_back({end, i, kPacketHeaderSize + n + 1, lead, bytes[i + 1],
                     static_cast<uint16_t>(bytes[i + 2] * 256 + bytes[i + 3]),
                     static_cast<uint8_t>(n)});
      i += kPacketHeaderSize + n + 1;
    } else {
      ++i;  // not a frame: skipped as a receiver would
    }
  }
  return out;
}

// What a case does to the cable once `end` has written `index` bytes.
struct Trigger {
  int end = -1;
  uint64_t index = 0;
  std::function<void(MemoryLine&, SerialPort&)> action;
};

// Both ends of one run's cable: records what each end writes and fires the
// trigger at its byte.
struct Cable {
  std::shared_ptr<MemoryLine> line;
  std::mutex mutex;
  std::array<std::vector<uint8_t>, 2> written;
  // Every write in order: the end and the offset of its first byte.
  std::vector<std::pair<int, uint64_t>> order;
  Trigger trigger;
  bool fired = false;
};

// A port that passes everything to a line end, recording the writes.
class TapPort : public ForwardingPort {
 public:
  TapPort(std::shared_ptr<Cable> cable, int end)
      : ForwardingPort(cable->line->MakeEnd(end)), cable_(std::move(cable)), end_(end) {}
  int Write(std::span<const uint8_t> bytes) override {
    std::function<void(MemoryLine&, SerialPort&)> action;
    size_t split = bytes.size();
    {
      std::lock_guard lock(cable_->mutex);
      auto& log = cable_->written[end_];
      const Trigger& t = cable_->trigger;
      if (!cable_->fired && t.end == end_ && t.index >= log.size() &&
          t.index < log.size() + bytes.size()) {
        split = t.index - log.size();
        action = t.action;
        cable_->fired = true;
      }
      cable_->order.emplace_back(end_, log.size());
      log.insert(log.end(), bytes.begin(), bytes.end());
    }
    if (!action) return inner().Write(bytes);
    int sent = 0;
    if (split > 0) {
      const int r = inner().Write(bytes.first(split));
      if (r < 0) return r;
      sent += r;
    }
    action(*cable_->line, inner());
    const int r = inner().Write(bytes.subspan(split));
    return r < 0 ? r : sent + r;
  }

 protected:
  std::shared_ptr<Cable> cable_;
  int end_;
};

// The PC's end; the organizer starts serving on the other end once the PC
// first listens or talks, and is told to stop when the PC closes.
class PcPort : public TapPort {
 public:
  PcPort(std::shared_ptr<Cable> cable, VirtualOrganizerOptions options, Clock& clock)
      : TapPort(std::move(cable), 0), options_(std::move(options)), clock_(clock) {}
  ~PcPort() override { EndSession(); }
  bool Close() override {
    EndSession();
    return TapPort::Close();
  }
  int Write(std::span<const uint8_t> bytes) override {
    StartSession();
    return TapPort::Write(bytes);
  }
  WakeReason WaitReadable(size_t wanted, uint32_t timeout_ms, const MessageQueue* queue) override {
    StartSession();
    return TapPort::WaitReadable(wanted, timeout_ms, queue);
  }

 private:
  void StartSession() {
    if (session_.joinable()) return;
    session_ = std::thread([this] {
      VirtualOrganizer organizer(options_);
      organizer.Load();
      CommLink link(0, 19200, &clock_);
      link.SetMessageQueue(&queue_);
      auto cable = cable_;
      link.SetSerialPortFactory([cable](const PortSpec&, Clock&) -> std::unique_ptr<SerialPort> {
        return std::make_unique<TapPort>(cable, 1);
      });
      link.Configure({.echo_back = true});
      if (link.OpenPort(-1)) {
        (void)organizer.Serve(link);
        (void)link.ClosePort();
      }
      done_.store(true);
    });
  }
  void EndSession() {
    if (!session_.joinable()) return;
    // A second on the run's clock, as measured by it: a count of short
    // sleeps would grow with the machine's load.
    const uint32_t until = clock_.NowMs() + 1000;
    while (!done_.load() && clock_.NowMs() < until) {
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    if (!done_.load()) queue_.Post({kWmLinkAbort, 0, 0});
    session_.join();
  }

  VirtualOrganizerOptions options_;
  Clock& clock_;
  MessageQueue queue_;
  std::thread session_;
  std::atomic<bool> done_{false};
};

struct ModeCase {
  const char* name;
  RunMode run_mode;
  int appli_mode;
  bool pc_sends;  // records travel from the PC to the organizer
};

const ModeCase kModes[] = {
    {"Backup", RunMode::kBackup, kAllAppli, false},
    {"Restore", RunMode::kRestore, kAllAppli, true},
    {"Upload", RunMode::kUpload, kTelephone, false},
    {"Download", RunMode::kDownload, kTelephone, true},
    {"SEND", RunMode::kSendRecord, kTelephone, true},
};

struct RunOutcome {
  int code = -1;
  uint32_t took_ms = 0;  // on the run's clock
  std::array<std::vector<uint8_t>, 2> written;
  std::vector<std::pair<int, uint64_t>> order;
};

// One case of the table: a fault at a phase of a mode's run.
struct FaultCase {
  const ModeCase* mode;
  Phase phase;
  Fault fault;
};

std::string CaseText(const FaultCase& c) {
  return std::string(c.mode->name) + "_" + kPhaseNames[static_cast<int>(c.phase)] + "_" +
         kFaultNames[static_cast<int>(c.fault)];
}
std::string CaseName(const ::testing::TestParamInfo<FaultCase>& info) {
  return CaseText(info.param);
}
void PrintTo(const FaultCase& c, std::ostream* out) { *out << CaseText(c); }

class FaultTableTest : public ::testing::TestWithParam<FaultCase> {
 protected:
  static constexpr long kTimeOutMs = 2000;

  void SetUp() override {
    dir_ = std::filesystem::path(testing::TempDir()) / ("fault_table_" + std::to_string(getpid()));
    std::filesystem::remove_all(dir_);
    WriteSmallSample(dir_ / "sample");
    options_.model = VirtualModel::kM;
    options_.sample_dir = dir_ / "sample";
    options_.tables = ProgramTables();
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  std::unique_ptr<AppliStore> NewStore() { return kivo::NewStore(tables_.code); }

  // One run; `trigger` (may be empty) fires inside it. `abort` receives the
  // run so a trigger can abort it.
  RunOutcome Run(const ModeCase& mode, AppliStore& store, const std::string& file_name,
                 Trigger trigger, std::function<void()>* abort = nullptr,
                 const std::vector<MemoryLine::Fault>& faults = {}) {
    auto cable = std::make_shared<Cable>();
    cable->line = MemoryLine::Create(clock_);
    cable->line->SetEcho(0, true);
    cable->line->SetEcho(1, true);
    cable->trigger = std::move(trigger);
    for (const MemoryLine::Fault& f : faults) cable->line->AddFault(f);
    ProgressRun run(&clock_);
    if (abort != nullptr) *abort = [&run] { run.Abort(); };
    LinkSettings s;
    s.run_mode = mode.run_mode;
    s.appli_mode = mode.appli_mode;
    s.store = &store;
    s.file_name = file_name;
    s.port_name = std::string(kVirtualPort);
    VirtualOrganizerOptions options = options_;
    Clock& clock = clock_;
    s.port_factory = [cable, options, &clock](const PortSpec&,
                                              Clock&) -> std::unique_ptr<SerialPort> {
      return std::make_unique<PcPort>(cable, options, clock);
    };
    s.to_command = kTimeOutMs;
    s.to_data_packet = kTimeOutMs;
    s.sort_table = &tables_.model0;
    s.code_tables = &tables_.code;
    s.tel_records_min = 1;
    s.data_dir = dir_;
    RunOutcome out;
    const uint32_t start = clock_.NowMs();
    out.code = RunToEnd(run, s);
    out.took_ms = clock_.NowMs() - start;
    std::lock_guard lock(cable->mutex);
    out.written = cable->written;
    out.order = cable->order;
    return out;
  }

  ScaledClock clock_{20};
  std::filesystem::path dir_;
  VirtualOrganizerOptions options_;
  PcTables tables_;
};

// Where a phase lies in a clean run: the frame the fault hits.
std::optional<Frame> FindPhase(Phase phase, const ModeCase& mode, const RunOutcome& clean) {
  const std::vector<Frame> pc = SplitFrames(0, clean.written[0]);
  const std::vector<Frame> org = SplitFrames(1, clean.written[1]);
  const std::vector<Frame>& data = mode.pc_sends ? pc : org;
  auto first = [](const std::vector<Frame>& frames, auto pred) -> std::optional<Frame> {
    for (const Frame& f : frames)
      if (pred(f)) return f;
    return std::nullopt;
  };
  switch (phase) {
    case Phase::kNegotiation:  // the organizer's DEVICE_INFORMATION
      return first(
          org, [](const Frame& f) { return f.lead == kFrameLead && f.code == kDeviceInformation; });
    case Phase::kFirstPacket:
      return first(data, [](const Frame& f) { return f.lead <= 6; });
    case Phase::kMidRecord:  // a packet after the first of a record
      return first(data, [](const Frame& f) {
        return f.lead <= kPacketIdMax && f.code != kFlagFirst && f.record_size > f.length;
      });
    case Phase::kBetweenApplis: {
      // The frame that closes the first application's records: the organizer's
      // FINISH_ALL_RECORDS, or the PC's next command after its first
      // application's packets.
      if (!mode.pc_sends)
        return first(org, [](const Frame& f) {
          return f.lead == kFrameLead && f.code == kFinishAllRecords;
        });
      bool seen_packet = false;
      for (const Frame& f : pc) {
        if (f.lead <= 6) seen_packet = true;
        if (seen_packet && f.lead == kFrameLead && f.code != kSend1Record) return f;
      }
      return std::nullopt;
    }
    case Phase::kLastAck: {  // the receiver's last ACK
      std::optional<Frame> last;
      for (const Frame& f : mode.pc_sends ? org : pc)
        if (f.lead == kFrameLead && f.code == kAck) last = f;
      return last;
    }
  }
  return std::nullopt;
}

// The organizer's first byte written at or after byte `index` of `end`.
std::optional<uint64_t> OrganizerByteFrom(const RunOutcome& clean, int end, uint64_t index) {
  if (end == 1) return index;
  bool after = false;
  for (auto [e, offset] : clean.order) {
    if (e == 0 && offset + 1 > index) after = true;  // the write holding the byte, or later
    if (after && e == 1) return offset;
  }
  return std::nullopt;
}

// The code the protocol rules give for a fault on a frame.
//   noise     skipped by a receiver looking for a lead byte: 16
//   drop      the frame stays one byte short and the sender waits for its
//             answer: the PC's wait runs out, 5 (15 once the PC is sending
//             records: a time-out while sending means not all was sent)
//   corrupt   the PC finds a bad checksum, 11; the organizer, receiving,
//             gives up on the session without an answer: the PC's wait, 5
//             or 15 as for a drop
//   stall     the organizer stops answering: the PC's wait, 5 or 15
//   hang-up   the line fails under the PC's next send or wait: 11
//   abort     the user's abort ends the current wait: 0
// END_COMMUNICATION is never answered: what happens to it on its way is the
// organizer's business, and the PC's run has succeeded (16).
int ExpectedCode(Fault fault, const ModeCase& mode, Phase phase, const Frame& frame) {
  const bool unanswered =
      frame.end == 0 && frame.lead == kFrameLead && frame.code == kEndCommunication;
  if (unanswered && (fault == Fault::kDrop || fault == Fault::kCorrupt)) return kResultSuccess;
  const int timeout =
      mode.pc_sends && phase != Phase::kNegotiation ? kResultNotAllSent : kResultTimeout;
  switch (fault) {
    case Fault::kNoise:
      return kResultSuccess;
    case Fault::kDrop:
      return timeout;
    case Fault::kCorrupt:
      return frame.end == 1 ? kResultIoError : timeout;
    case Fault::kStall:
      return timeout;
    case Fault::kHangUp:
      return kResultIoError;
    case Fault::kAbort:
      return kResultAborted;
  }
  return -1;
}

// The records of every application, in order. (Which empty applications are
// present is no part of it: the caller's copy makes them all present.)
std::vector<std::vector<uint8_t>> Image(const AppliStore& store) {
  std::vector<std::vector<uint8_t>> out;
  for (AppliId id : {kSchedule, kAnniversary, kToDo, kMemo, kExpense, kTelephone, kCategoryList}) {
    std::vector<std::vector<uint8_t>> records = StoreRecords(store, id);
    out.push_back({static_cast<uint8_t>(id), static_cast<uint8_t>(records.size())});
    for (auto& record : records) out.push_back(std::move(record));
  }
  return out;
}

// A clean run of each mode is recorded first and each fault is injected at
// the recorded byte index of a fresh run; the run must end with the code the
// protocol rules give and leave the data as it was.
TEST_P(FaultTableTest, EndsWithItsCodeAndKeepsTheData) {
  const ModeCase& mode = *GetParam().mode;
  const Phase phase = GetParam().phase;
  const Fault fault = GetParam().fault;
  // The PC's records for the sending modes: what a clean backup brings.
  auto pc_records = NewStore();
  ASSERT_EQ(Run(kModes[0], *pc_records, "", {}).code, kResultSuccess);
  // A previous backup file the Backup runs would replace.
  const std::filesystem::path old_backup = dir_ / "old.bkf";
  {
    auto old = NewStore();
    ASSERT_EQ(PutMemoRecord(*old, MemoRecord{"Kept from before"}, 0), kStoreOk);
    ASSERT_EQ(WriteBackupFile(*old, old_backup, true), 0);
  }
  const std::string old_backup_bytes = ReadText(old_backup);

  auto prepare = [&]() {
    auto store = NewStore();
    if (mode.pc_sends) {
      CopyAppliStore(*store, *pc_records);
    } else {
      // What the PC held before: one memo the organizer does not have.
      EXPECT_EQ(PutMemoRecord(*store, MemoRecord{"PC only"}, 0), kStoreOk);
    }
    return store;
  };
  // Backup writes the file itself; the other modes work on the store.
  const std::string file = mode.run_mode == RunMode::kBackup ? (dir_ / "target.bkf").string() : "";
  auto clean_store = prepare();
  if (!file.empty()) std::filesystem::copy_file(old_backup, file);
  const RunOutcome clean = Run(mode, *clean_store, file, {});
  ASSERT_EQ(clean.code, kResultSuccess) << "the clean run";
  const std::optional<Frame> frame = FindPhase(phase, mode, clean);
  ASSERT_TRUE(frame) << "the clean run has no such phase";

  Trigger trigger;
  std::function<void()> abort;
  trigger.end = frame->end;
  trigger.index = frame->start;
  std::vector<MemoryLine::Fault> faults;
  switch (fault) {
    case Fault::kNoise:
    case Fault::kStall: {
      std::optional<uint64_t> at = OrganizerByteFrom(clean, frame->end, frame->start);
      ASSERT_TRUE(at) << "the organizer writes nothing from here";
      trigger.end = 1;
      trigger.index = *at;
      if (fault == Fault::kNoise) {
        // Noise on the wire reaches the PC; the organizer's own echo
        // of it would not be line noise but a fault of its cable.
        trigger.action = [](MemoryLine& line, SerialPort& port) {
          line.SetEcho(1, false);
          (void)port.Write(kNoise);
          line.SetEcho(1, true);
        };
      } else {
        trigger.action = [](MemoryLine& line, SerialPort&) { line.Stall(1, true); };
      }
      break;
    }
    case Fault::kAbort:
      trigger.action = [&abort](MemoryLine&, SerialPort&) { abort(); };
      break;
    case Fault::kHangUp:
      trigger.action = [](MemoryLine& line, SerialPort&) { line.HangUp(); };
      break;
    case Fault::kDrop:
    case Fault::kCorrupt: {
      // The frame's checksum byte, on its way to the peer only (the
      // echo comes back whole).
      MemoryLine::Fault f;
      f.end = frame->end;
      f.index = frame->start + frame->size - 1;
      f.action = fault == Fault::kDrop ? MemoryLine::FaultAction::kDrop
                                       : MemoryLine::FaultAction::kCorrupt;
      f.copy = MemoryLine::FaultCopy::kPeer;
      f.xor_mask = 0x01;
      faults.push_back(f);
      trigger = {};
      break;
    }
  }
  const int expected = ExpectedCode(fault, mode, phase, *frame);
  auto store = prepare();
  const auto before = Image(*store);
  // The caller's safety copy, put back when the run fails.
  auto safety = NewStore();
  CopyAppliStore(*safety, *store);
  if (!file.empty()) {
    std::filesystem::remove(file);
    std::filesystem::copy_file(old_backup, file);
  }
  RunOutcome out = Run(mode, *store, file, trigger, &abort, faults);
  EXPECT_EQ(out.code, expected) << "result code";
  // The run ends within the one time-out that ran out, the organizer's
  // grace at the close (a second) and the clean run's own time; never
  // a second time-out, never a hang.
  EXPECT_LT(out.took_ms, kTimeOutMs + 1000 + clean.took_ms + 1000) << "ms on the run's clock";
  if (out.code != kResultSuccess) {
    if (mode.run_mode == RunMode::kBackup) {
      EXPECT_EQ(ReadText(file), old_backup_bytes) << "backup file changed";
    } else if (mode.pc_sends) {
      EXPECT_EQ(Image(*store), before) << "records sent were changed";
    } else {
      // Upload puts the arrivals into the store; the other
      // applications are untouched, and the caller's safety copy
      // brings back the store exactly as before.
      EXPECT_EQ(store->GetRecordCount(kMemo), 1);
      CopyAppliStore(*store, *safety);
      EXPECT_EQ(Image(*store), before) << "the safety copy differs";
    }
  }
}

// Every fault at every phase of every mode, but noise and stall between the
// applications of a single-application send: the PC's frame there is its
// END_COMMUNICATION, which the organizer never answers, so there is nothing
// of the organizer's to bend.
std::vector<FaultCase> AllCases() {
  std::vector<FaultCase> cases;
  for (const ModeCase& mode : kModes) {
    for (int p = 0; p < static_cast<int>(std::size(kPhaseNames)); ++p) {
      for (int f = 0; f < static_cast<int>(std::size(kFaultNames)); ++f) {
        const auto phase = static_cast<Phase>(p);
        const auto fault = static_cast<Fault>(f);
        const bool single_send = mode.pc_sends && mode.appli_mode != kAllAppli;
        if (single_send && phase == Phase::kBetweenApplis &&
            (fault == Fault::kNoise || fault == Fault::kStall)) {
          continue;
        }
        cases.push_back({&mode, phase, fault});
      }
    }
  }
  return cases;
}

INSTANTIATE_TEST_SUITE_P(FaultTable, FaultTableTest, ::testing::ValuesIn(AllCases()), CaseName);

}  // namespace
}  // namespace kivo

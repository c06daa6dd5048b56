#include <array>
#include <chrono>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "link/comm_link.h"
#include "link/frames.h"
#include "link/serial_link_fixture.h"
#include "store/char_tables.h"
#include "support/organizer_pair.h"
#include "support/records.h"

namespace kivo {
namespace {

using Bytes = std::vector<uint8_t>;
using Note = RecordingObserver::Note;

constexpr size_t kReceiveCapacity = 256000;

// The organizer answers GET_ALL_RECORDS for `id` with the list.
int ServeList(CommLink& organizer, const Bytes& list, AppliId id, int count) {
  std::array<uint8_t, 2> params{};
  int r = organizer.WaitCommand(kGetAllRecords, &params);
  if (r != kResultSuccess) return r;
  if (params[0] != id) return -1;
  if (count == 0) return organizer.SendCommand(kFinishAllRecords);
  return organizer.SendAllRecords(list, id, count, TransferRole::kOrganizer);
}

// One packet as it crossed the wire.
struct WirePacket {
  uint8_t id;
  uint8_t flag;
  int record_size;
  Bytes contents;
};

// Reads exactly n raw bytes at the organizer's end.
Bytes ReadRaw(CommLink& organizer, size_t n) {
  Bytes bytes(n);
  if (!organizer.ReceiveBytes(bytes, organizer.DeadlineAfter(5000))) return {};
  return bytes;
}

// Plays the organizer at byte level for `packets` packets of a record sent by
// the PC: each must be announced by SEND_1_RECORD, each is acknowledged.
std::vector<WirePacket> AcceptPackets(CommLink& organizer, size_t packets, bool announced) {
  std::vector<WirePacket> out;
  const CommandFrame send1 = EncodeCommandFrame(kSend1Record, 0, 0);
  for (size_t i = 0; i < packets; ++i) {
    if (announced) {
      Bytes frame = ReadRaw(organizer, 5);
      if (frame != Bytes(send1.begin(), send1.end())) return out;
      if (organizer.SendCommand(kAck) != kResultSuccess) return out;
    }
    Bytes header = ReadRaw(organizer, kPacketHeaderSize);
    if (header.size() != kPacketHeaderSize) return out;
    Bytes rest = ReadRaw(organizer, header[4] + 1u);
    if (rest.empty()) return out;
    Bytes whole = header;
    whole.insert(whole.end(), rest.begin(), rest.end() - 1);
    if (static_cast<uint8_t>(Checksum(whole)) != rest.back()) return out;
    out.push_back(
        {header[0], header[1], header[2] * 256 + header[3], Bytes(rest.begin(), rest.end() - 1)});
    if (organizer.SendCommand(kAck) != kResultSuccess) return out;
  }
  return out;
}

struct CutCase {
  size_t record_size;
  std::vector<std::pair<size_t, uint8_t>> packets;  // contents length, flag
};

const CutCase kCuts[] = {
    {1, {{1, 0x00}}},
    {241, {{241, 0x00}}},
    {242, {{241, 0x00}, {1, 0xA0}}},
    {493, {{241, 0x00}, {252, 0xA0}}},
    {494, {{241, 0x00}, {252, 0xF0}, {1, 0xA0}}},
    {745, {{241, 0x00}, {252, 0xF0}, {252, 0xA0}}},
    {746, {{241, 0x00}, {252, 0xF0}, {252, 0xF0}, {1, 0xA0}}},
};

TEST(Send1Record, CutsRecordsIntoPacketsEachAnnouncedOnThePcSide) {
  for (const CutCase& c : kCuts) {
    for (TransferRole role : {TransferRole::kPc, TransferRole::kOrganizer}) {
      SCOPED_TRACE(testing::Message()
                   << "size " << c.record_size << " role " << static_cast<int>(role));
      OrganizerPair pair;
      ASSERT_TRUE(pair.Open());
      const Bytes record = PatternRecord(c.record_size, 3);
      // The organizer's role sends without SEND_1_RECORD: the "organizer" here
      // is then the PC reading at the other end.
      auto peer = pair.RunOrganizer([&](CommLink& organizer) {
        auto packets = AcceptPackets(organizer, c.packets.size(), role != TransferRole::kOrganizer);
        int checked = 0;
        size_t offset = 0;
        for (size_t i = 0; i < packets.size(); ++i) {
          const WirePacket& p = packets[i];
          EXPECT_EQ(p.id, kMemo);
          EXPECT_EQ(p.flag, c.packets[i].second);
          EXPECT_EQ(p.record_size, static_cast<int>(c.record_size));
          EXPECT_EQ(p.contents.size(), c.packets[i].first);
          EXPECT_EQ(p.contents,
                    Bytes(record.begin() + offset, record.begin() + offset + p.contents.size()));
          offset += p.contents.size();
          ++checked;
        }
        return checked;
      });
      EXPECT_EQ(pair.pc().Send1Record(record, kMemo, role), kResultSuccess);
      EXPECT_EQ(peer.get(), static_cast<int>(c.packets.size()));
    }
  }
}

TEST(Send1Record, EmptyRecordSendsNothing) {
  OrganizerPair pair;
  ASSERT_TRUE(pair.Open());
  EXPECT_EQ(pair.pc().Send1Record({}, kMemo, TransferRole::kPc), kResultSuccess);
  EXPECT_EQ(pair.line().Written(0), 0u);
}

TEST(GetAllRecords, ReceivesWhatTheOrganizerSendsWithSizesAroundThePacketLimits) {
  const std::vector<Bytes> records = {PatternRecord(1, 1),   PatternRecord(241, 2),
                                      PatternRecord(242, 3), PatternRecord(745, 4),
                                      PatternRecord(746, 5), PatternRecord(1023, 6)};
  const Bytes list = RecordList(records);
  for (AppliId id : {kSchedule, kMemo, kTelephone}) {
    SCOPED_TRACE(static_cast<int>(id));
    OrganizerPair pair;
    RecordingObserver observer;
    ASSERT_TRUE(pair.Open());
    auto peer = pair.RunOrganizer(
        [&](CommLink& o) { return ServeList(o, list, id, static_cast<int>(records.size())); });
    Bytes buffer(kReceiveCapacity, 0xEE);
    int end = -1;
    ASSERT_EQ(pair.pc().GetAllRecords(buffer, &end, id, TransferRole::kPc, &observer),
              kResultSuccess);
    EXPECT_EQ(peer.get(), kResultSuccess);
    ASSERT_EQ(end, static_cast<int>(list.size()));
    EXPECT_EQ(Bytes(buffer.begin(), buffer.begin() + end), list);
    // The rest of the buffer was cleared before the reception.
    EXPECT_EQ(buffer[static_cast<size_t>(end)], 0);
    const int source = id == kTelephone ? kSourceTelephone : kSourceOneAppli;
    const std::vector<Note> expected = {
        {kWmLinkStatus, 100, kSourceOneAppli}, {kWmLinkProgress, 0, source},
        {kWmLinkProgress, 0, source},          {kWmLinkProgress, 0, source},
        {kWmLinkProgress, 1, source},          {kWmLinkProgress, 1, source},
        {kWmLinkProgress, 1, source},          {kWmLinkProgress, 100, kSourceOneAppli}};
    EXPECT_EQ(observer.notes(), expected);
  }
}

TEST(GetAllRecords, OrganizerWithoutRecordsEndsAtOnce) {
  OrganizerPair pair;
  RecordingObserver observer;
  ASSERT_TRUE(pair.Open());
  auto peer = pair.RunOrganizer([&](CommLink& o) { return ServeList(o, {}, kToDo, 0); });
  Bytes buffer(kReceiveCapacity);
  int end = -1;
  EXPECT_EQ(pair.pc().GetAllRecords(buffer, &end, kToDo, TransferRole::kPc, &observer),
            kResultSuccess);
  EXPECT_EQ(peer.get(), kResultSuccess);
  EXPECT_EQ(end, 0);
  EXPECT_EQ(observer.notes(), (std::vector<Note>{{kWmLinkStatus, 100, kSourceOneAppli},
                                                 {kWmLinkProgress, 100, kSourceOneAppli}}));
}

// A record whose pieces do not add up is never taken for a record, and the
// reception fails.
struct Piece {
  uint8_t id;
  uint8_t flag;
  uint16_t size;
  size_t length;
};
struct PiecesCase {
  const char* name;
  std::vector<Piece> pieces;
  int result;
  const char* log;
};
const PiecesCase kPiecesCases[] = {
    {"whole", {{kMemo, 0x00, 300, 241}, {kMemo, 0xA0, 300, 59}}, kResultSuccess, ""},
    {"finish after the first piece",
     {{kMemo, 0x00, 300, 241}},
     kResultIncomplete,
     "!!!Record Cut Short"},
    {"pieces longer than the size",
     {{kMemo, 0x00, 300, 241}, {kMemo, 0xA0, 300, 60}},
     kResultIoError,
     "!!!Record Size Err"},
    {"pieces shorter than the size",
     {{kMemo, 0x00, 300, 241}, {kMemo, 0xA0, 300, 58}},
     kResultIoError,
     "!!!Record Size Err"},
    {"a middle piece past the size",
     {{kMemo, 0x00, 300, 241}, {kMemo, 0xF0, 300, 40}, {kMemo, 0xF0, 300, 40}},
     kResultIoError,
     "!!!Record Size Err"},
    {"size changing",
     {{kMemo, 0x00, 300, 241}, {kMemo, 0xA0, 301, 59}},
     kResultIoError,
     "!!!Record Size Err"},
    {"application changing",
     {{kMemo, 0x00, 300, 241}, {kSchedule, 0xA0, 300, 59}},
     kResultIoError,
     "!!!Another Appli Data"},
};

void PrintTo(const PiecesCase& c, std::ostream* out) { *out << c.name; }

class GetAllRecordsPieces : public SerialLinkTest,
                            public testing::WithParamInterface<PiecesCase> {};

TEST_P(GetAllRecordsPieces, MustFillOneRecordOfOneApplication) {
  const PiecesCase& c = GetParam();
  StartLog();
  // Each piece arrives after the link's answer to the one before.
  uint32_t delay = 0;
  for (const Piece& p : c.pieces) {
    PeerSendsLater(EncodeDataPacket(p.id, p.flag, p.size, Bytes(p.length, 'm')), delay += 50);
  }
  PeerSendsLater(Frame(kFinishAllRecords), delay + 50);
  Bytes buffer(kReceiveCapacity);
  int end = -1;
  EXPECT_EQ(link_.GetAllRecords(buffer, &end, kMemo, TransferRole::kPc), c.result);
  EXPECT_EQ(end, c.result == kResultSuccess ? 301 : 0);
  EXPECT_NE(LogTexts().find(c.log), std::string::npos) << LogTexts();
  EXPECT_FALSE(link_.telephone_check_failed()) << "a cut record is no telephone check";
}

INSTANTIATE_TEST_SUITE_P(Cases, GetAllRecordsPieces, testing::ValuesIn(kPiecesCases));

TEST(ReceivedPercent, QuarterPerRecordThenHalfOverTheNext720) {
  const std::pair<int, int> kCases[] = {{0, 0},    {1, 0},     {4, 1},    {199, 49},
                                        {200, 50}, {201, 50},  {215, 51}, {560, 75},
                                        {919, 99}, {920, 100}, {935, 101}};
  for (auto [records, percent] : kCases) EXPECT_EQ(ReceivedPercent(records), percent) << records;
}

TEST(GetAllRecords, ReportsProgressAfterEveryRecordUpTo920) {
  constexpr int kCount = 920;
  std::vector<Bytes> records;
  for (int i = 0; i < kCount; ++i) records.push_back(PatternRecord(2, static_cast<uint8_t>(i)));
  const Bytes list = RecordList(records);
  OrganizerPair pair(50);
  RecordingObserver observer;
  ASSERT_TRUE(pair.Open());
  auto peer = pair.RunOrganizer([&](CommLink& o) { return ServeList(o, list, kMemo, kCount); });
  Bytes buffer(kReceiveCapacity);
  int end = 0;
  ASSERT_EQ(pair.pc().GetAllRecords(buffer, &end, kMemo, TransferRole::kPc, &observer),
            kResultSuccess);
  EXPECT_EQ(peer.get(), kResultSuccess);
  EXPECT_EQ(end, static_cast<int>(list.size()));
  const std::vector<Note> progress = observer.Of(kWmLinkProgress);
  ASSERT_EQ(progress.size(), static_cast<size_t>(kCount + 1));
  const std::pair<int, int> kAfter[] = {{1, 0},    {4, 1},    {200, 50},
                                        {201, 50}, {560, 75}, {920, 100}};
  for (auto [k, percent] : kAfter) {
    EXPECT_EQ(progress[static_cast<size_t>(k - 1)].value, percent) << k;
  }
}

TEST(SendAllRecords, OrganizerReceivesTheListUntilEndCommunication) {
  const std::vector<Bytes> records = {PatternRecord(10, 1), PatternRecord(300, 2),
                                      PatternRecord(746, 3)};
  const Bytes list = RecordList(records);
  OrganizerPair pair;
  ASSERT_TRUE(pair.Open());
  Bytes received(kReceiveCapacity);
  int end = -1;
  auto peer = pair.RunOrganizer([&](CommLink& o) -> int {
    int r = o.WaitCommand(kSend1Record);
    if (r != kResultSuccess) return r;
    return o.GetAllRecords(received, &end, kAnniversary, TransferRole::kOrganizer);
  });
  EXPECT_EQ(pair.pc().SendAllRecords(list, kAnniversary, 3, TransferRole::kPc), kResultSuccess);
  EXPECT_EQ(pair.pc().SendCommand(kEndCommunication), kResultSuccess);
  EXPECT_EQ(peer.get(), kResultSuccess);
  ASSERT_EQ(end, static_cast<int>(list.size()));
  EXPECT_EQ(Bytes(received.begin(), received.begin() + end), list);
}

TEST(SendAllRecords, QuickTransferPostsOnlyTheFinalProgress) {
  const Bytes list = RecordList({PatternRecord(5, 1), PatternRecord(6, 2), PatternRecord(7, 3)});
  OrganizerPair pair(1);
  RecordingObserver observer;
  ASSERT_TRUE(pair.Open());
  Bytes received(kReceiveCapacity);
  int end = 0;
  auto peer = pair.RunOrganizer([&](CommLink& o) -> int {
    int r = o.WaitCommand(kSend1Record);
    if (r != kResultSuccess) return r;
    return o.GetAllRecords(received, &end, kTelephone, TransferRole::kOrganizer);
  });
  EXPECT_EQ(pair.pc().SendAllRecords(list, kTelephone, 3, TransferRole::kPc, &observer),
            kResultSuccess);
  EXPECT_EQ(pair.pc().SendCommand(kEndCommunication), kResultSuccess);
  EXPECT_EQ(peer.get(), kResultSuccess);
  EXPECT_EQ(observer.notes(), (std::vector<Note>{{kWmLinkStatus, 100, kSourceOneAppli},
                                                 {kWmLinkProgress, 100, kSourceOneAppli}}));
}

TEST(SendAllRecords, RefusesMalformedListsBeforeSendingAnything) {
  struct Case {
    const char* name;
    Bytes list;
    int count;
  };
  const Case kCases[] = {
      {"no final separator", {1, 2, 0xFF, 3}, 2},
      {"count too high", {1, 2, 0xFF}, 2},
      {"count too low", {1, 0xFF, 2, 0xFF}, 1},
      {"empty list", {}, 0},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    OrganizerPair pair;
    ASSERT_TRUE(pair.Open());
    EXPECT_EQ(pair.pc().SendAllRecords(c.list, kMemo, c.count, TransferRole::kPc), kResultIoError);
    EXPECT_EQ(pair.line().Written(0), 0u);
  }
}

TEST(SendAllRecords, CountMismatchIsLogged) {
  OrganizerPair pair;
  TestLogFile log;
  pair.pc().SetLogFileName(log.path());
  ASSERT_TRUE(pair.Open());
  const Bytes list = {1, 0xFF, 2, 0xFF};
  EXPECT_EQ(pair.pc().SendAllRecords(list, kMemo, 3, TransferRole::kPc), kResultIoError);
  EXPECT_TRUE(log.Contains("!!! Record Data Err(number of records)\n"));
}

// Telephone records: byte 0 binary, the name up to its zero byte.
Bytes TelephoneRecord(const std::string& name) {
  Bytes r = {0x01};
  r.insert(r.end(), name.begin(), name.end());
  r.push_back(0x00);
  r.push_back('9');
  return r;
}

struct TelCase {
  const char* name;
  DeviceModel model;
  int tel_min;
  AppliId id;
  std::vector<std::string> names;
  int expected;
  const char* log;
};

TEST(GetAllRecords, TelephoneChecksTakeBadListsForIncompleteReceptions) {
  const std::string long_a = std::string(49, 'A') + "Z";
  const std::string long_b = std::string(49, 'A') + "B";
  const TelCase kCases[] = {
      {"one record at threshold 1",
       DeviceModel::kBase,
       1,
       kTelephone,
       {"Adams"},
       14,
       "!!!Receive Not Perfect2\n\n"},
      {"no record", DeviceModel::kBase, 1, kTelephone, {}, 16, nullptr},
      {"two in order", DeviceModel::kBase, 1, kTelephone, {"Adams", "Brown"}, 16, nullptr},
      {"equal names", DeviceModel::kBase, 1, kTelephone, {"Adams", "Adams"}, 16, nullptr},
      {"out of order",
       DeviceModel::kBase,
       1,
       kTelephone,
       {"Brown", "Adams", "Clark"},
       14,
       "!!!Receive Not Perfect1\n\n"},
      {"three at threshold 3",
       DeviceModel::kBase,
       3,
       kTelephone,
       {"A", "B", "C"},
       14,
       "!!!Receive Not Perfect2\n\n"},
      {"four above threshold 3",
       DeviceModel::kBase,
       3,
       kTelephone,
       {"A", "B", "C", "D"},
       16,
       nullptr},
      {"checks off at threshold 0",
       DeviceModel::kBase,
       0,
       kTelephone,
       {"Brown", "Adams"},
       16,
       nullptr},
      {"M model", DeviceModel::kM, 1, kTelephone, {"Brown", "Adams"}, 16, nullptr},
      {"second kind", DeviceModel::kBaseSecond, 1, kTelephone, {"Brown", "Adams"}, 16, nullptr},
      {"not Telephone", DeviceModel::kBase, 1, kMemo, {"Brown", "Adams"}, 16, nullptr},
      // Table B turns the organizer's 0x80 into 'A', which sorts before 'B'.
      {"converted by table B",
       DeviceModel::kBase,
       1,
       kTelephone,
       {"B", "\x80"},
       14,
       "!!!Receive Not Perfect1\n\n"},
      // Only the first 49 bytes of the name count.
      {"key cut at 49 bytes", DeviceModel::kBase, 1, kTelephone, {long_a, long_b}, 16, nullptr},
  };
  SortTable sort{};
  for (int i = 0; i < 256; ++i) {
    sort[static_cast<size_t>(i)] = static_cast<uint8_t>(i);
    sort[static_cast<size_t>(256 + i)] = static_cast<uint8_t>(i);
  }
  CodeTables code = CodeTables::Identity();
  code.b[0x80 - 127] = 'A';
  for (const TelCase& c : kCases) {
    SCOPED_TRACE(c.name);
    std::vector<Bytes> records;
    for (const std::string& n : c.names) records.push_back(TelephoneRecord(n));
    const Bytes list = RecordList(records);
    OrganizerPair pair;
    TestLogFile log;
    CommLink& pc = pair.pc();
    pc.SetLogFileName(log.path());
    pc.set_device_model(c.model);
    // A refused list leaves the organizer waiting for an ACK; let it give up soon.
    pair.organizer().Configure(WithToCommand(pair.organizer().config(), 3000));
    ASSERT_TRUE(pair.Open());
    auto peer = pair.RunOrganizer(
        [&](CommLink& o) { return ServeList(o, list, c.id, static_cast<int>(records.size())); });
    Bytes buffer(kReceiveCapacity);
    int end = 0;
    EXPECT_EQ(pc.GetAllRecords(buffer, &end, c.id, TransferRole::kPc, nullptr,
                               {c.tel_min, &sort, &code.b}),
              c.expected);
    EXPECT_EQ(pc.result(), c.expected);
    EXPECT_EQ(pc.telephone_check_failed(), c.expected == kResultIncomplete);
    if (c.log != nullptr) {
      EXPECT_TRUE(log.Contains(c.log));
    }
    if (c.expected == kResultSuccess) {
      EXPECT_EQ(end, static_cast<int>(list.size()));
    }
    (void)peer.get();
  }
}

TEST(GetAllRecords, RefusesMoreThanTheBufferHolds) {
  const Bytes list = RecordList({PatternRecord(100, 1), PatternRecord(100, 2)});
  OrganizerPair pair;
  pair.organizer().Configure(WithToCommand(pair.organizer().config(), 3000));
  ASSERT_TRUE(pair.Open());
  auto peer = pair.RunOrganizer([&](CommLink& o) { return ServeList(o, list, kMemo, 2); });
  Bytes buffer(150);
  int end = 0;
  EXPECT_EQ(pair.pc().GetAllRecords(buffer, &end, kMemo, TransferRole::kPc), kResultIoError);
  (void)peer.get();
}

TEST(GetAllRecords, AbortEndsTheWaitWithZero) {
  OrganizerPair pair;
  TestLogFile log;
  MessageQueue queue;
  RecordingObserver observer;
  // The user presses Abort once the request is out and the PC waits.
  observer.SetOnStatus([&](int, int) { queue.Post({kWmLinkAbort, 0, 0}); });
  pair.pc().SetMessageQueue(&queue);
  pair.pc().SetLogFileName(log.path());
  ASSERT_TRUE(pair.Open());
  // The organizer takes the request and then says nothing.
  auto peer = pair.RunOrganizer([&](CommLink& o) { return o.WaitCommand(kGetAllRecords); });
  Bytes buffer(kReceiveCapacity);
  int end = 0;
  EXPECT_EQ(pair.pc().GetAllRecords(buffer, &end, kMemo, TransferRole::kPc, &observer),
            kResultAborted);
  EXPECT_EQ(peer.get(), kResultSuccess);
  EXPECT_TRUE(log.Contains("!!!Abort (Now RecordIdx=0)\n\n"));
}

// The expense-category list: eight bytes of names and the separator.
const Bytes kCategoryList9 = {'F', 'o', 'o', 'd', 0, 'C', 'a', 'r', 0xFF};

TEST(ExpenseCategory, SentAsOnePacketOfApplicationSix) {
  OrganizerPair pair;
  ASSERT_TRUE(pair.Open());
  auto peer = pair.RunOrganizer([&](CommLink& o) {
    Bytes frame = ReadRaw(o, 5);
    const CommandFrame expected = EncodeCommandFrame(kSendExpenseCategory, 0, 0);
    if (frame != Bytes(expected.begin(), expected.end())) return 0;
    if (o.SendCommand(kAck) != kResultSuccess) return 0;
    auto packets = AcceptPackets(o, 1, false);
    if (packets.size() != 1) return 0;
    EXPECT_EQ(packets[0].id, kCategoryList);
    EXPECT_EQ(packets[0].flag, 0x00);
    EXPECT_EQ(packets[0].record_size, 8);
    EXPECT_EQ(packets[0].contents, Bytes(kCategoryList9.begin(), kCategoryList9.end() - 1));
    return 1;
  });
  EXPECT_EQ(pair.pc().SendAllRecords(kCategoryList9, kCategoryList, 1, TransferRole::kPc),
            kResultSuccess);
  EXPECT_EQ(peer.get(), 1);
}

TEST(ExpenseCategory, TravelsBothWaysBetweenPcAndOrganizer) {
  {
    SCOPED_TRACE("organizer to PC");
    OrganizerPair pair;
    ASSERT_TRUE(pair.Open());
    auto peer = pair.RunOrganizer([&](CommLink& o) -> int {
      int r = o.WaitCommand(kGetExpenseCategory);
      if (r != kResultSuccess) return r;
      return o.SendExpenseCategory(kCategoryList9, TransferRole::kOrganizer);
    });
    Bytes buffer(kReceiveCapacity, 0xEE);
    int length = 0;
    EXPECT_EQ(pair.pc().GetAllRecords(buffer, &length, kCategoryList, TransferRole::kPc),
              kResultSuccess);
    EXPECT_EQ(peer.get(), kResultSuccess);
    ASSERT_EQ(length, 9);
    EXPECT_EQ(Bytes(buffer.begin(), buffer.begin() + 9), kCategoryList9);
  }
  {
    SCOPED_TRACE("PC to organizer");
    OrganizerPair pair;
    ASSERT_TRUE(pair.Open());
    Bytes received(kReceiveCapacity);
    int length = 0;
    auto peer = pair.RunOrganizer([&](CommLink& o) -> int {
      int r = o.WaitCommand(kSendExpenseCategory);
      if (r != kResultSuccess) return r;
      return o.GetExpenseCategory(received, &length, TransferRole::kOrganizer);
    });
    EXPECT_EQ(pair.pc().SendExpenseCategory(kCategoryList9, TransferRole::kPc), kResultSuccess);
    EXPECT_EQ(peer.get(), kResultSuccess);
    ASSERT_EQ(length, 9);
    EXPECT_EQ(Bytes(received.begin(), received.begin() + 9), kCategoryList9);
  }
}

TEST(ExpenseCategory, RefusesListsThatAreNotOneRecordOfOnePacket) {
  const std::pair<const char*, Bytes> kCases[] = {
      {"separator inside", {'a', 0xFF, 'b', 0xFF}},
      {"no separator", {'a', 'b'}},
      {"separator only", {0xFF}},
  };
  for (const auto& [name, list] : kCases) {
    SCOPED_TRACE(name);
    OrganizerPair pair;
    ASSERT_TRUE(pair.Open());
    EXPECT_EQ(pair.pc().SendExpenseCategory(list, TransferRole::kOrganizer), kResultIoError);
    EXPECT_EQ(pair.line().Written(0), 0u);
  }
  // More than one packet holds: refused by the packet sender after the request.
  OrganizerPair pair;
  ASSERT_TRUE(pair.Open());
  Bytes big(254, 'x');
  big.back() = 0xFF;
  EXPECT_EQ(pair.pc().SendExpenseCategory(big, TransferRole::kOrganizer), kResultIoError);
}

TEST(ExpenseCategory, NackIsNotTakenForTheList) {
  OrganizerPair pair;
  ASSERT_TRUE(pair.Open());
  auto peer = pair.RunOrganizer([&](CommLink& o) -> int {
    int r = o.WaitCommand(kGetExpenseCategory);
    if (r != kResultSuccess) return r;
    return o.SendCommand(kNack);
  });
  Bytes buffer(kReceiveCapacity);
  int length = -1;
  EXPECT_EQ(pair.pc().GetExpenseCategory(buffer, &length, TransferRole::kPc), kResultIoError);
  EXPECT_EQ(length, 0);
  EXPECT_EQ(peer.get(), kResultSuccess);
}

}  // namespace
}  // namespace kivo

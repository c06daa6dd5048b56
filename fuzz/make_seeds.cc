// Writes the seed corpora of the fuzz targets: a few real files and
// exchanges each, made with the program's own encoders so that they follow
// the formats exactly. Run as
//   make_fuzz_seeds <fuzz/corpus directory>
// It replaces only the files it names.

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "link/frames.h"
#include "platform/link_defaults.h"
#include "store/appli_store.h"
#include "store/backup_file.h"
#include "store/record_access.h"
#include "store/record_codec.h"
#include "store/result_code.h"
#include "sync/identity_map.h"
#include "sync/record_set_store.h"
#include "sync/sync_journal.h"

namespace kivo {
namespace {

using Bytes = std::vector<uint8_t>;

std::filesystem::path g_root;
bool g_ok = true;

void Put(const std::string& target, const std::string& name, const Bytes& bytes) {
  const std::filesystem::path dir = g_root / target;
  std::filesystem::create_directories(dir);
  std::ofstream out(dir / name, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  if (!out) {
    std::fprintf(stderr, "cannot write %s/%s\n", target.c_str(), name.c_str());
    g_ok = false;
  }
}

Bytes Cat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& part : parts) out.insert(out.end(), part.begin(), part.end());
  return out;
}

Bytes Text(std::string_view text) { return Bytes(text.begin(), text.end()); }

// Sample records, one view per application.
ScheduleRecord Schedule() {
  ScheduleRecord r;
  r.date = BcdDate::FromYmd(2001, 12, 31);
  r.start_time = BcdTime::FromHm(9, 30);
  r.end_time = BcdTime::FromHm(10, 45);
  r.reminder = ToBcd(15);
  r.flags = ScheduleRecord::kAlarmOn;
  r.description = "Dentist, bring the card";
  return r;
}

AnniversaryRecord Anniversary() {
  AnniversaryRecord r;
  r.date = BcdDate::FromYmd(1975, 2, 29);
  r.reminder = 3;
  r.description = "Wedding day";
  return r;
}

ToDoRecord ToDo() {
  ToDoRecord r;
  r.state = ToDoRecord::MakeState(false, 2);
  r.due_date = BcdDate::FromYmd(2002, 1, 15);
  r.description = "Renew the car insurance";
  return r;
}

MemoRecord Memo(size_t length) {
  MemoRecord r;
  for (size_t i = 0; i < length; ++i) r.text += static_cast<char>('a' + i % 26);
  return r;
}

ExpenseRecord Expense() {
  ExpenseRecord r;
  r.date = BcdDate::FromYmd(2001, 6, 1);
  r.flags = ExpenseRecord::MakeFlags(true, 2, 1);
  r.amount = {0x00, 0x00, 0x00, 0x12, 0x34, 0x50, 0x00, 0x02};
  r.memo = "Taxi to the airport";
  return r;
}

TelephoneRecord Telephone(std::string last, std::string first) {
  TelephoneRecord r;
  r.category = 1;
  r.texts[kLastName] = std::move(last);
  r.texts[kFirstName] = std::move(first);
  r.texts[kCompany] = "Acme Tools";
  r.texts[kOfficeNumber] = "555-0142";
  r.texts[kEmail] = "someone@example.com";
  r.texts[kNotes] = "Met at the fair";
  return r;
}

// A telephone record with every text full: about 780 bytes, four packets.
TelephoneRecord FullTelephone(char first_letter) {
  TelephoneRecord r;
  r.category = 2;
  for (int f = 0; f < kTelephoneTextCount; ++f) {
    const size_t capacity = kTelephoneCapacity[static_cast<size_t>(f)];
    for (size_t i = 0; i < capacity; ++i) {
      r.texts[static_cast<size_t>(f)] += static_cast<char>(i == 0 ? first_letter : 'a' + i % 26);
    }
  }
  return r;
}

// Records with their application, in the organizer's record order.
std::vector<std::pair<AppliId, Bytes>> SampleRecords() {
  return {
      {kSchedule, EncodeScheduleRecord(Schedule())},
      {kAnniversary, EncodeAnniversaryRecord(Anniversary())},
      {kToDo, EncodeToDoRecord(ToDo())},
      {kMemo, EncodeMemoRecord(Memo(40))},
      {kMemo, EncodeMemoRecord(Memo(700))},
      {kExpense, EncodeExpenseRecord(Expense())},
      {kTelephone, EncodeTelephoneRecord(Telephone("Adams", "Ann"))},
      {kTelephone, EncodeTelephoneRecord(Telephone("Baker", "Bob"))},
      {kTelephone, EncodeTelephoneRecord(FullTelephone('C'))},
  };
}

void BackupSeeds() {
  AppliStore store(CodeTables::Identity());
  if (store.GetAppliBuf(kStoreSlots) != kStoreOk) g_ok = false;
  std::vector<int> next(7, 0);
  for (const auto& [id, record] : SampleRecords()) {
    if (store.PutRecord(id, next[id]++, record) != kStoreOk) g_ok = false;
  }
  if (SetDefaultCategoryNames(store) != kStoreOk) g_ok = false;
  Put("backup_plain_inverted", "all_plain.bkf",
      EncodeBackupFile(store, false, BackupBlocks::kAllPresent));
  Put("backup_plain_inverted", "all_inverted.bkf",
      EncodeBackupFile(store, true, BackupBlocks::kAllPresent));
  Put("backup_plain_inverted", "with_records.bkf",
      EncodeBackupFile(store, true, BackupBlocks::kWithRecords));
  AppliStore empty(CodeTables::Identity());
  if (empty.GetAppliBuf(kStoreSlots) != kStoreOk) g_ok = false;
  Put("backup_plain_inverted", "empty.bkf",
      EncodeBackupFile(empty, false, BackupBlocks::kAllPresent));
}

void DumpSeeds() {
  Bytes memo = Cat({{kMemo}, EncodeMemoRecord(Memo(40)), EncodeMemoRecord(Memo(700))});
  Put("dump_file", "memo.snd", memo);
  Bytes phone = Cat({{kTelephone},
                     EncodeTelephoneRecord(Telephone("Adams", "Ann")),
                     EncodeTelephoneRecord(Telephone("Baker", "Bob"))});
  Put("dump_file", "telephone.snd", phone);
  Put("dump_file", "expense_category.snd",
      Cat({{kCategoryList}, EncodeCategoryNames(DefaultCategoryNames())}));
}

void RecordSeeds() {
  const Bytes names = EncodeCategoryNames(DefaultCategoryNames());
  const Bytes category(names.begin(), names.end() - 1);  // the target adds the terminator
  int k = 0;
  for (const auto& [id, record] : SampleRecords()) {
    Bytes body(record.begin(), record.end() - 1);
    Put("record_codec", "record_" + std::to_string(k++),
        Cat({{id, static_cast<uint8_t>(category.size())}, category, body}));
  }
  Put("record_codec", "categories", Cat({{kCategoryList, 0}, category}));
}

void DateTimeSeeds() {
  // Mode byte: display date, 4 with year, 8 year check, 16 raw hour, 32 24-hour.
  const Bytes values = {0, 0, 7, 209, 0, 0, 0, 12, 0, 0, 0, 31};  // 2001, 12, 31
  const std::pair<uint8_t, std::string_view> cases[] = {
      {0 | 4 | 8, "12/31/2001"},
      {1 | 4 | 8, "31.12.2001"},
      {2 | 4 | 8, "2001.12.31"},
      {0, "2/29"},
      {1 | 4 | 8, " 29. 2.2000"},
      {0 | 32, "13:45"},
      {0, "01:45 PM"},
      {16, "12:05am"},
  };
  int k = 0;
  for (const auto& [mode, text] : cases) {
    Put("date_time", "case_" + std::to_string(k), Cat({{mode}, values, Text(text)}));
    // The parse-only target reads the same mode byte, then the text.
    Put("date_time_parse", "case_" + std::to_string(k++), Cat({{mode}, Text(text)}));
  }
}

// The organizer's bytes arriving 50 ms after the ones before, as chunks of at
// most 255 bytes (the later ones at once).
Bytes Chunk(const Bytes& bytes, uint8_t delay = 5) {
  Bytes out;
  for (size_t pos = 0; pos < bytes.size(); pos += 255) {
    const size_t n = std::min<size_t>(255, bytes.size() - pos);
    out.push_back(pos == 0 ? delay : 0);
    out.push_back(static_cast<uint8_t>(n));
    out.insert(out.end(), bytes.begin() + static_cast<long>(pos),
               bytes.begin() + static_cast<long>(pos + n));
  }
  return out;
}
Bytes Frame(uint8_t code, uint8_t p1 = 0, uint8_t p2 = 0) {
  CommandFrame frame = EncodeCommandFrame(code, p1, p2);
  return Bytes(frame.begin(), frame.end());
}
Bytes Packet(AppliId id, uint8_t flag, size_t size, const Bytes& piece) {
  return EncodeDataPacket(id, flag, static_cast<uint16_t>(size), piece);
}
// The data packets of one record (without its terminator), 241 bytes first,
// then up to 252.
std::vector<Bytes> Packets(AppliId id, const Bytes& record) {
  const Bytes body(record.begin(), record.end() - 1);
  std::vector<Bytes> out;
  size_t sent = 0;
  while (sent < body.size() || out.empty()) {
    const size_t max = out.empty() ? 241 : 252;
    const size_t n = std::min(max, body.size() - sent);
    const bool last = sent + n == body.size();
    const uint8_t flag = out.empty() ? kFlagFirst : (last ? kFlagLast : kFlagMiddle);
    out.push_back(Packet(
        id, flag, body.size(),
        Bytes(body.begin() + static_cast<long>(sent), body.begin() + static_cast<long>(sent + n))));
    sent += n;
  }
  return out;
}

void LinkSeeds() {
  // Header: procedure, options, application, buffer size choice.
  auto put = [](const std::string& name, uint8_t procedure, uint8_t options, uint8_t appli,
                const Bytes& chunks) {
    Put("link_receive", name, Cat({{procedure, options, appli, 0}, chunks}));
  };
  put("wait_command", 0, 0, 0, Chunk(Frame(kLinkRequest), 0));
  put("wait_packet", 2, 0, 0, Chunk(Packets(kMemo, EncodeMemoRecord(Memo(40)))[0], 0));
  put("wait_packet_log", 3, 2, kMemo, Chunk(Packets(kMemo, EncodeMemoRecord(Memo(40)))[0], 0));

  // The organizer's side of a receive-all: a memo, then a telephone record
  // of four packets.
  const Bytes big = EncodeTelephoneRecord(FullTelephone('C'));
  Bytes all;
  for (const Bytes& packet : Packets(kMemo, EncodeMemoRecord(Memo(40)))) {
    all = Cat({all, Chunk(packet)});
  }
  Bytes big_packets;
  for (const Bytes& packet : Packets(kTelephone, big)) {
    big_packets = Cat({big_packets, Chunk(packet)});
  }
  put("get_all_memo", 6, 0, kMemo, Cat({all, Chunk(Frame(kFinishAllRecords))}));
  put("get_all_memo_echo_log", 6, 1 | 2, kMemo, Cat({all, Chunk(Frame(kFinishAllRecords))}));
  put("receive_1_record_long", 4, 0, kTelephone, big_packets);

  // A telephone list in order, with the base model's checks on.
  Bytes phones;
  for (const char* name : {"Adams", "Baker", "Clark", "Drake", ""}) {
    const Bytes record = *name ? EncodeTelephoneRecord(Telephone(name, "X"))
                               : EncodeTelephoneRecord(FullTelephone('Z'));
    for (const Bytes& packet : Packets(kTelephone, record)) phones = Cat({phones, Chunk(packet)});
  }
  phones = Cat({phones, Chunk(Frame(kFinishAllRecords))});
  put("get_all_telephone_checked", 6, 8 | 16, kTelephone, phones);

  // The PC's side when the system plays the organizer: each packet of a
  // record after the first announced by SEND_1_RECORD, the run ended by
  // END_COMMUNICATION.
  Bytes device;
  bool first = true;
  for (const Bytes& record : {EncodeMemoRecord(Memo(40)), big}) {
    if (!first) device = Cat({device, Chunk(Frame(kSend1Record))});
    first = false;
    const std::vector<Bytes> packets = Packets(kMemo, record);
    for (size_t i = 0; i < packets.size(); ++i) {
      if (i > 0) device = Cat({device, Chunk(Frame(kSend1Record))});
      device = Cat({device, Chunk(packets[i])});
    }
  }
  device = Cat({device, Chunk(Frame(kEndCommunication))});
  put("get_all_device", 7, 0, kMemo, device);
  put("receive_1_record_device", 5, 0, kMemo, device);

  const Bytes names = EncodeCategoryNames(DefaultCategoryNames());
  const Bytes category = Chunk(
      Packet(kCategoryList, kFlagFirst, names.size() - 1, Bytes(names.begin(), names.end() - 1)));
  put("get_category", 8, 0, kCategoryList, category);
  put("get_category_device", 9, 0, kCategoryList, category);

  // Negotiation from both sides: the base model and the M model.
  put("negotiation_pc_base", 10, 0, 0,
      Cat({Chunk(Frame(kLinkRequest), 0), Chunk(Frame(kDeviceInformation, 0, 2))}));
  put("negotiation_pc_m", 10, 0, 0,
      Cat({Chunk(Frame(kLinkRequest), 0), Chunk(Frame(kDeviceInformation, 0, 2)),
           Chunk(Frame(kDeviceInformation, 1, 2))}));
  put("negotiation_device", 11, 0, 0, Chunk(Frame(kAck)));

  // Sends that read the other side's ACKs.
  Bytes acks;
  for (int i = 0; i < 10; ++i) acks = Cat({acks, Chunk(Frame(kAck))});
  put("send_all_pc", 12, 0, kMemo, acks);
  put("send_all_pc_log", 12, 2 | 32, kTelephone, acks);
  put("send_all_device", 13, 0, kSchedule, acks);
  put("send_category", 12, 0, kCategoryList, acks);
  put("send_1_record", 14, 1, kMemo, acks);
}

// The PC's side of sessions with the organizer's side: the handshake (ACK
// to LINK_REQUEST, the model query), then one transfer, then the end.
void DeviceSeeds() {
  // Header: loop (bit 0 virtual organizer, bits 1-2 model), options.
  auto put = [](const std::string& name, uint8_t loop, uint8_t options, const Bytes& chunks) {
    Put("device_loop", name,
        Cat({{loop, options}, Chunk(Frame(kAck)), Chunk(Frame(kGetDeviceInformation)), chunks}));
  };
  Bytes acks;
  for (int i = 0; i < 6; ++i) acks = Cat({acks, Chunk(Frame(kAck))});
  const Bytes end = Chunk(Frame(kEndCommunication));
  const Bytes get_memo = Cat({Chunk(Frame(kGetAllRecords, kMemo, 0)), acks, end});
  const Bytes get_phone = Cat({Chunk(Frame(kGetAllRecords, kTelephone, 0)), acks, end});
  const Bytes get_category = Cat({Chunk(Frame(kGetExpenseCategory)), end});

  // A record sent to the organizer: DELETE_ALL_RECORDS, then SEND_1_RECORD and
  // the packets of a record of four packets, each announced.
  const Bytes big = EncodeTelephoneRecord(FullTelephone('M'));
  Bytes send = Chunk(Frame(kDeleteAllRecords, kTelephone, 0));
  const std::vector<Bytes> packets = Packets(kTelephone, big);
  for (const Bytes& packet : packets) send = Cat({send, Chunk(Frame(kSend1Record)), Chunk(packet)});
  send = Cat({send, end});

  const Bytes names = EncodeCategoryNames(DefaultCategoryNames());
  const Bytes send_category = Cat({Chunk(Frame(kSendExpenseCategory)),
                                   Chunk(Packet(kCategoryList, kFlagFirst, names.size() - 1,
                                                Bytes(names.begin(), names.end() - 1))),
                                   end});

  put("device_get_memo", 0, 0, get_memo);
  put("device_get_memo_echo_log", 0, 1 | 2, get_memo);
  put("device_get_category", 0, 0, get_category);
  // RunDevice takes the END_COMMUNICATION that ends the reception as its end; the
  // session needs another.
  put("device_send_record", 0, 0, Cat({send, end}));
  put("device_send_category", 0, 4, send_category);
  put("virtual_get_phone", 1, 0, get_phone);
  put("virtual_m_get_memo", 1 | 4, 1, get_memo);
  put("virtual_send_record", 1 | 2, 0, send);
  put("virtual_send_category", 1, 4, send_category);
  put("virtual_get_category", 1, 2, get_category);
}

// The organizer's side of whole runs on the PC: the M model's handshake,
// then what each sequence asks for.
void PcRunSeeds() {
  // Header: run mode index (0 Backup, 1 Upload, 2 Restore, 3 Download,
  // 6 SEND, 8 negotiation), options, application.
  auto put = [](const std::string& name, uint8_t mode, uint8_t options, uint8_t appli,
                const Bytes& chunks) {
    Put("pc_run", name,
        Cat({{mode, options, appli},
             Chunk(Frame(kLinkRequest)),
             Chunk(Frame(kDeviceInformation, 0, 2)),
             Chunk(Frame(kDeviceInformation, 1, 2)),
             chunks}));
  };
  auto list = [](AppliId id, const std::vector<Bytes>& records) {
    Bytes out;
    for (const Bytes& record : records) {
      for (const Bytes& packet : Packets(id, record)) out = Cat({out, Chunk(packet)});
    }
    return Cat({out, Chunk(Frame(kFinishAllRecords))});
  };
  const Bytes names = EncodeCategoryNames(DefaultCategoryNames());
  const Bytes category = Chunk(
      Packet(kCategoryList, kFlagFirst, names.size() - 1, Bytes(names.begin(), names.end() - 1)));
  const Bytes backup = Cat({
      list(kTelephone, {EncodeTelephoneRecord(Telephone("Adams", "Ann")),
                        EncodeTelephoneRecord(FullTelephone('Z'))}),
      list(kSchedule, {EncodeScheduleRecord(Schedule())}),
      list(kAnniversary, {EncodeAnniversaryRecord(Anniversary())}),
      list(kToDo, {EncodeToDoRecord(ToDo())}),
      list(kMemo, {EncodeMemoRecord(Memo(40)), EncodeMemoRecord(Memo(90))}),
      category,
      list(kExpense, {EncodeExpenseRecord(Expense())}),
  });
  put("backup", 0, 0, 7, backup);
  put("backup_to_file_checked", 0, 4 | 16, 7, backup);
  put("upload_memo", 1, 1 | 2, kMemo, list(kMemo, {EncodeMemoRecord(Memo(40))}));
  put("upload_expense", 1, 0, kExpense,
      Cat({category, list(kExpense, {EncodeExpenseRecord(Expense())})}));
  Bytes acks;
  for (int i = 0; i < 40; ++i) acks = Cat({acks, Chunk(Frame(kAck))});
  put("restore", 2, 0, 7, acks);
  put("download_memo", 3, 0, kMemo, acks);
  put("send_record", 6, 0, kMemo, acks);
  put("negotiation", 8, 0, 0, {});
}

// The sync state's files, behind the target's selector byte.
void SyncStateSeeds() {
  const Bytes memo = EncodeMemoRecord({"Call the plumber"});
  const Bytes names = EncodeCategoryNames(DefaultCategoryNames());
  SyncJournal journal;
  journal.applis.push_back({kMemo, {true, false}, {1, 2}, {3, 4}, {memo, memo}});
  journal.applis.push_back({kCategoryList, {false, true}, {5, 6}, {7, 8}, {names}});
  const Bytes journal_image = EncodeJournal(journal);
  Put("sync_state", "journal", Cat({{0}, journal_image}));
  // The same without its trailer, for the target to seal.
  Put("sync_state", "journal_body",
      Cat({{4}, Bytes(journal_image.begin(), journal_image.end() - 8)}));
  SideIdentities maps;
  maps[1].entries.push_back({{kTelephone, 0x1234, 0}, "uid-1", "/dav/1.vcf", "\"e1\"", 0, 0});
  maps[0].entries.push_back(
      {{kSchedule, 0x5678, 1}, "uid-2", "2.ics", "", 1700000000000000000, 42});
  // An item that maps to no record.
  maps[1].entries.push_back(
      {{kTelephone, 0, kNoRecordOccurrence}, "junk", "junk.vcf", "\"e2\"", 0, 0});
  Put("sync_state", "identities", Cat({{1}, EncodeIdentities(maps)}));
  Put("sync_state", "steps", Cat({{2}, Text("right 3\nleft 3\nleft 6\n")}));
  RecordSet base;
  base.Set(kMemo, {memo, memo});
  base.Set(kCategoryList, {names});
  Put("sync_state", "base", Cat({{3}, *EncodeBase(base, CodeTables::Identity(), {2, 0})}));
}

}  // namespace
}  // namespace kivo

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <fuzz/corpus directory>\n", argv[0]);
    return 2;
  }
  kivo::g_root = argv[1];
  kivo::BackupSeeds();
  kivo::DumpSeeds();
  kivo::RecordSeeds();
  kivo::DateTimeSeeds();
  kivo::LinkSeeds();
  kivo::DeviceSeeds();
  kivo::PcRunSeeds();
  kivo::SyncStateSeeds();
  return kivo::g_ok ? 0 : 1;
}

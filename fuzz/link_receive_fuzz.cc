// The receiving side of the link protocol over any line bytes.
//
// A CommLink sits on end 0 of an in-memory line; the organizer's end 1 sends
// the input's bytes. Both run on a manual clock, so every time-out passes in
// no time at all and a run is exactly repeatable.
//
// Input:
//   byte 0   the procedure (see Run)
//   byte 1   options: 1 echo, 2 link log, 4 M model, 8 telephone checks,
//            16 sort table, 32 byte time-outs (TOMultiplier 1 ms), 64 the
//            default 30 s TOCommand and TODataPacket (else 1.5 s, which
//            fuzzes many times faster: every pass of a wait is a poll())
//   byte 2   the application (0..6, 7 and above: all)
//   byte 3   receive buffer size choice
//   then     chunks of [delay in 10 ms][length][bytes]: each chunk arrives
//            `delay` after the one before, so answers can wait for the
//            procedure's own sends.
// Besides surviving, a procedure must end within its time-outs of the last
// byte that arrived.

#include <unistd.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "fuzz_link.h"
#include "fuzz_support.h"
#include "link/comm_link.h"
#include "link/frames.h"
#include "platform/clock.h"
#include "platform/memory_line.h"
#include "platform/message_queue.h"
#include "store/appli_id.h"
#include "store/char_tables.h"

namespace {

using Bytes = std::vector<uint8_t>;

constexpr uint32_t kStart = 1000000;
// The longest a procedure may go on after the last byte: a few of its 30 s
// waits and the 10 s echo check.
constexpr uint32_t kAfterLastByteMs = 150000;
constexpr size_t kBufferSizes[] = {256000, 4096, 1300, 253, 252, 1, 0};

const kivo::SortTable& FuzzSortTable() {
  static const kivo::SortTable table = [] {
    kivo::SortTable model0 = kivo::FuzzTables().sort[0];
    if (!kivo::FuzzTables().sort_loaded) {
      for (int i = 0; i < 256; ++i) {
        model0[static_cast<size_t>(i)] = static_cast<uint8_t>(i);
        model0[static_cast<size_t>(256 + i)] = static_cast<uint8_t>(i);
      }
    }
    return model0;
  }();
  return table;
}

const std::filesystem::path& LogPath() {
  static const std::filesystem::path path = std::filesystem::temp_directory_path() /
                                            ("kivo_fuzz_link_" + std::to_string(getpid()) + ".log");
  return path;
}

// Two records of the application, for the procedures that send and read
// the answers.
Bytes SampleList(kivo::AppliId id) {
  Bytes list;
  for (size_t size : {20, 600}) {
    for (size_t i = 0; i < size; ++i) list.push_back(static_cast<uint8_t>(i % 2 ? 'a' : 0));
    if (id == kivo::kCategoryList) break;
    list.push_back(kivo::kTerminator);
  }
  if (id == kivo::kCategoryList) list.push_back(kivo::kTerminator);
  return list;
}

int Run(kivo::CommLink& link, int procedure, kivo::AppliId id, std::span<uint8_t> buffer,
        const kivo::TelephoneCheck& check) {
  std::array<uint8_t, 2> params{};
  int code = 0;
  int n = 0;
  int lead = 0;
  int flag = 0;
  std::array<uint8_t, kivo::kPacketContentsMax> packet{};
  switch (procedure) {
    case 0:
      return link.WaitCommand(kivo::kAnyCommand, &params, &code);
    case 1:
      return link.WaitCommand(id, &params, &code, 2000, 1);
    case 2:
      return link.WaitDataPacket(kivo::kAllAppli, packet, &n, &lead, &flag);
    case 3:
      return link.WaitDataPacket(id, packet, &n, nullptr, nullptr, 3000, 2);
    case 4:
      return link.Receive1Record(buffer, &n, &lead, kivo::TransferRole::kPc);
    case 5:
      return link.Receive1Record(buffer, &n, &lead, kivo::TransferRole::kOrganizer);
    case 6:
      return link.GetAllRecords(buffer, &n, id, kivo::TransferRole::kPc, nullptr, check);
    case 7:
      return link.GetAllRecords(buffer, &n, id, kivo::TransferRole::kOrganizer, nullptr, check);
    case 8:
      return link.GetExpenseCategory(buffer, &n, kivo::TransferRole::kPc);
    case 9:
      return link.GetExpenseCategory(buffer, &n, kivo::TransferRole::kOrganizer);
    case 10:
      return link.NegotiationForPC();
    case 11:
      return link.NegotiationForDevice();
    case 12:
    case 13: {
      const Bytes list = SampleList(id);
      const int count = id == kivo::kCategoryList ? 1 : 2;
      return link.SendAllRecords(
          list, id, count,
          procedure == 12 ? kivo::TransferRole::kPcStep : kivo::TransferRole::kOrganizer);
    }
    default:
      return link.Send1Record(SampleList(kivo::kMemo), kivo::kMemo, kivo::TransferRole::kPc);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  kivo::FuzzInput input(data, size);
  const int procedure = input.Byte() % 15;
  const uint8_t options = input.Byte();
  const uint8_t appli = input.Byte() % 8;
  const auto id = appli == 7 ? kivo::kAllAppli : static_cast<kivo::AppliId>(appli);
  const size_t buffer_size = kBufferSizes[input.Byte() % std::size(kBufferSizes)];

  kivo::FuzzCable cable(kStart, 0, (options & 1) != 0);
  kivo::CommLink& link = cable.link;
  if (options & 2) link.SetLogFileName(LogPath().string());
  if (options & 4) link.set_device_model(kivo::DeviceModel::kM);
  kivo::TelephoneCheck check;
  if (options & 8) check.records_min = 3;
  check.table_b = &kivo::FuzzCodeTables().b;
  if (options & 16) check.sort_table = &FuzzSortTable();
  kivo::LinkConfig config = link.config();
  if (options & 32) config.to_multiplier = 1;
  if ((options & 64) == 0) config.to_command = config.to_data_packet = 1500;
  link.Configure(config);
  if (!link.OpenPort(1)) std::abort();

  // Every chunk is written now and arrives at its own time.
  const uint32_t arrival = cable.Feed(input);

  std::vector<uint8_t> buffer(buffer_size);
  const int result = Run(link, procedure, id, buffer, check);
  cable.CheckEnd("procedure " + std::to_string(procedure), result, arrival, kAfterLastByteMs);
  link.ClosePort();
  if (options & 2) cable.RemoveLog(LogPath());
  return 0;
}

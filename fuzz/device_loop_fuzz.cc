// The organizer's side of the link over any bytes from the PC: the device
// side of the line-test run modes (CommRun::RunDevice, serving dump files)
// and the virtual organizer's session (VirtualOrganizer::Serve).
//
// The organizer's link sits on end 1 of an in-memory line on a manual clock;
// the PC's end 0 sends the input's bytes.
//
// Input:
//   byte 0   bit 0: 0 RunDevice, 1 the virtual organizer; bits 1-2 its model
//            (0 base, 1 E+, 2 M)
//   byte 1   options: 1 echo, 2 link log, 4 device code 1, 8 the default
//            30 s TOCommand and TODataPacket (else 1.5 s, which fuzzes many
//            times faster)
//   then     chunks of [delay in 10 ms][length][bytes] (SendChunks)
// Besides surviving, the loop must end within its time-outs of the last byte.

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "comm/comm_run.h"
#include "comm/virtual_organizer.h"
#include "fuzz_link.h"
#include "fuzz_support.h"
#include "link/comm_link.h"
#include "platform/clock.h"
#include "platform/link_defaults.h"
#include "platform/memory_line.h"
#include "platform/message_queue.h"
#include "store/appli_store.h"
#include "store/backup_file.h"
#include "store/dump_file.h"
#include "store/record_codec.h"

namespace {

using Bytes = std::vector<uint8_t>;

constexpr uint32_t kStart = 2000000;
constexpr uint32_t kAfterLastByteMs = 150000;

// A few records the device side serves (the category list comes along with
// its default names).
kivo::FuzzRecords Records() {
  kivo::ScheduleRecord schedule;
  schedule.date = kivo::BcdDate::FromYmd(2002, 1, 3);
  schedule.description = "Conference call";
  kivo::FuzzRecords records = kivo::FuzzSampleRecords();
  records.emplace_back(kivo::kSchedule, kivo::EncodeScheduleRecord(schedule));
  return records;
}

// A directory of this process with the dump files RunDevice serves; what it
// receives lands there too.
const std::filesystem::path& DumpDir() {
  static const std::filesystem::path dir = [] {
    std::error_code error;
    std::filesystem::path base = "/dev/shm";
    if (!std::filesystem::is_directory(base, error)) base = std::filesystem::temp_directory_path();
    std::filesystem::path made = base / ("kivo_fuzz_device_" + std::to_string(getpid()));
    std::filesystem::create_directories(made, error);
    kivo::AppliStore store(kivo::CodeTables::Identity());
    if (store.GetAppliBuf(kivo::kStoreSlots) != kivo::kStoreOk) std::abort();
    kivo::PutFuzzRecords(store, Records());
    for (kivo::AppliId id : {kivo::kMemo, kivo::kTelephone, kivo::kSchedule, kivo::kCategoryList}) {
      if (kivo::WriteDumpFile(store, made / kivo::DumpFileName(id, ".snd"), id) != 0) std::abort();
    }
    static const std::filesystem::path remove_at_exit = made;
    std::atexit([] {
      std::error_code ignored;
      std::filesystem::remove_all(remove_at_exit, ignored);
    });
    return made;
  }();
  return dir;
}

// The virtual organizer's records as a backup file image for the family.
const Bytes& OrganizerImage(uint8_t device_high) {
  static Bytes images[3];
  Bytes& image = images[device_high % 3];
  if (image.empty()) {
    kivo::AppliStore store(kivo::CodeTables::Identity());
    if (store.GetAppliBuf(kivo::kStoreSlots) != kivo::kStoreOk) std::abort();
    store.SetDeviceCode(device_high, 0);
    kivo::PutFuzzRecords(store, Records());
    image = kivo::EncodeBackupFile(store, true, kivo::BackupBlocks::kAllPresent);
  }
  return image;
}

std::filesystem::path LogPath() {
  return std::filesystem::temp_directory_path() /
         ("kivo_fuzz_device_" + std::to_string(getpid()) + ".log");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static kivo::MemoryFile organizer_file("organizer");
  kivo::FuzzInput input(data, size);
  const uint8_t loop = input.Byte();
  const uint8_t options = input.Byte();
  const bool virtual_organizer = (loop & 1) != 0;
  const int device_code = (options & 4) != 0 ? 1 : 2;

  kivo::FuzzCable cable(kStart, 1, (options & 1) != 0);
  kivo::CommLink& link = cable.link;
  if (options & 2) link.SetLogFileName(LogPath().string());
  if ((options & 8) == 0) {
    kivo::LinkConfig config = link.config();
    config.to_command = config.to_data_packet = 1500;
    link.Configure(config);
  }
  if (!link.OpenPort(1)) std::abort();

  const uint32_t arrival = cable.Feed(input);

  int result;
  if (virtual_organizer) {
    kivo::VirtualOrganizerOptions settings;
    const int model = (loop >> 1) & 3;
    settings.model = model == 2   ? kivo::VirtualModel::kM
                     : model == 1 ? kivo::VirtualModel::kBaseSecond
                                  : kivo::VirtualModel::kBase;
    settings.device_code = device_code;
    settings.tables = kivo::FuzzTables();
    kivo::VirtualOrganizer organizer(settings);
    organizer_file.Write(OrganizerImage(static_cast<uint8_t>(device_code)));
    if (!organizer.LoadFile(organizer_file.path())) std::abort();
    result = organizer.Serve(link);
  } else {
    kivo::AppliStore store(kivo::FuzzCodeTables());
    kivo::CommRun run(link);
    run.context().store = &store;
    run.set_data_dir(DumpDir());
    run.SetDeviceCode(device_code);
    result = run.RunDevice();
  }

  cable.CheckEnd(virtual_organizer ? "virtual" : "device", result, arrival, kAfterLastByteMs);
  link.ClosePort();
  if (options & 2) cable.RemoveLog(LogPath());
  return 0;
}

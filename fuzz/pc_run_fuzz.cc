// Whole communication runs on the PC's side (Backup, Restore, Upload,
// Download, the single steps, SEND, DELETE_ALL_RECORDS, the negotiation)
// against any organizer bytes, through CommRun::RunCommunication.
//
// The PC's link sits on end 0 of an in-memory line on a manual clock; the
// organizer's end 1 sends the input's bytes.
//
// Input:
//   byte 0   the run mode (see kModes)
//   byte 1   options: 1 echo, 2 link log, 4 backup to a file, 8 the default
//            30 s time-outs (else 1.5 s), 16 base-model telephone checks
//   byte 2   the application (0..6, 7 and above: all)
//   then     chunks of [delay in 10 ms][length][bytes] (SendChunks)
// Besides surviving within its time-outs, a run that received records must
// leave a store that saves as a backup file and loads back whole: what the
// organizer delivered must survive the next start of the program.

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "comm/comm_run.h"
#include "comm/link_settings.h"
#include "fuzz_link.h"
#include "fuzz_support.h"
#include "link/comm_link.h"
#include "link/link_observer.h"
#include "platform/clock.h"
#include "platform/link_defaults.h"
#include "platform/memory_line.h"
#include "platform/message_queue.h"
#include "store/appli_store.h"
#include "store/backup_file.h"
#include "store/record_codec.h"

namespace {

using Bytes = std::vector<uint8_t>;

constexpr uint32_t kStart = 3000000;
// A full backup waits for seven applications and the model query.
constexpr uint32_t kAfterLastByteMs = 300000;
constexpr kivo::RunMode kModes[] = {kivo::RunMode::kBackup,      kivo::RunMode::kUpload,
                                    kivo::RunMode::kRestore,     kivo::RunMode::kDownload,
                                    kivo::RunMode::kBackupStep,  kivo::RunMode::kRestoreStep,
                                    kivo::RunMode::kSendRecord,  kivo::RunMode::kDeleteAll,
                                    kivo::RunMode::kNegotiation, kivo::RunMode::kSendAck};

class QuietWindow : public kivo::LinkObserver {};

void FillStore(kivo::AppliStore& store) {
  if (store.GetAppliBuf(kivo::kStoreSlots) != kivo::kStoreOk) std::abort();
  kivo::ExpenseRecord expense;
  expense.date = kivo::BcdDate::FromYmd(2002, 1, 2);
  expense.memo = "Car wash";
  kivo::FuzzRecords records = kivo::FuzzSampleRecords();
  records.emplace_back(kivo::kExpense, kivo::EncodeExpenseRecord(expense));
  kivo::PutFuzzRecords(store, records);
  store.EnsureAllAppli();
}

// The store written as the working data file and read back must hold the
// same records.
void CheckSavable(const kivo::AppliStore& store) {
  if (store.CheckDuplicates() != kivo::kStoreOk) std::abort();
  for (bool scramble : {false, true}) {
    const Bytes image = kivo::EncodeBackupFile(store, scramble, kivo::BackupBlocks::kWithRecords);
    kivo::AppliStore again(store.code_tables());
    if (again.GetAppliBuf(kivo::kStoreSlots) != kivo::kStoreOk) std::abort();
    again.SetDeviceCode(store.device_code()[0], store.device_code()[1]);
    if (kivo::DecodeBackupFile(again, image) != kivo::kStoreOk) std::abort();
    for (int id = 0; id < 7; ++id) {
      const auto appli = static_cast<kivo::AppliId>(id);
      const int count = store.GetRecordCount(appli);
      if (count > 0 && again.GetRecordCount(appli) != count) std::abort();
    }
  }
}

std::filesystem::path ScratchFile(const char* name) {
  return std::filesystem::temp_directory_path() /
         ("kivo_fuzz_pc_" + std::to_string(getpid()) + name);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  kivo::FuzzInput input(data, size);
  const kivo::RunMode mode = kModes[input.Byte() % std::size(kModes)];
  const uint8_t options = input.Byte();
  const uint8_t appli = input.Byte() % 8;

  kivo::FuzzCable cable(kStart, 0, (options & 1) != 0);
  kivo::CommLink& link = cable.link;

  kivo::AppliStore store(kivo::FuzzCodeTables());
  FillStore(store);
  QuietWindow window;
  kivo::CommRun run(link);
  kivo::RunContext& context = run.context();
  context.store = &store;
  context.observer = &window;
  context.appli_mode = appli == 7 ? kivo::kAllAppli : appli;
  if (options & 2) link.SetLogFileName(ScratchFile(".log").string());
  if (options & 4) context.file_name = ScratchFile(".bkf").string();
  if ((options & 8) == 0) {
    kivo::LinkConfig config = link.config();
    config.to_command = config.to_data_packet = 1500;
    link.Configure(config);
  }
  static kivo::SortTable sort_table = kivo::FuzzTables().sort[0];
  if (options & 16) {
    context.telephone_check.records_min = 3;
    context.telephone_check.sort_table = &sort_table;
  }
  context.telephone_check.table_b = &kivo::FuzzCodeTables().b;

  const uint32_t arrival = cable.Feed(input);
  const int result = run.RunCommunication(mode);

  cable.CheckEnd("run mode " + std::to_string(static_cast<int>(mode)), result, arrival,
                 kAfterLastByteMs);
  if (link.is_open()) std::abort();  // every run ends with the port closed
  if (result == kivo::kResultSuccess && (options & 4) == 0) CheckSavable(store);
  if (options & 2) cable.RemoveLog(ScratchFile(".log"));
  if (options & 4) {
    std::error_code error;
    std::filesystem::remove(ScratchFile(".bkf"), error);
  }
  return 0;
}

// CommRun: the dump files of the line-test modes, and the device side that
// plays the organizer for a PC on the other end of the line.

#include <filesystem>
#include <system_error>

#include "comm/comm_run.h"
#include "store/appli_store.h"
#include "store/dump_file.h"

namespace kivo {
namespace {

// The dump-file steps re-allocate the store with this many slots: the
// application and, for Expense, room for one more.
constexpr int kDumpSlots = 2;
// How long the PC waits for an answer to GET_DEVICE_INFORMATION.
constexpr int kModelQueryWaitMs = 1000;

}  // namespace

ResultCode CommRun::SendDumpFile(TransferRole role) {
  AppliStore& store = *context_.store;
  if (store.GetAppliBuf(kDumpSlots) < 0) {
    Log("!!! GetAppliBuf Err");
    return kResultIoError;
  }
  const std::string path = DumpPath(".snd").string();
  if (ReadDumpFile(store, path, AppliWireCode(context_.appli_mode)) < 0) {
    Log(FormatText("!!! File(%s) Read Err\n\n", path));
    store.FreeAppliBuf();
    return kResultNotCompatible;
  }
  Log(FormatText("<<====Read File (%s)\n\n", path));
  const ResultCode r = SendAppli(AppliWireCode(context_.appli_mode), role);
  store.FreeAppliBuf();
  return r;
}

ResultCode CommRun::ReceiveDumpFile(TransferRole role) {
  AppliStore& store = *context_.store;
  if (store.GetAppliBuf(kDumpSlots) < 0) {
    Log("!!! GetAppliBuf Err");
    return kResultIoError;
  }
  const ResultCode r =
      ReceiveAppli(AppliWireCode(context_.appli_mode), store, role, context_.telephone_check);
  if (r != kResultSuccess) {
    store.FreeAppliBuf();
    return r;
  }
  const std::string path = DumpPath(".rcv").string();
  std::error_code ec;
  std::filesystem::remove(path, ec);
  if (WriteDumpFile(store, path, AppliWireCode(context_.appli_mode)) < 0) {
    Log(FormatText("!!! Dump File(%s) Write Err\n\n", path));
    store.FreeAppliBuf();
    return kResultIoError;
  }
  Log(FormatText("====>>Write File (%s)\n\n", path));
  store.FreeAppliBuf();
  return kResultSuccess;
}

ResultCode CommRun::RunDevice() {
  ResultCode r = link_.NegotiationForDevice(context_.observer);
  if (r != kResultSuccess) return r;
  // The PC asks GET_DEVICE_INFORMATION right after the handshake to tell the
  // M model; this organizer is a base model and lets the question pass
  // unanswered. Taken as an ordinary command, it would end the session.
  r = link_.WaitCommand(kGetDeviceInformation, nullptr, nullptr, kModelQueryWaitMs, 0);
  if (r == kResultSuccess) {
    Log("---HDD receives GET_DEVICE_INFORMATION\n\n");
  } else if (r != kResultTimeout) {
    return r;
  }
  for (;;) {
    std::array<uint8_t, 2> params{};
    int code = 0;
    r = link_.WaitCommand(kAnyCommand, &params, &code);
    if (r != kResultSuccess) return r;
    switch (code) {
      case kAck:
        Log("---HDD receives ACK\n\n");
        r = link_.SendCommand(kAck);
        if (r != kResultSuccess) return r;
        Log("---HDD sends ACK\n\n");
        break;
      case kEndCommunication:
        Log("---HDD receives END_COMMUNICATION\n\n");
        // An OK box has one answer.
        (void)Box("BYE!!", program_name_, PromptIcon::kNone, PromptButtons::kOk);
        return kResultSuccess;
      case kSend1Record:
        Log("---HDD receives SEND_1_RECORD\n\n");
        r = ReceiveDumpFile(TransferRole::kOrganizer);
        if (r != kResultSuccess) return r;
        break;
      case kDeleteAllRecords:
        Log("---HDD receives DELETE_ALL_RECORDS\n\n");
        r = link_.SendCommand(kAck);
        if (r != kResultSuccess) return r;
        Log("---HDD sends ACK\n\n");
        break;
      case kGetAllRecords:
        Log("---HDD receives GET_ALL_RECORDS\n\n");
        context_.appli_mode = params[0] >= 1 && params[0] <= 5 && params[1] == 0 ? params[0] : 0;
        r = SendDumpFile(TransferRole::kOrganizer);
        if (r != kResultSuccess) return r;
        break;
      case kGetExpenseCategory:
        Log("---HDD receives GET_EXPENSE_CATEGORY\n\n");
        context_.appli_mode = kCategoryList;
        r = SendDumpFile(TransferRole::kOrganizer);
        if (r != kResultSuccess) return r;
        break;
      case kSendExpenseCategory:
        Log("---HDD receives SEND_EXPENSE_CATEGORY\n\n");
        context_.appli_mode = kCategoryList;
        r = ReceiveDumpFile(TransferRole::kOrganizer);
        if (r != kResultSuccess) return r;
        break;
      case kNack:
        Log("---HDD receives NACK\n\n");
        // An OK box has one answer.
        (void)Box("BYE!!", program_name_, PromptIcon::kNone, PromptButtons::kOk);
        return kResultSuccess;
      default:
        Log("---!!!Receive Unknown Command\n\n");
        return kResultIoError;
    }
  }
}

}  // namespace kivo

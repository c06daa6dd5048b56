// CommRun: one communication run from "##### START COMMUNICATION #####" to its
// end, the run-mode table, and the common failure path.

#include "comm/comm_run.h"

#include <cstdio>
#include <system_error>

#include "comm/link_settings.h"
#include "platform/link_defaults.h"
#include "store/appli_store.h"
#include "store/dump_file.h"

namespace kivo {
namespace {

std::string ProgramFileName() {
  std::error_code ec;
  std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec || exe.empty()) return "kivo-link";
  return exe.stem().string();
}

}  // namespace

std::string FormatText(const char* pattern, int value) {
  char text[256];
  std::snprintf(text, sizeof text, pattern, value);
  return text;
}

std::string FormatText(const char* pattern, const std::string& value) {
  int size = std::snprintf(nullptr, 0, pattern, value.c_str());
  if (size <= 0) return pattern;
  std::string text(static_cast<size_t>(size) + 1, '\0');
  std::snprintf(text.data(), text.size(), pattern, value.c_str());
  text.resize(static_cast<size_t>(size));
  return text;
}

uint8_t AppliWireCode(int appli_mode) {
  return appli_mode >= 0 && appli_mode <= kCategoryList ? static_cast<uint8_t>(appli_mode)
                                                        : kAllAppli;
}

CommRun::CommRun(CommLink& link) : link_(link), program_name_(ProgramFileName()) {}

void CommRun::SetAppliMode(int appli_mode) {
  if ((appli_mode >= 0 && appli_mode <= kCategoryList) || appli_mode == kAllAppli) {
    context_.appli_mode = appli_mode;
    return;
  }
  Log("!!! Appli ID Err (Pass)");
}

void CommRun::SetDeviceCode(int device_code) {
  const uint8_t high = DeviceCodeHigh(device_code);
  if (context_.store != nullptr) {
    context_.store->SetDeviceCode(high, 0);
  } else {
    Log("!!! SetDeviceCode Err (Pass)");
  }
  LinkConfig config = link_.config();
  config.device_code_high = high;
  config.device_code_low = 0;
  link_.Configure(config);
}

PromptAnswer CommRun::Box(std::string text, std::string caption, PromptIcon icon,
                          PromptButtons buttons) {
  Prompter* prompter = context_.prompter;
  PromptBox box{std::move(text), std::move(caption), icon, buttons};
  if (prompter == nullptr) return SilentPrompter().Ask(box);
  return prompter->Ask(box);
}

int CommRun::ElapsedSeconds(uint32_t start) const {
  return static_cast<int>((link_.clock().NowMs() - start) / 1000);
}

ResultCode CommRun::RunCommunication(RunMode run_mode) {
  if (context_.store == nullptr || context_.observer == nullptr) return kResultIoError;
  Log("##### START COMMUNICATION #####\n\n", true);
  try {
    if (!link_.OpenPort(-1) || !link_.is_open()) {
      Log("!!!Can't Open COM Port\n\n");
      throw StepFailed{link_.result()};
    }
    // A run mode counts by its low byte.
    Must(RunSteps(static_cast<RunMode>(static_cast<int>(run_mode) & 0xFF)));
  } catch (const StepFailed& failed) {
    return EndFailedRun(failed.code);
  }
  // The run succeeded; a line whose settings cannot be restored is closed
  // all the same.
  (void)link_.ClosePort();
  Log("##### END COMMUNICATION #####\n\n");
  return kResultSuccess;
}

ResultCode CommRun::EndFailedRun(ResultCode code) {
  // The organizer learns that the run is over even when the user aborted:
  // every send purges the abort flag first. A second press of Abort still
  // waiting in the queue would stop these sends too, so it is taken now.
  // The results of this farewell are dropped on purpose: the run already
  // failed with `code`, and a line too broken for NACK changes nothing.
  while (!link_.message_queue().Empty()) (void)link_.PollAbort();
  (void)link_.SendCommand(kNack);
  Log("---PC sends NACK\n\n");
  (void)link_.SendCommand(kEndCommunication);
  Log("---PC sends END_COMMUNICATION\n\n");
  (void)link_.ClosePort();
  return code;
}

ResultCode CommRun::RunSteps(RunMode run_mode) {
  const char* success = nullptr;
  switch (run_mode) {
    case RunMode::kNegotiation:
      Must(link_.NegotiationForPC(kNegotiationTimeOutMs, -1, context_.observer));
      success = "SUCCESS Negotiation";
      break;
    case RunMode::kBackupAlias:
    case RunMode::kBackup:
    case RunMode::kUpload:
      Backup(TransferRole::kPc);
      break;
    case RunMode::kRestoreAlias:
    case RunMode::kRestore:
    case RunMode::kDownload:
      Restore(TransferRole::kPc);
      break;
    case RunMode::kBackupStep:
      Backup(TransferRole::kPcStep);
      break;
    case RunMode::kRestoreStep:
      Restore(TransferRole::kPcStep);
      break;
    case RunMode::kSendRecord:
      Must(link_.NegotiationForPC(kNegotiationTimeOutMs, -1, context_.observer));
      Must(SendAppli(AppliWireCode(context_.appli_mode), TransferRole::kPc));
      Must(link_.SendCommand(kEndCommunication));
      if (link_.logging()) success = "SUCCESS Send 1 Record";
      break;
    case RunMode::kSendAck:
      Must(link_.SendCommand(kAck));
      Must(link_.WaitCommand(kAnyCommand));
      success = "SUCCESS send ACK";
      break;
    case RunMode::kSendNack:
      Must(link_.SendCommand(kNack));
      success = "SUCCESS send NACK";
      break;
    case RunMode::kSendEnd:
      Must(link_.SendCommand(kEndCommunication));
      success = "SUCCESS send END_COMMUNICATION";
      break;
    case RunMode::kSendDump:
      Must(SendDumpFile(TransferRole::kPcStep));
      success = "SUCCESS SEND_1_RECORD";
      break;
    case RunMode::kDeleteAll:
      Must(link_.SendCommand(kDeleteAllRecords, AppliWireCode(context_.appli_mode), 0));
      Must(link_.WaitCommand(kAck));
      success = "SUCCESS DELETE_ALL_RECORDS";
      break;
    case RunMode::kReceiveDump:
      Must(ReceiveDumpFile(TransferRole::kPcStep));
      success = "SUCCESS GET_ALL_RECORDS";
      break;
    case RunMode::kReceiveCategoryDump:
      Must(ReceiveDumpFile(TransferRole::kPcStep));
      success = "SUCCESS GET_EXPENSE_CATEGORY";
      break;
    case RunMode::kSendCategoryDump:
      Must(SendDumpFile(TransferRole::kPcStep));
      success = "SUCCESS SEND_EXPENSE_CATEGORY";
      break;
    case RunMode::kDevice:
      Must(RunDevice());
      break;
    default:
      Log("Unknown RunMode\n\n");
      return kResultIoError;
  }
  if (success != nullptr) {
    // An OK box has one answer.
    (void)Box(success, program_name_, PromptIcon::kNone, PromptButtons::kOk);
  }
  return kResultSuccess;
}

std::filesystem::path CommRun::DumpPath(std::string_view extension) const {
  return data_dir_ / DumpFileName(AppliWireCode(context_.appli_mode), extension);
}

}  // namespace kivo

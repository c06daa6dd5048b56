#include "comm/progress_run.h"

#include <cstdio>
#include <system_error>

#include "platform/link_defaults.h"

namespace kivo {

ProgressRun::ProgressRun(Clock* clock)
    : link_(1, kLinkBaudRate, clock),
      run_(link_),
      own_store_(std::make_unique<AppliStore>(CodeTables::Identity())) {
  link_.SetMessageQueue(&queue_);
}

ProgressRun::~ProgressRun() {
  if (worker_.joinable()) {
    Abort();
    worker_.join();
  }
  // Going away: a line whose settings cannot be restored is closed all the same.
  (void)link_.ClosePort();
}

std::string SettingsDump(const LinkSettings& s) {
  char text[512];
  std::snprintf(text, sizeof text,
                "===== Start Settings =====\nRunMode=%d\nAppliMode=%d\nDeviceCode=%d\nCOMPort=%d\n"
                "FileName=",
                static_cast<int>(s.run_mode), s.appli_mode, s.device_code, s.com_port);
  std::string dump = text;
  dump += s.file_name;
  dump += "\nLogFileName=";
  dump += s.log_file_name;
  std::snprintf(text, sizeof text,
                "\nEchoBack=%d\nFileScramble=%d\nTOCommand=%ld\nTODataPacket=%ld\n"
                "TOMultiplier=%ld\n===== End Settings =====\n\n",
                s.echo_back, s.file_scramble, s.to_command, s.to_data_packet, s.to_multiplier);
  dump += text;
  return dump;
}

void ProgressRun::ApplyLinkSettings(const LinkSettings& s) {
  // A run that reads or writes a file of its own works on the spare store. So
  // do the dump-file modes and the device side, which re-allocate the store
  // they work on: a store handed over would lose its records.
  const auto mode = static_cast<RunMode>(static_cast<int>(s.run_mode) & 0xFF);
  const bool dump_mode = mode == RunMode::kSendDump || mode == RunMode::kReceiveDump ||
                         mode == RunMode::kReceiveCategoryDump ||
                         mode == RunMode::kSendCategoryDump || mode == RunMode::kDevice;
  RunContext& context = run_.context();
  if (s.code_tables != nullptr) own_store_ = std::make_unique<AppliStore>(*s.code_tables);
  context.store =
      s.store != nullptr && s.file_name.empty() && !dump_mode ? s.store : own_store_.get();
  run_mode_ = s.run_mode;
  run_.SetAppliMode(s.appli_mode);
  context.applis = s.applis;
  // The link's configuration in one piece; the device code goes to the
  // store as well.
  LinkConfig config;
  config.baud_rate = s.baud_rate;
  config.echo_back = s.echo_back != 0;
  config.to_command = static_cast<int>(s.to_command);
  config.to_data_packet = static_cast<int>(s.to_data_packet);
  config.to_multiplier = static_cast<int>(s.to_multiplier);
  link_.Configure(config);
  run_.SetDeviceCode(s.device_code);

  link_.SetPortMap(s.port_map);
  if (s.port_factory) link_.SetSerialPortFactory(s.port_factory);
  if (s.port_name.empty()) {
    link_.SetPortName(std::to_string(s.com_port));
  } else {
    link_.SetPortName(s.port_name);
  }
  context.file_name = s.file_name;
  context.free_space = s.free_space;
  link_.SetLogFileName(s.log_file_name);

  context.file_scramble = s.file_scramble != 0;
  context.telephone_check = {s.tel_records_min, s.sort_table,
                             s.code_tables != nullptr ? &s.code_tables->b : nullptr};
  if (!s.data_dir.empty()) run_.set_data_dir(s.data_dir);
  run_.set_safe(s.safe);

  link_.WriteLogIfEnabled(SettingsDump(s), true);
}

bool ProgressRun::Start(LinkObserver* window, Prompter* prompter) {
  if (started_.load()) return false;
  run_.context().observer = window;
  run_.context().prompter = prompter;
  // Set before the thread exists: the window may abort from its first note.
  started_.store(true);
  try {
    worker_ = std::thread([this, window] {
      const ResultCode r = run_.RunCommunication(run_mode_);
      result_ = r;
      finished_.store(true);
      if (window == nullptr) return;
      if (r == kResultSuccess) {
        window->OnRunDone(r);
      } else {
        window->OnRunFailed(r);
      }
    });
  } catch (const std::system_error&) {
    started_.store(false);
    return false;
  }
  return true;
}

void ProgressRun::Abort() {
  if (started_.load()) queue_.Post({kWmLinkAbort, 0, 0});
}

ResultCode ProgressRun::Wait() {
  if (worker_.joinable()) worker_.join();
  return result_;
}

}  // namespace kivo

#include "support/run_pair.h"

#include <utility>

#include <gtest/gtest.h>

namespace kivo {

RunPair::RunPair(uint32_t time_factor)
    : pair_(time_factor), pc_(std::in_place, &pair_.clock()), device_(&pair_.clock()) {}

RunPair::~RunPair() {
  pc_.reset();
  if (script_.valid()) (void)script_.get();  // its result was not asked for
}

SerialPortFactory RunPair::EndFactory(int end) {
  MemoryLine* line = &pair_.line();
  return [line, end](const PortSpec&, Clock&) -> std::unique_ptr<SerialPort> {
    return line->MakeEnd(end);
  };
}

LinkSettings RunPair::PcSettings(RunMode run_mode, int appli_mode, AppliStore* store) {
  LinkSettings s;
  s.run_mode = run_mode;
  s.appli_mode = appli_mode;
  s.store = store;
  return s;
}

bool RunPair::StartPc(LinkSettings s, LinkObserver* window) {
  if (!s.port_factory) s.port_factory = EndFactory(0);
  pc_->ApplyLinkSettings(s);
  return pc_->Start(window != nullptr ? window : &observer, &prompter);
}

int RunPair::RunPc(const LinkSettings& s) {
  EXPECT_TRUE(StartPc(s));
  return pc_->Wait();
}

bool RunPair::StartDevice(LinkSettings s) {
  s.run_mode = RunMode::kDevice;
  s.port_factory = EndFactory(1);
  device_.ApplyLinkSettings(s);
  return device_.Start(&device_observer_, &device_prompter);
}

bool RunPair::StartScript(std::function<int(CommLink&)> script, long to_command) {
  LinkConfig config = pair_.organizer().config();
  config.to_command = static_cast<int>(to_command);
  pair_.organizer().Configure(config);
  if (!pair_.organizer().OpenPort(1)) return false;
  script_ = pair_.RunOrganizer(std::move(script));
  return true;
}

RunPair::Outcome RunPair::RunAgainst(const LinkSettings& s, std::function<int(CommLink&)> script,
                                     long to_command) {
  EXPECT_TRUE(StartScript(std::move(script), to_command));
  const int pc = RunPc(s);
  return {pc, WaitScript(), pc_->run().context().appli_mode, pc_->link().is_open()};
}

}  // namespace kivo

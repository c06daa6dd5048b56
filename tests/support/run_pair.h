#ifndef KIVO_TESTS_SUPPORT_RUN_PAIR_H_
#define KIVO_TESTS_SUPPORT_RUN_PAIR_H_

// Whole communication runs with both sides in the test: the PC's run and an
// organizer on one in-memory cable, each on its own thread, and what each
// side ended with.

#include <cstdint>
#include <functional>
#include <future>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "comm/link_settings.h"
#include "comm/progress_run.h"
#include "platform/prompter.h"
#include "support/organizer_pair.h"
#include "support/scripted.h"

namespace kivo {

// A window that wants to hear nothing.
class QuietWindow : public LinkObserver {};

// The PC on end 0 of the cable (it echoes what the PC sends), the organizer on
// end 1. The PC side is a ProgressRun, or the bare link for tests that play
// the PC by hand; the organizer is a second run in RunDevice mode, or a bare
// link playing a script. Whatever still runs is waited for at the end.
class RunPair {
 public:
  // What both sides ended with, and the PC link's state afterwards.
  struct Outcome {
    int pc;
    int organizer;
    int appli_mode_after;
    bool open_after;
  };

  explicit RunPair(uint32_t time_factor = 20);
  ~RunPair();

  // Settings of a PC run; StartPc puts it on the cable.
  static LinkSettings PcSettings(RunMode run_mode, int appli_mode, AppliStore* store = nullptr);
  // Starts the PC run with `s`, on this cable unless `s` names a port
  // factory of its own. Its notes go to `window`, or to `observer`.
  bool StartPc(LinkSettings s, LinkObserver* window = nullptr);
  // Runs the PC side to its end: its result.
  int RunPc(const LinkSettings& s);
  // Ends the PC run as closing its window does: aborted, then gone.
  void ClosePc() { pc_.reset(); }

  // Starts RunDevice with `s` (run mode and port are set here).
  bool StartDevice(LinkSettings s);
  int WaitDevice() { return device_.Wait(); }

  // Opens the organizer link and plays `script` on it on its own thread,
  // waiting at most `to_command` ms for each command.
  bool StartScript(std::function<int(CommLink&)> script, long to_command = 30000);
  int WaitScript() { return script_.get(); }
  // The PC run with `s` against `script`: both results.
  Outcome RunAgainst(const LinkSettings& s, std::function<int(CommLink&)> script,
                     long to_command = 30000);

  ProgressRun& pc() { return *pc_; }
  // The PC's bare link, for a test that plays the PC against RunDevice.
  CommLink& pc_link() { return pair_.pc(); }

  // What the PC run told its window and the boxes each side showed.
  RecordingObserver observer;
  ScriptedPrompter prompter;
  ScriptedPrompter device_prompter;

 private:
  SerialPortFactory EndFactory(int end);

  RecordingObserver device_observer_;
  OrganizerPair pair_;
  std::optional<ProgressRun> pc_;
  ProgressRun device_;
  std::future<int> script_;
};

}  // namespace kivo

#endif  // KIVO_TESTS_SUPPORT_RUN_PAIR_H_

#include "terminal_run.h"

#include <signal.h>

#include <chrono>
#include <csignal>
#include <ostream>
#include <thread>

#include "comm/link_event_queue.h"
#include "comm/progress_state.h"

namespace kivo::cli {
namespace {

constexpr int kBarWidth = 30;
constexpr auto kPollInterval = std::chrono::milliseconds(50);

volatile std::sig_atomic_t g_interrupts = 0;

extern "C" void OnInterrupt(int) { g_interrupts = 1; }

// Ctrl+C while a run is going: the first one is caught (and the handler
// removes itself, so a second one ends the program), the old handling comes
// back when the run is over.
class InterruptGuard {
 public:
  InterruptGuard() {
    g_interrupts = 0;
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESETHAND;
    installed_ = sigaction(SIGINT, &action, &previous_) == 0;
  }
  ~InterruptGuard() {
    if (installed_) sigaction(SIGINT, &previous_, nullptr);
  }
  InterruptGuard(const InterruptGuard&) = delete;
  InterruptGuard& operator=(const InterruptGuard&) = delete;

  bool interrupted() const { return g_interrupts != 0; }

 private:
  struct sigaction previous_ {};
  bool installed_ = false;
};

}  // namespace

void TerminalLine::Draw(const std::string& status, int position) {
  std::lock_guard lock(mutex_);
  if (!terminal_ || prompting_) return;
  err_ << "\r" << status;
  if (position >= 0) {
    const int filled = std::min(position, 100) * kBarWidth / 100;
    err_ << (status.empty() ? "" : " ") << "[" << std::string(static_cast<size_t>(filled), '#')
         << std::string(static_cast<size_t>(kBarWidth - filled), '-') << "] " << position << "%";
  }
  err_ << "\x1b[K" << std::flush;
  drawn_ = true;
}

void TerminalLine::Clear() {
  std::lock_guard lock(mutex_);
  if (drawn_) err_ << "\r\x1b[K" << std::flush;
  drawn_ = false;
}

void TerminalLine::BeginPrompt() {
  Clear();
  std::lock_guard lock(mutex_);
  prompting_ = true;
}

void TerminalLine::EndPrompt() {
  std::lock_guard lock(mutex_);
  prompting_ = false;
}

PromptAnswer LinePrompter::Ask(const PromptBox& box) {
  line_.BeginPrompt();
  const PromptAnswer answer = inner_.Ask(box);
  line_.EndPrompt();
  return answer;
}

namespace {

// Hands each event of a run to `on_event` until the run's end arrives,
// turning the first Ctrl+C into `abort`; whether it did.
template <typename Abort, typename OnEvent>
bool Follow(LinkEventQueue& events, InterruptGuard& interrupts, Abort abort, OnEvent on_event) {
  bool abort_posted = false;
  for (;;) {
    if (interrupts.interrupted() && !abort_posted) {
      abort();
      abort_posted = true;
    }
    std::optional<LinkEvent> event = events.Next(kPollInterval);
    if (!event) continue;
    on_event(*event);
    if (LinkEventQueue::IsEnd(*event)) return abort_posted;
  }
}

}  // namespace

ResultCode RunWithProgress(ProgressRun& run, TerminalLine& line, Prompter& prompter) {
  InterruptGuard interrupts;
  LinkEventQueue events;
  if (!run.Start(&events, &prompter)) {
    // Told like the desktop program tells it; the message is then out.
    (void)prompter.Ask(
        {"Cannot start download.", "Error", PromptIcon::kExclamation, PromptButtons::kOk});
    return kResultGaveUp;
  }
  ProgressState state(run.run_mode());
  const bool abort_posted = Follow(
      events, interrupts, [&run] { run.Abort(); },
      [&](const LinkEvent& event) {
        bool redraw = false;
        if (event.kind == kWmLinkStatus) {
          redraw = state.OnStatus(event.value, event.source);
        }
        if (event.kind == kWmLinkProgress) {
          redraw = state.OnProgress(event.value, event.source);
        }
        if (redraw) line.Draw(state.status_text(), state.position());
      });
  const ResultCode result = run.Wait();
  line.Clear();
  // Ctrl+C in the middle of a send breaks the write or its echo, which the
  // link counts as a line error; the user aborted all the same.
  if (abort_posted && result != kResultSuccess) return kResultAborted;
  return result;
}

ResultCode DetectWithProgress(DetectRun& run, TerminalLine& line) {
  InterruptGuard interrupts;
  LinkEventQueue events;
  if (!run.Start(&events)) return kResultDetectFailed;
  (void)Follow(
      events, interrupts, [&run] { run.Abort(); },
      [&line](const LinkEvent& event) {
        if (event.kind != kWmDetectStatus) return;
        line.Draw("Auto Detect in progress... Checking " +
                      (IsComPortNumber(event.value) ? PortKey(event.value) : event.text),
                  -1);
      });
  const ResultCode result = run.Wait();
  events.Close();
  line.Clear();
  return result;
}

}  // namespace kivo::cli

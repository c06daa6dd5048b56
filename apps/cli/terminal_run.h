#ifndef KIVO_APPS_CLI_TERMINAL_RUN_H_
#define KIVO_APPS_CLI_TERMINAL_RUN_H_

#include <iosfwd>
#include <mutex>
#include <string>
#include <vector>

#include "comm/detect_run.h"
#include "comm/link_run.h"
#include "link/comm_link.h"
#include "platform/prompter.h"

namespace kivo::cli {

// The progress window of the command-line tool: one line on the error
// stream, redrawn in place, with the status text and a bar that follow the
// progress rules of the run mode. Drawn only when the error stream is a
// terminal; otherwise nothing of it appears.
class TerminalLine {
 public:
  TerminalLine(std::ostream& err, bool terminal) : err_(err), terminal_(terminal) {}

  bool terminal() const { return terminal_; }
  // Draws the line (nothing while a prompt is up or off a terminal).
  void Draw(const std::string& status, int position);
  // Wipes the line so that other text can follow.
  void Clear();
  // A prompt owns the terminal between Begin and End.
  void BeginPrompt();
  void EndPrompt();

 private:
  std::mutex mutex_;
  std::ostream& err_;
  bool terminal_;
  bool drawn_ = false;
  bool prompting_ = false;
};

// Message boxes of a run: the line is wiped first, and redrawing waits
// until the answer is in.
class LinePrompter : public Prompter {
 public:
  LinePrompter(TerminalLine& line, Prompter& inner) : line_(line), inner_(inner) {}
  PromptAnswer Ask(const PromptBox& box) override;

 private:
  TerminalLine& line_;
  Prompter& inner_;
};

// Starts the run (a whole communication run, or a step of a session) on its
// worker and, meanwhile, draws the progress and turns Ctrl+C into the Abort
// button: the first SIGINT posts
// the abort message (the run then ends with 0 after NACK and
// END_COMMUNICATION), a second one ends the program as usual. Returns the
// run's ResultCode; a worker that cannot be started is told as
// "Cannot start download." and gives 17 (the user has seen the failure).
[[nodiscard]] ResultCode RunWithProgress(LinkRun& run, TerminalLine& line, Prompter& prompter);

// The configured detection, with "Checking COMn" (or the device) on the
// line and Ctrl+C as the abort. Returns 1..4, 16 for a device by name, or 12.
[[nodiscard]] ResultCode DetectWithProgress(DetectRun& run, TerminalLine& line);

}  // namespace kivo::cli

#endif  // KIVO_APPS_CLI_TERMINAL_RUN_H_

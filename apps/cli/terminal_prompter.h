#ifndef KIVO_APPS_CLI_TERMINAL_PROMPTER_H_
#define KIVO_APPS_CLI_TERMINAL_PROMPTER_H_

#include <cstdio>
#include <iosfwd>

#include "platform/prompter.h"

namespace kivo::cli {

// Message boxes of the command-line tool: the caption and text go to the
// error stream. A question is answered from the input only when the input is
// a terminal; otherwise (a script, a pipe) it takes the negative answer
// (Cancel, No), so the tool never waits for an answer nobody gives.
class TerminalPrompter : public Prompter {
 public:
  TerminalPrompter(std::ostream& err, std::FILE* input);
  PromptAnswer Ask(const PromptBox& box) override;

 private:
  std::ostream& err_;
  std::FILE* input_;
  bool interactive_;
};

}  // namespace kivo::cli

#endif  // KIVO_APPS_CLI_TERMINAL_PROMPTER_H_

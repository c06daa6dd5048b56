#include "terminal_prompter.h"

#include <unistd.h>

#include <cctype>
#include <ostream>
#include <string>

namespace kivo::cli {

namespace {

struct Choice {
  char key;
  const char* word;
  PromptAnswer answer;
};

// The first choice is the positive answer, the second the negative one.
bool ChoicesOf(PromptButtons buttons, Choice* positive, Choice* negative) {
  switch (buttons) {
    case PromptButtons::kOk:
      return false;
    case PromptButtons::kOkCancel:
      *positive = {'o', "[o]k", PromptAnswer::kOk};
      *negative = {'c', "[c]ancel", PromptAnswer::kCancel};
      return true;
    case PromptButtons::kYesNo:
      *positive = {'y', "[y]es", PromptAnswer::kYes};
      *negative = {'n', "[n]o", PromptAnswer::kNo};
      return true;
    case PromptButtons::kRetryCancel:
      *positive = {'r', "[r]etry", PromptAnswer::kRetry};
      *negative = {'c', "[c]ancel", PromptAnswer::kCancel};
      return true;
  }
  return false;
}

}  // namespace

TerminalPrompter::TerminalPrompter(std::ostream& err, std::FILE* input)
    : err_(err), input_(input), interactive_(input != nullptr && isatty(fileno(input)) != 0) {}

PromptAnswer TerminalPrompter::Ask(const PromptBox& box) {
  std::string text = box.text;
  // Boxes use CR LF between lines; a terminal wants LF.
  for (size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at)) {
    text.erase(at, 1);
  }
  err_ << (box.caption.empty() ? "" : box.caption + ": ") << text << "\n";
  Choice positive{};
  Choice negative{};
  if (!ChoicesOf(box.buttons, &positive, &negative)) return PromptAnswer::kOk;
  if (!interactive_) return negative.answer;
  for (;;) {
    err_ << positive.word << "/" << negative.word << "? " << std::flush;
    int c = std::fgetc(input_);
    int first = c;
    while (c != EOF && c != '\n') c = std::fgetc(input_);
    if (first == EOF) return negative.answer;
    char key = static_cast<char>(std::tolower(first));
    if (key == positive.key) return positive.answer;
    if (key == negative.key) return negative.answer;
  }
}

}  // namespace kivo::cli

#ifndef KIVO_PLATFORM_PROMPTER_H_
#define KIVO_PLATFORM_PROMPTER_H_

#include <string>

namespace kivo {

// A message box raised by logic that runs outside the user interface (a
// communication run, an export). The desktop program shows a dialog, the
// command-line tool writes to the terminal.
enum class PromptIcon { kNone, kInformation, kExclamation, kQuestion };
enum class PromptButtons { kOk, kOkCancel, kYesNo, kRetryCancel };
enum class PromptAnswer { kOk, kCancel, kYes, kNo, kRetry };

// Text and caption are UTF-8, as the terminal and the widgets take them: a
// record text (Windows-1252) goes into a box through Cp1252ToUtf8, and a file
// name or an imported character as it is.
struct PromptBox {
  std::string text;
  std::string caption;
  PromptIcon icon = PromptIcon::kNone;
  PromptButtons buttons = PromptButtons::kOk;
  // A Yes/No question whose default button (Enter) is No: one that stops
  // something that loses records unless the user says otherwise.
  bool default_no = false;
};

class Prompter {
 public:
  virtual ~Prompter() = default;
  // Blocks until the user answers. May be called from a worker thread.
  virtual PromptAnswer Ask(const PromptBox& box) = 0;
};

// Answers every box without showing it: OK boxes with kOk, questions with the
// negative answer (kCancel, kNo). For runs without a user.
class SilentPrompter : public Prompter {
 public:
  PromptAnswer Ask(const PromptBox& box) override {
    switch (box.buttons) {
      case PromptButtons::kOk:
        return PromptAnswer::kOk;
      case PromptButtons::kYesNo:
        return PromptAnswer::kNo;
      default:
        return PromptAnswer::kCancel;
    }
  }
};

}  // namespace kivo

#endif  // KIVO_PLATFORM_PROMPTER_H_

#ifndef KIVO_TESTS_UI_BOX_SCRIPT_H_
#define KIVO_TESTS_UI_BOX_SCRIPT_H_

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include <QDialog>
#include <QString>

#include "ui/message_box.h"

namespace kivo::test {

// Answers the program's message boxes, file dialogs and modal dialogs from a
// script while it lives, and records what was asked. A box without a scripted
// answer gets the positive one (OK, Yes, Retry); a file dialog without a
// scripted path is cancelled; a dialog without a scripted step is accepted.
class BoxScript {
 public:
  BoxScript() {
    SetBoxResponder([this](QWidget*, const PromptBox& box) {
      boxes_.push_back(box);
      if (!answers_.empty()) {
        const PromptAnswer answer = answers_.front();
        answers_.pop_front();
        return answer;
      }
      switch (box.buttons) {
        case PromptButtons::kYesNo:
          return PromptAnswer::kYes;
        case PromptButtons::kRetryCancel:
          return PromptAnswer::kRetry;
        default:
          return PromptAnswer::kOk;
      }
    });
    SetFileResponder([this](const FileRequest& request) {
      files_.push_back(request);
      if (paths_.empty()) return QString();
      const QString path = paths_.front();
      paths_.pop_front();
      return path;
    });
    SetDialogResponder([this](QDialog& dialog) {
      if (dialogs_.empty()) return static_cast<int>(QDialog::Accepted);
      auto step = std::move(dialogs_.front());
      dialogs_.pop_front();
      return step(dialog);
    });
  }
  ~BoxScript() {
    SetBoxResponder({});
    SetFileResponder({});
    SetDialogResponder({});
  }
  BoxScript(const BoxScript&) = delete;
  BoxScript& operator=(const BoxScript&) = delete;

  void Answer(PromptAnswer answer) { answers_.push_back(answer); }
  void ChooseFile(const QString& path) { paths_.push_back(path); }
  void OnDialog(std::function<int(QDialog&)> step) { dialogs_.push_back(std::move(step)); }

  const std::vector<PromptBox>& boxes() const { return boxes_; }
  const std::vector<FileRequest>& files() const { return files_; }
  // "caption|text" of every box so far, and forgets them.
  std::vector<std::string> TakeBoxes() {
    std::vector<std::string> shown;
    for (const PromptBox& box : boxes_) shown.push_back(box.caption + "|" + box.text);
    boxes_.clear();
    return shown;
  }

 private:
  std::deque<PromptAnswer> answers_;
  std::deque<QString> paths_;
  std::deque<std::function<int(QDialog&)>> dialogs_;
  std::vector<PromptBox> boxes_;
  std::vector<FileRequest> files_;
};

}  // namespace kivo::test

#endif  // KIVO_TESTS_UI_BOX_SCRIPT_H_

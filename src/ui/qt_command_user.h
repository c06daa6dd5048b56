#ifndef KIVO_UI_QT_COMMAND_USER_H_
#define KIVO_UI_QT_COMMAND_USER_H_

#include "ui/command_user.h"

class QWidget;

namespace kivo {

// The commands' questions as the desktop program shows them: message boxes,
// file dialogs, the Import and history dialogs and the progress window, all
// owned by one window and going through ui/message_box.h (where tests answer
// them). UI thread only.
class QtCommandUser : public CommandUser {
 public:
  explicit QtCommandUser(QWidget* parent) : parent_(parent) {}

  PromptAnswer Ask(const PromptBox& box) override;
  std::optional<FileAnswer> ChooseFile(const FileQuestion& question) override;
  std::optional<ImportChoice> ChooseImport(AppliId shown, const std::string& dir,
                                           std::optional<CsvEncoding> encoding) override;
  HistoryChoice ChooseGeneration(std::vector<Generation> generations) override;
  int RunTransfer(const LinkSettings& settings, SafeTransferReport* report) override;
  void SetBusy(bool busy) override;

 private:
  QWidget* parent_;
};

}  // namespace kivo

#endif  // KIVO_UI_QT_COMMAND_USER_H_

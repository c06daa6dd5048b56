#ifndef KIVO_UI_QT_COMMAND_USER_H_
#define KIVO_UI_QT_COMMAND_USER_H_

#include "ui/command_user.h"

class QWidget;

namespace kivo {

// The commands' questions as the desktop program shows them: message boxes,
// file dialogs, the Import and history dialogs and the progress window, all
// owned by one window and going through ui/message_box.h (where tests answer
// them). UI thread only, but for the calls that come from a run's worker,
// which ask through the run's own prompter.
class QtCommandUser : public DesktopUser {
 public:
  explicit QtCommandUser(QWidget* parent) : parent_(parent) {}

  PromptAnswer Ask(const PromptBox& box) override;
  std::optional<FileAnswer> ChooseFile(const FileQuestion& question) override;
  std::optional<ImportChoice> ChooseImport(AppliId shown, const std::string& dir,
                                           std::optional<CsvEncoding> encoding) override;
  HistoryChoice ChooseGeneration(std::vector<Generation> generations) override;
  void SetBusy(bool busy) override;
  // Both in sync_dialogs.cc.
  bool ConfirmSync(const SyncReport& dry_run, const RowContext& context,
                   const std::string& other) override;
  std::optional<std::string> AskPassword(const std::string& target,
                                         const std::string& user) override;

  ResultCode RunTransfer(const LinkSettings& settings, SafeTransferReport* report) override;
  bool ReadyForNextRun() override;
  bool GoOnAfterSnapshot(RunMode run_mode, const std::filesystem::path& kept,
                         const std::vector<LargeRemoval>& large, Prompter& run) override;
  bool TellSnapshotNotKept(RunMode run_mode, const std::string& error_text, Prompter& run) override;
  void TellHistoryNotWritten(const std::string& error_text) override;
  void TellJournalNotWritten(const std::filesystem::path& journal,
                             const std::string& error_text) override;
  void TellSnapshotNotUsable(const std::string& why, bool new_one) override;
  AfterStop ChooseAfterStop(const RestoreResult& stopped) override;

 private:
  QWidget* parent_;
};

}  // namespace kivo

#endif  // KIVO_UI_QT_COMMAND_USER_H_

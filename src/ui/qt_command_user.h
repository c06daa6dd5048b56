#ifndef KIVO_UI_QT_COMMAND_USER_H_
#define KIVO_UI_QT_COMMAND_USER_H_

#include <functional>
#include <string>

#include <QString>

#include "commands/transfer_results.h"
#include "desktop/desktop_user.h"

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
  // Told after each link session: its mode, its result and the organizer
  // model it talked to (empty unless it went through).
  void SessionsSay(std::optional<std::string> done) override { sessions_say_ = std::move(done); }
  // `said`: the running command's word for its sessions (SessionsSay).
  using RunListener = std::function<void(RunMode, ResultCode, const QString& model,
                                         const std::optional<std::string>& said)>;
  void set_run_listener(RunListener listener) { run_listener_ = std::move(listener); }

  PromptAnswer Ask(const PromptBox& box) override;
  std::optional<FileAnswer> ChooseFile(const FileQuestion& question) override;
  std::optional<ImportChoice> ChooseImport(AppliId shown, const std::string& dir,
                                           std::optional<CsvEncoding> encoding) override;
  HistoryChoice ChooseGeneration(std::vector<Generation> generations) override;
  void SetBusy(bool busy) override;
  // Both in sync_dialogs.cc.
  bool ConfirmSyncPreview(const SyncPreviewText& preview) override;
  std::optional<std::string> AskPassword(const std::string& target,
                                         const std::string& user) override;

  ResultCode RunTransfer(const LinkSettings& settings, SafeTransferReport* report) override;
  AfterStop ChooseAfterStop(const RestoreResult& stopped) override;

 private:
  QWidget* parent_;
  RunListener run_listener_;
  std::optional<std::string> sessions_say_;
};

}  // namespace kivo

#endif  // KIVO_UI_QT_COMMAND_USER_H_

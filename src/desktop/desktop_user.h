#ifndef KIVO_DESKTOP_DESKTOP_USER_H_
#define KIVO_DESKTOP_DESKTOP_USER_H_

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "commands/command_user.h"
#include "csv/cp1252.h"
#include "desktop/sync_preview.h"
#include "history/history.h"
#include "store/appli_id.h"
#include "sync/sync_report.h"

namespace kivo {

struct AppSettings;
class MainViewModel;
struct RestoreResult;

// A file-open or file-save question. The filters are the texts of the
// dialog's filter list ("Backup Files (*.bkf)").
struct FileQuestion {
  bool save = false;
  std::string caption;
  std::string dir;
  std::vector<std::string> filters;
  int selected_filter = -1;    // the one chosen at first; -1: the first
  std::string proposed_name;   // save only; may be empty
  std::string default_suffix;  // without the dot
};

struct FileAnswer {
  std::string path;
  int filter = 0;  // the index of the filter the user left selected
};

// What the Import dialog was left with on OK.
struct ImportChoice {
  std::string file;
  int appli = -1;                       // -1: none chosen
  std::optional<CsvEncoding> encoding;  // nullopt: found from the file
};

// What File > "Backup History..." was left with.
struct HistoryChoice {
  enum class Action { kNone, kOpen, kRestore };
  Action action = Action::kNone;
  std::filesystem::path file;
};

// The box that reminds the user to make the organizer ready for a link
// session.
PromptBox ConnectionReminderBox();

// The one box of a Restore or Download that stopped after deleting on the
// organizer: why, which applications are complete and which not, what the
// organizer holds now, and the ways on (resume for a Restore, the snapshot
// back when one was kept, or leave it, with the command line that finishes
// it later).
struct RestoreStoppedBox {
  std::string caption;
  std::string text;
  bool can_resume = false;
  bool can_put_back = false;
};
[[nodiscard]] RestoreStoppedBox DescribeStop(const RestoreResult& stopped);

// What the desktop program's commands ask of the user beyond what the
// operations of commands/ ask (CommandUser: questions, the progress window
// of a run, the safety steps): the file dialogs, the Import and history
// dialogs, and the wait cursor. The desktop program shows its dialogs; tests
// answer from a script.
//
// The safety steps are told and asked here, in the desktop's words, as boxes
// through Ask (on the worker: through the run's prompter).
class DesktopUser : public CommandUser {
 public:
  // The settings whose port decides whether the organizer must be made ready
  // again between sessions (not for the virtual organizer); not owned.
  void set_settings(const AppSettings* settings) { settings_ = settings; }
  // The list whose dates and category names a sync's dry run shows records
  // in; not owned.
  void set_list(const MainViewModel* list) { list_ = list; }

  bool ReadyForNextRun() override;
  bool GoOnAfterSnapshot(RunMode run_mode, const std::filesystem::path& kept,
                         const std::vector<LargeRemoval>& large, Prompter& run) override;
  bool TellSnapshotNotKept(RunMode run_mode, const std::string& error_text, Prompter& run) override;
  void TellHistoryNotWritten(const std::string& error_text) override;
  void TellJournalNotWritten(const std::filesystem::path& journal,
                             const std::string& error_text) override;
  void TellSnapshotNotUsable(const std::string& why, bool new_one) override;
  // File > "Synchronize...": the dry run in the desktop's words
  // (ConfirmSyncPreview).
  bool ConfirmSync(const SyncReport& dry_run, const std::string& other) override;

  // The chosen file; nullopt when the user cancelled.
  [[nodiscard]] virtual std::optional<FileAnswer> ChooseFile(const FileQuestion& question) = 0;
  // nullopt when the user cancelled.
  [[nodiscard]] virtual std::optional<ImportChoice> ChooseImport(
      AppliId shown, const std::string& dir, std::optional<CsvEncoding> encoding) = 0;
  [[nodiscard]] virtual HistoryChoice ChooseGeneration(std::vector<Generation> generations) = 0;
  // The wait cursor while a file is read or written.
  virtual void SetBusy(bool busy) = 0;
  // File > "Synchronize...": the words of the dry run of the organizer with
  // the program's records or a target shown; true goes ahead (a refused one
  // with force), false changes nothing.
  [[nodiscard]] virtual bool ConfirmSyncPreview(const SyncPreviewText& preview) = 0;
  // What the status bar says when a link session of the command now running
  // goes through: nullopt, the run's own word ("Backup complete"); a text,
  // that text ("" says nothing: the reception of a comparison or a sync is
  // no Backup).
  virtual void SessionsSay(std::optional<std::string> done) { (void)done; }

 private:
  const AppSettings* settings_ = nullptr;
  const MainViewModel* list_ = nullptr;
};

// Holds a command's word for its sessions (DesktopUser::SessionsSay) while
// the command runs.
class SessionWord {
 public:
  SessionWord(DesktopUser* user, std::string done) : user_(user) {
    if (user_ != nullptr) user_->SessionsSay(std::move(done));
  }
  ~SessionWord() {
    if (user_ != nullptr) user_->SessionsSay(std::nullopt);
  }
  SessionWord(const SessionWord&) = delete;
  SessionWord& operator=(const SessionWord&) = delete;

 private:
  DesktopUser* user_;
};

// The list on screen, as the commands see it. KeepListState takes the
// columns' widths and the scroll position into the view model before it
// changes; ShowList puts the model's rows on screen, ShowSelection only the
// selection; CloseFind closes the Find dialog before a command that changes
// the records.
class ListView {
 public:
  virtual ~ListView() = default;
  virtual void KeepListState() = 0;
  virtual void ShowList() = 0;
  virtual void ShowSelection() = 0;
  virtual void CloseFind() = 0;
};

}  // namespace kivo

#endif  // KIVO_DESKTOP_DESKTOP_USER_H_

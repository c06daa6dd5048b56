#ifndef KIVO_COMMANDS_COMMAND_USER_H_
#define KIVO_COMMANDS_COMMAND_USER_H_

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "comm/link_settings.h"
#include "comm/run_mode.h"
#include "platform/prompter.h"
#include "store/result_code.h"
#include "store/store_diff.h"

namespace kivo {

struct RestoreResult;
struct SyncReport;

// What a Restore or Download does once it has stopped after deleting records
// on the organizer: send the applications not complete yet, put the
// snapshot back, or leave the organizer as it is.
enum class AfterStop { kLeave, kResume, kPutBack };

// The person behind a command, as the operations of link_commands.h see
// them: the questions and messages (Prompter), one link session shown with
// its progress, and the moments of the safety steps where a front end tells
// or asks something. The command-line tool prints and never waits for an
// answer a script cannot give; the desktop program shows boxes; tests answer
// from a script.
//
// The calls named "on the worker" come from the run's worker thread while
// the run waits; they reach the person through `run`, the prompter the front
// end gave that run. All others come from the thread that called the
// operation.
class CommandUser : public Prompter {
 public:
  // Runs one link session with its progress shown, to its end; blocks. The
  // run's ResultCode (17 when it could not start, the user told); `report`
  // (may be null) gets what the safety steps did.
  [[nodiscard]] virtual ResultCode RunTransfer(const LinkSettings& settings,
                                               SafeTransferReport* report) = 0;

  // Before every link session of an operation but its first: the organizer
  // ends its link mode with each session and must be made ready again. False
  // ends the operation.
  [[nodiscard]] virtual bool ReadyForNextRun() { return true; }

  // On the worker: the snapshot of a Restore or Download is kept in `kept`,
  // and nothing is deleted yet; `large` names the applications that would
  // lose more than half of their records. True goes on; false stops the run
  // before anything is deleted (as given up, 17).
  [[nodiscard]] virtual bool GoOnAfterSnapshot(RunMode run_mode, const std::filesystem::path& kept,
                                               const std::vector<LargeRemoval>& large,
                                               Prompter& run) = 0;
  // On the worker: the snapshot could not be written into the history
  // (`error_text` says why), so nothing is deleted and the run stops. True
  // when the person has been told why here (the run ends as given up, 17);
  // false ends it with 11, for the front end to explain afterwards.
  [[nodiscard]] virtual bool TellSnapshotNotKept(RunMode run_mode, const std::string& error_text,
                                                 Prompter& run) = 0;
  // A generation (a Backup's or a comparison's copy) could not be added to
  // the history; what was asked for is done all the same.
  virtual void TellHistoryNotWritten(const std::string& error_text) = 0;
  // The resume journal of a Restore could not be written; told once a
  // Restore (after the run when it failed while the run went on).
  virtual void TellJournalNotWritten(const std::filesystem::path& journal,
                                     const std::string& error_text) = 0;
  // A Restore that goes on from a journal cannot use the failed run's
  // snapshot (`why` names it); `new_one` tells whether a new snapshot is taken.
  virtual void TellSnapshotNotUsable(const std::string& why, bool new_one) = 0;
  // A Restore or Download stopped after it had begun to delete on the
  // organizer; `stopped` tells what the organizer holds now. kLeave by default.
  [[nodiscard]] virtual AfterStop ChooseAfterStop(const RestoreResult& stopped) {
    (void)stopped;
    return AfterStop::kLeave;
  }
  // A sync asked to be confirmed: its dry run with `other` (the side other
  // than the organizer, as the person knows it). True goes ahead; a dry run
  // the guards refused is a question too, and true then goes past them (the
  // sync runs with force). False changes nothing; so does a front end that
  // cannot ask.
  [[nodiscard]] virtual bool ConfirmSync(const SyncReport& dry_run, const std::string& other) {
    (void)dry_run;
    (void)other;
    return false;
  }
  // The password of `user` on the server at `target` (a URL), when neither
  // KIVO_PASSWORD nor the netrc gives one; nothing when the person declines
  // or nobody can be asked. The command-line tool reads the terminal with
  // echo off.
  [[nodiscard]] virtual std::optional<std::string> AskPassword(const std::string& target,
                                                               const std::string& user) {
    (void)target;
    (void)user;
    return std::nullopt;
  }
};

}  // namespace kivo

#endif  // KIVO_COMMANDS_COMMAND_USER_H_

#ifndef KIVO_COMMANDS_COMMAND_USER_H_
#define KIVO_COMMANDS_COMMAND_USER_H_

#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "comm/link_run.h"
#include "comm/link_settings.h"
#include "comm/run_mode.h"
#include "platform/prompter.h"
#include "store/result_code.h"
#include "store/store_diff.h"
#include "sync/sync_report.h"

namespace kivo {

struct RestoreResult;

// One pair of a sync's dry run: the side the organizer is synced with (the
// other one), as the person knows it, and what the sync would do.
struct SyncDryRun {
  std::string other;
  SyncReport report;
};

// What a Restore or Download does once it has stopped after deleting records
// on the organizer: send the applications not complete yet, put the
// snapshot back, or leave the organizer as it is.
enum class AfterStop { kLeave, kResume, kPutBack };

// The person behind a command, as the operations of link_commands.h see
// them: the questions and messages (Prompter), the work on the link shown
// with its progress, and the moments of the safety steps where a front end
// tells or asks something. The command-line tool prints and never waits for
// an answer a script cannot give; the desktop program shows boxes; tests
// answer from a script.
//
// Every call comes from the thread that called the operation. A command
// reaches the organizer in one link session (one press of its PC-LINK
// button); the questions asked in the middle of it come while the session
// keeps the line open (commands/organizer_session.h), however long the
// person takes.
class CommandUser : public Prompter {
 public:
  // Starts `run` (a whole run, or one step of a session) and shows its
  // progress to its end; blocks. `shown` names the port and the window's
  // rules (its run mode). The run's ResultCode (17 when it could not start,
  // the user told).
  [[nodiscard]] virtual ResultCode Show(LinkRun& run, const LinkSettings& shown) = 0;

  // The snapshot of a Restore or Download is kept in `kept`, and nothing is
  // deleted yet; `large` names the applications that would lose more than
  // half of their records. True goes on; false stops before anything is
  // deleted (as given up, 17).
  [[nodiscard]] virtual bool GoOnAfterSnapshot(RunMode run_mode, const std::filesystem::path& kept,
                                               const std::vector<LargeRemoval>& large) = 0;
  // The snapshot could not be written into the history (`error_text` says
  // why), so nothing is deleted and the command stops. True when the person
  // has been told why here (it ends as given up, 17); false ends it with 11,
  // for the front end to explain afterwards.
  [[nodiscard]] virtual bool TellSnapshotNotKept(RunMode run_mode,
                                                 const std::string& error_text) = 0;
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
  // A Restore starts while a failed one's journal names a whole snapshot,
  // taken before that run deleted anything: it stays the one to go back to.
  virtual void TellEarlierSnapshotKept(const std::filesystem::path& kept) { (void)kept; }
  // A Restore or Download stopped after it had begun to delete on the
  // organizer; `stopped` tells what the organizer holds now, and whether its
  // session goes on (an abort taken between records) or the line was lost
  // (going on then needs the organizer to call again: a press of PC-LINK).
  // kLeave by default.
  [[nodiscard]] virtual AfterStop ChooseAfterStop(const RestoreResult& stopped) {
    (void)stopped;
    return AfterStop::kLeave;
  }
  // A sync asked to be confirmed: the dry run of each of its pairs, while
  // the organizer's session keeps the line open. True goes ahead; a dry run
  // the guards refused is a question too, and true then goes past them (the
  // sync runs with force). False changes nothing; so does a front end that
  // cannot ask.
  [[nodiscard]] virtual bool ConfirmSync(std::span<const SyncDryRun> dry_runs) {
    (void)dry_runs;
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

#ifndef KIVO_COMMANDS_LINK_COMMANDS_H_
#define KIVO_COMMANDS_LINK_COMMANDS_H_

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "comm/detect_run.h"
#include "comm/link_settings.h"
#include "commands/command_user.h"
#include "commands/organizer_session.h"
#include "commands/transfer_results.h"
#include "history/restore_journal.h"
#include "platform/clock.h"
#include "store/app_settings.h"
#include "store/appli_store.h"
#include "store/char_tables.h"

namespace kivo {

// What a command line sets over the user's settings for one command; unset
// ones take the settings' values.
struct RunOverrides {
  std::optional<std::string> port_name;  // "COM3", a device path, "virtual"
  std::optional<std::string> log_file_name;
  bool no_echo = false;
  std::optional<long> to_command;
  std::optional<long> to_data_packet;
  std::optional<long> to_multiplier;
  std::optional<int> tel_records_min;  // over every run's Telephone minimum
};

// What the operations work with beside the person: the user's settings, the
// program's tables, how the organizer is reached, where the history lies,
// and what a command line sets over the settings for this command only.
struct CommandSetup {
  const AppSettings* settings = nullptr;    // not owned; must outlive the operations
  const CodeTables* code_tables = nullptr;  // new stores code with these; not owned
  const SortTable* sort_table = nullptr;    // the Model's; null: none loaded
  SerialPortFactory port_factory;           // empty: termios devices only
  std::filesystem::path data_dir;           // dump files, the virtual organizer's records
  std::filesystem::path history_dir;
  RunOverrides overrides;
  bool no_snapshot = false;  // no snapshot, whatever the setting says
  bool verify = false;       // read back, whatever the setting says
  // The local time generations are named by; null: the system clock.
  std::function<LocalDateTime()> now;
  // The clock a link session waits and keeps the line open by; null: the
  // system clock. Not owned.
  Clock* link_clock = nullptr;
};

// What a Restore sends and how.
struct RestoreJob {
  const AppliStore* records = nullptr;  // in the order to send; not owned
  // The file the records came from: named in the resume journal and, when it
  // is a generation of the history holding some applications only (a
  // Download's snapshot), sent as a Download of each. Empty: no journal.
  std::filesystem::path source;
  // What the journal knows `source` by: empty for the file's own
  // FileFingerprint; a document that is no file gives the Fingerprint of
  // its bytes.
  std::string fingerprint;
  // Go on from the journal on record for `source` (CheckResumable).
  std::optional<RestoreJournal> resume;
  bool snapshot = true;  // false: none, whatever the setting says
};

// Why there is no failed Restore of a file to go on from.
enum class ResumeRefusal { kNone, kNoJournal, kOtherFile, kChanged };

// The operations of both programs against the organizer: the link session
// of every command, and what the command does around it (history, snapshot,
// verify, resume journal, put-back, the telephone checks' exceptions).
// Every operation reaches the organizer in one session (one press of its
// PC-LINK button); the questions in the middle of it are asked while the
// session keeps the line open. Front ends parse, ask through the
// CommandUser and show the typed results. One object serves one command; it
// borrows the setup's pointees and the user.
class LinkCommands {
 public:
  LinkCommands(CommandSetup setup, CommandUser& user);

  // A store of seven slots with the settings' device code.
  [[nodiscard]] std::unique_ptr<AppliStore> NewStore() const;
  // The settings of one run: the user's settings with the setup's
  // overrides, the tables and the ports.
  [[nodiscard]] LinkSettings RunSettings(RunMode run_mode, int appli_mode, AppliStore* store,
                                         int tel_records_min) const;
  // One run without safety steps: Upload, SEND, the line tests, the device side.
  [[nodiscard]] ResultCode Run(RunMode run_mode, int appli_mode, AppliStore* store,
                               int tel_records_min);
  // A link session with the settings' port, to take step by step (nothing
  // is sent before its first step).
  [[nodiscard]] std::unique_ptr<OrganizerSession> NewSession();

  // Keeps the store as a generation of `kind` in the history.
  KeptCopy KeepInHistory(AppliStore& store, std::string_view kind);

  // Every application into `into` (its records replaced); on success every
  // application is present, `file` (when given) is written and the history
  // keeps a copy.
  BackupResult Backup(AppliStore& into, const std::filesystem::path& file = {});
  // The organizer's records, taken as they come, kept as a snapshot and
  // compared with `pc` (restricted to the applications of a generation that
  // holds some only, when `source` names one).
  ReceiveResult Compare(const AppliStore& pc, const std::filesystem::path& source = {});
  // One session that receives the applications of `applis` (bit 1 << AppliId)
  // as they come, the others left out.
  ReceiveResult Receive(uint8_t applis);
  // The same as a step of `session`, which stays open: a sync's read of the
  // organizer.
  ReceiveResult Receive(OrganizerSession& session, uint8_t applis);

  // The records of `job` to the organizer with the safety steps: snapshot
  // (with the large-change question), delete, send, journal, verify; after a
  // stop, what the person chooses, in the same session while it goes on. A
  // generation holding some applications only goes back as a Download of
  // them, the others left as they are.
  RestoreResult Restore(const RestoreJob& job);
  // One application of `from` (Expense with its category list), in its
  // default order, with the same safety steps.
  RestoreResult Download(AppliId id, const AppliStore& from, bool snapshot = true);
  // A backup file of either device code (a snapshot) back to the organizer.
  RestoreResult PutBack(const std::filesystem::path& file, bool snapshot);
  // Steps of `session` that, for the applications of `applis`, keep a
  // snapshot (`before`, what the session received of them already, or a
  // reception of its own when null), delete and send each from `records`
  // (calling `complete` as each is complete on the organizer) and, with
  // `verify`, read them back into the result: a sync's write to the
  // organizer. The session stays open.
  RestoreResult Replace(OrganizerSession& session, uint8_t applis, AppliStore& records,
                        AppliStore* before, const std::function<void(AppliId)>& complete,
                        bool verify);
  // The same in a session of its own.
  RestoreResult Replace(uint8_t applis, AppliStore& records,
                        const std::function<void(AppliId)>& complete, bool verify);

  // Whether the failed Restore on record sent `source` as it is now
  // (`fingerprint` as RestoreJob's): kNone when it did. *on_record gets the
  // journal on record, if any.
  [[nodiscard]] ResumeRefusal CheckResumable(const std::filesystem::path& source,
                                             const std::string& fingerprint,
                                             std::optional<RestoreJournal>* on_record) const;
  // The copy of `file` that a Restore sends: each application in its default
  // order (the order the main window commits), the category list as it is.
  [[nodiscard]] std::unique_ptr<AppliStore> InSendingOrder(const AppliStore& file,
                                                           uint8_t applis = kEveryAppliMask) const;

  [[nodiscard]] const std::filesystem::path& history_dir() const { return setup_.history_dir; }
  [[nodiscard]] const AppSettings& settings() const { return *setup_.settings; }

 private:
  struct SafeRun;
  ResultCode RunLink(const LinkSettings& settings);
  bool SnapshotOn(bool wanted) const;
  bool VerifyOn() const;
  // One Restore (appli_mode 255) or Download in `session`: the snapshot, the
  // large-change question, then delete, send and read back.
  RestoreResult RunSafe(OrganizerSession& session, RunMode run_mode, int appli_mode,
                        AppliStore& records, SafeRun& safe);
  void Note(SafeRun& safe);
  // Restore and its stop choices in `session` (a new one when the line was
  // lost and the person goes on).
  RestoreResult RestoreIn(std::unique_ptr<OrganizerSession>& session, const RestoreJob& job);
  RestoreResult RestoreAll(std::unique_ptr<OrganizerSession>& session, const RestoreJob& job);
  RestoreResult DownloadIn(std::unique_ptr<OrganizerSession>& session, AppliId id,
                           const AppliStore& from, bool snapshot);
  RestoreResult PutBackIn(std::unique_ptr<OrganizerSession>& session,
                          const std::filesystem::path& file);
  // After a stop that deleted: the person's choice between putting the
  // snapshot back and leaving the organizer as it is (a Download's).
  void OfferPutBack(std::unique_ptr<OrganizerSession>& session, RestoreResult& stopped);

  CommandSetup setup_;
  CommandUser& user_;
};

// The Fingerprint a Restore of a document that is no file (the desktop
// program's records) is journaled by: that of its backup-file image.
[[nodiscard]] std::string StoreFingerprint(const AppliStore& store);

// The applications a snapshot of the history in `history_dir` was taken of
// when it was taken of some only (a Download's, with the category list beside
// Expense), known by the file's bytes under any name; nullopt for a snapshot
// of all of them and for a file the history did not write.
[[nodiscard]] std::optional<std::vector<AppliId>> PartOfGeneration(
    const std::filesystem::path& history_dir, const std::filesystem::path& path,
    const AppliStore& file);

// The Auto Detect's settings from the user's settings: the link's defaults
// with the settings' device code, echo and log, COM1..COM4 through the
// settings' ports, or the ports `list_ports` names when given.
[[nodiscard]] DetectSettings DetectSetup(const AppSettings& settings,
                                         SerialPortFactory port_factory,
                                         std::function<std::vector<PortSpec>()> list_ports,
                                         const RunOverrides& overrides = {});

}  // namespace kivo

#endif  // KIVO_COMMANDS_LINK_COMMANDS_H_

#ifndef KIVO_COMM_COMM_RUN_H_
#define KIVO_COMM_COMM_RUN_H_

#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "comm/link_settings.h"
#include "comm/run_context.h"
#include "comm/safe_transfer.h"
#include "link/comm_link.h"
#include "platform/prompter.h"

namespace kivo {

// The buffer a Backup or an Upload receives one application into. An
// application that does not fit fails with 11; a sync sends no organizer
// more than fits (sync_endpoint.h, AppliCapacity).
inline constexpr size_t kAppliBufferSize = kOrganizerAppliBytes;

// The order of a full backup and a full restore.
inline constexpr AppliId kFullOrder[] = {kTelephone, kSchedule,     kAnniversary, kToDo,
                                         kMemo,      kCategoryList, kExpense};

// One communication run on a CommLink: open the port, carry out the steps of
// a run mode (from one command frame up to a backup of every application),
// end the link and close the port. The run's context (store, FileName,
// AppliMode, FileScramble, the progress window, the message boxes and the
// telephone check) belongs to the run; the link only carries the line.
//
// All operations return a ResultCode (16 success). Inside RunCommunication a
// failing step ends the run at once: NACK and END_COMMUNICATION go out, the
// port is closed and the step's code comes back. The dump-file steps and the
// device side are public for the tests.
//
// Blocks the calling thread (the worker) for the whole run; an abort message
// posted to the link's queue ends the current wait with 0.
class CommRun {
 public:
  explicit CommRun(CommLink& link);

  // What the run works with; set before RunCommunication.
  RunContext& context() { return context_; }
  const RunContext& context() const { return context_; }

  // Dump files lie here; the working folder until set.
  void set_data_dir(const std::filesystem::path& dir) { data_dir_ = dir; }
  const std::filesystem::path& data_dir() const { return data_dir_; }
  // Caption of the run's message boxes; the program file's name by default.
  void set_program_name(std::string name) { program_name_ = std::move(name); }
  const std::string& program_name() const { return program_name_; }

  // The extra steps of Restore (safe_transfer.h); none by default.
  void set_safe(SafeTransfer safe) { safe_ = std::move(safe); }
  const SafeTransferReport& safe_report() const { return safe_report_; }

  // Accepts 0..6 and 255; logs "!!! Appli ID Err (Pass)" and keeps the
  // current AppliMode otherwise.
  void SetAppliMode(int appli_mode);
  // Device code (1, 0) for 1, (2, 0) for anything else, to the link and to
  // its store (without a store: logged, the link alone takes it).
  void SetDeviceCode(int device_code);

  // 11 at once without a store or an observer.
  [[nodiscard]] ResultCode RunCommunication(RunMode run_mode);

  // Dump files and the device side (comm_run_device.cc).
  [[nodiscard]] ResultCode SendDumpFile(TransferRole role);
  [[nodiscard]] ResultCode ReceiveDumpFile(TransferRole role);
  [[nodiscard]] ResultCode RunDevice();

  std::filesystem::path DumpPath(std::string_view extension) const;

  // ---- The steps of a link session (comm_run_session.cc) -------------------
  // A session is opened once, then takes any number of steps, each of which
  // neither negotiates nor ends it, and is closed once. Each returns 16 or
  // the code of the step that failed; a step that failed has left the line
  // as it was (the caller ends the session with FailSession) unless said
  // otherwise. The observer and prompter are the context's at each call.
  //
  // Opens the port and negotiates; with `request_received` the port is open
  // already and the organizer's LINK_REQUEST was taken off the line.
  [[nodiscard]] ResultCode OpenSession(bool request_received);
  // The applications of `applis` (bit 1 << AppliId) into `into`, as they
  // come (no telephone checks), each present afterwards, in the full order;
  // with the progress of a Backup, or, for a snapshot, the snapshot's status.
  [[nodiscard]] ResultCode SessionReceive(AppliStore& into, uint8_t applis, bool snapshot);
  // The replacing part of a Restore (of the context's AppliMode, with the
  // safe transfer's skip, on_sent and verify): deletes and sends, then reads
  // back. An abort posted while it deletes or sends takes effect after the
  // record in flight, between commands: the step then ends with 0 and
  // *line_kept true, and the session can go on. The report tells what was
  // deleted, sent and read back.
  [[nodiscard]] ResultCode SessionReplace(bool* line_kept);
  // ACK, answered by ACK: keeps the organizer's command wait from running out.
  [[nodiscard]] ResultCode KeepAlive();
  // END_COMMUNICATION, and the port closed.
  [[nodiscard]] ResultCode CloseSession();
  // Ends a session whose step failed with `code` as a failed run ends
  // (NACK, END_COMMUNICATION, the port closed). Returns `code`.
  ResultCode FailSession(ResultCode code) { return EndFailedRun(code); }

 private:
  // A failing step of a run raises its code; RunCommunication is the one
  // place that catches it.
  struct StepFailed {
    ResultCode code;
  };
  static void Must(ResultCode result) {
    if (result != kResultSuccess) throw StepFailed{result};
  }

  // The steps of one run mode; 16, or a step raises.
  ResultCode RunSteps(RunMode run_mode);
  // Ends a run that failed with `code`: NACK and END_COMMUNICATION go out
  // (their own failures dropped) and the port is closed. Returns `code`.
  ResultCode EndFailedRun(ResultCode code);

  // Sequences (comm_run_sequences.cc). Backup and Restore raise the code of
  // the step that fails; each step is given the application it works on.
  void Backup(TransferRole role);
  void Restore(TransferRole role);
  // One application from the organizer into `store`; `check` applies to a
  // base model's Telephone list.
  ResultCode ReceiveAppli(AppliId id, AppliStore& store, TransferRole role,
                          const TelephoneCheck& check);
  // One application of the run's store to the organizer.
  ResultCode SendAppli(AppliId id, TransferRole role);
  // Receives the applications (in this order) into `store`, taken as they
  // come, logged as `what`.
  void ReceiveApplis(AppliStore& store, std::span<const AppliId> ids, const char* what,
                     TransferRole role);
  void ReceiveStep(AppliId id, TransferRole role);
  void ReadFileStep(AppliStore& store);
  void WriteFileStep(AppliStore& store);
  // The steps of a Restore: the snapshot of what is about to be replaced,
  // deleting and sending one application (each passed over when the run
  // skips it as complete), and reading back what was sent. Replaced names
  // the applications the run replaces, ReplaceSteps deletes and sends them.
  [[nodiscard]] std::vector<AppliId> Replaced() const;
  void ReplaceSteps(TransferRole role);
  void SnapshotStep(std::span<const AppliId> replaced, TransferRole role);
  void DeleteStep(AppliId id);
  void SendStep(AppliId id, TransferRole role, const char* start_line);
  void VerifyStep(std::span<const AppliId> replaced, TransferRole role);
  [[nodiscard]] bool Skipped(AppliId id) const;
  // END_COMMUNICATION of a PC run.
  void EndStep(TransferRole role);
  void Progress(int value);
  PromptAnswer Box(std::string text, std::string caption, PromptIcon icon, PromptButtons buttons);
  void Log(std::string_view text, bool full = false) { link_.WriteLogIfEnabled(text, full); }
  int ElapsedSeconds(uint32_t start) const;

  CommLink& link_;
  RunContext context_;
  std::filesystem::path data_dir_;
  std::string program_name_;
  SafeTransfer safe_;
  SafeTransferReport safe_report_;
};

// The wire code of an AppliMode: the id for 0..6, 255 otherwise.
[[nodiscard]] uint8_t AppliWireCode(int appli_mode);

// Formats one printf-style log or box text with one argument.
std::string FormatText(const char* pattern, int value);
std::string FormatText(const char* pattern, const std::string& value);

}  // namespace kivo

#endif  // KIVO_COMM_COMM_RUN_H_

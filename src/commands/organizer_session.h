#ifndef KIVO_COMMANDS_ORGANIZER_SESSION_H_
#define KIVO_COMMANDS_ORGANIZER_SESSION_H_

#include <cstdint>
#include <memory>

#include "comm/link_session.h"
#include "comm/link_settings.h"
#include "comm/safe_transfer.h"
#include "commands/command_user.h"
#include "store/appli_store.h"
#include "store/result_code.h"

namespace kivo {

// The one link session of a command (one press of the organizer's PC-LINK
// button), taken step by step, each step shown to the person through the
// CommandUser as a run is. Between the steps the line stays open
// (comm/link_session.h) while the command reads other sides, merges or asks.
// The session ends with End (END_COMMUNICATION) or when destroyed.
//
// A caller that waits for the organizer to call takes link_session().link(),
// opens it and takes the LINK_REQUEST itself, then calls
// link_session().LinkRequestReceived() before the first step.
class OrganizerSession {
 public:
  // `settings`: the port, the link's configuration and the tables, as for a
  // run (its run mode, store and safety steps are not used). `user` must
  // outlive the session.
  OrganizerSession(CommandUser& user, const LinkSettings& settings, Clock* clock = nullptr);
  ~OrganizerSession();
  OrganizerSession(const OrganizerSession&) = delete;
  OrganizerSession& operator=(const OrganizerSession&) = delete;

  // The applications of `applis` into `into` as they come (each present
  // afterwards), shown as `shown_as` (a snapshot's status when `snapshot`).
  // 16, or the failing step's code; a session that is over gives the code it
  // ended with.
  [[nodiscard]] ResultCode Receive(AppliStore& into, uint8_t applis, RunMode shown_as,
                                   bool snapshot = false);
  // The replacing part of a Restore (appli_mode 255) or Download of
  // `records` with `safe`'s skip, on_sent and verify. *report gets what was
  // deleted, sent and read back. A failure the session survives (an abort
  // taken between records) leaves open() true.
  [[nodiscard]] ResultCode Replace(AppliStore& records, int appli_mode, const SafeTransfer& safe,
                                   SafeTransferReport* report);
  // END_COMMUNICATION, once; nothing when the session is over or never began.
  void End();
  // Whether the session was opened and goes on.
  [[nodiscard]] bool open() const { return session_->open(); }
  // Whether a step was taken (the organizer was reached or tried).
  [[nodiscard]] bool begun() const { return begun_; }
  LinkSession& link_session() { return *session_; }

 private:
  ResultCode Show(RunMode shown_as);

  CommandUser& user_;
  LinkSettings settings_;
  std::unique_ptr<LinkSession> session_;
  bool begun_ = false;
};

}  // namespace kivo

#endif  // KIVO_COMMANDS_ORGANIZER_SESSION_H_

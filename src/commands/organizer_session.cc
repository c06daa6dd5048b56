#include "commands/organizer_session.h"

namespace kivo {

OrganizerSession::OrganizerSession(CommandUser& user, const LinkSettings& settings, Clock* clock)
    : user_(user), settings_(settings), session_(std::make_unique<LinkSession>(clock)) {
  session_->ApplyLinkSettings(settings_);
}

OrganizerSession::~OrganizerSession() { End(); }

ResultCode OrganizerSession::Show(RunMode shown_as) {
  const bool first = !begun_;
  begun_ = true;
  // A session that is over cannot take a step; it says why it ended.
  if (!first && !session_->open()) {
    const ResultCode lost = session_->lost();
    return lost == kResultSuccess ? kResultIoError : lost;
  }
  LinkSettings shown = settings_;
  shown.run_mode = shown_as;
  return user_.Show(*session_, shown);
}

ResultCode OrganizerSession::Receive(AppliStore& into, uint8_t applis, RunMode shown_as,
                                     bool snapshot) {
  session_->Receive(into, applis, shown_as, snapshot);
  return Show(shown_as);
}

ResultCode OrganizerSession::Replace(AppliStore& records, int appli_mode, const SafeTransfer& safe,
                                     SafeTransferReport* report) {
  session_->Replace(records, appli_mode, safe);
  const ResultCode result = Show(session_->run_mode());
  if (report != nullptr) *report = session_->safe_report();
  return result;
}

void OrganizerSession::End() { (void)session_->End(); }

}  // namespace kivo

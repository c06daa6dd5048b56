#include "commands/organizer_endpoint.h"

#include <memory>

#include "comm/messages.h"
#include "sync/record_set_store.h"

namespace kivo {

namespace {

std::string LinkMessage(ResultCode code) {
  std::string text;
  for (char c : ResultMessage(code)) {
    if (c == '\r') continue;
    text.push_back(c == '\n' ? ' ' : c);
  }
  return "organizer: " + text;
}

}  // namespace

OrganizerEndpoint::OrganizerEndpoint(LinkCommands& commands, OrganizerSession* session)
    : commands_(commands), session_(session), device_code_(commands.NewStore()->device_code()) {}

OrganizerEndpoint::~OrganizerEndpoint() {
  if (own_session_) own_session_->End();
}

std::string OrganizerEndpoint::Identity() const {
  return "organizer " + std::to_string(device_code_[0]) + " " + std::to_string(device_code_[1]);
}

OrganizerSession& OrganizerEndpoint::Session() {
  if (session_ == nullptr) {
    own_session_ = commands_.NewSession();
    session_ = own_session_.get();
  }
  return *session_;
}

void OrganizerEndpoint::Finish() {
  if (session_ != nullptr) session_->End();
}

EndpointStatus OrganizerEndpoint::Read(AppliMask apps, const EndpointMemory&, RecordSet* out) {
  *out = RecordSet();
  if (apps == 0) return EndpointStatus::Ok();
  ReceiveResult received = commands_.Receive(Session(), apps);
  if (received.code != kResultSuccess || !received.organizer) {
    last_failure_ = received.code;
    return EndpointStatus::Failed(LinkMessage(received.code), received.code);
  }
  *out = RecordSetOf(*received.organizer, apps);
  read_ = std::move(received.organizer);
  return EndpointStatus::Ok();
}

ApplyOutcome OrganizerEndpoint::Apply(const std::vector<AppliWrite>& writes, const EndpointMemory&,
                                      bool verify, const std::function<void(AppliId)>& confirmed) {
  ApplyOutcome outcome;
  const AppliMask mask = WrittenMask(writes);
  if (mask == 0) {
    if (verify) outcome.read_back = RecordSet();
    return outcome;
  }
  std::unique_ptr<AppliStore> records = commands_.NewStore();
  for (const AppliWrite& write : writes) {
    const StoreResult put = ReplaceAppliRecords(*records, write.id, write.target);
    if (put != kStoreOk) {
      outcome.status = EndpointStatus::Failed(
          "organizer: a record of " + std::string(AppliName(write.id)) + " cannot be sent", put);
      return outcome;
    }
  }
  // An application counts as written only once it has read back as sent
  // (or, without verify, once its step has ended well): the organizer may
  // not keep what it acknowledged when the line breaks off. One not confirmed
  // that holds its target is recognised as written by the next sync all the
  // same. The reading of this session is the snapshot: what the organizer
  // held of every application before the first deletion.
  RestoreResult result = commands_.Replace(Session(), mask, *records, read_.get(), {}, verify);
  snapshot_ = result.snapshot;
  deleted_ = !result.ok() && result.deleted;
  if (!result.ok()) {
    last_failure_ = result.code;
    outcome.status = EndpointStatus::Failed(LinkMessage(result.code), result.code);
    return outcome;
  }
  if (verify && result.read_back) outcome.read_back = RecordSetOf(*result.read_back, mask);
  for (const AppliWrite& write : writes) {
    const bool same =
        !outcome.read_back || SameRecords(outcome.read_back->of(write.id), write.target);
    if (same && confirmed) confirmed(write.id);
  }
  return outcome;
}

}  // namespace kivo

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

OrganizerEndpoint::OrganizerEndpoint(LinkCommands& commands)
    : commands_(commands), device_code_(commands.NewStore()->device_code()) {}

std::string OrganizerEndpoint::Identity() const {
  return "organizer " + std::to_string(device_code_[0]) + " " + std::to_string(device_code_[1]);
}

bool OrganizerEndpoint::ReadyForSession() {
  // The sync reads in one session and writes in another (and a dry run
  // shown first reads once more): the organizer must be made ready for each.
  if (had_session_ && !commands_.ReadyForNextSession()) {
    last_failure_ = kResultGaveUp;
    return false;
  }
  had_session_ = true;
  return true;
}

EndpointStatus OrganizerEndpoint::Read(AppliMask apps, const EndpointMemory&, RecordSet* out) {
  *out = RecordSet();
  if (apps == 0) return EndpointStatus::Ok();
  if (!ReadyForSession()) return EndpointStatus::Failed(LinkMessage(kResultGaveUp), kResultGaveUp);
  ReceiveResult received = commands_.Receive(apps);
  if (received.code != kResultSuccess || !received.organizer) {
    last_failure_ = received.code;
    return EndpointStatus::Failed(LinkMessage(received.code), received.code);
  }
  *out = RecordSetOf(*received.organizer, apps);
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
  if (!ReadyForSession()) {
    outcome.status = EndpointStatus::Failed(LinkMessage(kResultGaveUp), kResultGaveUp);
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
  // An application counts as written only once the session has ended well
  // (and, with verify, read back the same): the organizer may not keep what
  // it acknowledged when the session breaks off at its end. One not
  // confirmed that holds its target is recognised as written by the next
  // sync all the same.
  RestoreResult result = commands_.Replace(mask, *records, {}, verify);
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

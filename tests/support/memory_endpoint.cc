#include "support/memory_endpoint.h"

namespace kivo {

MemoryEndpoint::MemoryEndpoint(std::string identity, std::string label, Kind kind)
    : identity_(std::move(identity)), label_(std::move(label)), kind_(kind) {
  for (AppliId id = 0; id < kSyncAppliCount; ++id) records_.Set(id, {});
}

bool MemoryEndpoint::Step() {
  if (budget_ == 0) return false;
  if (budget_ > 0) --budget_;
  ++operations_;
  return true;
}

EndpointStatus MemoryEndpoint::Read(AppliMask apps, const EndpointMemory& /*memory*/,
                                    RecordSet* out) {
  *out = RecordSet();
  for (AppliId id = 0; id < kSyncAppliCount; ++id) {
    if (!HasAppli(apps, id)) continue;
    if (!Step()) return EndpointStatus::Failed(label_ + ": the read broke off");
    out->Set(id, records_.of(id));
  }
  return EndpointStatus::Ok();
}

bool MemoryEndpoint::WriteAppli(RecordSet& into, const AppliWrite& write) {
  if (kind_ == Kind::kPatch) {
    // One change at a time, each complete in itself.
    auto one = [&](SideChanges change) {
      if (!Step()) return false;
      into.Set(write.id, ApplyChanges(into.of(write.id), change));
      ++records_written_;
      return true;
    };
    for (const Record& r : write.changes.removed) {
      if (!one({{}, {r}, {}})) return false;
    }
    for (const RecordEdit& edit : write.changes.changed) {
      if (!one({{}, {}, {edit}})) return false;
    }
    for (const Record& r : write.changes.added) {
      if (!one({{r}, {}, {}})) return false;
    }
    return true;
  }
  if (!Step()) return false;
  into.Set(write.id, {});
  for (const Record& r : write.target) {
    if (!Step()) return false;
    into.appli[write.id].push_back(r);
    ++records_written_;
  }
  return true;
}

ApplyOutcome MemoryEndpoint::Apply(const std::vector<AppliWrite>& writes,
                                   const EndpointMemory& /*memory*/, bool verify,
                                   const std::function<void(AppliId)>& confirmed) {
  ApplyOutcome outcome;
  RecordSet copy = kind_ == Kind::kAtomic ? records_ : RecordSet();
  RecordSet& into = kind_ == Kind::kAtomic ? copy : records_;
  for (const AppliWrite& write : writes) {
    if (!WriteAppli(into, write)) {
      outcome.status = EndpointStatus::Failed(label_ + ": the write of " +
                                              std::string(AppliName(write.id)) + " broke off");
      return outcome;
    }
    if (kind_ != Kind::kAtomic) confirmed(write.id);
  }
  if (kind_ == Kind::kAtomic) {
    records_ = std::move(copy);
    for (const AppliWrite& write : writes) confirmed(write.id);
  }
  if (verify) {
    RecordSet back;
    for (const AppliWrite& write : writes) {
      if (!Step()) {
        outcome.status = EndpointStatus::Failed(label_ + ": the read-back broke off");
        return outcome;
      }
      back.Set(write.id, records_.of(write.id));
    }
    outcome.read_back = std::move(back);
  }
  return outcome;
}

}  // namespace kivo

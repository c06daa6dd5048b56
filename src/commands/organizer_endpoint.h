#ifndef KIVO_COMMANDS_ORGANIZER_ENDPOINT_H_
#define KIVO_COMMANDS_ORGANIZER_ENDPOINT_H_

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "commands/link_commands.h"
#include "store/result_code.h"
#include "sync/sync_endpoint.h"

namespace kivo {

// The organizer on the port of the settings (or --port) as a side: read in
// one session that receives the applications asked for, written in one
// session that snapshots, then deletes and sends each application and reads
// them back. An application broken off while it is sent holds its first
// records only (BrokenWrite::kHalfAppli); applications are confirmed once the
// session has ended and read them back as sent. A failed session carries the
// link's ResultCode as its code; records the store cannot take for sending,
// the StoreResult.
class OrganizerEndpoint : public SyncEndpoint {
 public:
  // `commands` must outlive the endpoint.
  explicit OrganizerEndpoint(LinkCommands& commands);

  // "organizer <device code high> <low>", as the settings give it.
  std::string Identity() const override;
  std::string Label() const override { return "organizer"; }
  BrokenWrite broken_write() const override { return BrokenWrite::kHalfAppli; }
  std::optional<AppliCapacity> Capacity() const override { return AppliCapacity(); }

  [[nodiscard]] EndpointStatus Read(AppliMask apps, const EndpointMemory& memory,
                                    RecordSet* out) override;
  [[nodiscard]] ApplyOutcome Apply(const std::vector<AppliWrite>& writes,
                                   const EndpointMemory& memory, bool verify,
                                   const std::function<void(AppliId)>& confirmed) override;

  // The code of the last session that failed (kResultSuccess: none did).
  [[nodiscard]] ResultCode last_failure() const { return last_failure_; }
  // The snapshot the last write kept before deleting; empty: none.
  [[nodiscard]] const std::filesystem::path& snapshot() const { return snapshot_; }
  // Whether the last write that failed had deleted records already.
  [[nodiscard]] bool deleted() const { return deleted_; }

 private:
  // False when the person did not make the organizer ready again for a
  // session after the first.
  bool ReadyForSession();

  LinkCommands& commands_;
  std::array<uint8_t, 2> device_code_;
  bool had_session_ = false;
  bool deleted_ = false;
  ResultCode last_failure_ = kResultSuccess;
  std::filesystem::path snapshot_;
};

}  // namespace kivo

#endif  // KIVO_COMMANDS_ORGANIZER_ENDPOINT_H_

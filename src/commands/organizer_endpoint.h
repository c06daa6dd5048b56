#ifndef KIVO_COMMANDS_ORGANIZER_ENDPOINT_H_
#define KIVO_COMMANDS_ORGANIZER_ENDPOINT_H_

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "commands/link_commands.h"
#include "commands/organizer_session.h"
#include "store/result_code.h"
#include "sync/sync_endpoint.h"

namespace kivo {

// The organizer on the port of the settings (or --port) as a side, reached
// in one link session however often it is read and written: the first read
// opens the session, the reading is kept as the snapshot before anything is
// deleted (no second reception), a write deletes and sends the applications
// whose records changed and reads them back, and Finish ends the session
// (END_COMMUNICATION). In between the session keeps the line open. An
// application broken off while it is sent holds its first records only
// (BrokenWrite::kHalfAppli); applications are confirmed once they read back
// as sent. A failed step carries the link's ResultCode as its code; records
// the store cannot take for sending, the StoreResult.
class OrganizerEndpoint : public SyncEndpoint {
 public:
  // `commands` must outlive the endpoint. `session`: a session of the
  // caller's (the organizer may have called already), which must outlive the
  // endpoint and which the caller ends; null: one of the endpoint's own.
  explicit OrganizerEndpoint(LinkCommands& commands, OrganizerSession* session = nullptr);
  // Ends a session of its own.
  ~OrganizerEndpoint() override;

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
  // Ends the session (of its own or not): the sync is done with the
  // organizer. Nothing when no session began.
  void Finish();

  // The code of the last step that failed (kResultSuccess: none did).
  [[nodiscard]] ResultCode last_failure() const { return last_failure_; }
  // The snapshot the last write kept before deleting; empty: none.
  [[nodiscard]] const std::filesystem::path& snapshot() const { return snapshot_; }
  // Whether the last write that failed had deleted records already.
  [[nodiscard]] bool deleted() const { return deleted_; }

 private:
  OrganizerSession& Session();

  LinkCommands& commands_;
  OrganizerSession* session_;
  std::unique_ptr<OrganizerSession> own_session_;
  std::array<uint8_t, 2> device_code_;
  // What the session received, kept as the snapshot of a write.
  std::unique_ptr<AppliStore> read_;
  bool deleted_ = false;
  ResultCode last_failure_ = kResultSuccess;
  std::filesystem::path snapshot_;
};

}  // namespace kivo

#endif  // KIVO_COMMANDS_ORGANIZER_ENDPOINT_H_

#ifndef KIVO_SYNC_SYNC_ENDPOINT_H_
#define KIVO_SYNC_SYNC_ENDPOINT_H_

#include <functional>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "store/appli_id.h"
#include "store/result_code.h"
#include "sync/identity_map.h"
#include "sync/record_diff.h"
#include "sync/settle.h"
#include "sync/sync_types.h"

namespace kivo {

// How a step of an endpoint ended.
enum class EndpointFault : uint8_t {
  kNone,
  kRefused,  // the side is not what it must be (not a backup file, another
             // device code, a collection of the wrong kind): nothing was read
             // or changed; the command line's exit 2
  kFailed,   // a read or write broke off (a dropped line, a full disk, a
             // server error); `code` tells more, e.g. the link's ResultCode
  kChanged,  // the side changed while the sync ran: a conditional write found
             // an item changed since it was read and wrote nothing over it;
             // reading again and merging finishes the run
};

// The status a server answered with.
struct HttpStatus {
  int status = 0;
  bool operator==(const HttpStatus&) const = default;
};

// The code behind a fault, of the kind the side speaks: the link's ResultCode
// (the organizer), a StoreResult (a backup file, the records in memory), an
// HTTP status (a server); none when the side has no code for it.
using EndpointCode = std::variant<std::monostate, ResultCode, StoreResult, HttpStatus>;

struct EndpointStatus {
  EndpointFault fault = EndpointFault::kNone;
  EndpointCode code;
  std::string message;  // for the user: what failed and what to do

  bool ok() const { return fault == EndpointFault::kNone; }
  static EndpointStatus Ok() { return {}; }
  static EndpointStatus Refused(std::string message, EndpointCode code = {}) {
    return {EndpointFault::kRefused, code, std::move(message)};
  }
  static EndpointStatus Failed(std::string message, EndpointCode code = {}) {
    return {EndpointFault::kFailed, code, std::move(message)};
  }
  static EndpointStatus Changed(std::string message, EndpointCode code = {}) {
    return {EndpointFault::kChanged, code, std::move(message)};
  }
};

// What a write that breaks off (a dropped line, a killed process, a server
// error) leaves on a side; it decides how the next sync finishes the run.
enum class BrokenWrite : uint8_t {
  // An application half-written, which must not be read as removals: the
  // organizer deletes an application, then sends it record by record.
  kHalfAppli,
  // The old state or the new one: a file replaced by a rename.
  kOldOrNew,
  // Some items written and others not, each one whole: a collection written
  // item by item. Like the old or the new state, whatever it holds is true
  // of the side (edits made there meanwhile included), so the next sync
  // merges it as it is.
  kSomeItems,
};

// What a side needs to know of the last sync to read itself: a collection
// endpoint reports an item whose ETag (or mtime and hash) is unchanged as the
// base record it was, without fetching it.
struct EndpointMemory {
  const RecordSet& base;
  const IdentityMap& identities;
};

// One application to write on a side: the changes from what the side held
// when read, and the whole target. An endpoint that rewrites applications
// whole (the organizer, a backup file) writes `target`; one that patches items
// (a collection) works through `changes`. After an interrupted run `changes`
// are counted from what the side holds now, a half-written application
// included, so either way gives the target.
struct AppliWrite {
  AppliId id = 0;
  SideChanges changes;
  Records target;
};

// The applications `writes` names.
inline AppliMask WrittenMask(const std::vector<AppliWrite>& writes) {
  AppliMask mask = 0;
  for (const AppliWrite& write : writes) mask |= AppliBit(write.id);
  return mask;
}

struct ApplyOutcome {
  EndpointStatus status;
  // The applications written, read again after the writes (in the same
  // session where the endpoint has sessions), when the endpoint can.
  std::optional<RecordSet> read_back;
};

// How much one application may hold on a side that is an organizer or stands
// for one (a backup file, the desktop's records): at most
// kOrganizerRecordLimit records, and no more bytes (records with their
// terminators) than the PC's buffer takes when it receives the application.
struct AppliCapacity {
  int records = kOrganizerRecordLimit;
  size_t bytes = kOrganizerAppliBytes;
};

// One side of a sync: the organizer (through a command of the link), a backup
// file, a vdir folder, a CalDAV/CardDAV collection, or a test's memory.
// Calls block until the side has answered; the driver makes them from one
// thread.
class SyncEndpoint {
 public:
  virtual ~SyncEndpoint() = default;

  // Names the side for its pair's state folder; stable between runs and
  // different for different sides: "organizer 2 0", "file /home/ann/a.bkf",
  // "contacts https://example.org/dav/ann/contacts/".
  virtual std::string Identity() const = 0;
  // Names it for the user in the report: "organizer", "PC", "contacts".
  virtual std::string Label() const = 0;
  // The applications the side can hold (a contacts collection: Telephone).
  virtual AppliMask Holds() const { return kAllSyncAppli; }
  // What a broken write leaves on the side.
  virtual BrokenWrite broken_write() const = 0;
  // The most one application may hold on the side; nullopt: no limit. The
  // sync sends no more; what does not fit stays on the other side.
  virtual std::optional<AppliCapacity> Capacity() const { return std::nullopt; }

  // Reads the applications of `apps` (a subset of Holds()) into *out, all in
  // one session where the side has sessions. A side that does not exist yet
  // (a backup file before the first sync) reads as empty.
  [[nodiscard]] virtual EndpointStatus Read(AppliMask apps, const EndpointMemory& memory,
                                            RecordSet* out) = 0;

  // Writes the applications of `writes`, in one session where the side has
  // sessions, calling `confirmed` once per application as soon as it is
  // completely written (a backup file: all of them once the file is in
  // place), so the journal can record it. With `verify` the written
  // applications are read back into the outcome.
  [[nodiscard]] virtual ApplyOutcome Apply(const std::vector<AppliWrite>& writes,
                                           const EndpointMemory& memory, bool verify,
                                           const std::function<void(AppliId)>& confirmed) = 0;

  // What the side reads back of a record written to it, for a side that
  // cannot hold every field of a record (settle.h); empty for one that holds
  // records whole.
  virtual ReadBackForm ReadBack() const { return {}; }
  // The sync takes records the last Read gave as other bytes (settle.h): the
  // pairs (as read, as taken). A side that keeps records of its own (a
  // collection's items) knows them by the new bytes from now on, so that
  // Apply finds them and the next Read gives them so.
  virtual void TakeAs(AppliId /*id*/, const std::vector<RecordEdit>& /*taken*/) {}
  // What the last Read left out or took in part, one line each for the
  // report: "journal.ics: a journal entry, which no application holds".
  virtual std::vector<std::string> Notes() const { return {}; }

  // The identity map of the records the side holds after the last Read or
  // Apply, keyed as IdentityKeys names them; nullopt for a side that keeps
  // none (the organizer, a backup file). The driver stores it with the base.
  virtual std::optional<IdentityMap> Identities() const { return std::nullopt; }
};

}  // namespace kivo

#endif  // KIVO_SYNC_SYNC_ENDPOINT_H_

#ifndef KIVO_SIDES_BACKUP_FILE_ENDPOINT_H_
#define KIVO_SIDES_BACKUP_FILE_ENDPOINT_H_

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>

#include "platform/atomic_file.h"
#include "store/appli_store.h"
#include "store/char_tables.h"
#include "sync/sync_endpoint.h"

namespace kivo {

// A backup file as one side of a sync. A file that does not exist reads as
// empty and is created by the first sync that has records for it, with every
// application and the category list (scrambled as `scramble_new` says); an
// existing file keeps its scrambling, its device code and the applications
// the sync does not touch. It must be a backup file of `device_code`: any
// other file is refused, never overwritten.
//
// The file is replaced whole through a temporary file and a rename, so a write
// that fails (or a process killed) leaves the old file as it was; all the
// applications written are confirmed together once it is in place. A file
// that changed between the read and the write is not overwritten (the write
// fails and the next sync starts again from the new contents). A backup file
// is for an organizer to take: it is given no more than one holds.
class BackupFileEndpoint : public SyncEndpoint {
 public:
  // `tables` and `writer` must outlive the endpoint.
  BackupFileEndpoint(const std::filesystem::path& file, const CodeTables& tables,
                     std::array<uint8_t, 2> device_code, bool scramble_new = true,
                     std::string label = "PC", FileWriter& writer = SystemFileWriter());

  // "file " and the absolute path with symbolic links resolved, so two names
  // of one file share one state.
  std::string Identity() const override;
  std::string Label() const override { return label_; }
  BrokenWrite broken_write() const override { return BrokenWrite::kOldOrNew; }
  std::optional<AppliCapacity> Capacity() const override { return AppliCapacity(); }

  [[nodiscard]] EndpointStatus Read(AppliMask apps, const EndpointMemory& memory,
                                    RecordSet* out) override;
  [[nodiscard]] ApplyOutcome Apply(const std::vector<AppliWrite>& writes,
                                   const EndpointMemory& memory, bool verify,
                                   const std::function<void(AppliId)>& confirmed) override;

  const std::filesystem::path& file() const { return file_; }

 private:
  // Loads the file into `store`. A missing file gives the six applications
  // empty and no category list, so that the organizer's names come across
  // without a conflict. *fingerprint gets the bytes' size and hash.
  [[nodiscard]] EndpointStatus Load(AppliStore& store, std::string* fingerprint) const;

  std::filesystem::path file_;
  const CodeTables& tables_;
  std::array<uint8_t, 2> device_code_;
  bool scramble_new_;
  std::string label_;
  FileWriter& writer_;
  std::string read_fingerprint_;  // of the file as Read found it
};

}  // namespace kivo

#endif  // KIVO_SIDES_BACKUP_FILE_ENDPOINT_H_

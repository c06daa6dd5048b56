#ifndef KIVO_SYNC_SYNC_STATE_H_
#define KIVO_SYNC_SYNC_STATE_H_

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "platform/app_dirs.h"
#include "platform/atomic_file.h"
#include "platform/file_lock.h"
#include "platform/result.h"
#include "store/char_tables.h"
#include "sync/identity_map.h"
#include "sync/sync_journal.h"
#include "sync/sync_types.h"

namespace kivo {

// What the sync keeps between runs, per pair of sides, in a folder of its own
// under the state root ($XDG_STATE_HOME/kivo-link/sync by default):
//   <root>/<left>__<right>-<hash>/
//     pair        the two sides' identities: "left=organizer 2 0", "right=file /x.bkf"
//     base.bkf    the base: the records both sides held after the last
//                 successful sync, as a plain backup file (record_set_store.h)
//     identities  the collection sides' identity maps (identity_map.h)
//     journal     the open run's plan (sync_journal.h), only while one is open
//     steps       the open run's confirmations, only while one is open
//     lock        locked while a sync of the pair runs; holds its process id
// The folder name is the two identities made file-name safe (each cut to its
// last 40 characters) and 16 hex digits of a hash of both, so every pair has
// its own folder and a reader can still tell whose it is. Files are written
// atomically through the FileWriter given; a missing file means "none yet".
inline constexpr const char* kSyncStateDirName = "sync";

// <state dir>/sync of the program's directories.
[[nodiscard]] std::filesystem::path DefaultSyncStateRoot(const AppDirs& dirs);

// The folder name of a pair (above).
[[nodiscard]] std::string PairFolderName(std::string_view left_identity,
                                         std::string_view right_identity);

// Everything a sync starts from.
struct StoredState {
  RecordSet base;     // all seven applications, empty before the first sync
  bool first = true;  // no base was stored (before the first sync)
  SideIdentities identities;
  std::optional<SyncJournal> journal;  // an interrupted run
  SyncSteps steps;                     // its confirmations
};

class SyncState {
 public:
  // `tables` convert the base's texts like any backup file's; `writer` takes
  // every byte written (a test's may fail). Both must outlive the object.
  SyncState(const std::filesystem::path& root, std::string left_identity,
            std::string right_identity, const CodeTables& tables,
            FileWriter& writer = SystemFileWriter());

  const std::filesystem::path& dir() const { return dir_; }

  // Reads the folder. A missing folder or file is an empty state; a file that
  // exists but cannot be read or is malformed, or a folder of another pair,
  // gives a failure naming the file and what is wrong with it.
  Result<StoredState> Load() const;

  // Locks the pair for one run (FileLock), creating the folder when missing.
  // Without `wait`, a pair locked elsewhere fails saying which process holds
  // it.
  Result<FileLock> Lock(bool wait);

  // Forgets everything stored of the pair (--reset-state): the next Load is
  // that of a first sync.
  Status Reset();

  // Stores `records` as the base of their applications (those of
  // records.present), after a command that left both sides of the pair
  // holding them (a Backup, a Restore, an Upload, a Download), keeping the
  // base of the other applications, and ends any interrupted run on those
  // applications. A state that cannot be read is started again when every
  // application is given.
  Status AdoptBase(const RecordSet& records);

  // Each writes one file atomically (creating the folder and the pair file
  // when missing); a failure names the file and gives the system's error
  // text.
  Status SaveBase(const RecordSet& base);
  Status SaveIdentities(const SideIdentities& maps);
  // Removes the steps of any earlier run first, so they cannot be taken for
  // this one's.
  Status OpenJournal(const SyncJournal& journal);
  Status SaveSteps(const SyncSteps& steps);
  // Removes the journal and its steps: the run is complete.
  Status CloseJournal();

  // Device code written into base.bkf; 2 0 unless set.
  void set_device_code(std::array<uint8_t, 2> code) { device_code_ = code; }
  const CodeTables& code_tables() const { return tables_; }

 private:
  Status Prepare();
  Status Write(const char* name, std::span<const uint8_t> bytes);
  [[nodiscard]] std::string PairText() const;

  std::filesystem::path dir_;
  std::string left_;
  std::string right_;
  const CodeTables& tables_;
  FileWriter& writer_;
  std::array<uint8_t, 2> device_code_{2, 0};
};

}  // namespace kivo

#endif  // KIVO_SYNC_SYNC_STATE_H_

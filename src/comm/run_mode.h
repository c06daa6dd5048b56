#ifndef KIVO_COMM_RUN_MODE_H_
#define KIVO_COMM_RUN_MODE_H_

namespace kivo {

// Run modes of one communication run. A run takes the low byte of the value
// and refuses one above 18 ("Unknown RunMode"). The number is what the settings dump logs.
enum class RunMode {
  kNegotiation = 0,
  kBackupAlias = 1,   // runs as kBackup
  kRestoreAlias = 2,  // runs as kRestore
  kBackup = 3,
  kRestore = 4,
  kUpload = 5,
  kDownload = 6,
  kBackupStep = 7,
  kRestoreStep = 8,
  kSendRecord = 9,
  kSendAck = 10,
  kSendNack = 11,
  kSendEnd = 12,
  kSendDump = 13,
  kDeleteAll = 14,
  kReceiveDump = 15,
  kReceiveCategoryDump = 16,
  kSendCategoryDump = 17,
  kDevice = 18,
};

}  // namespace kivo

#endif  // KIVO_COMM_RUN_MODE_H_

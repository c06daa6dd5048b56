#ifndef KIVO_COMM_RUN_CONTEXT_H_
#define KIVO_COMM_RUN_CONTEXT_H_

#include <string>

#include "link/comm_link.h"
#include "link/link_observer.h"
#include "platform/prompter.h"
#include "store/appli_id.h"

namespace kivo {

class AppliStore;
class FreeSpace;

// What one communication run works with beside the link: the store it fills
// or sends, the backup file it reads or writes itself, the application, and
// the window that watches it. The CommRun that owns it hands each link
// procedure the pieces that procedure needs.
struct RunContext {
  // The store a run fills or sends. Not owned; none at construction.
  AppliStore* store = nullptr;
  // A backup file the run reads (Restore) or writes (Backup) itself; empty:
  // the store alone.
  std::string file_name;
  // Asked for the free bytes before that file is written. Not owned; null:
  // the file system's own answer.
  FreeSpace* free_space = nullptr;
  // An AppliId, or 255 for all applications.
  int appli_mode = 0;
  // A Backup of all applications receives these (bit 1 << AppliId) only.
  uint8_t applis = kEveryAppliMask;
  // Backup files are written inverted, magic "IM2BK1".
  bool file_scramble = true;
  // The progress window (status, progress, title tag). Not owned; may be null.
  LinkObserver* observer = nullptr;
  // Message boxes during the run. Not owned; null answers every box silently.
  Prompter* prompter = nullptr;
  // The telephone order check of a reception.
  TelephoneCheck telephone_check;
};

}  // namespace kivo

#endif  // KIVO_COMM_RUN_CONTEXT_H_

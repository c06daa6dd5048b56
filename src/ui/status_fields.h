#ifndef KIVO_UI_STATUS_FIELDS_H_
#define KIVO_UI_STATUS_FIELDS_H_

#include <optional>
#include <string>

#include <QString>

#include "comm/run_mode.h"
#include "store/result_code.h"

class QLabel;
class QStatusBar;

namespace kivo {

class MainCommands;

// The main window's status bar: the port the transfers use, the organizer
// model last seen on it, the last Backup's time ("port_status",
// "model_status", "backup_status"), and the word on a transfer that went
// through. The fields belong to the bar; the commands must outlive it.
class StatusFields {
 public:
  StatusFields(QStatusBar* bar, const MainCommands& commands);

  // Reads the settings and the history again.
  void Update();
  // A link session ended: its mode, its result, the organizer model it saw
  // (empty unless it went through) and the running command's word for it.
  void SessionDone(RunMode run_mode, ResultCode result, const QString& model,
                   const std::optional<std::string>& said);

 private:
  QStatusBar* bar_;
  const MainCommands& commands_;
  QLabel* port_;
  QLabel* model_;
  QLabel* backup_;
  std::string last_model_;
};

}  // namespace kivo

#endif  // KIVO_UI_STATUS_FIELDS_H_

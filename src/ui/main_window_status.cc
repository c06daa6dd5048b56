// The main window's status bar.

#include <QStatusBar>
#include <QTimer>

#include "ui/main_window_parts.h"
#include "ui/status_fields.h"

namespace kivo {

void MainWindow::BuildStatusBar() {
  parts_->status = std::make_unique<StatusFields>(statusBar(), commands_);
  user_.set_run_listener([this](RunMode run_mode, ResultCode result, const QString& model,
                                const std::optional<std::string>& said) {
    parts_->status->SessionDone(run_mode, result, model, said);
    // A Backup's copy goes into the history once its run is over.
    QTimer::singleShot(0, this, &MainWindow::UpdateStatusBar);
  });
}

void MainWindow::UpdateStatusBar() {
  if (parts_->status != nullptr) parts_->status->Update();
}

}  // namespace kivo

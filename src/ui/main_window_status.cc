// The main window's status bar.

#include <QStatusBar>
#include <QTimer>

#include "ui/main_window.h"
#include "ui/status_fields.h"

namespace kivo {

void MainWindow::BuildStatusBar() {
  status_ = std::make_unique<StatusFields>(statusBar(), commands_);
  user_.set_run_listener([this](RunMode run_mode, ResultCode result, const QString& model,
                                const std::optional<std::string>& said) {
    status_->SessionDone(run_mode, result, model, said);
    // A Backup's copy goes into the history once its run is over.
    QTimer::singleShot(0, this, &MainWindow::UpdateStatusBar);
  });
}

void MainWindow::UpdateStatusBar() {
  if (status_ != nullptr) status_->Update();
}

}  // namespace kivo

// The main window's status bar: the port the transfers use, the organizer
// model last seen on it, the last Backup's time, and the word on a transfer
// that went through.

#include <QLabel>
#include <QStatusBar>
#include <QTime>
#include <QTimer>

#include "desktop/port_names.h"
#include "store/app_settings.h"
#include "ui/main_window.h"

namespace kivo {
namespace {

const char* DoneText(RunMode run_mode) {
  switch (run_mode) {
    case RunMode::kBackup:
      return "Backup complete";
    case RunMode::kRestore:
      return "Restore complete";
    case RunMode::kUpload:
      return "Upload complete";
    case RunMode::kDownload:
      return "Download complete";
    case RunMode::kSendRecord:
      return "Sent to the Organizer";
    default:
      return "";
  }
}

QLabel* StatusField(QStatusBar* bar, const char* name) {
  auto* label = new QLabel(bar);
  label->setObjectName(QString::fromLatin1(name));
  bar->addPermanentWidget(label);
  return label;
}

}  // namespace

void MainWindow::BuildStatusBar() {
  QStatusBar* bar = statusBar();
  port_status_ = StatusField(bar, "port_status");
  model_status_ = StatusField(bar, "model_status");
  backup_status_ = StatusField(bar, "backup_status");
  user_.set_run_listener([this](RunMode run_mode, ResultCode result, const QString& model,
                                const std::optional<std::string>& said) {
    // What the organizer said it is, whatever Option > Organizer Model says.
    if (!model.isEmpty()) last_model_ = model;
    const QString done = result != kResultSuccess ? QString()
                         : said                   ? QString::fromStdString(*said)
                                                  : QString::fromLatin1(DoneText(run_mode));
    if (!done.isEmpty()) {
      statusBar()->showMessage(done + QStringLiteral(" at ") +
                               QTime::currentTime().toString(QStringLiteral("HH:mm")));
    } else {
      statusBar()->clearMessage();
    }
    UpdateStatusBar();
    // A Backup's copy goes into the history once its run is over.
    QTimer::singleShot(0, this, &MainWindow::UpdateStatusBar);
  });
  UpdateStatusBar();
}

void MainWindow::UpdateStatusBar() {
  if (port_status_ == nullptr) return;
  port_status_->setText(QStringLiteral("Port: ") +
                        QString::fromStdString(PortTitle(SettingsPort(commands_.settings()))));
  model_status_->setText(QStringLiteral("Organizer: ") +
                         (last_model_.isEmpty() ? QStringLiteral("not seen yet") : last_model_));
  const std::optional<LocalDateTime> backup = commands_.LastBackupTime();
  backup_status_->setText(
      QStringLiteral("Last Backup: ") +
      (backup ? QString::asprintf("%04d-%02d-%02d %02d:%02d", backup->year, backup->month,
                                  backup->day, backup->hour, backup->minute)
              : QStringLiteral("none")));
}

}  // namespace kivo

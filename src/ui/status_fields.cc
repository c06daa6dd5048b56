#include "ui/status_fields.h"

#include <QLabel>
#include <QStatusBar>
#include <QTime>

#include "desktop/main_commands.h"
#include "desktop/status_words.h"

namespace kivo {
namespace {

QLabel* Field(QStatusBar* bar, const char* name) {
  auto* label = new QLabel(bar);
  label->setObjectName(QString::fromLatin1(name));
  bar->addPermanentWidget(label);
  return label;
}

}  // namespace

StatusFields::StatusFields(QStatusBar* bar, const MainCommands& commands)
    : bar_(bar),
      commands_(commands),
      port_(Field(bar, "port_status")),
      model_(Field(bar, "model_status")),
      backup_(Field(bar, "backup_status")) {
  Update();
}

void StatusFields::Update() {
  port_->setText(QString::fromStdString(PortStatus(commands_.settings())));
  model_->setText(QString::fromStdString(OrganizerStatus(last_model_)));
  backup_->setText(QString::fromStdString(BackupStatus(commands_.LastBackupTime())));
}

void StatusFields::SessionDone(RunMode run_mode, ResultCode result, const QString& model,
                               const std::optional<std::string>& said) {
  // What the organizer said it is, whatever Option > Organizer Model says.
  if (!model.isEmpty()) last_model_ = model.toStdString();
  const std::string done = SessionDoneWord(run_mode, result, said);
  if (!done.empty()) {
    bar_->showMessage(QString::fromStdString(done) + QStringLiteral(" at ") +
                      QTime::currentTime().toString(QStringLiteral("HH:mm")));
  } else {
    bar_->clearMessage();
  }
  Update();
}

}  // namespace kivo

#include "ui/qt_command_user.h"

#include <algorithm>

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QStringList>

#include "commands/transfer_results.h"
#include "ui/history_dialog.h"
#include "ui/import_dialog.h"
#include "ui/message_box.h"
#include "ui/progress_window.h"

namespace kivo {

PromptAnswer QtCommandUser::Ask(const PromptBox& box) { return ShowMessageBox(parent_, box); }

std::optional<FileAnswer> QtCommandUser::ChooseFile(const FileQuestion& question) {
  FileRequest request;
  request.save = question.save;
  request.caption = QString::fromStdString(question.caption);
  request.dir = QString::fromStdString(question.dir);
  QStringList texts;
  for (const std::string& filter : question.filters) texts << QString::fromStdString(filter);
  request.filter = texts.join(QStringLiteral(";;"));
  if (question.selected_filter >= 0 && question.selected_filter < texts.size()) {
    request.selected_filter = texts[question.selected_filter];
  }
  request.proposed_name = QString::fromStdString(question.proposed_name);
  request.default_suffix = QString::fromStdString(question.default_suffix);
  QString chosen_filter;
  const QString chosen = kivo::ChooseFile(parent_, request, &chosen_filter);
  if (chosen.isEmpty()) return std::nullopt;
  return FileAnswer{chosen.toStdString(), std::max<int>(0, texts.indexOf(chosen_filter))};
}

std::optional<ImportChoice> QtCommandUser::ChooseImport(AppliId shown, const std::string& dir,
                                                        std::optional<CsvEncoding> encoding) {
  ImportDialog dialog(parent_, shown, QString::fromStdString(dir), encoding);
  if (ExecDialog(dialog) != QDialog::Accepted) return std::nullopt;
  return ImportChoice{dialog.file_name().toStdString(), dialog.appli(), dialog.encoding()};
}

HistoryChoice QtCommandUser::ChooseGeneration(std::vector<Generation> generations) {
  HistoryDialog dialog(parent_, std::move(generations));
  if (ExecDialog(dialog) != QDialog::Accepted) return {};
  switch (dialog.action()) {
    case HistoryDialog::Action::kOpen:
      return {HistoryChoice::Action::kOpen, dialog.chosen()};
    case HistoryDialog::Action::kRestore:
      return {HistoryChoice::Action::kRestore, dialog.chosen()};
    default:
      return {};
  }
}

ResultCode QtCommandUser::Show(LinkRun& run, const LinkSettings& shown) {
  ProgressWindow window(parent_);
  const ResultCode result = window.Run(run, shown);
  if (run_listener_) run_listener_(shown.run_mode, result, window.model_seen(), sessions_say_);
  return result;
}

AfterStop QtCommandUser::ChooseAfterStop(const RestoreResult& stopped) {
  const RestoreStoppedBox box = DescribeStop(stopped);
  QMessageBox dialog(QMessageBox::Warning, QString::fromUtf8(box.caption.c_str()),
                     QString::fromUtf8(box.text.c_str()), QMessageBox::NoButton, parent_);
  dialog.setObjectName(QStringLiteral("restore_stopped"));
  dialog.setTextInteractionFlags(Qt::TextSelectableByMouse);
  QPushButton* resume = nullptr;
  QPushButton* put_back = nullptr;
  if (box.can_resume) {
    resume = dialog.addButton(QStringLiteral("&Send the rest"), QMessageBox::AcceptRole);
    resume->setObjectName(QStringLiteral("resume"));
  }
  if (box.can_put_back) {
    put_back = dialog.addButton(QStringLiteral("&Put the snapshot back"), QMessageBox::ApplyRole);
    put_back->setObjectName(QStringLiteral("put_back"));
  }
  QPushButton* leave = dialog.addButton(QStringLiteral("&Leave it"), QMessageBox::RejectRole);
  leave->setObjectName(QStringLiteral("leave"));
  dialog.setDefaultButton(resume != nullptr ? resume : leave);
  dialog.setEscapeButton(leave);
  (void)ExecDialog(dialog);
  const QAbstractButton* chosen = dialog.clickedButton();
  if (chosen != nullptr && chosen == resume) return AfterStop::kResume;
  if (chosen != nullptr && chosen == put_back) return AfterStop::kPutBack;
  return AfterStop::kLeave;
}

void QtCommandUser::SetBusy(bool busy) {
  if (busy) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
  } else {
    QApplication::restoreOverrideCursor();
  }
}

}  // namespace kivo

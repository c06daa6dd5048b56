#include "ui/qt_command_user.h"

#include <QApplication>
#include <QStringList>

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

int QtCommandUser::RunTransfer(const LinkSettings& settings, SafeTransferReport* report) {
  ProgressWindow window(parent_);
  window.ApplyLinkSettings(settings);
  const int result = window.Run();
  if (report != nullptr) *report = window.safe_report();
  return result;
}

void QtCommandUser::SetBusy(bool busy) {
  if (busy) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
  } else {
    QApplication::restoreOverrideCursor();
  }
}

}  // namespace kivo

#include "ui/qt_command_user.h"

#include <QApplication>
#include <QStringList>

#include "commands/transfer_results.h"
#include "store/app_settings.h"
#include "ui/history_dialog.h"
#include "ui/import_dialog.h"
#include "ui/message_box.h"
#include "ui/progress_window.h"

namespace kivo {
namespace {

const char* CaptionOf(RunMode run_mode) {
  return run_mode == RunMode::kRestore ? "Restore" : "Download";
}

bool Yes(Prompter& prompter, const std::string& text, const char* caption) {
  return prompter.Ask({text, caption, PromptIcon::kQuestion, PromptButtons::kYesNo}) ==
         PromptAnswer::kYes;
}

// The question after the snapshot, before anything is deleted: Yes goes on.
PromptBox LargeChangeQuestion(const std::vector<LargeRemoval>& large,
                              const std::filesystem::path& kept, const char* caption) {
  std::string text = "This removes more than half of the records on your Organizer:\n";
  for (const LargeRemoval& r : large) {
    // Appended piece by piece: g++ 12 at -O3 reports a false -Wrestrict for
    // a literal plus a temporary string.
    text += '\n';
    text += AppliName(r.id);
    text += ": ";
    text += std::to_string(r.removed);
    text += " of its ";
    text += std::to_string(r.held);
    text += " records";
  }
  text += "\n\nThey are kept in\n" + kept.string() + "\nContinue ?";
  PromptBox box{text, caption, PromptIcon::kExclamation, PromptButtons::kYesNo};
  box.default_no = true;
  return box;
}

}  // namespace

PromptBox ConnectionReminderBox() {
  return {
      "1. Press the [ON/OFF] button to turn OFF.\n2. Connect the cable to your Organizer and "
      "your PC.\n3. Press the [ON/OFF] button to turn ON.",
      "Information", PromptIcon::kInformation, PromptButtons::kOk};
}

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

ResultCode QtCommandUser::RunTransfer(const LinkSettings& settings, SafeTransferReport* report) {
  ProgressWindow window(parent_);
  window.ApplyLinkSettings(settings);
  const ResultCode result = window.Run();
  if (report != nullptr) *report = window.safe_report();
  return result;
}

bool QtCommandUser::ReadyForNextRun() { return Ask(ConnectionReminderBox()) == PromptAnswer::kOk; }

bool QtCommandUser::GoOnAfterSnapshot(RunMode run_mode, const std::filesystem::path& kept,
                                      const std::vector<LargeRemoval>& large, Prompter& run) {
  if (large.empty()) return true;
  return run.Ask(LargeChangeQuestion(large, kept, CaptionOf(run_mode))) == PromptAnswer::kYes;
}

bool QtCommandUser::TellSnapshotNotKept(RunMode run_mode, const std::string& error_text,
                                        Prompter& run) {
  // Told here, where the folder is known; the run then ends without a box of
  // its own. An OK box has one answer.
  (void)run.Ask(
      {"The records on your Organizer could not be kept in the backup history:\n" + error_text +
           "\n\nNothing was deleted. Choose a folder that can be written "
           "([History] Folder= in " +
           kSettingsFileName + "), or set [History] Snapshot=0 to go on without keeping them.",
       CaptionOf(run_mode), PromptIcon::kExclamation, PromptButtons::kOk});
  return true;
}

void QtCommandUser::TellHistoryNotWritten(const std::string& error_text) {
  // An OK box has one answer.
  (void)Ask({"The records could not be kept in the backup history:\n" + error_text,
             "Backup History", PromptIcon::kExclamation, PromptButtons::kOk});
}

void QtCommandUser::TellJournalNotWritten(const std::filesystem::path& journal,
                                          const std::string& error_text) {
  // An OK box has one answer.
  (void)Ask({journal.string() + ": " + error_text +
                 "\n\nA restore that stops cannot be finished after the program ends.",
             "Restore", PromptIcon::kExclamation, PromptButtons::kOk});
}

void QtCommandUser::TellSnapshotNotUsable(const std::string&, bool) {
  // The desktop program goes on from a snapshot only when it holds what is
  // still to be sent; otherwise it takes a new one without asking.
}

AfterStop QtCommandUser::ChooseAfterStop(const RestoreResult& stopped) {
  const char* caption = CaptionOf(stopped.run_mode);
  // The organizer's records are gone, the new ones only partly there.
  if (stopped.run_mode == RunMode::kRestore &&
      Yes(*this,
          "The restore stopped after the records on your Organizer were deleted.\n"
          "Send the applications that are not complete yet ?",
          caption)) {
    return AfterStop::kResume;
  }
  if (stopped.snapshot.empty()) return AfterStop::kLeave;
  return Yes(*this,
             "The records your Organizer held before are kept in\n" + stopped.snapshot.string() +
                 "\nPut them back on your Organizer now ?",
             caption)
             ? AfterStop::kPutBack
             : AfterStop::kLeave;
}

void QtCommandUser::SetBusy(bool busy) {
  if (busy) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
  } else {
    QApplication::restoreOverrideCursor();
  }
}

}  // namespace kivo

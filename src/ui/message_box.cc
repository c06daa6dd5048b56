#include "ui/message_box.h"

#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QMessageBox>
#include <QThread>

#include "ui/pc_text.h"

namespace kivo {
namespace {

BoxResponder& Boxes() {
  static BoxResponder responder;
  return responder;
}
FileResponder& Files() {
  static FileResponder responder;
  return responder;
}
DialogResponder& Dialogs() {
  static DialogResponder responder;
  return responder;
}

QMessageBox::Icon BoxIcon(PromptIcon icon) {
  switch (icon) {
    case PromptIcon::kInformation:
      return QMessageBox::Information;
    case PromptIcon::kExclamation:
      return QMessageBox::Warning;
    case PromptIcon::kQuestion:
      return QMessageBox::Question;
    case PromptIcon::kNone:
      break;
  }
  return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons BoxButtons(PromptButtons buttons) {
  switch (buttons) {
    case PromptButtons::kOkCancel:
      return QMessageBox::Ok | QMessageBox::Cancel;
    case PromptButtons::kYesNo:
      return QMessageBox::Yes | QMessageBox::No;
    case PromptButtons::kRetryCancel:
      return QMessageBox::Retry | QMessageBox::Cancel;
    case PromptButtons::kOk:
      break;
  }
  return QMessageBox::Ok;
}

PromptAnswer Answer(int button) {
  switch (button) {
    case QMessageBox::Ok:
      return PromptAnswer::kOk;
    case QMessageBox::Yes:
      return PromptAnswer::kYes;
    case QMessageBox::No:
      return PromptAnswer::kNo;
    case QMessageBox::Retry:
      return PromptAnswer::kRetry;
    default:
      return PromptAnswer::kCancel;
  }
}

// What a box closed with its window's close button means.
PromptAnswer Dismissed(PromptButtons buttons) {
  switch (buttons) {
    case PromptButtons::kOk:
      return PromptAnswer::kOk;
    case PromptButtons::kYesNo:
      return PromptAnswer::kNo;
    default:
      return PromptAnswer::kCancel;
  }
}

}  // namespace

PromptAnswer ShowMessageBox(QWidget* parent, const PromptBox& box) {
  if (Boxes()) return Boxes()(parent, box);
  QMessageBox message(BoxIcon(box.icon), FromPcText(box.caption), FromPcText(box.text),
                      BoxButtons(box.buttons), parent);
  const int button = message.exec();
  return button == QMessageBox::NoButton || button < 0 ? Dismissed(box.buttons) : Answer(button);
}

void SetBoxResponder(BoxResponder responder) { Boxes() = std::move(responder); }

QString ChooseFile(QWidget* parent, const FileRequest& request) {
  if (Files()) return Files()(request);
  QFileDialog dialog(parent, request.caption, request.dir, request.filter);
  dialog.setAcceptMode(request.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dialog.setFileMode(request.save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  // A save dialog asks before an existing file is overwritten (Qt's default,
  // kept by leaving DontConfirmOverwrite off).
  if (!request.default_suffix.isEmpty()) dialog.setDefaultSuffix(request.default_suffix);
  if (request.save && !request.proposed_name.isEmpty()) dialog.selectFile(request.proposed_name);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  return dialog.selectedFiles().first();
}

void SetFileResponder(FileResponder responder) { Files() = std::move(responder); }

int ExecDialog(QDialog& dialog) {
  if (Dialogs()) return Dialogs()(dialog);
  return dialog.exec();
}

void SetDialogResponder(DialogResponder responder) { Dialogs() = std::move(responder); }

QtPrompter::QtPrompter(QWidget* parent) : parent_(parent) {}

PromptAnswer QtPrompter::Ask(const PromptBox& box) {
  QWidget* parent = parent_.data();
  if (parent == nullptr) return Dismissed(box.buttons);
  if (QThread::currentThread() == parent->thread()) return ShowMessageBox(parent, box);
  // The worker waits here while the UI thread shows the box; the UI thread
  // never waits for the worker while a run is on, so this cannot deadlock.
  PromptAnswer answer = Dismissed(box.buttons);
  QMetaObject::invokeMethod(
      parent, [&answer, &box, this] { answer = ShowMessageBox(parent_.data(), box); },
      Qt::BlockingQueuedConnection);
  return answer;
}

}  // namespace kivo

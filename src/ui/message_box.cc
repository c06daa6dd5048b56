#include "ui/message_box.h"

#include <memory>

#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QMessageBox>
#include <QThread>

#include "desktop/file_names.h"

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
  QMessageBox message(BoxIcon(box.icon), QString::fromStdString(box.caption),
                      QString::fromStdString(box.text), BoxButtons(box.buttons), parent);
  if (box.default_no && box.buttons == PromptButtons::kYesNo) {
    message.setDefaultButton(QMessageBox::No);
  }
  const int button = message.exec();
  return button == QMessageBox::NoButton || button < 0 ? Dismissed(box.buttons) : Answer(button);
}

void SetBoxResponder(BoxResponder responder) { Boxes() = std::move(responder); }

namespace {

// Qt's default suffix only goes on a name without any suffix; ours goes on
// every name that lacks it, and before the dialog's overwrite question.
class SuffixedSaveDialog : public QFileDialog {
 public:
  using QFileDialog::QFileDialog;

  void accept() override {
    const QStringList files = selectedFiles();
    if (!files.isEmpty() && !QFileInfo(files.first()).isDir()) {
      const std::string extension = QStringLiteral(".").append(defaultSuffix()).toStdString();
      const QString named =
          QString::fromStdString(WithExtension(files.first().toStdString(), extension));
      if (named != files.first()) {
        selectFile(named);
        // selectFile leaves alone a name field that has the focus (the user
        // typed the name and pressed Enter): the name goes there as well, or
        // the overwrite question below would be about the name without it.
        if (auto* field = findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))) {
          field->setText(QFileInfo(named).fileName());
        }
      }
    }
    QFileDialog::accept();
  }
};

// "vcf" of "vCard Files (*.vcf)"; empty when the filter names no one suffix.
QString SuffixOfFilter(const QString& filter) {
  const qsizetype open = filter.lastIndexOf(QStringLiteral("(*."));
  const qsizetype close = filter.indexOf(QLatin1Char(')'), open);
  if (open < 0 || close < 0) return {};
  const QString suffix = filter.mid(open + 3, close - open - 3);
  return suffix.contains(QLatin1Char(' ')) ? QString() : suffix;
}

}  // namespace

QFileDialog* MakeFileDialog(QWidget* parent, const FileRequest& request) {
  const bool suffixed = request.save && !request.default_suffix.isEmpty();
  QFileDialog* dialog =
      suffixed ? new SuffixedSaveDialog(parent, request.caption, request.dir, request.filter)
               : new QFileDialog(parent, request.caption, request.dir, request.filter);
  dialog->setAcceptMode(request.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dialog->setFileMode(request.save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  // A save dialog asks before an existing file is overwritten (Qt's default,
  // kept by leaving DontConfirmOverwrite off). The suffix must be added by the
  // dialog itself before that question: a platform dialog would not let us.
  if (suffixed) {
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    dialog->setDefaultSuffix(request.default_suffix);
    // With several filters the suffix is the chosen filter's ("*.vcf").
    auto follow = [dialog](const QString& filter) {
      const QString suffix = SuffixOfFilter(filter);
      if (!suffix.isEmpty()) dialog->setDefaultSuffix(suffix);
    };
    QObject::connect(dialog, &QFileDialog::filterSelected, dialog, follow);
    if (!request.selected_filter.isEmpty()) follow(request.selected_filter);
  }
  if (!request.selected_filter.isEmpty()) dialog->selectNameFilter(request.selected_filter);
  if (request.save && !request.proposed_name.isEmpty()) dialog->selectFile(request.proposed_name);
  return dialog;
}

QString ChooseFile(QWidget* parent, const FileRequest& request, QString* chosen_filter) {
  if (Files()) {
    if (chosen_filter != nullptr) *chosen_filter = request.selected_filter;
    return Files()(request);
  }
  std::unique_ptr<QFileDialog> dialog(MakeFileDialog(parent, request));
  if (dialog->exec() != QDialog::Accepted || dialog->selectedFiles().isEmpty()) return {};
  if (chosen_filter != nullptr) *chosen_filter = dialog->selectedNameFilter();
  return dialog->selectedFiles().first();
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

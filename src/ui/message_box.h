#ifndef KIVO_UI_MESSAGE_BOX_H_
#define KIVO_UI_MESSAGE_BOX_H_

#include <functional>

#include <QPointer>
#include <QString>

#include "platform/prompter.h"

class QDialog;
class QFileDialog;
class QWidget;

namespace kivo {

// Every message box, file dialog and modal dialog of the desktop program goes
// through these functions, so that tests can answer them from a script instead
// of a user (a real modal box would block an unattended run). Without a
// responder they show the platform's dialogs. UI thread only.

// A modal box with the box's icon, caption and buttons; the button pressed.
PromptAnswer ShowMessageBox(QWidget* parent, const PromptBox& box);
using BoxResponder = std::function<PromptAnswer(QWidget* parent, const PromptBox& box)>;
// Replaces the boxes; an empty responder brings them back.
void SetBoxResponder(BoxResponder responder);

// A file-open or file-save dialog. Returns the chosen path, or an empty
// string when the user cancelled.
struct FileRequest {
  bool save = false;
  QString caption;
  QString dir;
  QString filter;           // "Backup Files (*.bkf)"; several joined by ";;"
  QString selected_filter;  // the one chosen at first; empty: the first
  QString proposed_name;    // save only; may be empty
  QString default_suffix;   // without the dot
};
// *chosen_filter (when given) receives the filter the user left selected
// (with a responder: the request's selected filter).
QString ChooseFile(QWidget* parent, const FileRequest& request, QString* chosen_filter = nullptr);
// The dialog ChooseFile shows, set up from the request. A save dialog with a
// default suffix puts it on any name that does not already end with it
// ("x.txt" becomes "x.txt.bkf") before it asks whether to replace an existing
// file, so the question names the file that will be written.
QFileDialog* MakeFileDialog(QWidget* parent, const FileRequest& request);
using FileResponder = std::function<QString(const FileRequest& request)>;
void SetFileResponder(FileResponder responder);

// Runs a modal dialog (exec) and returns its result code.
int ExecDialog(QDialog& dialog);
using DialogResponder = std::function<int(QDialog& dialog)>;
void SetDialogResponder(DialogResponder responder);

// A Prompter for logic that runs on a worker thread (a communication run) or
// on the UI thread (an export): the box is shown on the UI thread, owned by
// `parent`, while the asking thread waits for the answer. With the parent gone
// every box is answered with the negative answer.
class QtPrompter : public Prompter {
 public:
  explicit QtPrompter(QWidget* parent);
  PromptAnswer Ask(const PromptBox& box) override;

 private:
  QPointer<QWidget> parent_;
};

}  // namespace kivo

#endif  // KIVO_UI_MESSAGE_BOX_H_

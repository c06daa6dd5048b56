#ifndef KIVO_UI_IMPORT_DIALOG_H_
#define KIVO_UI_IMPORT_DIALOG_H_

#include <QDialog>
#include <QString>

#include "store/appli_id.h"

class QComboBox;
class QLineEdit;
class QPushButton;

namespace kivo {

// The Import dialog: a "File Name:" field with "Browse", the "Application:"
// list in tab order, OK and Cancel. OK checks that the file can be opened for
// reading; when it cannot, the system's error text is shown ("Import") and the
// dialog stays open. Browse opens the CSV open dialog in the dialog's own copy
// of the backup folder, which it leaves behind for the next Browse only.
class ImportDialog : public QDialog {
  Q_OBJECT

 public:
  ImportDialog(QWidget* parent, AppliId initial, const QString& folder);

  // After OK: the file and the application chosen (-1 when none is).
  QString file_name() const;
  [[nodiscard]] int appli() const;

  QLineEdit* file_edit() const { return file_; }
  QComboBox* appli_box() const { return appli_; }
  QPushButton* browse_button() const { return browse_; }

 public slots:
  void accept() override;

 private:
  void OnBrowse();

  QString folder_;
  QLineEdit* file_ = nullptr;
  QComboBox* appli_ = nullptr;
  QPushButton* browse_ = nullptr;
};

// The system's reason why the file cannot be opened for reading; empty when
// it can.
[[nodiscard]] std::string ImportFileProblem(const std::string& path);

}  // namespace kivo

#endif  // KIVO_UI_IMPORT_DIALOG_H_

#ifndef KIVO_UI_IMPORT_DIALOG_H_
#define KIVO_UI_IMPORT_DIALOG_H_

#include <optional>

#include <QDialog>
#include <QString>

#include "csv/cp1252.h"
#include "store/appli_id.h"

class QComboBox;
class QLineEdit;
class QPushButton;

namespace kivo {

// The Import dialog: a "File Name:" field with "Browse", the "Application:"
// list in tab order, the "Encoding:" of CSV files (found from the file,
// UTF-8 or Windows-1252), OK and Cancel. OK checks that the file can be
// opened for reading and that its format fits the application; when not,
// the reason is shown ("Import") and the dialog stays open. Browse offers
// the formats of the chosen application in the dialog's own copy of the
// backup folder, which it leaves behind for the next Browse only.
class ImportDialog : public QDialog {
  Q_OBJECT

 public:
  ImportDialog(QWidget* parent, AppliId initial, const QString& folder,
               std::optional<CsvEncoding> encoding = std::nullopt);

  // After OK: the file and the application chosen (-1 when none is).
  QString file_name() const;
  [[nodiscard]] int appli() const;
  // nullopt: found from the file.
  std::optional<CsvEncoding> encoding() const;

  QLineEdit* file_edit() const { return file_; }
  QComboBox* appli_box() const { return appli_; }
  QPushButton* browse_button() const { return browse_; }
  QComboBox* encoding_box() const { return encoding_; }

 public slots:
  void accept() override;

 private:
  void OnBrowse();

  QString folder_;
  QLineEdit* file_ = nullptr;
  QComboBox* appli_ = nullptr;
  QComboBox* encoding_ = nullptr;
  QPushButton* browse_ = nullptr;
};

}  // namespace kivo

#endif  // KIVO_UI_IMPORT_DIALOG_H_

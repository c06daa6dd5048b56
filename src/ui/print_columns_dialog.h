#ifndef KIVO_UI_PRINT_COLUMNS_DIALOG_H_
#define KIVO_UI_PRINT_COLUMNS_DIALOG_H_

#include <string>
#include <vector>

#include <QDialog>

#include "store/appli_id.h"

class QListWidget;
class QPushButton;
class QRadioButton;

namespace kivo {

// Asked before a list is printed ("Print Columns"): a box for each column of
// the application ("printColumns", the chosen ones ticked; Space ticks and
// unticks) and, for Telephone, whether it prints as a phone list
// ("phoneList") or as a table of the ticked columns ("table"). OK (the
// default button) needs a ticked column for a table. Texts in the PC coding.
class PrintColumnsDialog : public QDialog {
  Q_OBJECT

 public:
  PrintColumnsDialog(AppliId id, const std::vector<std::string>& columns,
                     const std::vector<std::string>& chosen, bool phone_list,
                     QWidget* parent = nullptr);

  // The ticked columns, in the list's order.
  [[nodiscard]] std::vector<std::string> chosen() const;
  [[nodiscard]] bool phone_list() const;

 private:
  void Update();

  std::vector<std::string> columns_;
  QListWidget* list_ = nullptr;
  QRadioButton* phone_list_ = nullptr;
  QRadioButton* table_ = nullptr;
  QPushButton* ok_ = nullptr;
};

}  // namespace kivo

#endif  // KIVO_UI_PRINT_COLUMNS_DIALOG_H_

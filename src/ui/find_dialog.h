#ifndef KIVO_UI_FIND_DIALOG_H_
#define KIVO_UI_FIND_DIALOG_H_

#include <QDialog>

class QCheckBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace kivo {

// The modeless find dialog of the main window: the search text, the direction
// (Up, Down) and Match case, with "&Find Next" and "Cancel". It opens with an
// empty text, direction Down and Match case checked. Each Find Next emits
// FindNextRequested; the main window searches and answers "Not found !" owned
// by this dialog. The dialog deletes itself when closed.
class FindDialog : public QDialog {
  Q_OBJECT

 public:
  explicit FindDialog(QWidget* parent);

  QLineEdit* text_edit() const { return text_; }
  QRadioButton* up_button() const { return up_; }
  QRadioButton* down_button() const { return down_; }
  QCheckBox* match_case_box() const { return match_case_; }
  QPushButton* find_next_button() const { return find_next_; }

 signals:
  void FindNextRequested(const QString& text, bool down, bool match_case);

 private:
  void OnFindNext();

  QLineEdit* text_ = nullptr;
  QRadioButton* up_ = nullptr;
  QRadioButton* down_ = nullptr;
  QCheckBox* match_case_ = nullptr;
  QPushButton* find_next_ = nullptr;
};

}  // namespace kivo

#endif  // KIVO_UI_FIND_DIALOG_H_

#ifndef KIVO_UI_HISTORY_DIALOG_H_
#define KIVO_UI_HISTORY_DIALOG_H_

#include <filesystem>
#include <vector>

#include <QDialog>

#include "history/history.h"

class QTableWidget;

namespace kivo {

// File > "Backup History...": the generations, newest first, with their date
// and time, kind, records per application ("-" for one a generation does not
// hold) and file. Open and Restore close the
// dialog (accepted) with the chosen generation and action; Close rejects.
class HistoryDialog : public QDialog {
  Q_OBJECT

 public:
  enum class Action { kNone, kOpen, kRestore };

  HistoryDialog(QWidget* parent, std::vector<Generation> generations);

  QTableWidget* table() const { return table_; }
  // Chooses a row and an action as the buttons do (also for tests).
  void Choose(int row, Action action);

  Action action() const { return action_; }
  std::filesystem::path chosen() const { return chosen_; }

 private:
  std::vector<Generation> generations_;
  QTableWidget* table_ = nullptr;
  Action action_ = Action::kNone;
  std::filesystem::path chosen_;
};

}  // namespace kivo

#endif  // KIVO_UI_HISTORY_DIALOG_H_

#ifndef KIVO_UI_SEARCH_PANEL_H_
#define KIVO_UI_SEARCH_PANEL_H_

#include <vector>

#include <QDialog>

#include "view/search_index.h"

class QLabel;
class QLineEdit;
class QTreeView;

namespace kivo {

class SearchResults;

// The search across applications: a field that searches every application as
// the user types and a list of the records found (application, date, the
// record's text with the match marked). Enter, a click or a double click
// chooses a record; Down goes from the field into the list and Up from the
// list's first row back; Esc closes the window. Modeless: the main window
// stays usable beside it. The widgets carry object names ("searchField",
// "searchResults", "searchStatus").
class SearchPanel : public QDialog {
  Q_OBJECT

 public:
  // The index is borrowed and must outlive the panel; the owner keeps it
  // up to date and calls Refresh.
  SearchPanel(const SearchIndex& index, QWidget* parent = nullptr);
  ~SearchPanel() override;

  // Runs the search again: after the index changed.
  void Refresh();
  QLineEdit* field() const { return field_; }
  QTreeView* results() const { return view_; }
  // The records found for the text in the field.
  const std::vector<SearchHit>& hits() const;

 signals:
  void RecordChosen(AppliId id, int position);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Search();
  void Choose(int row);

  const SearchIndex& index_;
  SearchResults* results_ = nullptr;
  QLineEdit* field_ = nullptr;
  QTreeView* view_ = nullptr;
  QLabel* status_ = nullptr;
};

}  // namespace kivo

#endif  // KIVO_UI_SEARCH_PANEL_H_

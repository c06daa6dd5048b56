#ifndef KIVO_UI_RECORD_SEARCH_H_
#define KIVO_UI_RECORD_SEARCH_H_

#include <cstdint>
#include <functional>
#include <span>

#include <QPointer>

#include "store/appli_id.h"
#include "view/search_index.h"

class QMenu;
class QWidget;

namespace kivo {

class MainCommands;
class SearchPanel;

// Edit > "Search All Applications..." ("search") of the main window: the
// search panel ("searchPanel") over the records of every application, made
// at its first opening and kept. Its index reads the records again at each
// opening and, while the panel is shown, at each Follow. The window shows
// the record chosen. The window and the commands must outlive it; it goes
// before the window's children, with its panel.
class RecordSearch {
 public:
  using Chosen = std::function<void(AppliId id, std::span<const uint8_t> record)>;
  RecordSearch(QWidget* window, MainCommands& commands, Chosen chosen);
  ~RecordSearch();
  RecordSearch(const RecordSearch&) = delete;
  RecordSearch& operator=(const RecordSearch&) = delete;

  void AddAction(QMenu* edit);
  void Open();
  // After the records changed.
  void Follow();

 private:
  QWidget* window_;
  MainCommands& commands_;
  Chosen chosen_;
  SearchIndex index_;
  QPointer<SearchPanel> panel_;
};

}  // namespace kivo

#endif  // KIVO_UI_RECORD_SEARCH_H_

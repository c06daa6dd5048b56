#ifndef KIVO_UI_MAIN_WINDOW_PARTS_H_
#define KIVO_UI_MAIN_WINDOW_PARTS_H_

// The main window's parts, for its own source files only.

#include <memory>

#include <QPointer>

#include "ui/main_window.h"
#include "ui/record_search.h"
#include "ui/status_fields.h"
#include "view/calendar_model.h"

class QAction;
class QComboBox;
class QPlainTextEdit;
class QPushButton;
class QSplitter;
class QTabWidget;
class QToolButton;
class QTreeWidget;

namespace kivo {

class CalendarView;
class FindDialog;
class ListHeaderArea;

struct MainWindow::Parts {
  // The client area (main_window_build.cc). The tab control lies under the
  // rest and serves every tab.
  QTabWidget* tabs = nullptr;
  ListHeaderArea* header = nullptr;
  QTreeWidget* list = nullptr;
  QPlainTextEdit* detail = nullptr;
  // Between the list and the detail pane; its handle is the gap between them.
  QSplitter* splitter = nullptr;
  QComboBox* filter = nullptr;
  QToolButton* upload = nullptr;
  QToolButton* download = nullptr;
  QToolButton* send = nullptr;
  QPushButton* new_button = nullptr;
  QPushButton* edit_button = nullptr;
  QPushButton* delete_button = nullptr;

  // The Edit menu's items that follow the enabling rules and the undo steps.
  QAction* new_entry = nullptr;
  QAction* edit_entry = nullptr;
  QAction* delete_entry = nullptr;
  QAction* find = nullptr;
  QAction* undo = nullptr;
  QPointer<FindDialog> find_dialog;

  // The calendar on the Schedule tab, its switches and the View menu's items
  // (main_window_views.cc). The view borrows the model.
  CalendarModel calendar_model;
  CalendarView* calendar = nullptr;
  QToolButton* list_switch = nullptr;
  QToolButton* calendar_switch = nullptr;
  QAction* list_action = nullptr;
  QAction* calendar_action = nullptr;
  QAction* layout_actions[3] = {nullptr, nullptr, nullptr};

  std::unique_ptr<StatusFields> status;
  std::unique_ptr<RecordSearch> search;
};

}  // namespace kivo

#endif  // KIVO_UI_MAIN_WINDOW_PARTS_H_

#ifndef KIVO_UI_PAGE_PRINTER_H_
#define KIVO_UI_PAGE_PRINTER_H_

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <QObject>
#include <QPageLayout>
#include <QString>

#include "print/page_layout.h"
#include "store/appli_id.h"

class QMenu;
class QWidget;

namespace kivo {

class MainCommands;

// What the window has on screen to print: a calendar page, or the list of
// `appli` with every column of the application, in the list's order (`shown`:
// the titles of the columns the list shows).
struct ScreenPrint {
  PrintJob job;
  AppliId appli = kSchedule;
  std::vector<std::string> shown;
};

// File > "Page Setup...", "Print Preview...", "Print..." and "Export PDF..."
// of the main window: each prints what the window has on screen at that
// moment; a list after the owner chose its columns (PrintColumnsDialog), which
// the settings keep. The printer the user chose and its page setup are kept
// while the program runs. A child of the window, whose dialogs it shows; the
// commands (the settings, the folder of the file dialog) must outlive it.
class PagePrinter : public QObject {
 public:
  using JobSource = std::function<ScreenPrint()>;
  PagePrinter(QWidget* window, MainCommands& commands, JobSource current_job);

  // The four items, named "page_setup", "print_preview", "print" and
  // "export_pdf", at the end of the menu.
  void AddActions(QMenu* file);

  void PageSetup();
  void Print();
  void PrintPreview();
  void ExportPdf();

 private:
  // The job on screen with the columns the owner chooses; nothing when the
  // choice was cancelled.
  std::optional<PrintJob> ChooseJob();

  QWidget* window_;
  MainCommands& commands_;
  JobSource current_job_;
  QString printer_name_;
  QPageLayout page_layout_;
  bool page_set_up_ = false;
};

}  // namespace kivo

#endif  // KIVO_UI_PAGE_PRINTER_H_

#ifndef KIVO_UI_PAGE_PRINTER_H_
#define KIVO_UI_PAGE_PRINTER_H_

#include <functional>

#include <QObject>
#include <QPageLayout>
#include <QString>

class QMenu;
class QWidget;

namespace kivo {

class MainCommands;
struct PrintJob;

// File > "Page Setup...", "Print Preview...", "Print..." and "Export PDF..."
// of the main window: each prints the job the window has on screen at that
// moment. The printer the user chose and its page setup are kept while the
// program runs. A child of the window, whose dialogs it shows; the commands
// (the folder of the file dialog, the application on screen) must outlive it.
class PagePrinter : public QObject {
 public:
  using JobSource = std::function<PrintJob()>;
  PagePrinter(QWidget* window, const MainCommands& commands, JobSource current_job);

  // The four items, named "page_setup", "print_preview", "print" and
  // "export_pdf", at the end of the menu.
  void AddActions(QMenu* file);

  void PageSetup();
  void Print();
  void PrintPreview();
  void ExportPdf();

 private:
  QWidget* window_;
  const MainCommands& commands_;
  JobSource current_job_;
  QString printer_name_;
  QPageLayout page_layout_;
  bool page_set_up_ = false;
};

}  // namespace kivo

#endif  // KIVO_UI_PAGE_PRINTER_H_

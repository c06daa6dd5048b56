#include "ui/page_printer.h"

#include <QAction>
#include <QMenu>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>

#include "desktop/main_commands.h"
#include "print/page_layout.h"
#include "store/app_settings.h"
#include "ui/message_box.h"

namespace kivo {
namespace {

// A printer with the user's choices of this run.
void SetUpPrinter(QPrinter& printer, const QString& name, const QPageLayout& layout, bool set_up,
                  const PrintJob& job) {
  if (!name.isEmpty()) printer.setPrinterName(name);
  if (set_up) {
    printer.setPageLayout(layout);
  } else {
    printer.setPageOrientation(PrefersLandscape(job) ? QPageLayout::Landscape
                                                     : QPageLayout::Portrait);
  }
}

}  // namespace

PagePrinter::PagePrinter(QWidget* window, const MainCommands& commands, JobSource current_job)
    : QObject(window), window_(window), commands_(commands), current_job_(std::move(current_job)) {}

void PagePrinter::AddActions(QMenu* file) {
  QAction* setup = file->addAction(QStringLiteral("Page Set&up..."));
  QAction* preview = file->addAction(QStringLiteral("Print Pre&view..."));
  QAction* print = file->addAction(QStringLiteral("&Print..."));
  QAction* pdf = file->addAction(QStringLiteral("Export P&DF..."));
  print->setShortcut(QKeySequence::Print);
  pdf->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_P));
  setup->setObjectName(QStringLiteral("page_setup"));
  preview->setObjectName(QStringLiteral("print_preview"));
  print->setObjectName(QStringLiteral("print"));
  pdf->setObjectName(QStringLiteral("export_pdf"));
  connect(setup, &QAction::triggered, this, &PagePrinter::PageSetup);
  connect(preview, &QAction::triggered, this, &PagePrinter::PrintPreview);
  connect(print, &QAction::triggered, this, &PagePrinter::Print);
  connect(pdf, &QAction::triggered, this, &PagePrinter::ExportPdf);
}

void PagePrinter::PageSetup() {
  QPrinter printer(QPrinter::HighResolution);
  SetUpPrinter(printer, printer_name_, page_layout_, page_set_up_, current_job_());
  QPageSetupDialog dialog(&printer, window_);
  if (ExecDialog(dialog) != QDialog::Accepted) return;
  page_layout_ = printer.pageLayout();
  printer_name_ = printer.printerName();
  page_set_up_ = true;
}

void PagePrinter::Print() {
  const PrintJob job = current_job_();
  QPrinter printer(QPrinter::HighResolution);
  SetUpPrinter(printer, printer_name_, page_layout_, page_set_up_, job);
  QPrintDialog dialog(&printer, window_);
  dialog.setWindowTitle(QStringLiteral("Print"));
  // Page numbers count the whole print; it goes out whole.
  dialog.setOption(QAbstractPrintDialog::PrintPageRange, false);
  if (ExecDialog(dialog) != QDialog::Accepted) return;
  printer_name_ = printer.printerName();
  if (PaintJob(job, printer) == 0) {
    (void)ShowMessageBox(window_, {"The pages could not be printed.", "Print",
                                   PromptIcon::kExclamation, PromptButtons::kOk});
  }
}

void PagePrinter::PrintPreview() {
  const PrintJob job = current_job_();
  QPrinter printer(QPrinter::HighResolution);
  SetUpPrinter(printer, printer_name_, page_layout_, page_set_up_, job);
  QPrintPreviewDialog preview(&printer, window_);
  preview.setWindowTitle(QStringLiteral("Print Preview"));
  connect(&preview, &QPrintPreviewDialog::paintRequested, this,
          [&job](QPrinter* target) { (void)PaintJob(job, *target); });
  (void)ExecDialog(preview);
}

void PagePrinter::ExportPdf() {
  const PrintJob job = current_job_();
  FileRequest request;
  request.save = true;
  request.caption = QStringLiteral("Export PDF");
  request.dir = QString::fromStdString(commands_.settings().backup_dir);
  request.filter = QStringLiteral("PDF Files (*.pdf)");
  request.default_suffix = QStringLiteral("pdf");
  request.proposed_name =
      job.calendar
          ? QStringLiteral("calendar.pdf")
          : QString::fromLatin1(AppliKeyword(commands_.model().appli())) + QStringLiteral(".pdf");
  const QString path = ChooseFile(window_, request);
  if (path.isEmpty()) return;
  const Result<int> written =
      WritePdf(job, path.toStdString(), page_set_up_ ? &page_layout_ : nullptr);
  if (!written) {
    (void)ShowMessageBox(window_, {"Failed to export PDF: " + written.error(), "Export PDF",
                                   PromptIcon::kExclamation, PromptButtons::kOk});
  }
}

}  // namespace kivo

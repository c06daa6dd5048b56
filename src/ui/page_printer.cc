#include "ui/page_printer.h"

#include <algorithm>

#include <QAction>
#include <QMenu>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>

#include "desktop/main_commands.h"
#include "print/page_layout.h"
#include "print/print_choice.h"
#include "store/app_settings.h"
#include "ui/message_box.h"
#include "ui/print_columns_dialog.h"

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

PagePrinter::PagePrinter(QWidget* window, MainCommands& commands, JobSource current_job)
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

std::optional<PrintJob> PagePrinter::ChooseJob() {
  ScreenPrint screen = current_job_();
  if (screen.job.lists.empty()) return std::move(screen.job);
  PrintedList& list = screen.job.lists.front();
  PrintChoices& choices = commands_.settings().print;
  const auto index = static_cast<size_t>(screen.appli);
  // The columns chosen last that the list still has; at first, those it shows.
  std::vector<std::string> chosen;
  for (const std::string& title : choices.columns[index]) {
    if (std::find(list.columns.begin(), list.columns.end(), title) != list.columns.end()) {
      chosen.push_back(title);
    }
  }
  if (chosen.empty()) chosen = screen.shown;
  PrintColumnsDialog dialog(screen.appli, list.columns, chosen, choices.phone_list, window_);
  if (ExecDialog(dialog) != QDialog::Accepted) return std::nullopt;
  if (!dialog.chosen().empty()) choices.columns[index] = dialog.chosen();
  if (screen.appli == kTelephone) choices.phone_list = dialog.phone_list();
  // Kept at once: a choice is worth as much as the print it made.
  commands_.SaveSettings();
  ApplyPrintChoices(list, screen.appli, choices, screen.shown);
  return std::move(screen.job);
}

void PagePrinter::PageSetup() {
  // The page turned as the last choice of columns and layout would print it.
  ScreenPrint screen = current_job_();
  if (!screen.job.lists.empty()) {
    ApplyPrintChoices(screen.job.lists.front(), screen.appli, commands_.settings().print,
                      screen.shown);
  }
  QPrinter printer(QPrinter::HighResolution);
  SetUpPrinter(printer, printer_name_, page_layout_, page_set_up_, screen.job);
  QPageSetupDialog dialog(&printer, window_);
  if (ExecDialog(dialog) != QDialog::Accepted) return;
  page_layout_ = printer.pageLayout();
  printer_name_ = printer.printerName();
  page_set_up_ = true;
}

void PagePrinter::Print() {
  const std::optional<PrintJob> chosen = ChooseJob();
  if (!chosen) return;
  const PrintJob& job = *chosen;
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
  const std::optional<PrintJob> chosen = ChooseJob();
  if (!chosen) return;
  const PrintJob& job = *chosen;
  QPrinter printer(QPrinter::HighResolution);
  SetUpPrinter(printer, printer_name_, page_layout_, page_set_up_, job);
  QPrintPreviewDialog preview(&printer, window_);
  preview.setWindowTitle(QStringLiteral("Print Preview"));
  connect(&preview, &QPrintPreviewDialog::paintRequested, this,
          [&job](QPrinter* target) { (void)PaintJob(job, *target); });
  (void)ExecDialog(preview);
}

void PagePrinter::ExportPdf() {
  const std::optional<PrintJob> chosen = ChooseJob();
  if (!chosen) return;
  const PrintJob& job = *chosen;
  FileRequest request;
  request.save = true;
  request.caption = QStringLiteral("Export PDF");
  request.dir = QString::fromStdString(commands_.settings().backup_dir);
  request.filter = QStringLiteral("PDF Files (*.pdf)");
  request.default_suffix = QStringLiteral("pdf");
  request.proposed_name = QString::fromStdString(SuggestedPdfName(job));
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

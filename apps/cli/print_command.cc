// print: the lists or a month of the calendar as a PDF file, without a
// display (the printing module runs on Qt's offscreen platform).

#include <ostream>

#include "backup_access.h"
#include "command_table.h"
#include "format/date_format.h"
#include "format/today.h"
#include "print/page_layout.h"
#include "record_listing.h"
#include "view/appli_columns.h"

namespace kivo::cli {
namespace {

int RunPrint(CliContext& context, std::span<const std::string> args) {
  const CliOptions& view = context.options;
  if (!view.pdf) return context.UsageFailure("print needs --pdf OUT.pdf");
  const bool month = view.month.has_value();
  const uint8_t mask = view.apps.value_or(month ? kCalendarAppliMask : 0x3F);
  if (month && (mask & ~kCalendarAppliMask) != 0) {
    return context.UsageFailure("a --month page shows schedule, anniversary and todo only");
  }
  if (!CheckTables(context)) return kExitFailure;
  AppliStore store{context.tables.code};
  if (int status = ReadBackupForViewing(context, args[0], store, true); status != kExitOk) {
    return status;
  }

  PrintJob job;
  job.display_date = context.settings.display_date;
  job.display_hour = context.settings.display_hour;
  const DateValue today = SystemToday();
  job.date = FormatDate(today, job.display_date, true);
  job.today = DayNumber(today.year, today.month, today.day);
  CalendarModel calendar;
  if (month) {
    calendar.Sync([&store](AppliId id) { return StoreRecordList(store, id); });
    PrintedCalendar page;
    page.model = &calendar;
    page.year = *view.year;
    page.month = *view.month;
    page.appli_mask = mask;
    job.calendar = page;
  } else {
    for (AppliId id : kTabAppli) {
      if ((mask & (1u << id)) == 0) continue;
      const TextTable table = AppliTable(store, id, context.settings);
      PrintedList list;
      list.title = std::string(TabName(id));
      list.columns = table.titles;
      list.right_aligned = table.right_aligned;
      for (const ColumnSpec& column : AppliColumns(id)) list.widths.push_back(column.width);
      list.rows = table.rows;
      job.lists.push_back(std::move(list));
    }
  }
  const Result<int> written = WritePdf(job, *view.pdf);
  if (!written) return context.FileFailure(*view.pdf, written.error());
  const int pages = *written;
  *context.out << pages << (pages == 1 ? " page" : " pages") << " written to " << view.pdf->string()
               << "\n";
  return kExitOk;
}

constexpr CliCommand kPrintCommands[] = {
    {"print", "FILE.bkf --pdf OUT.pdf", "the lists, or a month of the calendar, as a PDF file",
     "Each application's list (its columns as the desktop's list shows them, in\n"
     "the file's order) starts on a page of its own; every page carries the\n"
     "application's name, the day of printing and its number. --apps LIST picks\n"
     "the applications (default: all six). --month YYYY-MM prints that month of\n"
     "the calendar instead: Schedule entries at their dates and times,\n"
     "Anniversaries every year, To Dos on their due dates. Needs no display.",
     1, 1, RunPrint},
};

}  // namespace

std::span<const CliCommand> PrintCommands() { return kPrintCommands; }

}  // namespace kivo::cli

// print: the lists or a month of the calendar as a PDF file, without a
// display (the printing module runs on Qt's offscreen platform).

#include <ostream>

#include "backup_access.h"
#include "command_table.h"
#include "format/date_format.h"
#include "format/today.h"
#include "print/page_layout.h"
#include "print/print_choice.h"
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
  if (month && view.phone_list) {
    return context.UsageFailure("--layout is for the lists, not a --month page");
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
    // The columns and the Telephone layout the owner chose to print, with
    // the layout of the command line before the settings'.
    PrintChoices choices = context.settings.print;
    if (view.phone_list) choices.phone_list = *view.phone_list;
    for (AppliId id : kTabAppli) {
      if ((mask & (1u << id)) == 0) continue;
      const TextTable table = AppliTable(store, id, context.settings);
      PrintedList list;
      list.title = std::string(TabName(id));
      list.columns = table.titles;
      list.right_aligned = table.right_aligned;
      for (const ColumnSpec& column : AppliColumns(id)) list.widths.push_back(column.width);
      list.rows = table.rows;
      ApplyPrintChoices(list, id, choices, table.titles);
      job.lists.push_back(std::move(list));
    }
  }
  const std::filesystem::path out = OutputPath(view.pdf->string());
  const Result<int> written = WritePdf(job, out);
  if (!written) return context.FileFailure(out, written.error());
  const int pages = *written;
  context.SayAbout(out) << pages << (pages == 1 ? " page" : " pages") << " written to "
                        << out.string() << "\n";
  return kExitOk;
}

constexpr CliCommand kPrintCommands[] = {
    {"print", "FILE.bkf --pdf OUT.pdf", "the lists, or a month of the calendar, as a PDF file",
     "Each application's list (in the file's order) starts on a page of its\n"
     "own; every page carries the application's name, the day of printing and\n"
     "its number. A list is a table of the columns chosen to print in the\n"
     "desktop program (the settings' [Print] section; all its columns without\n"
     "a choice), each as wide as its texts need, no word or number broken;\n"
     "Telephone is a phone list (--layout table: a table). --apps LIST picks\n"
     "the applications (default: all six). --month YYYY-MM prints that month of\n"
     "the calendar instead: Schedule entries at their dates and times,\n"
     "Anniversaries every year, To Dos on their due dates. Needs no display.",
     1, 1, RunPrint},
};

}  // namespace

std::span<const CliCommand> PrintCommands() { return kPrintCommands; }

}  // namespace kivo::cli

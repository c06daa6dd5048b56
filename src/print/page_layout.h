#ifndef KIVO_PRINT_PAGE_LAYOUT_H_
#define KIVO_PRINT_PAGE_LAYOUT_H_

// Printing: the lists and the calendar's pages laid out on paper, for the
// desktop's Print, Print Preview and Export PDF and for `kivo-link print`.
// This header is free of Qt so the command-line tool can use it; the module
// behind it is the only Qt code the tool links.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/result.h"
#include "view/calendar_model.h"

class QPageLayout;
class QPagedPaintDevice;

namespace kivo {

// One application's list as printed: its columns (titles, relative widths,
// alignment) and its rows in their order. Texts in the PC coding.
struct PrintedList {
  std::string title;  // the application's name
  std::vector<std::string> columns;
  std::vector<int> widths;
  std::vector<bool> right_aligned;
  std::vector<std::vector<std::string>> rows;
};

// A calendar page: a month, a week or a day of the model's entries.
struct PrintedCalendar {
  enum class Period { kMonth, kWeek, kDay };
  const CalendarModel* model = nullptr;  // borrowed for the printing
  Period period = Period::kMonth;
  int year = 0;  // a month page: the month
  int month = 0;
  int first_day = 0;  // a week or day page: its first day (day number)
  uint8_t appli_mask = kCalendarAppliMask;
};

// What one print holds: lists, each starting on a page of its own, or one
// calendar page. Every page carries the title, the date of printing and
// "Page N of M" counted over the whole print.
struct PrintJob {
  std::vector<PrintedList> lists;
  std::optional<PrintedCalendar> calendar;
  int display_date = 0;
  int display_hour = 0;
  std::string date;  // the day of printing, in the display mode
  int today = 0;     // day number, marked on a calendar page
};

// Landscape suits a month or week page and a list whose columns are wide; a
// job prefers it when any of its parts does.
[[nodiscard]] bool PrefersLandscape(const PrintedList& list);
[[nodiscard]] bool PrefersLandscape(const PrintJob& job);

// Paints the job on the device, page after page, and returns the number of
// pages. With turn_pages each list's pages (and the calendar's) take the
// orientation that suits them; without, the device's page layout holds for
// all (a printer the user set up). Runs on the thread of the Qt application
// object.
int PaintJob(const PrintJob& job, QPagedPaintDevice& device, bool turn_pages = false);

// Writes the job as a PDF file of A4 pages in the orientation that suits it
// (or on the pages of `page_layout`, when given: the desktop's page setup),
// through a temporary file renamed into place. Without a Qt application object
// (the command-line tool) one is made on Qt's offscreen platform for the
// time of the call, so no display is needed. The number of pages written, or
// a failure with the reason when there is nothing to print or the file cannot
// be written.
Result<int> WritePdf(const PrintJob& job, const std::filesystem::path& path,
                     const QPageLayout* page_layout = nullptr);

}  // namespace kivo

#endif  // KIVO_PRINT_PAGE_LAYOUT_H_

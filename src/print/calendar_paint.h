#ifndef KIVO_PRINT_CALENDAR_PAINT_H_
#define KIVO_PRINT_CALENDAR_PAINT_H_

#include <array>
#include <climits>
#include <cstdint>
#include <vector>

#include <QColor>
#include <QFont>
#include <QPointF>
#include <QRectF>
#include <QString>

#include "view/calendar_model.h"

class QPainter;
class QPalette;
class QPaintDevice;

namespace kivo {

// The calendar's month, week and day pages, laid out and painted the same way
// on the screen and on paper: the view adds the cursor and the selection, a
// printed page shows the whole day.

enum class CalendarLayout { kMonth, kWeek, kDay };

// Days a page of the layout shows.
[[nodiscard]] int PageDays(CalendarLayout layout);

// The calendar's colours, taken from a palette so they read on a light and on
// a dark desktop: every kind of entry gets a hue of its own, turned from the
// palette's highlight, drawn as a marker in that hue and as a tint of the base
// colour that the palette's text colour stays legible on.
struct CalendarColors {
  QColor base;
  QColor text;
  QColor muted;  // days of other months, done To Dos
  QColor grid;
  QColor header;  // weekday row and hour gutter
  QColor highlight;
  QColor highlighted_text;
  std::array<QColor, 3> marker;  // by AppliId: Schedule, Anniversary, To Do
  std::array<QColor, 3> fill;

  static CalendarColors FromPalette(const QPalette& palette);
  // White paper.
  static CalendarColors ForPrint();
};

// What a page shows and how.
struct CalendarOptions {
  CalendarLayout layout = CalendarLayout::kMonth;
  int first_day = 0;  // the page's first day (a month page starts before the 1st)
  int month = 0;      // month pages: the month (1..12); the other days are muted
  uint8_t appli_mask = kCalendarAppliMask;
  int display_date = 0;
  int display_hour = 0;
  int today = INT_MIN;
  QFont font;
  CalendarColors colors;
  // Week and day pages: the minute of the day at the top of the hour grid and
  // the height of an hour; a height of 0 fits the whole day.
  int first_minute = 0;
  double hour_height = 0;
  // On paper a month cell wraps its entries and shows every one that fits;
  // on the screen each takes a line, the first beside the day's number, and
  // the type shrinks a little where a cell would show fewer than three.
  bool paper = false;
  // The view's marks.
  int cursor_day = INT_MIN;
  AppliId selected_appli = kSchedule;
  int selected_position = -1;
  bool has_focus = false;
};

// An entry where the page shows it.
struct PlacedEntry {
  const CalendarEntry* entry = nullptr;
  QRectF rect;
  bool timed = false;  // a block in the hour grid
};

// A day where the page shows it: its cell (month; a month page shows the weeks
// that hold a day of its month) or column (week, day).
struct PlacedDay {
  int day = 0;
  QRectF rect;
  QRectF title;    // where its number or name is written
  int hidden = 0;  // entries that found no room ("+3 more")
  QRectF more;
};

// The geometry of one page, for painting it and for finding what lies under
// the mouse.
struct CalendarPage {
  QRectF rect;
  double line = 0;  // height of a line of text
  QFont font;       // the type of the days and entries
  std::vector<PlacedDay> days;
  std::vector<PlacedEntry> entries;
  QRectF hours;     // week and day: the hour grid, without the gutter
  QRectF gutter;    // the hours' labels
  QRectF weekdays;  // month: the row of weekday names

  [[nodiscard]] const PlacedDay* DayAt(QPointF point) const;
  [[nodiscard]] const PlacedEntry* EntryAt(QPointF point) const;
  // Week and day: the minute of the day at a point of the hour grid; -1
  // elsewhere.
  [[nodiscard]] int MinuteAt(QPointF point, const CalendarOptions& options) const;
  // The hour grid's height of an hour.
  double hour_height = 0;
};

// Lays the page out in `rect`; the device gives the font's measures (the
// screen's or the printer's).
[[nodiscard]] CalendarPage LayOutCalendar(const CalendarModel& model,
                                          const CalendarOptions& options, const QRectF& rect,
                                          QPaintDevice* device);
void PaintCalendar(QPainter& painter, const CalendarPage& page, const CalendarOptions& options);

// The page's title: "June 2002", "17 – 23 June 2002", "Monday, 17 June 2002".
[[nodiscard]] QString CalendarTitle(const CalendarOptions& options);
// An entry's line: a Schedule entry's start time, then the description.
[[nodiscard]] QString EntryLabel(const CalendarEntry& entry, int display_hour);

// Record texts (Windows-1252) for Qt.
[[nodiscard]] QString PcTextToQString(std::string_view text);

}  // namespace kivo

#endif  // KIVO_PRINT_CALENDAR_PAINT_H_

#include "print/calendar_paint.h"

#include <algorithm>
#include <cmath>

#include <QFontMetricsF>
#include <QPainter>
#include <QPalette>

#include "csv/cp1252.h"
#include "format/date_format.h"
#include "print/text_wrap.h"

namespace kivo {
namespace {

constexpr int kMinutesPerDay = 24 * 60;
// Side by side in the hour grid at most this many overlapping entries; the
// rest are counted as hidden.
constexpr int kMaxOverlapColumns = 4;
// A week or day page shows at most this many Anniversaries and To Dos above
// the hour grid on the screen, and more on paper.
constexpr int kScreenAllDayRows = 3;
constexpr int kPrintAllDayRows = 8;

QColor Blend(const QColor& a, const QColor& b, double share_of_b) {
  const double s = std::clamp(share_of_b, 0.0, 1.0);
  return QColor::fromRgbF(static_cast<float>(a.redF() * (1 - s) + b.redF() * s),
                          static_cast<float>(a.greenF() * (1 - s) + b.greenF() * s),
                          static_cast<float>(a.blueF() * (1 - s) + b.blueF() * s));
}

int KindIndex(AppliId id) { return id == kSchedule ? 0 : id == kAnniversary ? 1 : 2; }

bool IsSelected(const CalendarEntry& entry, const CalendarOptions& options) {
  return options.selected_position >= 0 && entry.appli == options.selected_appli &&
         entry.position == options.selected_position;
}

QString DayDate(int day_number, int display_date) {
  const DateValue date = DateOfDay(day_number);
  return QString::fromStdString(FormatDate(date, display_date, false));
}

// A short time for the calendar's lines: "8:30a" and "13:05".
QString ShortTime(int minute, int display_hour) {
  const int hour = minute / 60;
  const int min = minute % 60;
  if (NormalDisplayHour(display_hour) == kHour24) {
    return QStringLiteral("%1:%2")
        .arg(hour, 2, 10, QLatin1Char('0'))
        .arg(min, 2, 10, QLatin1Char('0'));
  }
  const int twelve = hour % 12 == 0 ? 12 : hour % 12;
  return QStringLiteral("%1:%2%3")
      .arg(twelve)
      .arg(min, 2, 10, QLatin1Char('0'))
      .arg(hour < 12 ? QLatin1Char('a') : QLatin1Char('p'));
}

QString HourLabel(int hour, int display_hour) {
  if (NormalDisplayHour(display_hour) == kHour24) {
    return QStringLiteral("%1:00").arg(hour, 2, 10, QLatin1Char('0'));
  }
  const int twelve = hour % 12 == 0 ? 12 : hour % 12;
  return QStringLiteral("%1 %2").arg(twelve).arg(hour < 12 ? QStringLiteral("AM")
                                                           : QStringLiteral("PM"));
}

// The width of an entry's marker bar in the kind's hue, for a line height.
double MarkerWidth(double line) { return std::max(2.0, line / 6); }

// Where an entry's text starts in its rect: after the marker and a To Do's box.
double EntryTextLeft(const CalendarEntry& entry, const QRectF& rect, double line) {
  double x = rect.left() + MarkerWidth(line) + 2;
  if (entry.appli == kToDo) x += std::min(line * 0.6, rect.height() - 2) + 3;
  return x;
}

// ---- month -----------------------------------------------------------------------

// The weeks a month page shows: those that hold a day of its month.
int MonthPageWeeks(const CalendarOptions& options) {
  const int year = DateOfDay(options.first_day + 7).year;
  const int month = options.month >= 1 && options.month <= 12
                        ? options.month
                        : DateOfDay(options.first_day + 7).month;
  const int last = DayNumber(year, month, DaysInMonth(year, month));
  return std::clamp((last - options.first_day) / 7 + 1, 4, kMonthPageDays / 7);
}

// On the screen a month cell shows at least this many entries: the type of
// the cells shrinks (to no less than kLeastShare of the view's) to make room.
constexpr int kScreenCellEntries = 3;
constexpr double kLeastShare = 0.78;
constexpr double kLeastPoints = 6.5;

// A cell on the screen: the day's number, the first entry beside it, the
// others below, one line each; what finds no room is counted ("+2 more") at
// the right of the first line.
void LayOutScreenCells(const std::vector<std::vector<const CalendarEntry*>>& days,
                       const CalendarOptions& options, double cell_h, double six_week_cell_h,
                       QPaintDevice* device, CalendarPage& page) {
  QFont font = options.font;
  auto line_of = [device](const QFont& f) { return QFontMetricsF(f, device).height() + 1; };
  auto lines_in = [](double height, double line) { return static_cast<int>((height - 2) / line); };
  // The type is chosen for the cells of a six-week month, so that it keeps
  // its size from month to month.
  const double points = font.pointSizeF() > 0 ? font.pointSizeF() : 9;
  const double least = std::max(points * kLeastShare, std::min(points, kLeastPoints));
  for (double size = points - 0.5;
       lines_in(six_week_cell_h, line_of(font)) < kScreenCellEntries && size >= least;
       size -= 0.5) {
    font.setPointSizeF(size);
  }
  page.font = font;
  page.line = line_of(font);
  const double line = page.line;
  const int room = lines_in(cell_h, line);
  const QFontMetricsF metrics(font, device);
  const double number_w = metrics.horizontalAdvance(QStringLiteral("00")) + 6;
  for (size_t i = 0; i < days.size(); ++i) {
    PlacedDay& day = page.days[i];
    day.title = QRectF(day.rect.left() + 3, day.rect.top() + 1, number_w - 3, line);
    const auto& list = days[i];
    const int count = static_cast<int>(list.size());
    const int shown = std::min(count, room);
    day.hidden = count - shown;
    const double right = day.rect.right() - 2;
    double first_right = right;
    if (day.hidden > 0) {
      // "+2 more" where it leaves the first entry half the line, else "+2".
      const QString long_more = QStringLiteral("+%1 more").arg(day.hidden);
      const QString short_more = QStringLiteral("+%1").arg(day.hidden);
      const double room_w = right - day.title.right();
      const double w = metrics.horizontalAdvance(long_more) + 4 <= room_w / 2
                           ? metrics.horizontalAdvance(long_more) + 4
                           : metrics.horizontalAdvance(short_more) + 4;
      day.more = QRectF(right - w, day.title.top(), w, line);
      first_right = day.more.left();
    }
    for (int e = 0; e < shown; ++e) {
      const double left = e == 0 ? day.title.right() : day.rect.left() + 2;
      const QRectF rect(left, day.rect.top() + 1 + e * line, (e == 0 ? first_right : right) - left,
                        line - 1);
      page.entries.push_back({list[static_cast<size_t>(e)], rect, false});
    }
  }
}

// A cell on paper: the day's number, then every entry that fits, wrapped;
// what does not fit is counted ("+2 more") at the right of the number.
void LayOutPaperCells(const std::vector<std::vector<const CalendarEntry*>>& days,
                      const CalendarOptions& options, QPaintDevice* device, CalendarPage& page) {
  page.font = options.font;
  const double line = page.line;
  const QFontMetricsF metrics(options.font, device);
  for (size_t i = 0; i < days.size(); ++i) {
    PlacedDay& day = page.days[i];
    day.title = QRectF(day.rect.left() + 3, day.rect.top() + 1, day.rect.width() - 6, line);
    const auto& list = days[i];
    double y = day.title.bottom() + line * 0.1;
    size_t placed = 0;
    for (; placed < list.size(); ++placed) {
      const CalendarEntry& entry = *list[placed];
      const QRectF full(day.rect.left() + 2, y, day.rect.width() - 4, line);
      const double text_w = full.right() - EntryTextLeft(entry, full, line) - 1;
      const auto lines = static_cast<double>(
          WrapWords(EntryLabel(entry, options.display_hour), metrics, text_w, true).size());
      const double height = lines * line;
      if (y + height > day.rect.bottom() - 1) break;
      page.entries.push_back({&entry, QRectF(full.left(), y, full.width(), height), false});
      y += height + line * 0.15;
    }
    day.hidden = static_cast<int>(list.size() - placed);
    if (day.hidden > 0) day.more = day.title;
  }
}

void LayOutMonth(const CalendarModel& model, const CalendarOptions& options, double line,
                 QPaintDevice* device, CalendarPage& page) {
  const QRectF& r = page.rect;
  page.weekdays = QRectF(r.left(), r.top(), r.width(), line * (options.paper ? 1.3 : 1.15));
  const double top = page.weekdays.bottom();
  const int weeks = MonthPageWeeks(options);
  const double cell_w = r.width() / 7;
  const double cell_h = (r.bottom() - top) / weeks;
  const auto days = model.Days(options.first_day, weeks * 7, options.appli_mask);
  for (int i = 0; i < weeks * 7; ++i) {
    PlacedDay day;
    day.day = options.first_day + i;
    day.rect = QRectF(r.left() + (i % 7) * cell_w, top + (i / 7) * cell_h, cell_w, cell_h);
    page.days.push_back(day);
  }
  if (options.paper) {
    LayOutPaperCells(days, options, device, page);
  } else {
    LayOutScreenCells(days, options, cell_h, (r.bottom() - top) * 7 / kMonthPageDays, device, page);
  }
}

// ---- week and day ----------------------------------------------------------------

// Places a day's timed entries side by side where they overlap.
void PlaceTimed(const std::vector<const CalendarEntry*>& timed, const CalendarOptions& options,
                PlacedDay& day, CalendarPage& page) {
  const double min_height = std::max(page.line, page.hour_height / 2);
  const int first = options.first_minute;
  const int last = first + static_cast<int>(std::ceil(page.hours.height() / page.hour_height * 60));
  size_t i = 0;
  while (i < timed.size()) {
    // A cluster: entries that overlap one another, directly or through others.
    size_t end = i;
    int cluster_end = -1;
    std::vector<int> column_ends;  // the last end minute of each column
    std::vector<int> columns;
    for (; end < timed.size(); ++end) {
      const CalendarEntry& e = *timed[end];
      const int stop = std::max(e.end, e.start + 30);
      if (end > i && e.start >= cluster_end) break;
      cluster_end = std::max(cluster_end, stop);
      int column = 0;
      while (column < static_cast<int>(column_ends.size()) &&
             column_ends[static_cast<size_t>(column)] > e.start) {
        ++column;
      }
      if (column == static_cast<int>(column_ends.size())) column_ends.push_back(0);
      column_ends[static_cast<size_t>(column)] = stop;
      columns.push_back(column);
    }
    const int width_columns = std::min(static_cast<int>(column_ends.size()), kMaxOverlapColumns);
    const double column_w = (day.rect.width() - 4) / width_columns;
    for (size_t k = i; k < end; ++k) {
      const CalendarEntry& e = *timed[k];
      const int column = columns[k - i];
      if (column >= kMaxOverlapColumns) {
        ++day.hidden;
        continue;
      }
      const int stop = std::max(e.end, e.start + 30);
      if (stop <= first || e.start >= last) continue;
      const double y = page.hours.top() + (e.start - first) * page.hour_height / 60;
      const double h = std::max((stop - e.start) * page.hour_height / 60, min_height);
      const QRectF rect(day.rect.left() + 2 + column * column_w, y, column_w - 1, h - 1);
      page.entries.push_back({&e, rect.intersected(page.hours), true});
    }
    i = end;
  }
}

void LayOutWeek(const CalendarModel& model, const CalendarOptions& options, double line,
                QPaintDevice* device, CalendarPage& page) {
  const QRectF& r = page.rect;
  const int count = PageDays(options.layout);
  const auto days = model.Days(options.first_day, count, options.appli_mask);
  const QFontMetricsF metrics(options.font, device);
  const double gutter_w = metrics.horizontalAdvance(HourLabel(12, options.display_hour)) + 8;
  const bool print = options.hour_height <= 0;
  // Anniversaries and To Dos stand above the hour grid.
  size_t most = 0;
  for (const auto& list : days) {
    size_t all_day = 0;
    for (const CalendarEntry* e : list) all_day += e->appli != kSchedule ? 1 : 0;
    most = std::max(most, all_day);
  }
  const int rows = std::min(static_cast<int>(most), print ? kPrintAllDayRows : kScreenAllDayRows);
  const double head = line * 1.3;
  const double band = rows * line + (rows > 0 ? 4 : 0);
  const double day_w = (r.width() - gutter_w) / count;
  const double grid_top = r.top() + head + band;
  page.gutter = QRectF(r.left(), grid_top, gutter_w, r.bottom() - grid_top);
  page.hours = QRectF(r.left() + gutter_w, grid_top, r.width() - gutter_w, r.bottom() - grid_top);
  page.hour_height = print ? page.hours.height() * 60 / (kMinutesPerDay - options.first_minute)
                           : options.hour_height;
  for (int d = 0; d < count; ++d) {
    PlacedDay day;
    day.day = options.first_day + d;
    day.rect = QRectF(page.hours.left() + d * day_w, r.top(), day_w, r.height());
    day.title = QRectF(day.rect.left(), r.top(), day_w, head);
    std::vector<const CalendarEntry*> timed;
    int placed = 0;
    int all_day = 0;
    const auto& list = days[static_cast<size_t>(d)];
    for (const CalendarEntry* e : list) {
      if (e->appli == kSchedule) {
        timed.push_back(e);
        continue;
      }
      ++all_day;
    }
    const int shown = all_day <= rows ? all_day : std::max(rows - 1, 0);
    for (const CalendarEntry* e : list) {
      if (e->appli == kSchedule || placed >= shown) continue;
      const QRectF rect(day.rect.left() + 2, r.top() + head + 2 + placed * line, day_w - 4, line);
      page.entries.push_back({e, rect, false});
      ++placed;
    }
    if (all_day > shown) {
      day.hidden += all_day - shown;
      day.more = QRectF(day.rect.left() + 2, r.top() + head + 2 + shown * line, day_w - 4, line);
    }
    PlaceTimed(timed, options, day, page);
    page.days.push_back(day);
  }
}

// ---- painting --------------------------------------------------------------------

void PaintEntry(QPainter& painter, const PlacedEntry& placed, const CalendarOptions& options,
                const QFont& page_font, const QFontMetricsF& metrics) {
  const CalendarEntry& entry = *placed.entry;
  const CalendarColors& colors = options.colors;
  const int kind = KindIndex(entry.appli);
  const bool selected = IsSelected(entry, options);
  const QRectF rect = placed.rect;
  const double line = metrics.height();
  painter.fillRect(rect, selected ? colors.highlight : colors.fill[static_cast<size_t>(kind)]);
  // A block of the hour grid has a bar as wide as it is tall; a line of a
  // day's list one for its type.
  const double bar = placed.timed ? std::max(2.0, rect.height() / 6) : MarkerWidth(line);
  painter.fillRect(QRectF(rect.left(), rect.top(), bar, rect.height()),
                   colors.marker[static_cast<size_t>(kind)]);
  const QColor ink = selected ? colors.highlighted_text : entry.done ? colors.muted : colors.text;
  painter.setPen(ink);
  double x = rect.left() + bar + 2;
  if (entry.appli == kToDo) {
    // A box, checked when the To Do is done.
    const double side = std::min(line * 0.6, rect.height() - 2);
    const QRectF box(x, rect.top() + (std::min(line, rect.height()) - side) / 2, side, side);
    painter.drawRect(box);
    if (entry.done) {
      painter.drawLine(QPointF(box.left() + side * 0.2, box.center().y()),
                       QPointF(box.left() + side * 0.45, box.bottom() - side * 0.2));
      painter.drawLine(QPointF(box.left() + side * 0.45, box.bottom() - side * 0.2),
                       QPointF(box.right() - side * 0.15, box.top() + side * 0.2));
    }
    x = box.right() + 3;
  }
  QFont font = page_font;
  font.setStrikeOut(entry.done);
  font.setItalic(entry.appli == kAnniversary);
  painter.setFont(font);
  const QRectF text_rect(x, rect.top(), rect.right() - x - 1, rect.height());
  if (placed.timed && rect.height() >= 2 * line) {
    // A block tall enough: the time range on its first line, the text below.
    const QString times = ShortTime(entry.start, options.display_hour) + QStringLiteral("–") +
                          ShortTime(entry.end, options.display_hour);
    painter.drawText(QRectF(x, rect.top(), text_rect.width(), line), Qt::AlignLeft | Qt::AlignTop,
                     metrics.elidedText(times, Qt::ElideRight, text_rect.width()));
    painter.drawText(text_rect.adjusted(0, line, 0, 0),
                     Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, PcTextToQString(entry.text));
    return;
  }
  const QString label = EntryLabel(entry, options.display_hour);
  if (!placed.timed && rect.height() >= 1.5 * line) {
    // The lines of an entry wrapped on paper, as the layout broke them.
    const QStringList lines = WrapWords(label, metrics, text_rect.width(), true);
    const double step = rect.height() / static_cast<double>(std::max<qsizetype>(lines.size(), 1));
    for (qsizetype i = 0; i < lines.size(); ++i) {
      painter.drawText(
          QRectF(x, rect.top() + static_cast<double>(i) * step, text_rect.width(), step),
          Qt::AlignLeft | Qt::AlignVCenter, lines[i]);
    }
    return;
  }
  painter.drawText(text_rect, Qt::AlignLeft | Qt::AlignVCenter,
                   metrics.elidedText(label, Qt::ElideRight, text_rect.width()));
}

void PaintDayFrame(QPainter& painter, const PlacedDay& day, const CalendarOptions& options,
                   const QFont& page_font, const QFontMetricsF& metrics, bool month) {
  const CalendarColors& colors = options.colors;
  const bool other_month = month && DateOfDay(day.day).month != options.month;
  if (month) {
    painter.fillRect(day.rect, other_month ? Blend(colors.base, colors.header, 0.5) : colors.base);
  }
  painter.setPen(colors.grid);
  painter.drawRect(day.rect);
  QFont font = page_font;
  font.setBold(day.day == options.today);
  painter.setFont(font);
  QString title;
  if (month) {
    title = QString::number(DateOfDay(day.day).day);
  } else {
    title = QString::fromLatin1(WeekdayName(WeekdayOf(day.day))) + QLatin1Char(' ') +
            DayDate(day.day, options.display_date);
  }
  if (day.day == options.today) {
    const double w = metrics.horizontalAdvance(title) + 6;
    const QRectF mark = month ? QRectF(day.title.left() - 2, day.title.top(), w, day.title.height())
                              : day.title.adjusted(1, 1, -1, -1);
    painter.fillRect(mark, colors.highlight);
    painter.setPen(colors.highlighted_text);
  } else {
    painter.setPen(other_month ? colors.muted : colors.text);
  }
  painter.drawText(day.title, (month ? Qt::AlignLeft : Qt::AlignHCenter) | Qt::AlignVCenter, title);
  if (day.hidden > 0) {
    painter.setFont(page_font);
    painter.setPen(colors.muted);
    QString more = QStringLiteral("+%1 more").arg(day.hidden);
    // On paper the count shares the line of the day's number.
    const bool shares_title = month && day.more == day.title;
    const double room =
        day.more.width() - (shares_title ? metrics.horizontalAdvance(title) + 8 : 0);
    if (metrics.horizontalAdvance(more) > room) more = QStringLiteral("+%1").arg(day.hidden);
    painter.drawText(day.more, (month ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter, more);
  }
}

void PaintHours(QPainter& painter, const CalendarPage& page, const CalendarOptions& options) {
  const CalendarColors& colors = options.colors;
  painter.fillRect(page.gutter, colors.header);
  painter.setFont(options.font);
  const int first_hour = options.first_minute / 60;
  for (int hour = first_hour; hour <= 24; ++hour) {
    const double y = page.hours.top() + (hour * 60 - options.first_minute) * page.hour_height / 60;
    if (y > page.hours.bottom()) break;
    if (y >= page.hours.top()) {
      painter.setPen(colors.grid);
      painter.drawLine(QPointF(page.hours.left(), y), QPointF(page.hours.right(), y));
    }
    if (hour < 24 && y + page.line <= page.hours.bottom() + 1) {
      painter.setPen(colors.muted);
      painter.drawText(QRectF(page.gutter.left(), std::max(y, page.hours.top()),
                              page.gutter.width() - 4, page.line),
                       Qt::AlignRight | Qt::AlignTop, HourLabel(hour, options.display_hour));
    }
  }
}

}  // namespace

int PageDays(CalendarLayout layout) {
  return layout == CalendarLayout::kMonth  ? kMonthPageDays
         : layout == CalendarLayout::kWeek ? 7
                                           : 1;
}

CalendarColors CalendarColors::FromPalette(const QPalette& palette) {
  CalendarColors colors;
  colors.base = palette.color(QPalette::Base);
  colors.text = palette.color(QPalette::Text);
  colors.muted = Blend(colors.text, colors.base, 0.45);
  colors.grid = Blend(colors.text, colors.base, 0.75);
  colors.header = Blend(palette.color(QPalette::Window), colors.base, 0.3);
  colors.highlight = palette.color(QPalette::Highlight);
  colors.highlighted_text = palette.color(QPalette::HighlightedText);
  const bool dark = colors.base.lightness() < 128;
  const int hue = colors.highlight.hslHue() >= 0 ? colors.highlight.hslHue() : 210;
  // Schedule in the highlight's hue, the others a third of the circle away.
  for (size_t kind = 0; kind < 3; ++kind) {
    const int h = (hue + static_cast<int>(kind) * 120) % 360;
    colors.marker[kind] = QColor::fromHsl(h, 170, dark ? 165 : 105);
    colors.fill[kind] = Blend(colors.base, colors.marker[kind], dark ? 0.30 : 0.16);
  }
  return colors;
}

CalendarColors CalendarColors::ForPrint() {
  QPalette paper;
  paper.setColor(QPalette::Base, Qt::white);
  paper.setColor(QPalette::Window, QColor(236, 236, 236));
  paper.setColor(QPalette::Text, Qt::black);
  paper.setColor(QPalette::Highlight, QColor(48, 140, 198));
  paper.setColor(QPalette::HighlightedText, Qt::white);
  return FromPalette(paper);
}

const PlacedDay* CalendarPage::DayAt(QPointF point) const {
  for (const PlacedDay& day : days) {
    if (day.rect.contains(point)) return &day;
  }
  return nullptr;
}

const PlacedEntry* CalendarPage::EntryAt(QPointF point) const {
  // The last drawn lies on top.
  for (auto it = entries.rbegin(); it != entries.rend(); ++it) {
    if (it->rect.contains(point)) return &*it;
  }
  return nullptr;
}

int CalendarPage::MinuteAt(QPointF point, const CalendarOptions& options) const {
  if (!hours.contains(point) || hour_height <= 0) return -1;
  const int minute =
      options.first_minute + static_cast<int>((point.y() - hours.top()) * 60 / hour_height);
  return std::clamp(minute, 0, kMinutesPerDay - 1);
}

CalendarPage LayOutCalendar(const CalendarModel& model, const CalendarOptions& options,
                            const QRectF& rect, QPaintDevice* device) {
  CalendarPage page;
  page.rect = rect;
  page.font = options.font;
  page.line = QFontMetricsF(options.font, device).height() + 2;
  if (options.layout == CalendarLayout::kMonth) {
    LayOutMonth(model, options, page.line, device, page);
  } else {
    LayOutWeek(model, options, page.line, device, page);
  }
  return page;
}

void PaintCalendar(QPainter& painter, const CalendarPage& page, const CalendarOptions& options) {
  const CalendarColors& colors = options.colors;
  const QFontMetricsF metrics(page.font, painter.device());
  painter.save();
  painter.fillRect(page.rect, colors.base);
  const bool month = options.layout == CalendarLayout::kMonth;
  if (month) {
    painter.fillRect(page.weekdays, colors.header);
    painter.setFont(options.font);
    painter.setPen(colors.text);
    const double w = page.weekdays.width() / 7;
    for (int i = 0; i < 7; ++i) {
      painter.drawText(
          QRectF(page.weekdays.left() + i * w, page.weekdays.top(), w, page.weekdays.height()),
          Qt::AlignCenter, QString::fromLatin1(WeekdayName(WeekdayOf(options.first_day + i))));
    }
  } else {
    for (const PlacedDay& day : page.days) painter.fillRect(day.title, colors.header);
    painter.fillRect(QRectF(page.rect.left(), page.rect.top(), page.gutter.width(),
                            page.hours.top() - page.rect.top()),
                     colors.header);
    painter.save();
    painter.setClipRect(page.hours.united(page.gutter));
    PaintHours(painter, page, options);
    painter.restore();
  }
  for (const PlacedDay& day : page.days) {
    PaintDayFrame(painter, day, options, page.font, metrics, month);
  }
  painter.save();
  for (const PlacedEntry& placed : page.entries) {
    painter.setClipRect(placed.rect);
    PaintEntry(painter, placed, options, page.font, metrics);
  }
  painter.restore();
  // The cursor: the day the keys act on.
  for (const PlacedDay& day : page.days) {
    if (day.day != options.cursor_day) continue;
    QPen pen(options.has_focus ? colors.highlight : colors.muted);
    pen.setWidthF(2);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(day.rect.adjusted(1, 1, -1, -1));
  }
  painter.restore();
}

QString CalendarTitle(const CalendarOptions& options) {
  const DateValue first = DateOfDay(options.first_day);
  switch (options.layout) {
    case CalendarLayout::kMonth:
      return QStringLiteral("%1 %2")
          .arg(QString::fromLatin1(MonthName(options.month)))
          .arg(DateOfDay(options.first_day + 7).year);
    case CalendarLayout::kWeek: {
      const DateValue last = DateOfDay(options.first_day + 6);
      QString from = QString::number(first.day);
      if (first.month != last.month)
        from += QLatin1Char(' ') + QString::fromLatin1(MonthName(first.month));
      if (first.year != last.year) from += QLatin1Char(' ') + QString::number(first.year);
      return QStringLiteral("%1 – %2 %3 %4")
          .arg(from)
          .arg(last.day)
          .arg(QString::fromLatin1(MonthName(last.month)))
          .arg(last.year);
    }
    case CalendarLayout::kDay:
    default: {
      static constexpr const char* kLong[] = {"Monday", "Tuesday",  "Wednesday", "Thursday",
                                              "Friday", "Saturday", "Sunday"};
      return QStringLiteral("%1, %2 %3 %4")
          .arg(QString::fromLatin1(kLong[WeekdayOf(options.first_day)]))
          .arg(first.day)
          .arg(QString::fromLatin1(MonthName(first.month)))
          .arg(first.year);
    }
  }
}

QString EntryLabel(const CalendarEntry& entry, int display_hour) {
  const QString text = PcTextToQString(entry.text);
  if (entry.appli != kSchedule) return text;
  return ShortTime(entry.start, display_hour) + QLatin1Char(' ') + text;
}

QString PcTextToQString(std::string_view text) {
  return QString::fromStdString(Cp1252ToUtf8(text));
}

}  // namespace kivo

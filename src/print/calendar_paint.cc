#include "print/calendar_paint.h"

#include <algorithm>
#include <cmath>

#include <QFontMetricsF>
#include <QPainter>
#include <QPalette>

#include "csv/cp1252.h"
#include "format/date_format.h"

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

// ---- month -----------------------------------------------------------------------

void LayOutMonth(const CalendarModel& model, const CalendarOptions& options, double line,
                 QPaintDevice* device, CalendarPage& page) {
  const QFontMetricsF metrics(options.font, device);
  const QRectF& r = page.rect;
  page.weekdays = QRectF(r.left(), r.top(), r.width(), line * 1.3);
  const double top = page.weekdays.bottom();
  const double cell_w = r.width() / 7;
  const double cell_h = (r.bottom() - top) / 6;
  const auto days = model.Days(options.first_day, kMonthPageDays, options.appli_mask);
  // The entry lines a cell has room for below its number.
  const int room = std::max(0, static_cast<int>((cell_h - line * 1.1) / line));
  for (int i = 0; i < kMonthPageDays; ++i) {
    PlacedDay day;
    day.day = options.first_day + i;
    day.rect = QRectF(r.left() + (i % 7) * cell_w, top + (i / 7) * cell_h, cell_w, cell_h);
    day.title = QRectF(day.rect.left() + 3, day.rect.top() + 1, day.rect.width() - 6, line);
    const auto& list = days[static_cast<size_t>(i)];
    const int count = static_cast<int>(list.size());
    if (room == 0 && count > 0) {
      // A cell of one line: the first entry beside the day's number.
      day.hidden = count - 1;
      const double number = metrics.horizontalAdvance(QStringLiteral("00")) + 8;
      const double more =
          day.hidden > 0 ? metrics.horizontalAdvance(QStringLiteral("+%1").arg(day.hidden)) + 4 : 0;
      const QRectF rect(day.rect.left() + number, day.rect.top() + 1,
                        std::max(day.rect.width() - number - more - 2, 1.0), line - 2);
      page.entries.push_back({list.front(), rect, false});
      if (day.hidden > 0) day.more = QRectF(rect.right(), day.title.top(), more, line);
      page.days.push_back(day);
      continue;
    }
    const int shown = std::min(count, room);
    for (int e = 0; e < shown; ++e) {
      const QRectF rect(day.rect.left() + 2, day.title.bottom() + e * line + line * 0.1,
                        day.rect.width() - 4, line);
      page.entries.push_back({list[static_cast<size_t>(e)], rect, false});
    }
    // What found no room is counted at the right of the day's number.
    day.hidden = count - shown;
    if (day.hidden > 0) day.more = day.title;
    page.days.push_back(day);
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
                const QFontMetricsF& metrics) {
  const CalendarEntry& entry = *placed.entry;
  const CalendarColors& colors = options.colors;
  const int kind = KindIndex(entry.appli);
  const bool selected = IsSelected(entry, options);
  const QRectF rect = placed.rect;
  painter.fillRect(rect, selected ? colors.highlight : colors.fill[static_cast<size_t>(kind)]);
  const double bar = std::max(2.0, rect.height() / 6);
  painter.fillRect(QRectF(rect.left(), rect.top(), bar, rect.height()),
                   colors.marker[static_cast<size_t>(kind)]);
  const QColor ink = selected ? colors.highlighted_text : entry.done ? colors.muted : colors.text;
  painter.setPen(ink);
  double x = rect.left() + bar + 2;
  const double line = metrics.height();
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
  QFont font = options.font;
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
  const QString label =
      placed.timed ? PcTextToQString(entry.text) : EntryLabel(entry, options.display_hour);
  painter.drawText(text_rect, Qt::AlignLeft | Qt::AlignVCenter,
                   metrics.elidedText(EntryLabel(entry, options.display_hour), Qt::ElideRight,
                                      text_rect.width()));
}

void PaintDayFrame(QPainter& painter, const PlacedDay& day, const CalendarOptions& options,
                   const QFontMetricsF& metrics, bool month) {
  const CalendarColors& colors = options.colors;
  const bool other_month = month && DateOfDay(day.day).month != options.month;
  if (month) {
    painter.fillRect(day.rect, other_month ? Blend(colors.base, colors.header, 0.5) : colors.base);
  }
  painter.setPen(colors.grid);
  painter.drawRect(day.rect);
  QFont font = options.font;
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
    painter.setFont(options.font);
    painter.setPen(colors.muted);
    QString more = QStringLiteral("+%1 more").arg(day.hidden);
    const bool beside_title = day.more.width() >= day.title.width();
    const double room =
        day.more.width() - (month && beside_title ? metrics.horizontalAdvance(title) + 8 : 0);
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
  const QFontMetricsF metrics(options.font, painter.device());
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
  for (const PlacedDay& day : page.days) PaintDayFrame(painter, day, options, metrics, month);
  painter.save();
  for (const PlacedEntry& placed : page.entries) {
    painter.setClipRect(placed.rect);
    PaintEntry(painter, placed, options, metrics);
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

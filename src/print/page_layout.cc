#include "print/page_layout.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <numeric>

#include <QBuffer>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QTextLayout>

#include "platform/atomic_file.h"
#include "print/calendar_paint.h"

namespace kivo {
namespace {

// A list whose columns add up to more than this (in the list's pixels) is
// printed across the page.
constexpr int kPortraitListWidth = 760;
// The earliest hour a printed week or day shows, unless an entry starts before.
constexpr int kPrintedFirstHour = 7;

QFont PrintFont(double points, bool bold = false) {
  QFont font(QStringLiteral("Arial"));
  font.setStyleHint(QFont::SansSerif);
  font.setPointSizeF(points);
  font.setBold(bold);
  return font;
}

const QTextOption& WrapOption(bool right_aligned) {
  static const QTextOption left = [] {
    QTextOption option(Qt::AlignLeft | Qt::AlignTop);
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    return option;
  }();
  static const QTextOption right = [] {
    QTextOption option(Qt::AlignRight | Qt::AlignTop);
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    return option;
  }();
  return right_aligned ? right : left;
}

// Lines a text takes in a column of the width.
int WrappedLines(const QString& text, const QFont& font, QPaintDevice* device,
                 const QFontMetricsF& metrics, double width) {
  if (text.isEmpty()) return 1;
  if (!text.contains(QLatin1Char('\n')) && metrics.horizontalAdvance(text) <= width) return 1;
  QTextLayout layout(text, font, device);
  layout.setTextOption(WrapOption(false));
  layout.beginLayout();
  int lines = 0;
  for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
    line.setLineWidth(width);
    ++lines;
  }
  layout.endLayout();
  return std::max(lines, 1);
}

// One list's rows cut into pages: the first row of each page.
struct ListPages {
  std::vector<size_t> starts;
  std::vector<double> heights;  // per row
};

// The measures every page shares.
class PageFrame {
 public:
  PageFrame(QPagedPaintDevice& device, const QRectF& page, int total_pages)
      : device_(device),
        page_(page),
        total_(total_pages),
        title_font_(PrintFont(14, true)),
        small_font_(PrintFont(8)),
        title_metrics_(title_font_, &device),
        small_metrics_(small_font_, &device) {}

  QRectF page() const { return page_; }
  // The page without its head and foot.
  QRectF body() const {
    const QRectF p = page();
    const double head = title_metrics_.height() * 1.6;
    const double foot = small_metrics_.height() * 2;
    return QRectF(p.left(), p.top() + head, p.width(), p.height() - head - foot);
  }

  void PaintFurniture(QPainter& painter, const QString& title, const QString& date,
                      int page_number) const {
    const QRectF p = page();
    painter.setPen(Qt::black);
    painter.setFont(title_font_);
    const QRectF head(p.left(), p.top(), p.width(), title_metrics_.height() * 1.2);
    painter.drawText(head, Qt::AlignLeft | Qt::AlignTop, title);
    painter.setFont(small_font_);
    painter.drawText(head, Qt::AlignRight | Qt::AlignBottom, date);
    QPen rule(Qt::black);
    rule.setWidthF(device_.logicalDpiY() / 100.0);
    painter.setPen(rule);
    painter.drawLine(QPointF(p.left(), head.bottom() + 2), QPointF(p.right(), head.bottom() + 2));
    painter.setPen(Qt::black);
    painter.drawText(
        QRectF(p.left(), p.bottom() - small_metrics_.height(), p.width(), small_metrics_.height()),
        Qt::AlignHCenter | Qt::AlignBottom,
        QStringLiteral("Page %1 of %2").arg(page_number).arg(total_));
  }

 private:
  QPagedPaintDevice& device_;
  QRectF page_;
  int total_;
  QFont title_font_;
  QFont small_font_;
  QFontMetricsF title_metrics_;
  QFontMetricsF small_metrics_;
};

// Lays out and paints the lists.
class ListPrinter {
 public:
  ListPrinter(const PrintedList& list, QPagedPaintDevice& device, const QRectF& body)
      : list_(list),
        device_(device),
        body_(body),
        font_(PrintFont(9)),
        head_font_(PrintFont(9, true)),
        metrics_(font_, &device) {
    pad_ = metrics_.averageCharWidth() / 2;
    line_ = metrics_.height();
    head_height_ = line_ * 1.5;
    double x = body.left();
    for (const double w : ColumnWidths()) {
      columns_.emplace_back(x, w);
      x += w;
    }
  }

  ListPages Paginate() const {
    ListPages pages;
    pages.starts.push_back(0);
    const double room = body_.height() - head_height_;
    double used = 0;
    for (size_t r = 0; r < list_.rows.size(); ++r) {
      int lines = 1;
      for (size_t c = 0; c < columns_.size() && c < list_.rows[r].size(); ++c) {
        lines = std::max(lines, WrappedLines(PcTextToQString(list_.rows[r][c]), font_, &device_,
                                             metrics_, columns_[c].second - 2 * pad_));
      }
      // A row taller than a page is cut at the page's end.
      const double height = std::min(lines * line_ + pad_, room);
      if (used + height > room && used > 0) {
        pages.starts.push_back(r);
        used = 0;
      }
      used += height;
      pages.heights.push_back(height);
    }
    return pages;
  }

  void PaintPage(QPainter& painter, const ListPages& pages, size_t page) const {
    const size_t first = pages.starts[page];
    const size_t end = page + 1 < pages.starts.size() ? pages.starts[page + 1] : list_.rows.size();
    // The column titles, shaded.
    const QRectF head(body_.left(), body_.top(), body_.width(), head_height_);
    painter.fillRect(head, QColor(225, 225, 225));
    painter.setFont(head_font_);
    painter.setPen(Qt::black);
    for (size_t c = 0; c < columns_.size(); ++c) {
      const bool right = c < list_.right_aligned.size() && list_.right_aligned[c];
      painter.drawText(Cell(c, head.top(), head.height()),
                       (right ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter,
                       PcTextToQString(list_.columns[c]));
    }
    painter.setFont(font_);
    double y = head.bottom();
    for (size_t r = first; r < end; ++r) {
      const double height = pages.heights[r];
      if ((r - first) % 2 == 1) {
        painter.fillRect(QRectF(body_.left(), y, body_.width(), height), QColor(244, 244, 244));
      }
      for (size_t c = 0; c < columns_.size() && c < list_.rows[r].size(); ++c) {
        const bool right = c < list_.right_aligned.size() && list_.right_aligned[c];
        const QRectF cell = Cell(c, y + pad_ / 2, height - pad_);
        painter.save();
        painter.setClipRect(cell);
        painter.drawText(cell, PcTextToQString(list_.rows[r][c]), WrapOption(right));
        painter.restore();
      }
      y += height;
    }
  }

 private:
  // As a browser lays out a table: every column as wide as its longest text
  // when the page has the room; else each gets its longest word (up to 16
  // characters) and the rest of the page is shared by how much more each
  // would take. Room left over goes by the list's own widths.
  std::vector<double> ColumnWidths() const {
    const size_t count = list_.columns.size();
    const QFontMetricsF head_metrics(head_font_, &device_);
    std::vector<double> most(count, 0);
    std::vector<double> least(count, 0);
    // The longest texts of the first rows stand for the others.
    const size_t sample = std::min<size_t>(list_.rows.size(), 400);
    const double char_width = metrics_.averageCharWidth();
    for (size_t c = 0; c < count; ++c) {
      // The longest word, within reason, is the least: names stay whole.
      double word = char_width * 4;
      most[c] = head_metrics.horizontalAdvance(PcTextToQString(list_.columns[c]));
      for (size_t r = 0; r < sample; ++r) {
        if (c >= list_.rows[r].size()) continue;
        const QString cell = PcTextToQString(list_.rows[r][c]);
        most[c] = std::max(most[c], metrics_.horizontalAdvance(cell));
        for (const QString& part : cell.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
          word = std::max(word, metrics_.horizontalAdvance(part));
        }
      }
      most[c] += 2 * pad_ + 1;
      least[c] = std::min(most[c], std::min(word, char_width * 16) + 2 * pad_ + 1);
    }
    const double room = body_.width();
    const double sum_most = std::accumulate(most.begin(), most.end(), 0.0);
    const double sum_least = std::accumulate(least.begin(), least.end(), 0.0);
    std::vector<double> widths(count, 0);
    if (sum_most <= room) {
      const int total = std::max(std::accumulate(list_.widths.begin(), list_.widths.end(), 0), 1);
      for (size_t c = 0; c < count; ++c) {
        const int share = c < list_.widths.size() ? list_.widths[c] : 0;
        widths[c] = most[c] + (room - sum_most) * share / total;
      }
    } else if (sum_least >= room) {
      for (size_t c = 0; c < count; ++c) widths[c] = least[c] * room / sum_least;
    } else {
      const double share = (room - sum_least) / (sum_most - sum_least);
      for (size_t c = 0; c < count; ++c) widths[c] = least[c] + (most[c] - least[c]) * share;
    }
    return widths;
  }

  QRectF Cell(size_t column, double top, double height) const {
    return QRectF(columns_[column].first + pad_, top, columns_[column].second - 2 * pad_, height);
  }

  const PrintedList& list_;
  QPagedPaintDevice& device_;
  QRectF body_;
  QFont font_;
  QFont head_font_;
  QFontMetricsF metrics_;
  std::vector<std::pair<double, double>> columns_;  // left, width
  double pad_ = 0;
  double line_ = 0;
  double head_height_ = 0;
};

CalendarOptions PrintedOptions(const PrintJob& job, const PrintedCalendar& calendar) {
  CalendarOptions options;
  options.display_date = job.display_date;
  options.display_hour = job.display_hour;
  options.appli_mask = calendar.appli_mask;
  options.today = job.today;
  options.colors = CalendarColors::ForPrint();
  switch (calendar.period) {
    case PrintedCalendar::Period::kMonth:
      options.layout = CalendarLayout::kMonth;
      options.month = calendar.month;
      options.first_day = MonthPageStart(calendar.year, calendar.month, job.display_date);
      options.font = PrintFont(7);
      break;
    case PrintedCalendar::Period::kWeek:
    case PrintedCalendar::Period::kDay: {
      const bool week = calendar.period == PrintedCalendar::Period::kWeek;
      options.layout = week ? CalendarLayout::kWeek : CalendarLayout::kDay;
      options.first_day = calendar.first_day;
      options.font = PrintFont(week ? 7 : 9);
      // From 7 o'clock, or from the hour of an earlier entry.
      int first_hour = kPrintedFirstHour;
      const auto days = calendar.model->Days(options.first_day, week ? 7 : 1, calendar.appli_mask);
      for (const auto& day : days) {
        for (const CalendarEntry* entry : day) {
          if (entry->appli == kSchedule) first_hour = std::min(first_hour, entry->start / 60);
        }
      }
      options.first_minute = first_hour * 60;
      break;
    }
  }
  return options;
}

}  // namespace

bool PrefersLandscape(const PrintedList& list) {
  return std::accumulate(list.widths.begin(), list.widths.end(), 0) > kPortraitListWidth;
}

bool PrefersLandscape(const PrintJob& job) {
  if (job.calendar) return job.calendar->period != PrintedCalendar::Period::kDay;
  return std::any_of(job.lists.begin(), job.lists.end(),
                     [](const PrintedList& list) { return PrefersLandscape(list); });
}

int PaintJob(const PrintJob& job, QPagedPaintDevice& device, bool turn_pages) {
  const bool calendar = job.calendar && job.calendar->model != nullptr;
  // The orientation of each list's pages, and of the calendar's page last.
  std::vector<QPageLayout::Orientation> orientations;
  for (const PrintedList& list : job.lists) {
    orientations.push_back(PrefersLandscape(list) ? QPageLayout::Landscape : QPageLayout::Portrait);
  }
  if (calendar)
    orientations.push_back(PrefersLandscape(job) ? QPageLayout::Landscape : QPageLayout::Portrait);
  if (orientations.empty()) return 0;
  auto page_rect = [&](size_t part) {
    if (!turn_pages) return QRectF(0, 0, device.width(), device.height());
    QPageLayout layout = device.pageLayout();
    layout.setOrientation(orientations[part]);
    return QRectF(QPointF(0, 0), QSizeF(layout.paintRectPixels(device.logicalDpiX()).size()));
  };
  if (turn_pages) device.setPageOrientation(orientations.front());
  QPainter painter;
  if (!painter.begin(&device)) return 0;
  const QString date = PcTextToQString(job.date);
  // The pages are counted before the first one is painted: each carries the total.
  std::vector<ListPages> list_pages;
  int total = calendar ? 1 : 0;
  for (size_t l = 0; l < job.lists.size(); ++l) {
    const PageFrame measure(device, page_rect(l), 0);
    list_pages.push_back(ListPrinter(job.lists[l], device, measure.body()).Paginate());
    total += static_cast<int>(list_pages.back().starts.size());
  }
  int page_number = 0;
  auto next_page = [&](size_t part) {
    if (page_number++ == 0) return;
    if (turn_pages) device.setPageOrientation(orientations[part]);
    device.newPage();
  };
  for (size_t l = 0; l < job.lists.size(); ++l) {
    const PageFrame frame(device, page_rect(l), total);
    const ListPrinter printer(job.lists[l], device, frame.body());
    for (size_t page = 0; page < list_pages[l].starts.size(); ++page) {
      next_page(l);
      frame.PaintFurniture(painter, PcTextToQString(job.lists[l].title), date, page_number);
      printer.PaintPage(painter, list_pages[l], page);
    }
  }
  if (calendar) {
    next_page(job.lists.size());
    const PageFrame frame(device, page_rect(job.lists.size()), total);
    const CalendarOptions options = PrintedOptions(job, *job.calendar);
    frame.PaintFurniture(painter, CalendarTitle(options), date, page_number);
    const CalendarPage page = LayOutCalendar(*job.calendar->model, options, frame.body(), &device);
    PaintCalendar(painter, page, options);
  }
  painter.end();
  return page_number;
}

Result<int> WritePdf(const PrintJob& job, const std::filesystem::path& path,
                     const QPageLayout* page_layout) {
  // The command-line tool has no application object: a short-lived one on
  // the offscreen platform gives the fonts without a display.
  std::unique_ptr<QGuiApplication> own_app;
  static int argc = 1;
  static char name[] = "kivo-link";
  static char* argv[] = {name, nullptr};
  QtMessageHandler previous = nullptr;
  if (QCoreApplication::instance() == nullptr) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // Qt's remarks about the session it runs in (no runtime directory, say)
    // are no business of the tool's user.
    previous = qInstallMessageHandler(
        [](QtMsgType type, const QMessageLogContext&, const QString& message) {
          if (type == QtCriticalMsg || type == QtFatalMsg) {
            std::fprintf(stderr, "kivo-link: %s\n", qPrintable(message));
          }
        });
    own_app = std::make_unique<QGuiApplication>(argc, argv);
  }
  struct RestoreHandler {
    bool installed;
    QtMessageHandler previous;
    ~RestoreHandler() {
      if (installed) qInstallMessageHandler(previous);
    }
  } restore{own_app != nullptr, previous};
  QBuffer buffer;
  buffer.open(QIODevice::WriteOnly);
  int painted = 0;
  {
    QPdfWriter writer(&buffer);
    writer.setCreator(QStringLiteral("kivo-link"));
    writer.setTitle(job.lists.empty() && job.calendar ? QStringLiteral("Calendar")
                                                      : QStringLiteral("Records"));
    if (page_layout != nullptr) {
      writer.setPageLayout(*page_layout);
    } else {
      writer.setPageSize(QPageSize(QPageSize::A4));
      writer.setPageMargins(QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter);
    }
    painted = PaintJob(job, writer, /*turn_pages=*/page_layout == nullptr);
    if (painted == 0) return Failure{"nothing to print"};
  }
  const QByteArray& bytes = buffer.data();
  const Status written =
      WriteFileAtomically(path, std::span(reinterpret_cast<const uint8_t*>(bytes.constData()),
                                          static_cast<size_t>(bytes.size())));
  if (!written) return Failure{written.error()};
  return painted;
}

}  // namespace kivo

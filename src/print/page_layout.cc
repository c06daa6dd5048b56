#include "print/page_layout.h"

#include <algorithm>
#include <cstdio>
#include <memory>

#include <QBuffer>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>

#include "platform/atomic_file.h"
#include "print/calendar_paint.h"
#include "print/list_pages.h"

namespace kivo {
namespace {

// The earliest hour a printed week or day shows, unless an entry starts before.
constexpr int kPrintedFirstHour = 7;

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

CalendarOptions PrintedOptions(const PrintJob& job, const PrintedCalendar& calendar) {
  CalendarOptions options;
  options.display_date = job.display_date;
  options.display_hour = job.display_hour;
  options.appli_mask = calendar.appli_mask;
  options.today = job.today;
  options.colors = CalendarColors::ForPrint();
  options.paper = true;
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
  std::vector<std::unique_ptr<ListPages>> list_pages;
  int total = calendar ? 1 : 0;
  for (size_t l = 0; l < job.lists.size(); ++l) {
    const PageFrame measure(device, page_rect(l), 0);
    list_pages.push_back(LayOutList(job.lists[l], device, measure.body()));
    total += list_pages.back()->page_count();
  }
  int page_number = 0;
  auto next_page = [&](size_t part) {
    if (page_number++ == 0) return;
    if (turn_pages) device.setPageOrientation(orientations[part]);
    device.newPage();
  };
  for (size_t l = 0; l < job.lists.size(); ++l) {
    const PageFrame frame(device, page_rect(l), total);
    for (int page = 0; page < list_pages[l]->page_count(); ++page) {
      next_page(l);
      frame.PaintFurniture(painter, PcTextToQString(job.lists[l].title), date, page_number);
      list_pages[l]->PaintPage(painter, page);
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

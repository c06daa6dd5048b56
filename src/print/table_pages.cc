// A list printed as a table: columns sized to their content, texts broken at
// blanks, numbers, dates and times on one line, titles whole; the type shrinks
// (to 5.5 points at the least) before a word has to be cut.

#include <algorithm>
#include <numeric>

#include <QFontMetricsF>
#include <QImage>
#include <QPainter>

#include "print/calendar_paint.h"
#include "print/list_pages.h"
#include "print/text_wrap.h"

namespace kivo {
namespace {

// The sizes a table's type may take, largest first.
constexpr double kSizes[] = {9, 8.5, 8, 7.5, 7, 6.5, 6, 5.5};

// What one column needs and would like, in the device's pixels.
struct ColumnNeeds {
  std::vector<double> least;
  std::vector<double> most;
  double least_sum() const { return std::accumulate(least.begin(), least.end(), 0.0); }
  double most_sum() const { return std::accumulate(most.begin(), most.end(), 0.0); }
};

ColumnNeeds Measure(const PrintedList& list, const QFont& font, const QFont& head_font,
                    QPaintDevice* device, double pad) {
  const QFontMetricsF metrics(font, device);
  const QFontMetricsF head_metrics(head_font, device);
  const size_t count = list.columns.size();
  ColumnNeeds needs;
  needs.least.assign(count, 0);
  needs.most.assign(count, 0);
  for (size_t c = 0; c < count; ++c) {
    const QString title = PcTextToQString(list.columns[c]);
    needs.least[c] = WidestWord(title, head_metrics);
    needs.most[c] = head_metrics.horizontalAdvance(title);
  }
  for (const std::vector<std::string>& row : list.rows) {
    for (size_t c = 0; c < count && c < row.size(); ++c) {
      if (row[c].empty()) continue;
      const QString cell = PcTextToQString(row[c]);
      const double line = WidestLine(cell, metrics);
      needs.most[c] = std::max(needs.most[c], line);
      needs.least[c] =
          std::max(needs.least[c], KeepsWhole(cell) ? line : WidestWord(cell, metrics));
    }
  }
  for (size_t c = 0; c < count; ++c) {
    needs.least[c] += 2 * pad + 1;
    needs.most[c] += 2 * pad + 1;
  }
  return needs;
}

double PadFor(const QFont& font, QPaintDevice* device) {
  return QFontMetricsF(font, device).averageCharWidth() / 2;
}

// Pixels a point on the device.
double PixelsPerPoint(const QPaintDevice& device) { return device.logicalDpiX() / 72.0; }

class TablePages : public ListPages {
 public:
  TablePages(const PrintedList& list, QPaintDevice& device, const QRectF& body)
      : list_(list), device_(device), body_(body) {
    ChooseType();
    LayOutRows();
  }

  int page_count() const override { return static_cast<int>(starts_.size()); }

  void PaintPage(QPainter& painter, int page) const override {
    const auto p = static_cast<size_t>(page);
    const size_t first = starts_[p];
    const size_t end = p + 1 < starts_.size() ? starts_[p + 1] : list_.rows.size();
    // The column titles, shaded.
    const QRectF head(body_.left(), body_.top(), body_.width(), head_height_);
    painter.fillRect(head, QColor(225, 225, 225));
    painter.setPen(Qt::black);
    painter.setFont(head_font_);
    for (size_t c = 0; c < columns_.size(); ++c) {
      PaintLines(painter, head_lines_[c], c, head.top() + pad_ / 2);
    }
    painter.setFont(font_);
    double y = head.bottom();
    for (size_t r = first; r < end; ++r) {
      const double height = heights_[r];
      if ((r - first) % 2 == 1) {
        painter.fillRect(QRectF(body_.left(), y, body_.width(), height), QColor(244, 244, 244));
      }
      for (size_t c = 0; c < columns_.size(); ++c) {
        PaintLines(painter, cells_[r][c], c, y + pad_ / 2);
      }
      y += height;
    }
  }

 private:
  bool RightAligned(size_t column) const {
    return column < list_.right_aligned.size() && list_.right_aligned[column];
  }

  // The largest type whose columns all get their widest word; an estimate
  // from the first measure, checked and stepped down from there.
  void ChooseType() {
    const double room = body_.width();
    const ColumnNeeds usual = Measure(list_, PrintFont(kSizes[0]), PrintFont(kSizes[0], true),
                                      &device_, PadFor(PrintFont(kSizes[0]), &device_));
    size_t size = 0;
    if (usual.least_sum() > room) {
      const double estimate = kSizes[0] * room / usual.least_sum();
      while (size + 1 < std::size(kSizes) && kSizes[size] > estimate + 0.5) ++size;
    }
    ColumnNeeds needs = usual;
    for (;; ++size) {
      font_ = PrintFont(kSizes[size]);
      head_font_ = PrintFont(kSizes[size], true);
      pad_ = PadFor(font_, &device_);
      if (size > 0) needs = Measure(list_, font_, head_font_, &device_, pad_);
      if (needs.least_sum() <= room || size + 1 == std::size(kSizes)) break;
    }
    break_words_ = needs.least_sum() > room;
    ShareRoom(needs, room);
  }

  // As a browser lays out a table: every column its widest line when the
  // page has the room, the rest shared by the list's own widths; else each
  // its widest word and the rest by how much more each would take.
  void ShareRoom(const ColumnNeeds& needs, double room) {
    const size_t count = list_.columns.size();
    const double least = needs.least_sum();
    const double most = needs.most_sum();
    std::vector<double> widths(count, 0);
    if (most <= room) {
      const int total = std::max(std::accumulate(list_.widths.begin(), list_.widths.end(), 0), 1);
      for (size_t c = 0; c < count; ++c) {
        const int share = c < list_.widths.size() ? list_.widths[c] : 0;
        widths[c] = needs.most[c] + (room - most) * share / total;
      }
    } else if (least >= room) {
      // Words must break: only in the columns with the longest ones, each
      // cut to one width, so that the others keep theirs whole.
      std::vector<double> sorted = needs.least;
      std::sort(sorted.begin(), sorted.end());
      double cap = room / static_cast<double>(count);
      double below = 0;  // the columns narrower than the cap
      for (size_t i = 0; i < count; ++i) {
        const double level = (room - below) / static_cast<double>(count - i);
        if (sorted[i] > level) {
          cap = level;
          break;
        }
        below += sorted[i];
      }
      for (size_t c = 0; c < count; ++c) widths[c] = std::min(needs.least[c], cap);
    } else {
      const double share = (room - least) / (most - least);
      for (size_t c = 0; c < count; ++c) {
        widths[c] = needs.least[c] + (needs.most[c] - needs.least[c]) * share;
      }
    }
    double x = body_.left();
    for (const double w : widths) {
      columns_.emplace_back(x, w);
      x += w;
    }
  }

  QStringList Wrap(const QString& text, const QFontMetricsF& metrics, size_t column) const {
    const double width = columns_[column].second - 2 * pad_;
    if (KeepsWhole(text) && metrics.horizontalAdvance(text) <= width) return {text};
    return WrapWords(text, metrics, width, break_words_);
  }

  void LayOutRows() {
    const QFontMetricsF metrics(font_, &device_);
    const QFontMetricsF head_metrics(head_font_, &device_);
    line_ = metrics.height();
    size_t head_lines = 1;
    for (size_t c = 0; c < columns_.size(); ++c) {
      head_lines_.push_back(Wrap(PcTextToQString(list_.columns[c]), head_metrics, c));
      head_lines = std::max<size_t>(head_lines, head_lines_.back().size());
    }
    head_height_ = static_cast<double>(head_lines) * head_metrics.height() + pad_;
    const double room = body_.height() - head_height_;
    starts_.push_back(0);
    double used = 0;
    for (const std::vector<std::string>& row : list_.rows) {
      std::vector<QStringList> cells;
      size_t lines = 1;
      for (size_t c = 0; c < columns_.size(); ++c) {
        cells.push_back(c < row.size() ? Wrap(PcTextToQString(row[c]), metrics, c) : QStringList());
        lines = std::max<size_t>(lines, cells.back().size());
      }
      // A row taller than a page is cut at the page's end.
      const double height = std::min(static_cast<double>(lines) * line_ + pad_, room);
      if (used + height > room && used > 0) {
        starts_.push_back(cells_.size());
        used = 0;
      }
      used += height;
      heights_.push_back(height);
      cells_.push_back(std::move(cells));
    }
  }

  void PaintLines(QPainter& painter, const QStringList& lines, size_t column, double top) const {
    const double left = columns_[column].first + pad_;
    const double width = columns_[column].second - 2 * pad_;
    const double line = QFontMetricsF(painter.font(), &device_).height();
    const Qt::Alignment align =
        (RightAligned(column) ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignTop;
    painter.save();
    painter.setClipRect(QRectF(columns_[column].first, top - pad_ / 2, columns_[column].second,
                               body_.bottom() - top + pad_));
    for (qsizetype i = 0; i < lines.size(); ++i) {
      painter.drawText(QRectF(left, top + static_cast<double>(i) * line, width, line), align,
                       lines[i]);
    }
    painter.restore();
  }

  const PrintedList& list_;
  QPaintDevice& device_;
  QRectF body_;
  QFont font_;
  QFont head_font_;
  double pad_ = 0;
  double line_ = 0;
  double head_height_ = 0;
  bool break_words_ = false;
  std::vector<std::pair<double, double>> columns_;  // left, width
  std::vector<QStringList> head_lines_;
  std::vector<std::vector<QStringList>> cells_;  // per row and column: its lines
  std::vector<double> heights_;                  // per row
  std::vector<size_t> starts_;                   // the first row of each page
};

}  // namespace

TableWidths MeasureTable(const PrintedList& list) {
  // An image of 72 dots an inch measures in points.
  QImage points(1, 1, QImage::Format_Mono);
  points.setDotsPerMeterX(2835);
  points.setDotsPerMeterY(2835);
  const QFont font = PrintFont(kSizes[0]);
  const ColumnNeeds needs =
      Measure(list, font, PrintFont(kSizes[0], true), &points, PadFor(font, &points));
  const double scale = 1 / PixelsPerPoint(points);
  return {needs.least_sum() * scale, needs.most_sum() * scale};
}

std::unique_ptr<ListPages> LayOutTable(const PrintedList& list, QPaintDevice& device,
                                       const QRectF& body) {
  return std::make_unique<TablePages>(list, device, body);
}

}  // namespace kivo

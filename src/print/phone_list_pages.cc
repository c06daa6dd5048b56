// The Telephone list printed as a phone list: a card per record, in the
// list's order, two columns a page. A card shows the name, then each phone
// number beside its label, the e-mail address, the company and the notes; a
// card is never parted between columns or pages, a number never broken, and
// the longer texts wrap at their blanks.

#include <algorithm>
#include <string_view>

#include <QFontMetricsF>
#include <QPainter>

#include "print/calendar_paint.h"
#include "print/list_pages.h"
#include "print/text_wrap.h"
#include "view/appli_columns.h"

namespace kivo {
namespace {

// The gap between the two columns, and the room around a card, in points.
constexpr double kColumnGap = 22;
constexpr double kCardGap = 7;

// The Telephone list's columns a card shows, by their place in the list.
constexpr size_t kCategoryColumn = 0;
constexpr size_t kLastNameColumn = 1;
constexpr size_t kFirstNameColumn = 2;
constexpr size_t kCompanyColumn = 3;
constexpr size_t kNumberColumns[] = {4, 5, 6, 7};  // Home#, Office#, Fax#, Other#
constexpr size_t kEmailColumn = 13;
constexpr size_t kNotesColumn = 14;

// One field of a card: its label (none for the name) and its lines.
struct CardField {
  QString label;
  QStringList lines;
};

struct Card {
  std::vector<CardField> fields;  // the name first
  double height = 0;
  int page = 0;
  int column = 0;
  double top = 0;
};

// The label of a column: its title without the number sign ("Home").
QString LabelOf(size_t column) {
  std::string_view title = AppliColumns(kTelephone)[column].title;
  if (!title.empty() && title.back() == '#') title.remove_suffix(1);
  return QString::fromLatin1(title.data(), static_cast<qsizetype>(title.size()));
}

class PhoneListPages : public ListPages {
 public:
  PhoneListPages(const PrintedList& list, QPaintDevice& device, const QRectF& body)
      : device_(device),
        body_(body),
        name_font_(PrintFont(9.5, true)),
        font_(PrintFont(8.5)),
        label_font_(PrintFont(7.5)) {
    const double point = device.logicalDpiX() / 72.0;
    column_width_ = (body.width() - kColumnGap * point) / 2;
    gap_ = kCardGap * point;
    const QFontMetricsF labels(label_font_, &device);
    for (size_t column : {kCompanyColumn, kEmailColumn, kNotesColumn, kNumberColumns[1]}) {
      label_width_ = std::max(label_width_, labels.horizontalAdvance(LabelOf(column)));
    }
    label_width_ += labels.averageCharWidth() * 1.5;
    FindColumns(list);
    for (const std::vector<std::string>& row : list.rows) cards_.push_back(MakeCard(row));
    Place();
  }

  int page_count() const override { return pages_; }

  void PaintPage(QPainter& painter, int page) const override {
    const QFontMetricsF name_metrics(name_font_, &device_);
    const QFontMetricsF metrics(font_, &device_);
    QPen rule(QColor(190, 190, 190));
    rule.setWidthF(device_.logicalDpiY() / 150.0);
    for (const Card& card : cards_) {
      if (card.page != page) continue;
      const double left = body_.left() + card.column * (body_.width() - column_width_);
      double y = card.top;
      if (y > body_.top()) {
        painter.setPen(rule);
        painter.drawLine(QPointF(left, y - gap_ / 2), QPointF(left + column_width_, y - gap_ / 2));
      }
      for (const CardField& field : card.fields) {
        const bool name = field.label.isEmpty();
        const double line = name ? name_metrics.height() : metrics.height();
        double x = left;
        if (!name) {
          painter.setFont(label_font_);
          painter.setPen(QColor(90, 90, 90));
          painter.drawText(QRectF(left, y, label_width_, line), Qt::AlignLeft | Qt::AlignVCenter,
                           field.label);
          x += label_width_;
        }
        painter.setFont(name ? name_font_ : font_);
        painter.setPen(Qt::black);
        for (const QString& text : field.lines) {
          painter.drawText(QRectF(x, y, left + column_width_ - x, line),
                           Qt::AlignLeft | Qt::AlignVCenter, text);
          y += line;
        }
      }
    }
  }

 private:
  // Where each column the cards show stands in the list: by its title.
  void FindColumns(const PrintedList& list) {
    const auto titles = AppliColumns(kTelephone);
    for (size_t wanted = 0; wanted < titles.size(); ++wanted) {
      for (size_t c = 0; c < list.columns.size(); ++c) {
        if (list.columns[c] == titles[wanted].title) at_[wanted] = static_cast<int>(c);
      }
    }
  }

  QString Cell(const std::vector<std::string>& row, size_t column) const {
    const int at = at_[column];
    if (at < 0 || static_cast<size_t>(at) >= row.size()) return {};
    return PcTextToQString(row[static_cast<size_t>(at)]).trimmed();
  }

  Card MakeCard(const std::vector<std::string>& row) const {
    const QFontMetricsF name_metrics(name_font_, &device_);
    const QFontMetricsF metrics(font_, &device_);
    const double value_width = column_width_ - label_width_;
    Card card;
    const QString last = Cell(row, kLastNameColumn);
    const QString first = Cell(row, kFirstNameColumn);
    QString company = Cell(row, kCompanyColumn);
    QString name =
        !last.isEmpty() && !first.isEmpty() ? last + QStringLiteral(", ") + first : last + first;
    if (name.isEmpty()) std::swap(name, company);
    if (name.isEmpty()) name = Cell(row, kCategoryColumn);
    card.fields.push_back({QString(), WrapWords(name, name_metrics, column_width_, true)});
    card.height = static_cast<double>(card.fields.back().lines.size()) * name_metrics.height();
    auto add = [&](size_t column, const QString& text) {
      if (text.isEmpty()) return;
      QStringList lines = KeepsWhole(text) && metrics.horizontalAdvance(text) <= value_width
                              ? QStringList{text}
                              : WrapWords(text, metrics, value_width, true);
      card.height += static_cast<double>(lines.size()) * metrics.height();
      card.fields.push_back({LabelOf(column), std::move(lines)});
    };
    for (size_t column : kNumberColumns) add(column, Cell(row, column));
    add(kEmailColumn, Cell(row, kEmailColumn));
    add(kCompanyColumn, company);
    add(kNotesColumn, Cell(row, kNotesColumn));
    return card;
  }

  // Down the left column, then the right, then the next page.
  void Place() {
    int page = 0;
    int column = 0;
    double y = body_.top();
    for (Card& card : cards_) {
      if (y > body_.top() && y + card.height > body_.bottom()) {
        column = 1 - column;
        if (column == 0) ++page;
        y = body_.top();
      }
      card.page = page;
      card.column = column;
      card.top = y;
      y += card.height + gap_;
    }
    pages_ = page + 1;
  }

  QPaintDevice& device_;
  QRectF body_;
  QFont name_font_;
  QFont font_;
  QFont label_font_;
  double column_width_ = 0;
  double label_width_ = 0;
  double gap_ = 0;
  int at_[kMaxColumns] = {-1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1};
  std::vector<Card> cards_;
  int pages_ = 1;
};

}  // namespace

std::unique_ptr<ListPages> LayOutPhoneList(const PrintedList& list, QPaintDevice& device,
                                           const QRectF& body) {
  return std::make_unique<PhoneListPages>(list, device, body);
}

}  // namespace kivo

#include "ui/list_header_area.h"

#include <QFontMetrics>
#include <QPainter>

namespace kivo {
namespace {

constexpr int kNameLeft = 2;
constexpr int kGap = 16;  // between the name and the count

QFont NameFont() {
  QFont font(QStringLiteral("Arial"));
  font.setStyleHint(QFont::SansSerif);
  font.setPixelSize(28);
  font.setBold(true);
  font.setItalic(true);
  return font;
}

QFont CountFont() {
  QFont font(QStringLiteral("Arial"));
  font.setStyleHint(QFont::SansSerif);
  font.setPixelSize(14);
  return font;
}

// The widest count there can be, so the words stay put as the count changes.
const QString kWidestCount = QStringLiteral("65535 records exist");

}  // namespace

ListHeaderArea::ListHeaderArea(QWidget* parent) : QWidget(parent) { SetRecordCount(0); }

void ListHeaderArea::SetAppliName(const QString& name) {
  if (name == name_) return;
  name_ = name;
  update();
}

void ListHeaderArea::SetRecordCount(int count) {
  QString text = QString::asprintf("%4d records exist", count);
  if (text == count_text_) return;
  count_text_ = std::move(text);
  update();
}

QRect ListHeaderArea::NameRect() const {
  const QFontMetrics metrics(NameFont());
  return QRect(kNameLeft, 0, metrics.horizontalAdvance(name_) + metrics.averageCharWidth() / 2,
               metrics.height());
}

QRect ListHeaderArea::CountRect() const {
  const QFontMetrics name_metrics(NameFont());
  const QFontMetrics metrics(CountFont());
  // On the name's baseline, after it.
  const int top = name_metrics.ascent() - metrics.ascent();
  const int width =
      std::max(metrics.horizontalAdvance(count_text_), metrics.horizontalAdvance(kWidestCount));
  return QRect(NameRect().right() + kGap, top, width, metrics.height());
}

QSize ListHeaderArea::minimumSizeHint() const {
  return QSize(CountRect().right() + 1, NameRect().height());
}

void ListHeaderArea::paintEvent(QPaintEvent* /*event*/) {
  // No fill: the tab page behind shows through, whatever colour the style
  // gives it. The name takes the palette's link colour (blue on a light
  // desktop), the count the window's text colour.
  QPainter painter(this);
  painter.setRenderHint(QPainter::TextAntialiasing);
  painter.setFont(NameFont());
  painter.setPen(palette().color(QPalette::Link));
  painter.drawText(NameRect(), Qt::AlignLeft | Qt::AlignTop, name_);
  painter.setFont(CountFont());
  painter.setPen(palette().color(QPalette::WindowText));
  painter.drawText(CountRect(), Qt::AlignLeft | Qt::AlignTop, count_text_);
}

}  // namespace kivo

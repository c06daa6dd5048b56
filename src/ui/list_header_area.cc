#include "ui/list_header_area.h"

#include <QPainter>

namespace kivo {

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

void ListHeaderArea::paintEvent(QPaintEvent* /*event*/) {
  // No fill: the tab page behind shows through, whatever colour the style
  // gives it.
  QPainter painter(this);
  painter.setRenderHint(QPainter::TextAntialiasing);

  QFont name_font(QStringLiteral("Arial"));
  name_font.setPixelSize(28);
  name_font.setBold(true);
  name_font.setItalic(true);
  painter.setFont(name_font);
  painter.setPen(QColor(0, 0, 255));
  painter.drawText(QRect(2, -2, 200, 34), Qt::AlignLeft | Qt::AlignTop, name_);

  QFont count_font(QStringLiteral("Arial"));
  count_font.setPixelSize(14);
  painter.setFont(count_font);
  painter.setPen(Qt::black);
  // Blanks of the count keep their width, so the words stay put as the count grows.
  painter.drawText(QRect(200, 13, width() - 200, 18), Qt::AlignLeft | Qt::AlignTop, count_text_);
}

}  // namespace kivo
